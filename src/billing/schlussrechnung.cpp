#include "billing/schlussrechnung.hpp"

#include <memory>
#include <string>

#include "billing/totals_cells.hpp"
#include "common/format.hpp"
#include "common/variant.hpp"
#include "platform/dao/dao.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::billing {

namespace {

double Cents(const std::shared_ptr<dao::Recordset>& rs, std::string_view field) {
  return ToDouble(rs->Field(field)->Value()) / 100;
}

}  // namespace

std::vector<int> AppendFinalInvoice(Operation& op, const word::Table& table, int16_t last_row,
                                    InvoiceAmounts& amounts) {
  std::vector<int> earlier_rows;
  const std::shared_ptr<dao::Recordset>& rechnung = Library().Rechnung;
  std::shared_ptr<dao::Recordset> earlier;

  // 1. The down payment invoices of the same order; none leaves the block as it is.
  op.Step(500, [&] {
    earlier = Required(Library().order.NeueAbfrage)
                  ->OpenRecordset(
                      "SELECT * FROM Rechnung WHERE ID_Auftragsnummer = " +
                          dao::SqlInteger(Required(rechnung)->Field("ID_Auftragsnummer")->Value()) +
                          " AND Rechnungsart = " + "5",
                      dao::dbOpenDynaset);
  });
  if (op.If(510, [&] { return Required(earlier)->Bof() && earlier->Eof(); })) return earlier_rows;

  // 2. Running values start at this invoice. Its gross amount is the net
  // amount and the VAT of every rate, the subtotal above: grossing the net
  // up at the default rate would contradict it where a part is VAT-free or
  // taxed at another rate.
  double remaining_net = amounts.amount;
  double remaining_vat = amounts.vat;
  double remaining_gross = amounts.amount + amounts.vat;
  double gross = 0;
  op.Step(520, [&] { earlier->MoveFirst(); });
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
  while (op.If(650, [&] { return !earlier->Eof(); })) {
    ++row;
    earlier_rows.push_back(row);
    double net = 0;
    double vat = 0;
    double brutto = 0;
    std::string number;
    std::string date;  // stays empty when the invoice has no date entry
    std::shared_ptr<dao::Recordset> termin;
    op.Step(660, [&] { table.Rows().Add(); });
    op.Step(670, [&] {
      termin =
          Required(Library().order.NeueAbfrage)
              ->OpenRecordset("SELECT * FROM Termine WHERE ID_Rechnungsnummer = " +
                                  dao::SqlInteger(earlier->Field("ID_Rechnungsnummer")->Value()) +
                                  " AND ID_Terminart = " + "8",
                              dao::dbOpenDynaset);
    });
    op.Step(680, [&] { date = ShortDate(ToDate(Required(termin)->Field("Datum")->Value())); });
    op.Step(690, [&] { number = ToText(earlier->Field("Rechnungsnummer")->Value()); });
    op.Step(700, [&] {
      net = Cents(earlier, "NettoRechnung") + Cents(earlier, "MehrwertsteuerFreierbetrag");
    });
    op.Step(710, [&] {
      vat = Cents(earlier, "Brutto") - Cents(earlier, "NettoRechnung") -
            Cents(earlier, "MehrwertsteuerFreierbetrag");
    });
    op.Step(720, [&] { brutto = Cents(earlier, "Brutto"); });
    op.Step(730, [&] { WriteCell(table, row, 1, "Rechnung Nr. " + number + " vom " + date); });
    op.Step(740, [&] { WriteCell(table, row, 2, AmountText(net)); });
    op.Step(750, [&] { WriteCell(table, row, 3, AmountText(vat)); });
    op.Step(760, [&] { WriteCell(table, row, 4, AmountText(brutto)); });
    remaining_net -= net;
    remaining_vat -= vat;
    remaining_gross -= brutto;
    // A recordset that cannot move on ends the list rather than repeating its row.
    if (!op.Step(770, [&] { earlier->MoveNext(); })) break;
  }

  // 8. What remains, in bold, and one empty row to close the table.
  ++row;
  op.Step(780, [&] { table.Rows().Add(); });
  op.Step(790, [&] { WriteCell(table, row, 1, "verbl. Restbetrag", true); });
  op.Step(800, [&] { WriteCell(table, row, 2, AmountText(remaining_net), true); });
  op.Step(810, [&] { WriteCell(table, row, 3, AmountText(remaining_vat), true); });
  op.Step(820, [&] { WriteCell(table, row, 4, AmountText(remaining_gross), true); });

  // 9.
  amounts.net = remaining_net;
  amounts.vat = remaining_vat;
  amounts.amount = remaining_gross - remaining_vat;
  return earlier_rows;
}

}  // namespace korvax::billing
