// korvax: the host command, standing in for the office's administration software.
#include <CLI/CLI.hpp>

#include <iostream>

#include "host/cli_messages.hpp"
#include "host/einvoice_command.hpp"
#include "host/fee_command.hpp"
#include "host/pdf_command.hpp"
#include "host/show_command.hpp"

int main(int argc, char** argv) {
  CLI::App app{"korvax - Gebührenberechnung für Vermessungsaufträge", "korvax"};
  korvax::host::SetUpGerman(app);
  app.require_subcommand(1);
  app.footer(korvax::host::ExitCodeFooter());
  korvax::host::AddCommand(app, "version", "zeigt die Version")->callback([] {
    std::cout << "korvax 0.1\n";
  });
  korvax::host::AddFeeCommand(app);
  korvax::host::AddShowCommand(app);
  korvax::host::AddTotalsCommand(app);
  korvax::host::AddPdfCommand(app);
  korvax::host::AddEInvoiceCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return korvax::host::Exit(app, e);
  }
  return 0;
}
