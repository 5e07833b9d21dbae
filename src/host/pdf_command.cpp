#include "host/pdf_command.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "host/cli_messages.hpp"
#include "host/exit_codes.hpp"

extern char** environ;

namespace korvax::host {

namespace {

namespace fs = std::filesystem;

struct PdfOptions {
  std::string document;
  std::string out_dir;
};

// The LibreOffice program on the PATH, or the empty path.
fs::path Renderer() {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  size_t from = 0;
  while (from <= dirs.size()) {
    const size_t to = dirs.find(':', from);
    const std::string dir =
        dirs.substr(from, to == std::string::npos ? std::string::npos : to - from);
    for (const char* name : {"soffice", "libreoffice"}) {
      const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
      if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    if (to == std::string::npos) break;
    from = to + 1;
  }
  return {};
}

// Runs the program with its arguments, without a shell, its output and
// messages into the file `output`; its exit status.
int Spawn(const std::vector<std::string>& args, const fs::path& output) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int RunPdf(const PdfOptions& o) {
  const fs::path document = o.document;
  if (!fs::is_regular_file(document)) {
    std::cerr << "korvax pdf: Die Rechnung \"" << o.document << "\" gibt es nicht.\n";
    return kExitNoInput;
  }
  const fs::path renderer = Renderer();
  if (renderer.empty()) {
    std::cerr << "korvax pdf: LibreOffice (soffice) ist nicht installiert; "
                 "./run setup installiert es.\n";
    return kExitNoRenderer;
  }
  const fs::path out_dir =
      o.out_dir.empty() ? fs::absolute(document).parent_path() : fs::path(o.out_dir);
  // A profile of its own, so that a running LibreOffice of the user does not
  // take the job over (and the job does not wait for it).
  const fs::path profile = fs::temp_directory_path() / ("korvax-pdf-" + std::to_string(getpid()));
  // LibreOffice talks on both channels even when all goes well ("failed to
  // launch javaldx"); what it said is shown only when the conversion fails.
  const fs::path output = profile.string() + ".txt";
  const int status =
      Spawn({renderer.string(), "-env:UserInstallation=file://" + profile.string(), "--headless",
             "--convert-to", "pdf", "--outdir", out_dir.string(), fs::absolute(document).string()},
            output);
  std::error_code ec;
  fs::remove_all(profile, ec);
  const std::string said = ReadAll(output);
  fs::remove(output, ec);
  const fs::path pdf = out_dir / document.filename().replace_extension(".pdf");
  if (status != 0 || !fs::is_regular_file(pdf)) {
    std::cerr << "korvax pdf: LibreOffice konnte \"" << o.document << "\" nicht umwandeln.\n";
    if (!said.empty()) std::cerr << "Meldungen von LibreOffice:\n" << said;
    return kExitInternal;
  }
  std::cout << pdf.string() << "\n";
  return 0;
}

}  // namespace

void AddPdfCommand(CLI::App& app) {
  auto options = std::make_shared<PdfOptions>();
  auto* pdf = AddCommand(app, "pdf", "wandelt die Rechnung mit LibreOffice in ein PDF um");
  pdf->add_option("DOKUMENT", options->document, "die Rechnung (.docx)")
      ->required()
      ->type_name("DATEI");
  pdf->add_option("--out-dir", options->out_dir, "Ordner des PDF (sonst der des Dokuments)")
      ->type_name("ORDNER");
  pdf->footer("Gibt den Pfad des PDF aus. Rückgabewerte: korvax --help.");
  pdf->callback([options] {
    const int code = RunPdf(*options);
    if (code != 0) throw CLI::RuntimeError(code);
  });
}

}  // namespace korvax::host
