// The error routine: appends one entry per failure to "Verw.log".
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

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

// The entry text as it is written (CP1252 bytes, CRLF line ends).
std::string FormatLogEntry(std::string_view module, std::string_view operation, int32_t number,
                           std::string_view description, int checkpoint, double nowSerial);

}  // namespace korvax
