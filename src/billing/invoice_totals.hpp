// The amounts of an invoice as its totals block states them: the billing lines
// of every table of the document with their VAT rates, the grand total, the
// down payment and, for a final invoice, the earlier down payment invoices.
// The totals block and the e-invoice both take their amounts from here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/date.hpp"

namespace korvax {
class Operation;
namespace word {
class Document;
}
namespace dao {
class Database;
class Recordset;
}  // namespace dao
}  // namespace korvax

namespace korvax::billing {

// The amounts the totals block carries, in euros.
struct InvoiceAmounts {
  double net = 0;     // N: the taxable net
  double vat = 0;     // V: the value-added tax
  double amount = 0;  // A: the invoice amount before tax
};

// A VAT rate met in the billing lines, in single precision as the rate list
// has always held it, and the amounts taxed at it.
struct RateSum {
  float rate = 0;
  double sum = 0;
};

// A billing line as the totals count it: table and row (1-based), the amount
// of its cell (row, 5) and the rate of that cell's first comment, else the
// default rate. A rate of 0 or less leaves the line free of VAT.
struct BillingLine {
  int table = 0;
  int row = 0;
  double amount = 0;
  float rate = 0;
  bool numeric = false;  // its amount text has a digit: not a heading
};

struct CollectedLines {
  double grand_total = 0;  // T
  std::vector<RateSum> rates;
  std::vector<BillingLine> lines;  // only when asked for
};

// Every table but the totals table (its cell (1,2) reads "Summe"); failures
// are ignored, so a table without a fifth column contributes nothing.
CollectedLines CollectBillingLines(word::Document& document, float default_rate,
                                   bool keep_lines = false);

// The down payment of the billing settings: AbschlagAbsolut in euros,
// AbschlagProzent in percent (100 with no absolute amount: a full invoice).
struct DownPayment {
  double absolut = 0;
  int16_t prozent = 100;
  bool FullInvoice() const { return absolut == 0 && prozent == 100; }
};

struct Totals {
  double grand_total = 0;  // T
  std::vector<RateSum> rates;
  InvoiceAmounts amounts;  // N, V and A of this invoice
  double factor = 0;       // F: the share of T this invoice bills
  bool full_invoice = true;

  // The columns of rate k's row: the taxed amount and its VAT, rounded half
  // up to cents anew, so that the rows may differ from V by a cent.
  double RateBasis(size_t k) const { return factor * rates[k].sum; }
  double RateVat(size_t k) const;
};

// V rounds each rate's tax half up to cents; F scales to the down payment.
// Failures are reported through `op` (checkpoints 100 to 160).
Totals ComputeTotals(Operation& op, const CollectedLines& collected, const DownPayment& down);

// An earlier down payment invoice (Rechnungsart 5) of the order; its amounts
// are stored in cents, these are euros.
struct EarlierInvoice {
  std::string number;        // Rechnungsnummer
  std::optional<Date> date;  // Termine, ID_Terminart 8; none when it cannot be read
  double net = 0;            // NettoRechnung + MehrwertsteuerFreierbetrag
  double vat = 0;            // Brutto - NettoRechnung - MehrwertsteuerFreierbetrag
  double gross = 0;          // Brutto
};

// The down payment invoices of the invoice's order, in the order the database
// gives them. A value that cannot be read is reported through `op` and stays
// empty or 0 (checkpoints 500 to 770).
std::vector<EarlierInvoice> ReadEarlierInvoices(Operation& op, dao::Database& database,
                                                dao::Recordset& rechnung);

// What remains of a final invoice after its down payments: net (from A),
// VAT and gross, each reduced by the earlier invoices in their order.
struct Remainder {
  double net = 0;
  double vat = 0;
  double gross = 0;
};
Remainder AfterDownPayments(const InvoiceAmounts& invoice,
                            const std::vector<EarlierInvoice>& earlier);

}  // namespace korvax::billing
