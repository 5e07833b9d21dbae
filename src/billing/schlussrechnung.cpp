#include "billing/schlussrechnung.hpp"

#include <memory>
#include <string>

#include "billing/totals_cells.hpp"
#include "common/format.hpp"
#include "common/variant.hpp"
#include "platform/dao/dao.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::billing {

std::vector<int> AppendFinalInvoice(Operation& op, const word::Table& table, int16_t last_row,
                                    InvoiceAmounts& amounts) {
  std::vector<int> earlier_rows;
  const std::shared_ptr<dao::Recordset>& rechnung = Library().Rechnung;

  // 1. The down payment invoices of the same order; none leaves the block as it is.
  std::vector<EarlierInvoice> earlier;
  op.Step(500, [&] {
    earlier = ReadEarlierInvoices(op, *Required(Library().order.NeueAbfrage), *Required(rechnung));
  });
  if (earlier.empty()) return earlier_rows;

  // 2. What remains after them. This invoice's gross amount is its net amount
  // and the VAT of every rate, the subtotal above: grossing the net up at the
  // default rate would contradict it where a part is VAT-free or taxed at
  // another rate.
  const Remainder remaining = AfterDownPayments(amounts, earlier);
  double gross = 0;
  op.Step(530, [&] { gross = amounts.amount + amounts.vat; });

  // 3. The invoice amount becomes a subtotal.
  op.Step(540, [&] { ReplaceCell(table, last_row, 2, "Zwischensumme", true); });

  // 4. Header two rows below it.
  const int h = last_row + 2;
  op.Step(550, [&] {
    for (int i = 0; i < 3; ++i) table.Rows().Add();
  });
  op.Step(560, [&] { WriteCell(table, h, 2, "Entgeld"); });
  op.Step(570, [&] { WriteCell(table, h, 3, "Umsatzsteuer"); });
  op.Step(580, [&] { WriteCell(table, h, 4, "Summe"); });

  // 5. This invoice.
  op.Step(590, [&] { table.Rows().Add(); });
  op.Step(600, [&] { WriteCell(table, h + 1, 2, AmountText(gross - amounts.vat)); });
  op.Step(610, [&] { WriteCell(table, h + 1, 3, AmountText(amounts.vat)); });
  op.Step(620, [&] { WriteCell(table, h + 1, 4, AmountText(gross)); });

  // 6.
  op.Step(630, [&] { table.Rows().Add(); });
  op.Step(640, [&] { WriteCell(table, h + 2, 1, "abzgl. Anzahlungen"); });

  // 7. One row per earlier invoice, in the order the database gives them.
  int row = h + 2;
  for (const EarlierInvoice& e : earlier) {
    ++row;
    earlier_rows.push_back(row);
    std::string date;  // stays empty when the invoice has no date entry
    op.Step(660, [&] { table.Rows().Add(); });
    if (e.date) op.Step(680, [&] { date = ShortDate(*e.date); });
    op.Step(730, [&] { WriteCell(table, row, 1, "Rechnung Nr. " + e.number + " vom " + date); });
    op.Step(740, [&] { WriteCell(table, row, 2, AmountText(e.net)); });
    op.Step(750, [&] { WriteCell(table, row, 3, AmountText(e.vat)); });
    op.Step(760, [&] { WriteCell(table, row, 4, AmountText(e.gross)); });
  }

  // 8. What remains, in bold, and one empty row to close the table.
  ++row;
  op.Step(780, [&] { table.Rows().Add(); });
  op.Step(790, [&] { WriteCell(table, row, 1, "verbl. Restbetrag", true); });
  op.Step(800, [&] { WriteCell(table, row, 2, AmountText(remaining.net), true); });
  op.Step(810, [&] { WriteCell(table, row, 3, AmountText(remaining.vat), true); });
  op.Step(820, [&] { WriteCell(table, row, 4, AmountText(remaining.gross), true); });

  // 9.
  amounts.net = remaining.net;
  amounts.vat = remaining.vat;
  amounts.amount = remaining.gross - remaining.vat;
  return earlier_rows;
}

}  // namespace korvax::billing
