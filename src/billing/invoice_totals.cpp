#include "billing/invoice_totals.hpp"

#include <memory>

#include "billing/totals_cells.hpp"
#include "common/error.hpp"
#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/operation.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "platform/dao/dao.hpp"
#include "platform/word/word.hpp"

namespace korvax::billing {

namespace {

std::string CellText(const word::Table& table, int row, int column) {
  return table.Cell(row, column).Range().Text();
}

// One billing line: the amount of cell (row, 5) at the rate of its first
// comment, or at the default rate.
void CollectLine(const word::Table& table, int t, int row, float default_rate,
                 CollectedLines& collected, bool keep_lines) {
  word::Range cell = table.Cell(row, 5).Range();
  std::string amount_text = text::WithoutLast(cell.Text(), 2);
  if (amount_text.empty()) return;
  amount_text = text::Replace(amount_text, "\r", "");

  float rate = default_rate;
  word::Comments comments = cell.Comments();
  if (comments.Count() > 0) rate = static_cast<float>(CVal(comments.Item(1).Range().Text()));

  const double amount = CVal(amount_text);
  if (rate > 0) {
    RateSum* entry = nullptr;
    for (RateSum& r : collected.rates) {
      if (r.rate == rate) entry = &r;
    }
    if (entry == nullptr) entry = &collected.rates.emplace_back(RateSum{rate, 0});
    entry->sum += amount;
  }
  collected.grand_total += amount;
  if (keep_lines) {
    const bool numeric = amount_text.find_first_of("0123456789") != std::string::npos;
    collected.lines.push_back({t, row, amount, rate, numeric});
  }
}

double Cents(dao::Recordset& rs, std::string_view field) {
  return ToDouble(rs.Field(field)->Value()) / 100;
}

}  // namespace

CollectedLines CollectBillingLines(word::Document& document, float default_rate, bool keep_lines) {
  CollectedLines collected;
  Operation::Quietly([&] {
    word::Tables tables = document.Tables();
    for (int t = 1; t <= tables.Count(); ++t) {
      word::Table table = tables.Item(t);
      bool totals = false;
      Operation::Quietly([&] { totals = CellText(table, 1, 2) == "Summe\r\a"; });
      if (totals) continue;
      int rows = 0;
      Operation::Quietly([&] { rows = table.Rows().Count(); });
      for (int i = 1; i <= rows; ++i) {
        Operation::Quietly([&] { CollectLine(table, t, i, default_rate, collected, keep_lines); });
      }
    }
  });
  return collected;
}

double Totals::RateVat(size_t k) const {
  return CentsHalfUp(static_cast<double>(rates[k].rate) * rates[k].sum * factor);
}

Totals ComputeTotals(Operation& op, const CollectedLines& collected, const DownPayment& down) {
  Totals totals;
  totals.grand_total = collected.grand_total;
  totals.rates = collected.rates;
  InvoiceAmounts& amounts = totals.amounts;
  const double grand_total = collected.grand_total;
  op.Step(100, [&] {
    for (const RateSum& r : collected.rates) {
      amounts.vat += CentsHalfUp(static_cast<double>(r.rate) * r.sum);
      amounts.net += r.sum;
    }
  });
  totals.full_invoice = down.FullInvoice();
  if (totals.full_invoice) {
    op.Step(110, [&] {
      amounts.amount = grand_total;
      totals.factor = 1;
    });
  } else if (down.prozent >= 100) {
    // With nothing billed there is nothing to take a down payment of: the
    // division by zero is reported and the block shows 0 instead of inf.
    const bool divided =
        op.Step(120, [&] { totals.factor = CheckedDivide(down.absolut, grand_total); });
    op.Step(130, [&] { amounts.amount = divided ? down.absolut : 0.0; });
    op.Step(140, [&] { amounts.vat = amounts.vat * totals.factor; });
    op.Step(150, [&] { amounts.net = amounts.net * totals.factor; });
  } else {
    op.Step(160, [&] {
      amounts.amount = grand_total * down.prozent / 100;
      amounts.vat = amounts.vat * down.prozent / 100;
      amounts.net = amounts.net * down.prozent / 100;
      totals.factor = down.prozent / 100.0;
    });
  }
  return totals;
}

std::vector<EarlierInvoice> ReadEarlierInvoices(Operation& op, dao::Database& database,
                                                dao::Recordset& rechnung) {
  std::vector<EarlierInvoice> list;
  std::shared_ptr<dao::Recordset> earlier;
  op.Step(500, [&] {
    earlier =
        database.OpenRecordset("SELECT * FROM Rechnung WHERE ID_Auftragsnummer = " +
                                   dao::SqlInteger(rechnung.Field("ID_Auftragsnummer")->Value()) +
                                   " AND Rechnungsart = " + "5",
                               dao::dbOpenDynaset);
  });
  if (op.If(510, [&] { return Required(earlier)->Bof() && earlier->Eof(); })) return list;
  op.Step(520, [&] { earlier->MoveFirst(); });
  while (op.If(650, [&] { return !earlier->Eof(); })) {
    EarlierInvoice& e = list.emplace_back();
    std::shared_ptr<dao::Recordset> termin;
    op.Step(670, [&] {
      termin = database.OpenRecordset(
          "SELECT * FROM Termine WHERE ID_Rechnungsnummer = " +
              dao::SqlInteger(earlier->Field("ID_Rechnungsnummer")->Value()) +
              " AND ID_Terminart = " + "8",
          dao::dbOpenDynaset);
    });
    op.Step(680, [&] { e.date = ToDate(Required(termin)->Field("Datum")->Value()); });
    op.Step(690, [&] { e.number = ToText(earlier->Field("Rechnungsnummer")->Value()); });
    op.Step(700, [&] {
      e.net = Cents(*earlier, "NettoRechnung") + Cents(*earlier, "MehrwertsteuerFreierbetrag");
    });
    op.Step(710, [&] {
      e.vat = Cents(*earlier, "Brutto") - Cents(*earlier, "NettoRechnung") -
              Cents(*earlier, "MehrwertsteuerFreierbetrag");
    });
    op.Step(720, [&] { e.gross = Cents(*earlier, "Brutto"); });
    // A recordset that cannot move on ends the list rather than repeating its row.
    if (!op.Step(770, [&] { earlier->MoveNext(); })) break;
  }
  return list;
}

Remainder AfterDownPayments(const InvoiceAmounts& invoice,
                            const std::vector<EarlierInvoice>& earlier) {
  Remainder r{invoice.amount, invoice.vat, invoice.amount + invoice.vat};
  for (const EarlierInvoice& e : earlier) {
    r.net -= e.net;
    r.vat -= e.vat;
    r.gross -= e.gross;
  }
  return r;
}

}  // namespace korvax::billing
