// The final-invoice section of the totals block: the earlier down payment
// invoices of the order and what remains to be paid.
#pragma once

#include <cstdint>
#include <vector>

#include "billing/invoice_totals.hpp"
#include "common/operation.hpp"
#include "platform/word/table.hpp"

namespace korvax::billing {

// For a final invoice (Rechnungsart 4) with earlier invoices of kind 5:
// appends their statement below row `last_row` of the totals table (this
// invoice as net, VAT of all rates and their sum, the subtotal) and
// replaces the amounts by what remains. Reports through `op` (SummeBilden).
// Returns the rows of the earlier invoices, which get their own widths.
std::vector<int> AppendFinalInvoice(Operation& op, const word::Table& table, int16_t last_row,
                                    InvoiceAmounts& amounts);

}  // namespace korvax::billing
