// The e-invoice of an invoice document and its host record: the lines and
// amounts as the totals block states them, the master data of office and
// client, checked before anything is written.
#pragma once

#include <cstdint>
#include <string>

#include "billing/invoice_totals.hpp"
#include "common/error.hpp"
#include "einvoice/invoice.hpp"

namespace korvax::word {
class Document;
}
namespace korvax::dao {
class Database;
class Recordset;
}  // namespace korvax::dao

namespace korvax::einvoice {

// Why an e-invoice is refused; the description says it in German.
// Numbers above the classic runtime's own (vbObjectError + 2401 ...).
inline constexpr int32_t kMissingMasterData = -2147221504 + 2401;
inline constexpr int32_t kTotalsDiffer = -2147221504 + 2402;
inline constexpr int32_t kNoNumberOrDate = -2147221504 + 2403;
inline constexpr int32_t kNoPdf = -2147221504 + 2404;
inline constexpr int32_t kNoRenderer = -2147221504 + 2405;

// What the e-invoice is made from: the invoice document, the host database,
// the invoice record and the billing settings its totals were built with.
struct Source {
  word::Document& document;
  dao::Database& database;
  dao::Recordset& rechnung;
  billing::DownPayment down_payment;
  int16_t default_rate = 0;  // percent
};

// An amount in cents as the totals block writes it: rounded like its text.
Cents CentsOf(double euros);

// The billing lines of the document as invoice lines, with their texts.
struct ReadLines {
  billing::CollectedLines collected;
  std::vector<Line> lines;
};
ReadLines ReadInvoiceLines(word::Document& document, float default_rate);

// The invoice, its amounts equal to the cent to the totals block and the
// record. Throws korvax::Error with one of the numbers above when master data
// are missing, the block does not add up to the lines, or number or date lack.
Invoice BuildInvoice(const Source& source, Format format);

}  // namespace korvax::einvoice
