#include "office_life.hpp"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "../support/host_database.hpp"
#include "reliability_fixture.hpp"

namespace korvax::reliability {

namespace fs = std::filesystem;

Process::Process(const std::vector<std::string>& arguments, const fs::path& dir,
                 const std::string& name)
    : out_(dir / (name + ".out")), err_(dir / (name + ".err")) {
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(pipe_ends[0], 0);
    const int out = ::open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipe_ends[0]);
  stdin_ = pipe_ends[1];
}

Process::~Process() {
  if (stdin_ >= 0) ::close(stdin_);
  if (pid_ > 0 && !ended_) {
    ::kill(pid_, SIGKILL);
    Wait();
  }
}

void Process::Feed(const std::string& input) {
  if (stdin_ < 0) return;
  // A process that ended already makes the write fail with EPIPE, not a signal.
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);
  (void)!::write(stdin_, input.data(), input.size());
  ::sigaction(SIGPIPE, &old, nullptr);
  ::close(stdin_);
  stdin_ = -1;
}

int Process::Wait() {
  if (ended_ || pid_ <= 0) return code_;
  int status = 0;
  ::waitpid(pid_, &status, 0);
  ended_ = true;
  code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  return code_;
}

bool Process::Ended() {
  if (ended_ || pid_ <= 0) return true;
  int status = 0;
  if (::waitpid(pid_, &status, WNOHANG) != pid_) return false;
  ended_ = true;
  code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  return true;
}

bool Process::AwaitReadingInput() {
#if defined(__aarch64__)
  const std::string read_call = "63";
#else
  const std::string read_call = "0";  // x86-64
#endif
  const std::string proc = "/proc/" + std::to_string(pid_);
  std::error_code ec;
  for (int i = 0; i < 1000 && !Ended(); ++i) {
    // "<call> <first argument> ...": a read of a descriptor that is its input pipe.
    std::istringstream call(ReadBytes(proc + "/syscall"));
    std::string number, descriptor;
    call >> number >> descriptor;
    if (number == read_call && descriptor.rfind("0x", 0) == 0) {
      const auto fd = std::to_string(std::stoul(descriptor, nullptr, 16));
      if (fs::read_symlink(proc + "/fd/" + fd, ec) == fs::read_symlink(proc + "/fd/0", ec)) {
        return true;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::string Process::Out() const {
  return ReadBytes(out_);
}

std::string Process::Err() const {
  return ReadBytes(err_);
}

std::string KorvaxProgram() {
  return KORVAX_BINARY_DIR "/src/host/korvax";
}

std::string AsUnprivilegedUser(const fs::path& dir, const std::function<std::string()>& check) {
  constexpr uid_t kNobody = 65534;
  constexpr gid_t kNogroup = 65534;
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipe_ends[0]);
    std::string report;
    if (::geteuid() == 0) {
      std::error_code ec;
      for (const auto& entry : fs::recursive_directory_iterator(dir, ec)) {
        (void)!::lchown(entry.path().c_str(), kNobody, kNogroup);
      }
      (void)!::chown(dir.c_str(), kNobody, kNogroup);
      if (::setgroups(0, nullptr) != 0 || ::setgid(kNogroup) != 0 || ::setuid(kNobody) != 0) {
        report = "could not become nobody";
      }
    }
    if (report.empty()) {
      try {
        report = check();
      } catch (const std::exception& e) {
        report = std::string("exception: ") + e.what();
      }
    }
    (void)!::write(pipe_ends[1], report.data(), report.size());
    ::_exit(0);
  }
  ::close(pipe_ends[1]);
  std::string report;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0;) report.append(buffer, n);
  ::close(pipe_ends[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) report += " (the check ended by a signal)";
  if (::geteuid() == 0) {
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(dir, ec)) {
      (void)!::lchown(entry.path().c_str(), 0, 0);
    }
    (void)!::chown(dir.c_str(), 0, 0);
  }
  return report;
}

std::string ShowScript(int index, const std::string& parcel, bool existing,
                       const std::string& after) {
  const std::string form = index == 3 ? "frmKat4" : "frmKat1";
  std::string steps = "[";
  if (existing) {
    steps += R"js({"form": "G_frmTabelle", "action": "click", "control": "optTabelle(0)"},
      {"form": "G_frmTabelle", "action": "click", "control": "cmdEnde"},
      {"form": ")js" +
             form + R"js(", "action": "click", "control": "CommandButtonNeu"},)js";
  }
  if (index == 3) {
    steps += R"({"form": "frmKat4", "action": "type", "control": "TextBoxFlst", "text": ")" +
             parcel + R"(", "replace": true},
      {"action": "type", "control": "MaskEdBox7_1", "text": "4", "replace": true},
      {"action": "type", "control": "MaskEdBox7_2", "text": "0", "replace": true},
      {"action": "type", "control": "MaskEdBox7_3", "text": "2", "replace": true},)";
  } else {
    steps += R"({"form": "frmKat1", "action": "type", "control": "TextBoxFlst", "text": ")" +
             parcel + R"(", "replace": true},
      {"action": "type", "control": "MaskEdBoxFläche", "text": "450", "replace": true},)";
  }
  steps += R"({"action": "type", "control": "MaskEdBoxWert", "text": "45,", "replace": true},
      {"action": "type", "control": "MaskEdBoxAnteil", "text": "1000", "replace": true},
      {"action": "key", "control": "MaskEdBoxAnteil", "key": "Enter"},
      {"action": "click", "control": "CommandEnde"})";
  return steps + after + "]";
}

void OfficeTest::SetUp() {
  ScratchTest::SetUp();
  database_ = dir_ / "office.sqlite";
  testing::CreateHostDatabase(database_);
  invoice_ = dir_ / "rechnung.docx";
  testing::WriteDocx(invoice_, P("Rechnung 2026-0017"));
}

std::vector<std::string> OfficeTest::Show(int index) const {
  return {KorvaxProgram(), "show", "--db",    database_.string(),    "--doc",     invoice_.string(),
          "--user",        "7",    "--index", std::to_string(index), "--invoice", "17",
          "--script",      "-"};
}

}  // namespace korvax::reliability
