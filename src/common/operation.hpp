// Report and continue: the construct every reporting operation runs its steps
// through. A failing step is reported to the error log with the operation's
// module and name and its checkpoint number, abandoned as a whole, and the
// operation goes on with its next step; the caller never sees the failure.
//
//   Operation op("Rechnung", "Show");
//   op.Step(100, [&] { hostWindow = hWndMDI; });
//   op.Step(400, [&] { db = workspace.OpenDatabase(path); });
#pragma once

#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "common/error.hpp"
#include "common/error_log.hpp"

namespace korvax {

class Operation {
 public:
  Operation(std::string_view module, std::string_view name) : module_(module), name_(name) {}

  // Runs one step; true when it ran through, false when it failed and was reported.
  template <class F>
  bool Step(int checkpoint, F&& step) noexcept {
    checkpoint_ = checkpoint;
    try {
      step();
      return true;
    } catch (...) {
      Report(std::current_exception());
      return false;
    }
  }

  // The condition of an if-then-else: a failing condition leads into the
  // then-part, as the classic runtime resumed with the next statement.
  template <class F>
  bool If(int checkpoint, F&& condition) noexcept {
    checkpoint_ = checkpoint;
    try {
      return static_cast<bool>(condition());
    } catch (...) {
      Report(std::current_exception());
      return true;
    }
  }

  // A step whose failures are ignored without a report.
  template <class F>
  static bool Quietly(F&& step) noexcept {
    try {
      step();
      return true;
    } catch (...) {
      return false;
    }
  }

  // Reports the exception as a failure at the current checkpoint.
  void Report(std::exception_ptr failure) noexcept;

  int Failures() const { return failures_; }
  int Checkpoint() const { return checkpoint_; }
  const std::string& Module() const { return module_; }
  const std::string& Name() const { return name_; }

 private:
  std::string module_;
  std::string name_;
  int checkpoint_ = 0;
  int failures_ = 0;
};

// Number and description of any exception, as the log shows them.
void DescribeFailure(std::exception_ptr failure, int32_t& number, std::string& description);

}  // namespace korvax
