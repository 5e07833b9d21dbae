// Pieces of the tests of ordinary office life: korvax show run as separate
// processes on one invoice, another user's process, and checks run as an
// unprivileged user.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "reliability_fixture.hpp"

namespace korvax::reliability {

// A korvax show (or any program) running with its standard input on a pipe,
// its output in files of `dir`.
class Process {
 public:
  Process(const std::vector<std::string>& arguments, const std::filesystem::path& dir,
          const std::string& name);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t Pid() const { return pid_; }
  // Writes to its standard input and closes it (a process that ended already
  // is fine).
  void Feed(const std::string& input);
  // Waits for it to end; its exit code, or minus the signal that ended it.
  int Wait();
  // Whether it ended by now, without waiting.
  bool Ended();
  // Waits until it reads its standard input (korvax show has opened the
  // invoice by then), at most about ten seconds; false when it never did.
  bool AwaitReadingInput();
  int Code() const { return code_; }
  std::string Out() const;
  std::string Err() const;

 private:
  pid_t pid_ = -1;
  int stdin_ = -1;
  int code_ = -1;
  bool ended_ = false;
  std::filesystem::path out_;
  std::filesystem::path err_;
};

// The korvax command of this build.
std::string KorvaxProgram();

// Runs `check` in a child process as the user nobody when the tests run as
// root (as CI does), else as the user running them; `dir` is handed to nobody
// first. Returns what the check reports, empty when all was well.
std::string AsUnprivilegedUser(const std::filesystem::path& dir,
                               const std::function<std::string()>& check);

// The user's input for korvax show: one billing line of Nr. 7 (index 3) or
// Nr. 2 (index 0), finished with OK. `existing` when the category has a table
// already: the table selection asks first, the line is added to that table;
// `after` are steps that follow OK (answers to message boxes).
std::string ShowScript(int index, const std::string& parcel, bool existing,
                       const std::string& after = "");

// An office: the host database (user 7, invoice 17) and an invoice with a
// paragraph only, in the test's folder.
class OfficeTest : public ScratchTest {
 protected:
  void SetUp() override;
  // korvax show for fee category `index`, the user's input from standard input.
  std::vector<std::string> Show(int index) const;

  std::filesystem::path database_;
  std::filesystem::path invoice_;
};

}  // namespace korvax::reliability
