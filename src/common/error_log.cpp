#include "common/error_log.hpp"

#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "common/date.hpp"
#include "common/text.hpp"

namespace korvax {

namespace {

std::mutex captures_mutex;
std::vector<FailureCapture*>& Captures() {
  static std::vector<FailureCapture*> captures;
  return captures;
}

namespace fs = std::filesystem;

fs::path DefaultLogDirectory() {
  if (const char* dir = std::getenv("KORVAX_LOG_DIR"); dir != nullptr && *dir != '\0') {
    return dir;
  }
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&ErrorLogPath), &info) != 0 && info.dli_fname != nullptr) {
    std::error_code ec;
    const auto image = fs::canonical(info.dli_fname, ec);
    if (!ec) return image.parent_path();
  }
  return fs::current_path();
}

// $XDG_STATE_HOME/korvax, or ~/.local/state/korvax; empty without a home.
fs::path StateDirectory() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/') {
    return fs::path(state) / "korvax";
  }
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home != '/') {
    const passwd* user = getpwuid(geteuid());
    home = user != nullptr ? user->pw_dir : nullptr;
  }
  return home != nullptr && *home == '/' ? fs::path(home) / ".local/state/korvax" : fs::path();
}

bool Writable(const fs::path& directory, const fs::path& file) {
  std::error_code ec;
  if (fs::exists(file, ec)) return access(file.c_str(), W_OK) == 0;
  return access(directory.c_str(), W_OK) == 0;
}

}  // namespace

FailureCapture::FailureCapture() {
  std::lock_guard<std::mutex> guard(captures_mutex);
  Captures().push_back(this);
}

FailureCapture::~FailureCapture() {
  std::lock_guard<std::mutex> guard(captures_mutex);
  auto& captures = Captures();
  captures.erase(std::remove(captures.begin(), captures.end(), this), captures.end());
}

std::vector<ReportedFailure> FailureCapture::Failures() const {
  std::lock_guard<std::mutex> guard(captures_mutex);
  return failures_;
}

size_t FailureCapture::Count() const {
  std::lock_guard<std::mutex> guard(captures_mutex);
  return failures_.size();
}

std::string DescribeReportedFailure(const ReportedFailure& failure) {
  return "Fehler " + std::to_string(failure.number) + " in " + failure.module + "." +
         failure.operation + " (Schritt " + std::to_string(failure.checkpoint) +
         "): " + failure.description;
}

ErrorLogPlace ErrorLogLocation() {
  const fs::path directory = DefaultLogDirectory();
  const fs::path file = directory / "Verw.log";
  if (Writable(directory, file)) return {file, {}};
  const fs::path state = StateDirectory();
  if (state.empty()) return {file, {}};
  return {state / "Verw.log", directory};
}

std::filesystem::path ErrorLogPath() {
  return ErrorLogLocation().path;
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
    {
      std::lock_guard<std::mutex> guard(captures_mutex);
      for (FailureCapture* capture : Captures()) {
        capture->failures_.push_back({std::string(module), std::string(operation), number,
                                      std::string(description), checkpoint});
      }
    }
    const std::string entry =
        FormatLogEntry(module, operation, number, description, checkpoint, Date::Now().serial);
    const ErrorLogPlace place = ErrorLogLocation();
    if (!place.unwritable.empty()) {
      std::error_code ec;
      std::filesystem::create_directories(place.path.parent_path(), ec);
    }
    const std::string path = place.path.string();
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (f == nullptr) return;
    std::fwrite(entry.data(), 1, entry.size(), f);
    std::fclose(f);
  } catch (...) {
    // The routine itself never fails; the entry is lost.
  }
}

}  // namespace korvax
