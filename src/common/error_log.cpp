#include "common/error_log.hpp"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/date.hpp"
#include "common/text.hpp"

namespace korvax {

std::filesystem::path ErrorLogPath() {
  if (const char* dir = std::getenv("KORVAX_LOG_DIR"); dir != nullptr && *dir != '\0') {
    return std::filesystem::path(dir) / "Verw.log";
  }
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ErrorLogPath), &info) != 0 && info.dli_fname != nullptr) {
    std::error_code ec;
    const auto image = std::filesystem::canonical(info.dli_fname, ec);
    if (!ec) return image.parent_path() / "Verw.log";
  }
  return std::filesystem::current_path() / "Verw.log";
}

std::string FormatLogEntry(std::string_view module, std::string_view operation, int32_t number,
                           std::string_view description, int checkpoint, double nowSerial) {
  const Date now{nowSerial};
  char stamp[64];
  // "d/m/yy " and "hh:mm   " with the German separators.
  std::snprintf(stamp, sizeof stamp, "%d.%d.%02d %02d:%02d   ", now.Day(), now.Month(),
                now.Year() % 100, now.Hour(), now.Minute());
  std::string entry;
  entry += stamp;
  entry += "Error " + std::to_string(number) + ": ";
  entry += "\r\n";
  entry += description;
  entry += "\r\n";
  entry += "Zeile: " + std::to_string(checkpoint);
  entry += "\r\n";
  entry += "Ort  : ";
  entry += module;
  entry += ".";
  entry += operation;
  entry += "\r\n";
  entry += "User : , ";
  entry += "\r\n";
  entry += "\r\n";
  return text::Utf8ToCp1252(entry);
}

void ReportError(std::string_view module, std::string_view operation, int32_t number,
                 std::string_view description, int checkpoint) noexcept {
  try {
    const std::string entry =
        FormatLogEntry(module, operation, number, description, checkpoint, Date::Now().serial);
    const std::string path = ErrorLogPath().string();
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (f == nullptr) return;
    std::fwrite(entry.data(), 1, entry.size(), f);
    std::fclose(f);
  } catch (...) {
    // The routine itself never fails; the entry is lost.
  }
}

}  // namespace korvax
