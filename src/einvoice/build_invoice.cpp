#include "einvoice/build_invoice.hpp"

#include <cmath>
#include <memory>
#include <optional>

#include "billing/totals_cells.hpp"
#include "billing/zahlungsziel.hpp"
#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/operation.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "einvoice/master_data.hpp"
#include "platform/dao/dao.hpp"
#include "platform/word/word.hpp"

namespace korvax::einvoice {

namespace {

constexpr int kFinalInvoice = 4;
constexpr int kDownPaymentInvoice = 5;
constexpr int kCreditNote = 7;

// The invoice record and its date entry.
struct Record {
  int kind = 0;
  std::string number;
  int32_t order = 0;
  std::optional<Date> date;
  double brutto = 0;  // cents, as stored
};

Variant FieldOrNull(dao::Recordset& rs, std::string_view field) {
  try {
    return rs.Field(field)->Value();
  } catch (const Error&) {
    return Variant::Null();
  }
}

Record ReadRecord(dao::Database& database, dao::Recordset& rechnung) {
  if (rechnung.Eof() || rechnung.Bof()) {
    throw Error(kNoNumberOrDate, "Die Rechnung steht nicht in der Tabelle Rechnung.");
  }
  Record r;
  const Variant kind = FieldOrNull(rechnung, "Rechnungsart");
  r.kind = kind.IsNull() ? 0 : ToLong(kind);
  const Variant number = FieldOrNull(rechnung, "Rechnungsnummer");
  r.number = number.IsNull() ? "" : text::Trim(ToText(number));
  const Variant order = FieldOrNull(rechnung, "ID_Auftragsnummer");
  r.order = order.IsNull() ? 0 : ToLong(order);
  const Variant brutto = FieldOrNull(rechnung, "Brutto");
  r.brutto = brutto.IsNull() ? 0 : ToDouble(brutto);
  try {
    auto termin = database.OpenRecordset(
        "SELECT Datum FROM Termine WHERE ID_Terminart = 8 AND ID_Rechnungsnummer = " +
            dao::SqlInteger(rechnung.Field("ID_Rechnungsnummer")->Value()),
        dao::dbOpenSnapshot);
    if (!termin->Eof() && !termin->Field("Datum")->Value().IsNull()) {
      r.date = ToDate(termin->Field("Datum")->Value());
    }
  } catch (const Error&) {
  }
  std::string lacking;
  if (r.number.empty()) lacking = "keine Rechnungsnummer (Rechnung.Rechnungsnummer)";
  if (!r.date) {
    if (!lacking.empty()) lacking += " und ";
    lacking += "kein Rechnungsdatum (Termine mit ID_Terminart 8)";
  }
  if (!lacking.empty()) {
    throw Error(kNoNumberOrDate, "Die Rechnung hat " + lacking + "; keine E-Rechnung erstellt.");
  }
  return r;
}

std::string Euro(Cents cents) {
  return korvax::Format(static_cast<double>(cents) / 100, "#,##0.00") + " €";
}

// A cell of the totals table in cents; none when it is empty or unreadable.
std::optional<Cents> CellCents(const word::Table& table, int row, int column) {
  std::optional<Cents> cents;
  Operation::Quietly([&] {
    std::string cell = text::WithoutLast(table.Cell(row, column).Range().Text(), 2);
    cell = text::Trim(text::Replace(cell, "\r", ""));
    if (!cell.empty()) cents = std::llround(CVal(cell) * 100);
  });
  return cents;
}

// The totals table of the document: its cell (1,2) reads "Summe".
std::optional<word::Table> TotalsTable(word::Document& document) {
  std::optional<word::Table> found;
  word::Tables tables = document.Tables();
  for (int t = 1; t <= tables.Count(); ++t) {
    Operation::Quietly([&] {
      word::Table table = tables.Item(t);
      if (table.Cell(1, 2).Range().Text() == "Summe\r\a") found = table;
    });
  }
  return found;
}

struct Expected {
  std::string label;
  int row;
  int column;
  Cents cents;
};

// Every amount of the totals block, as the lines make it, against the block
// and the invoice record; a block edited by hand is refused with the differences.
void CheckTotalsBlock(word::Document& document, const billing::Totals& totals,
                      const std::vector<billing::EarlierInvoice>& earlier, Cents due,
                      const Record& record) {
  const std::optional<word::Table> table = TotalsTable(document);
  if (!table) {
    throw Error(kTotalsDiffer,
                "Die Rechnung hat keinen Summenblock: erst die Summen bilden (Nr. 2 mit OK), "
                "dann die E-Rechnung erstellen.");
  }
  const billing::InvoiceAmounts& a = totals.amounts;
  const int first_rate_row = totals.full_invoice ? 2 : 3;
  const int last_row = first_rate_row + static_cast<int>(totals.rates.size()) + 1;
  std::vector<Expected> expected = {{"Summe", 1, 4, CentsOf(totals.grand_total)}};
  if (!totals.full_invoice) expected.push_back({"Abschlagszahlung", 2, 4, CentsOf(a.amount)});
  for (size_t k = 0; k < totals.rates.size(); ++k) {
    const std::string label = "Mehrwertsteuer " + GeneralNumber(totals.rates[k].rate) + " %";
    const int row = first_rate_row + static_cast<int>(k);
    expected.push_back({label + ", Betrag", row, 3, CentsOf(totals.RateBasis(k))});
    expected.push_back({label, row, 4, CentsOf(totals.RateVat(k))});
  }
  expected.push_back({earlier.empty() ? "Rechnungsbetrag" : "Zwischensumme", last_row, 4,
                      CentsOf(a.amount + a.vat)});
  if (!earlier.empty()) {
    expected.push_back(
        {"verbl. Restbetrag", last_row + 2 + static_cast<int>(earlier.size()) + 3, 4, due});
  }
  std::string differences;
  for (const Expected& e : expected) {
    const std::optional<Cents> found = CellCents(*table, e.row, e.column);
    if (found == e.cents) continue;
    differences += "\n  " + e.label + ": " + Euro(e.cents) + " aus den Tabellen, ";
    differences += found
                       ? Euro(*found) + " im Summenblock (Differenz " + Euro(e.cents - *found) + ")"
                       : std::string("im Summenblock fehlt der Betrag");
  }
  const Cents stored = std::llround(record.brutto * (record.kind == kCreditNote ? -1 : 1));
  if (differences.empty() && stored != due) {
    throw Error(kTotalsDiffer,
                "Der Rechnungsdatensatz passt nicht zum Summenblock des Dokuments (eine andere "
                "Rechnung, oder die Summen nicht gespeichert?): Brutto " +
                    Euro(due) + " laut Summenblock, " + Euro(stored) + " gespeichert (Differenz " +
                    Euro(due - stored) + ").");
  }
  if (!differences.empty()) {
    throw Error(kTotalsDiffer,
                "Die Kategorietabellen ergeben nicht den Summenblock der Rechnung (von Hand "
                "geändert, oder mit anderen Abrechnungseinstellungen gebildet?):" +
                    differences + "\nDie Summen neu bilden, dann die E-Rechnung erstellen.");
  }
}

// The payment due note's text from the template of the host table Version,
// counted from the invoice date; empty when there is no template.
std::string PaymentTerms(dao::Database& database, Date invoice_date, std::optional<Date>& due) {
  std::string note;
  try {
    auto version = database.OpenRecordset("Version");
    if (!version->Eof()) {
      const Variant value = version->Field("Zahlungsziel")->Value();
      if (!value.IsNull()) note = text::Trim(ToText(value));
    }
  } catch (const Error&) {
    return {};
  }
  return note.empty() ? note : text::Trim(DueNoteText(note, invoice_date, &due));
}

// The VAT breakdown and, for a down payment invoice, the part of each
// category's lines it does not bill, as a document-level allowance.
void Breakdown(const billing::Totals& totals, const std::string& reason, Invoice& invoice) {
  const billing::InvoiceAmounts& a = totals.amounts;
  std::vector<TaxCategory> categories;
  for (const billing::RateSum& r : totals.rates) categories.push_back({'S', r.rate});
  for (const Line& line : invoice.lines) {
    if (line.tax.code == 'E') {
      categories.push_back({'E', 0});
      break;
    }
  }
  for (size_t k = 0; k < categories.size(); ++k) {
    const TaxCategory& category = categories[k];
    Cents lines = 0;
    for (const Line& line : invoice.lines) {
      if (line.tax == category) lines += line.amount;
    }
    TaxSubtotal subtotal;
    subtotal.tax = category;
    if (category.code == 'S') {
      subtotal.basis = CentsOf(totals.RateBasis(k));
      subtotal.vat = CentsOf(totals.RateVat(k));
    } else {
      subtotal.basis = CentsOf(a.amount - a.net);  // the VAT-free part
      subtotal.exemption_reason = "Umsatzsteuerfreie Auslagen";
    }
    if (lines != subtotal.basis) {
      if (totals.full_invoice) {
        throw Error(kTotalsDiffer,
                    "Die Beträge der Positionen ergeben in Cent nicht die Summe des Summenblocks "
                    "(Beträge mit mehr als zwei Nachkommastellen?): " +
                        Euro(lines) + " gegenüber " + Euro(subtotal.basis) + ".");
      }
      invoice.allowances.push_back({lines - subtotal.basis, reason, category});
      invoice.allowance_total += lines - subtotal.basis;
    }
    invoice.taxes.push_back(subtotal);
    invoice.tax_basis_total += subtotal.basis;
    invoice.tax_total += subtotal.vat;
  }
}

}  // namespace

Cents CentsOf(double euros) {
  return std::llround(CVal(billing::AmountText(euros)) * 100);
}

Invoice BuildInvoice(const Source& source, Format format) {
  Invoice invoice;
  invoice.format = format;

  // 1. The record: kind, number, date.
  const Record record = ReadRecord(source.database, source.rechnung);
  invoice.number = record.number;
  invoice.issue_date = *record.date;
  invoice.payment_reference = record.number;

  // 2. Office and client.
  MasterData master = ReadMasterData(source.database, record.order, format);
  std::vector<std::string> missing = master.missing;
  std::optional<Date> due_date;
  const std::string terms = PaymentTerms(source.database, *record.date, due_date);
  if (terms.empty()) missing.push_back("Version.Zahlungsziel (die Zahlungsbedingungen)");
  if (!missing.empty()) {
    std::string list;
    for (const std::string& m : missing) list += (list.empty() ? "" : ", ") + m;
    throw Error(kMissingMasterData,
                "Für die E-Rechnung fehlen Stammdaten: " + list + ". Keine E-Rechnung erstellt.");
  }
  invoice.seller = master.seller;
  invoice.buyer = master.buyer;
  invoice.buyer_reference = master.buyer_reference;
  invoice.iban = master.iban;
  invoice.bic = master.bic;
  invoice.payment_terms = terms;
  invoice.due_date = due_date;

  // 3. The lines and amounts, by the code that builds the totals block.
  ReadLines read = ReadInvoiceLines(source.document, source.default_rate);
  invoice.lines = std::move(read.lines);
  Operation op("ERechnung", "ERechnungErstellen");
  const billing::Totals totals = billing::ComputeTotals(op, read.collected, source.down_payment);
  std::vector<billing::EarlierInvoice> earlier;
  if (record.kind == kFinalInvoice) {
    earlier = billing::ReadEarlierInvoices(op, source.database, source.rechnung);
  }
  if (op.Failures() > 0) {
    throw Error(kTotalsDiffer,
                "Die Summen der Rechnung lassen sich nicht bilden; Verw.log nennt "
                "den Fehler. Keine E-Rechnung erstellt.");
  }
  for (const billing::EarlierInvoice& e : earlier) {
    if (!e.date || e.number.empty()) {
      throw Error(kNoNumberOrDate, "Die Abschlagsrechnung \"" + e.number +
                                       "\" hat keine Rechnungsnummer oder kein Rechnungsdatum "
                                       "(Termine mit ID_Terminart 8); keine E-Rechnung erstellt.");
    }
  }
  const billing::InvoiceAmounts& a = totals.amounts;
  const Cents due = earlier.empty() ? CentsOf(a.amount + a.vat)
                                    : CentsOf(billing::AfterDownPayments(a, earlier).gross);

  // 4. Nothing goes out that the totals block does not say.
  CheckTotalsBlock(source.document, totals, earlier, due, record);

  // 5. Kind, breakdown and sums.
  const bool partial = !totals.full_invoice;
  if (record.kind == kCreditNote) {
    invoice.type_code = "381";
  } else if (record.kind == kDownPaymentInvoice || partial) {
    invoice.type_code = "326";
  } else {
    invoice.type_code = "380";
  }
  std::string share;
  if (partial) {
    share = source.down_payment.prozent < 100
                ? std::to_string(source.down_payment.prozent) + " %"
                : Euro(CentsOf(source.down_payment.absolut)) + " netto";
    invoice.notes.push_back("Abschlagsrechnung über " + share + " der aufgeführten Leistungen.");
  }
  for (const Line& line : invoice.lines) invoice.line_total += line.amount;
  Breakdown(totals, "Mit späterer Rechnung abzurechnen (Abschlag " + share + ")", invoice);
  invoice.grand_total = invoice.tax_basis_total + invoice.tax_total;
  std::string listed;
  for (const billing::EarlierInvoice& e : earlier) {
    invoice.preceding.push_back({e.number, e.date});
    invoice.prepaid += CentsOf(e.gross);
    const std::string text =
        e.number + " vom " + ShortDate(*e.date) + " über " + Euro(CentsOf(e.gross));
    invoice.attachments.push_back({e.number, "Abschlagsrechnung " + text, "", "", ""});
    listed += (listed.empty() ? "" : ", ") + text;
  }
  if (!earlier.empty()) {
    invoice.notes.push_back("Schlussrechnung. Als bezahlt abgezogen sind die Abschlagsrechnungen " +
                            listed +
                            "; ihre Aufstellung mit der Umsatzsteuer je Rechnung steht in der "
                            "Rechnung als PDF.");
  }
  invoice.due = due;
  // The block rounds its sums once, the breakdown each rate: a cent between
  // them goes into the rounding amount, so that the amount due is the block's.
  invoice.rounding = due - (invoice.grand_total - invoice.prepaid);
  return invoice;
}

}  // namespace korvax::einvoice
