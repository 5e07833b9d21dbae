// The error routine: appends one entry per failure to "Verw.log".
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.hpp"

namespace korvax {

// The log file: "Verw.log" in the directory of the korvax library (or of the
// program the code is linked into). The environment variable KORVAX_LOG_DIR,
// when set and not empty, names another directory; tests use it. Users
// cannot write there when the program is installed: the log then goes to
// $XDG_STATE_HOME/korvax (default ~/.local/state/korvax).
std::filesystem::path ErrorLogPath();

struct ErrorLogPlace {
  std::filesystem::path path;        // as ErrorLogPath()
  std::filesystem::path unwritable;  // the directory passed over; empty when none was
};
ErrorLogPlace ErrorLogLocation();

// Appends the six-line entry (CP1252, CRLF). Never throws; an unwritable log
// loses the entry silently.
void ReportError(std::string_view module, std::string_view operation, int32_t number,
                 std::string_view description, int checkpoint) noexcept;

// A failure as the error routine received it.
struct ReportedFailure {
  std::string module;
  std::string operation;
  int32_t number = 0;
  std::string description;
  int checkpoint = 0;
};

// Collects the failures reported while it lives, whether or not the log could
// be written: a host tells its user what one call logged. Captures may nest
// and may live on several threads; each sees every report of its lifetime.
class FailureCapture {
 public:
  FailureCapture();
  ~FailureCapture();
  FailureCapture(const FailureCapture&) = delete;
  FailureCapture& operator=(const FailureCapture&) = delete;

  std::vector<ReportedFailure> Failures() const;
  size_t Count() const;

 private:
  friend void ReportError(std::string_view, std::string_view, int32_t, std::string_view,
                          int) noexcept;
  std::vector<ReportedFailure> failures_;
};

// "Fehler 3021 in Rechnung.Show (Schritt 400): Kein aktueller Datensatz."
std::string DescribeReportedFailure(const ReportedFailure& failure);

// The entry text as it is written (CP1252 bytes, CRLF line ends).
std::string FormatLogEntry(std::string_view module, std::string_view operation, int32_t number,
                           std::string_view description, int checkpoint, double nowSerial);

}  // namespace korvax
