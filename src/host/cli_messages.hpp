// The korvax command in German: one help layout, one way of reporting bad
// arguments and one set of exit codes for every subcommand.
#pragma once

#include <string>

#include <CLI/CLI.hpp>

namespace korvax::host {

// German labels, help flag and option groups on the command, and the failure
// message below. Call it before adding subcommands: they inherit all of it.
void SetUpGerman(CLI::App& app);

// Adds a subcommand, listed in the help under `group`.
CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& description,
                     const std::string& group = "Befehle");

// What went wrong with the arguments, in German: CLI11's own complaints
// translated, ours (ValidationError) as they are.
std::string GermanError(const CLI::Error& error);

// The message for a parse failure: the subcommand, the cause and where the
// help is ("korvax fee nr7 --help").
std::string FailureMessage(const CLI::App* app, const CLI::Error& error);

// Prints help or the failure and returns the exit code: that of a
// subcommand's own refusal (CLI::RuntimeError), 0 after --help, else
// kExitUsage.
int Exit(const CLI::App& app, const CLI::ParseError& error);

// The exit codes of exit_codes.hpp as a help footer.
std::string ExitCodeFooter();

}  // namespace korvax::host
