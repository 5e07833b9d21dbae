// The korvax command run as a separate program, as an office's scripts run it.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../support/docx.hpp"

namespace korvax::testing {

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

// Runs korvax with the arguments, without a display whatever the developer's
// desktop has; its output goes through files in `dir`.
inline Outcome RunKorvax(const std::vector<std::string>& arguments,
                         const std::filesystem::path& dir) {
  std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                        ShellQuoted(KORVAX_BINARY_DIR "/src/host/korvax");
  for (const std::string& a : arguments) command += " " + ShellQuoted(a);
  command += " >" + ShellQuoted((dir / "out.txt").string()) + " 2>" +
             ShellQuoted((dir / "err.txt").string());
  const int status = std::system(command.c_str());
  Outcome outcome;
  outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  outcome.out = ReadFile(dir / "out.txt");
  outcome.err = ReadFile(dir / "err.txt");
  return outcome;
}

}  // namespace korvax::testing
