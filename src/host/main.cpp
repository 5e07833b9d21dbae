// korvax: the host command, standing in for the office's administration software.
#include <CLI/CLI.hpp>

#include <iostream>

#include "host/fee_command.hpp"

int main(int argc, char** argv) {
  CLI::App app{"korvax - Gebührenberechnung für Vermessungsaufträge"};
  app.require_subcommand(1);
  app.add_subcommand("version", "zeigt die Version")->callback([] { std::cout << "korvax 0.1\n"; });
  korvax::host::AddFeeCommand(app);
  CLI11_PARSE(app, argc, argv);
  return 0;
}
