#include "host/pdf_command.hpp"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "einvoice/pdf.hpp"
#include "host/cli_messages.hpp"
#include "host/exit_codes.hpp"

namespace korvax::host {

namespace {

namespace fs = std::filesystem;

struct PdfOptions {
  std::string document;
  std::string out_dir;
};

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
  const fs::path renderer = einvoice::Renderer();
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
  const int status = einvoice::RunQuietly(
      {renderer.string(), "-env:UserInstallation=file://" + profile.string(), "--headless",
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
