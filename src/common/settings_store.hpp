// The per-user settings store: string values addressed by application,
// section and key. One plain text file per application under
// $XDG_CONFIG_HOME/korvax (default ~/.config/korvax), "<application>.ini",
// rewritten atomically on every change.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace korvax {

std::filesystem::path SettingsFile(std::string_view application);

// The stored value, or `fallback` when there is none.
std::string GetSetting(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view fallback);

// Stores the value; fails with korvax::Error when the file cannot be written.
void SaveSetting(std::string_view application, std::string_view section, std::string_view key,
                 std::string_view value);

}  // namespace korvax
