// korvax einvoice: the e-invoice of an invoice, as the office software gets
// it from the plug-in: the order context written, the user's billing settings
// read by Show (without a dialog), then Tarvo's member ERechnung.
//
//   korvax einvoice --db office.sqlite --doc Rechnung-2026-0017.docx --invoice 17
//                   [--user 1] [--format xrechnung|zugferd] [--out FILE]
#pragma once

#include <CLI/CLI.hpp>

namespace korvax::host {

void AddEInvoiceCommand(CLI::App& app);

}  // namespace korvax::host
