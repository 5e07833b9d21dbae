// E-invoices of an invoice: XRechnung (the CII XML with the invoice's PDF
// attached) and ZUGFeRD / Factur-X (the invoice's PDF/A-3 with the XML inside).
//
//   einvoice::Source source{*document, *database, *invoice_record, {0, 100}, 19};
//   einvoice::WriteEInvoice(source, einvoice::Format::XRechnung, "Rechnung-17.xml");
#pragma once

#include <filesystem>

#include "einvoice/build_invoice.hpp"

namespace korvax::einvoice {

// "xrechnung" or "zugferd" (any case); fails with 5 for anything else.
Format ParseFormat(std::string_view name);

// The file an e-invoice goes to when the caller names none: beside the
// document, Rechnung-2026-0017.xml or Rechnung-2026-0017-zugferd.pdf.
std::filesystem::path DefaultOutput(const std::filesystem::path& document, Format format);

// Builds, checks and writes the e-invoice to `out`, replacing it at once when
// done. A refusal (korvax::Error with a number of build_invoice.hpp) leaves
// nothing behind. Returns the invoice as written.
Invoice WriteEInvoice(const Source& source, Format format, const std::filesystem::path& out);

}  // namespace korvax::einvoice
