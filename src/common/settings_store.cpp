#include "common/settings_store.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "common/error.hpp"

namespace korvax {

namespace {

using Sections = std::map<std::string, std::map<std::string, std::string>>;

Sections Read(const std::filesystem::path& file) {
  Sections sections;
  std::ifstream in(file);
  std::string line, section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
    } else if (const size_t eq = line.find('='); eq != std::string::npos) {
      sections[section][line.substr(0, eq)] = line.substr(eq + 1);
    }
  }
  return sections;
}

void WriteAtomically(const std::filesystem::path& file, const std::string& content) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  const std::filesystem::path tmp = file.string() + ".tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (f == nullptr) throw Error(75, "Fehler beim Zugriff auf Pfad/Datei: " + file.string());
  const bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size() &&
                  std::fflush(f) == 0 && fsync(fileno(f)) == 0;
  std::fclose(f);
  if (!ok || std::rename(tmp.c_str(), file.c_str()) != 0) {
    std::remove(tmp.c_str());
    throw Error(75, "Fehler beim Zugriff auf Pfad/Datei: " + file.string());
  }
}

}  // namespace

std::filesystem::path SettingsFile(std::string_view application) {
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg != '\0') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    base = std::filesystem::path(home) / ".config";
  } else {
    base = std::filesystem::temp_directory_path();
  }
  return base / "korvax" / (std::string(application) + ".ini");
}

std::string GetSetting(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view fallback) {
  const Sections sections = Read(SettingsFile(application));
  const auto s = sections.find(std::string(section));
  if (s == sections.end()) return std::string(fallback);
  const auto k = s->second.find(std::string(key));
  return k == s->second.end() ? std::string(fallback) : k->second;
}

void SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                 std::string_view value) {
  if (key.find_first_of("=\r\n") != std::string_view::npos ||
      value.find_first_of("\r\n") != std::string_view::npos ||
      section.find_first_of("[]\r\n") != std::string_view::npos) {
    throw errors::InvalidProcedureCall();
  }
  const std::filesystem::path file = SettingsFile(application);
  Sections sections = Read(file);
  sections[std::string(section)][std::string(key)] = std::string(value);
  std::ostringstream out;
  for (const auto& [name, keys] : sections) {
    out << '[' << name << "]\n";
    for (const auto& [k, v] : keys) out << k << '=' << v << '\n';
  }
  WriteAtomically(file, out.str());
}

}  // namespace korvax
