// How the korvax command reports arguments it cannot parse.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace korvax::host {

// The message for a parse failure, in German, with a pointer to --help.
std::string FailureMessage(const CLI::App* app, const CLI::Error& error);

}  // namespace korvax::host
