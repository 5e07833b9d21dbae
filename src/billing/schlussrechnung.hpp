// The final-invoice section of the totals block: the earlier down payment
// invoices of the order and what remains to be paid.
#pragma once

#include <cstdint>
#include <vector>

#include "common/operation.hpp"
#include "platform/word/table.hpp"

namespace korvax::billing {

// The amounts the totals block carries, in euros.
struct InvoiceAmounts {
  double net = 0;     // N: the taxable net
  double vat = 0;     // V: the value-added tax
  double amount = 0;  // A: the invoice amount before tax
};

// For a final invoice (Rechnungsart 4) with earlier invoices of kind 5:
// appends their statement below row `last_row` of the totals table (this
// invoice as net, VAT of all rates and their sum, the subtotal) and
// replaces the amounts by what remains. Reports through `op` (SummeBilden).
// Returns the rows of the earlier invoices, which get their own widths.
std::vector<int> AppendFinalInvoice(Operation& op, const word::Table& table, int16_t last_row,
                                    InvoiceAmounts& amounts);

}  // namespace korvax::billing
