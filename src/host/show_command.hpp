// korvax show: stands in for the office software calling the plug-in. It
// writes the order context, opens one fee dialog through Tarvo::Show with
// the user's actions played from a script, and saves the invoice when the
// dialog changed it.
//
//   korvax show --db office.sqlite --doc invoice.docx --user 7 --index 3
//               --invoice 17 --set Bodenwert=26,99 --script actions.json
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "host/exit_codes.hpp"

namespace korvax::host {

// The arguments as given, before they are checked.
struct ShowArguments {
  std::string database;
  std::string document;
  std::string user;
  std::string index;
  std::string invoice;
  std::vector<std::string> properties;  // "Property=Value"
  std::string cursor_table;
  std::string script;
  bool gui = false;
  bool totals = false;       // --totals: the totals rebuilt after the dialog
  bool totals_only = false;  // korvax totals: the totals alone, no dialog
  std::vector<std::string> unexpected;
};

// Runs korvax show; messages go to stderr, the result is the exit code.
int RunShow(const ShowArguments& arguments);

void AddShowCommand(CLI::App& app);
// korvax totals: the invoice totals rebuilt without a dialog, through the
// same order context, record and save as korvax show.
void AddTotalsCommand(CLI::App& app);

}  // namespace korvax::host
