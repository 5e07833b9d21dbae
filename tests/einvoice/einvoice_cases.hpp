// Invoices of every kind for the e-invoice tests: a host database with the
// master data, a document of billing lines, its totals block built by
// SummeBilden, and the e-invoice built from them.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../billing/totals_fixture.hpp"
#include "billing/summe_bilden.hpp"
#include "einvoice/build_invoice.hpp"

namespace korvax::einvoice_testing {

struct InvoiceCase {
  const char* name;
  int kind;  // Rechnungsart
  double absolut;
  int16_t prozent;
  std::vector<std::string> amounts;                // the billing lines, rows 2...
  std::vector<std::pair<int, const char*>> rates;  // row, rate comment on its amount
  int earlier;                                     // down payment invoices before it
  const char* type_code;
};

inline void PrintTo(const InvoiceCase& c, std::ostream* os) {
  *os << c.name;
}

// One rate; 19, 7 and 0 %; down payments by percentage and by amount; a final
// invoice with two down payments; a credit note; lines of 0,00.
inline const std::vector<InvoiceCase>& InvoiceCases() {
  static const std::vector<InvoiceCase> cases = {
      {"EinSteuersatz", 1, 0, 100, {"429,52 €", "82,84 €"}, {}, 0, "380"},
      {"DreiSteuersaetze",
       1,
       0,
       100,
       {"100,00 €", "50,00 €", "10,00 €"},
       {{3, "7"}, {4, "0"}},
       0,
       "380"},
      {"AbschlagInProzent",
       5,
       0,
       30,
       {"1.000,01 €", "333,33 €", "10,00 €"},
       {{3, "7"}, {4, "0"}},
       0,
       "326"},
      {"AbschlagAlsBetrag", 5, 250, 100, {"1.000,01 €", "333,33 €"}, {{3, "7"}}, 0, "326"},
      {"SchlussrechnungMitZweiAbschlaegen",
       4,
       0,
       100,
       {"2.000,00 €", "300,00 €"},
       {{3, "7"}},
       2,
       "380"},
      {"Gutschrift", 7, 0, 100, {"100,00 €", "50,00 €"}, {}, 0, "381"},
      {"ZeilenZuNull", 1, 0, 100, {"0,00 €", "100,00 €", "0,00 €"}, {}, 0, "380"},
  };
  return cases;
}

class EInvoiceTest : public billing_testing::TotalsTest {
 protected:
  void SetUp() override {
    TotalsTest::SetUp();
    korvax::testing::ExecSql(db_path_, ReadText(KORVAX_MASTER_DATA_SQL));
    Sql("INSERT INTO Büro VALUES (1, 'Vermessungsbüro Beispiel', 'Marktplatz 3', '12345', "
        "'Musterstadt', 'DE', 'DE123456789', NULL, 'Anna Beispiel', '01234 5678-0', "
        "'rechnung@beispiel.de', 'DE40 1234 5678 0000 1234 56', NULL, 'rechnung@beispiel.de', "
        "NULL);"
        "INSERT INTO Kunde VALUES (1, 'Gemeinde Musterstadt', 'Rathausplatz 1', '12345', "
        "'Musterstadt', 'DE', NULL, '05315000-4711-12', 'eingang@musterstadt.de', 'EM');"
        "INSERT INTO Auftrag VALUES (4711, 1);");
  }

  static std::string ReadText(const char* path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // The invoice of the case with its totals block built, as the office has it
  // when it asks for the e-invoice.
  void Bill(const InvoiceCase& c) {
    for (int i = 0; i < c.earlier; ++i) {
      const std::string id = std::to_string(10 + i);
      Sql("INSERT INTO Rechnung VALUES (" + id + ", 4711, '2026-000" + std::to_string(i + 1) +
          "', 5, 50000, 59500, 0, 190); INSERT INTO Termine (ID_Terminart, ID_Rechnungsnummer, "
          "Datum) VALUES (8, " +
          id + ", '2026-0" + std::to_string(i + 1) + "-15');");
    }
    Library().settings.AbschlagAbsolut = c.absolut;
    Library().settings.AbschlagProzent = c.prozent;
    OpenInvoice(c.kind);
    word::Document& doc = OpenDocument(billing_testing::BillingTable(c.amounts, ""));
    for (const auto& [row, rate] : c.rates) billing_testing::CommentOnCell(doc, 1, row, 5, rate);
    SummeBilden(false);
    // The record as stored, as the host hands it over.
    Library().Rechnung = database_->OpenRecordset(
        "SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17", dao::dbOpenDynaset);
  }

  einvoice::Source Source() {
    return {*document_,
            *database_,
            *Library().Rechnung,
            {Library().settings.AbschlagAbsolut, Library().settings.AbschlagProzent},
            Library().settings.Mehrwertsteuersatz};
  }
};

}  // namespace korvax::einvoice_testing
