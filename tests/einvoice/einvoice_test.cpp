#include "einvoice/einvoice.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include <pugixml.hpp>

#include "common/funktionen.hpp"
#include "einvoice_cases.hpp"

namespace korvax::einvoice_testing {
namespace {

using billing_testing::CellText;
using billing_testing::TotalsTable;

einvoice::Cents CellCents(const word::Table& t, int row, int column) {
  return std::llround(CVal(CellText(t, row, column)) * 100);
}

class InvoiceKinds : public EInvoiceTest, public ::testing::WithParamInterface<InvoiceCase> {};

// Every amount of the e-invoice is one the totals block or the record states.
TEST_P(InvoiceKinds, AmountsAreThoseOfTheTotalsBlockAndTheRecord) {
  const InvoiceCase& c = GetParam();
  Bill(c);
  const einvoice::Invoice invoice = einvoice::BuildInvoice(Source(), einvoice::Format::XRechnung);
  word::Table block = TotalsTable(*document_);
  ASSERT_TRUE(block);

  EXPECT_EQ(invoice.type_code, c.type_code);
  EXPECT_EQ(invoice.line_total, CellCents(block, 1, 4));
  const int first_rate_row = c.absolut == 0 && c.prozent == 100 ? 2 : 3;
  int row = first_rate_row;
  for (const einvoice::TaxSubtotal& t : invoice.taxes) {
    if (t.tax.code != 'S') continue;
    EXPECT_EQ(t.basis, CellCents(block, row, 3)) << CellText(block, row, 2);
    EXPECT_EQ(t.vat, CellCents(block, row, 4)) << CellText(block, row, 2);
    ++row;
  }
  const double sign = c.kind == 7 ? -1 : 1;
  EXPECT_EQ(invoice.due, std::llround(ToDouble(Stored("Brutto")) * sign));
  EXPECT_EQ(invoice.due, invoice.grand_total - invoice.prepaid + invoice.rounding);
  EXPECT_LE(std::abs(invoice.rounding), 2);
  EXPECT_EQ(invoice.preceding.size(), static_cast<size_t>(c.earlier));
  if (c.earlier > 0) {
    EXPECT_EQ(invoice.prepaid, c.earlier * 59500);
  }
  EXPECT_EQ(LogEntries(), 0) << Log();
}

INSTANTIATE_TEST_SUITE_P(EInvoice, InvoiceKinds, ::testing::ValuesIn(InvoiceCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Refused with the reason, and nothing is written.
TEST_F(EInvoiceTest, RefusalsSayWhyAndWriteNothing) {
  struct Refusal {
    const char* sql;
    const char* summe;  // the totals block's sum, edited by hand
    int32_t number;
    std::vector<const char*> said;
  };
  const Refusal refusals[] = {
      {"UPDATE Büro SET IBAN = NULL, Telefon = ' '; UPDATE Kunde SET Käuferreferenz = NULL",
       nullptr,
       einvoice::kMissingMasterData,
       {"Büro.IBAN", "Büro.Telefon", "Kunde.Käuferreferenz (Leitweg-ID)"}},
      {"DELETE FROM Auftrag",
       nullptr,
       einvoice::kMissingMasterData,
       {"Auftrag.ID_Kunde", "Kunde.Name", "Kunde.PLZ"}},
      {nullptr,
       "  5.000,00 €",
       einvoice::kTotalsDiffer,
       {"Summe: 512,36 € aus den Tabellen, 5.000,00 € im Summenblock (Differenz -4.487,64 €)"}},
      {"UPDATE Rechnung SET Brutto = 100",
       nullptr,
       einvoice::kTotalsDiffer,
       {"Brutto 609,71 € laut Summenblock, 1,00 € gespeichert"}},
      {"UPDATE Rechnung SET Rechnungsnummer = NULL",
       nullptr,
       einvoice::kNoNumberOrDate,
       {"keine Rechnungsnummer"}},
      {"DELETE FROM Termine", nullptr, einvoice::kNoNumberOrDate, {"kein Rechnungsdatum"}},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.sql != nullptr ? r.sql : r.summe);
    TearDown();
    SetUp();
    Bill(InvoiceCases()[0]);
    if (r.sql != nullptr) Sql(r.sql);
    if (r.summe != nullptr) {
      word::Table block = TotalsTable(*document_);
      word::Range cell = block.Cell(1, 4).Range();
      cell.MoveEnd(word::wdCharacter, -2);
      cell.SetText(r.summe);
    }
    Library().Rechnung = database_->OpenRecordset(
        "SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17", dao::dbOpenDynaset);
    const std::filesystem::path out = dir_ / "rechnung.xml";
    try {
      einvoice::WriteEInvoice(Source(), einvoice::Format::XRechnung, out);
      ADD_FAILURE() << "not refused";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), r.number) << e.description();
      for (const char* text : r.said)
        EXPECT_NE(e.description().find(text), std::string::npos) << e.description();
    }
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

// Texts of the document and the database reach the XML as text, never as markup.
TEST_F(EInvoiceTest, TextsAreEscaped) {
  Bill(InvoiceCases()[0]);
  Sql("UPDATE Kunde SET Name = 'Müller & Söhne <GmbH>'");
  document_->Tables().Item(1).Cell(2, 1).Range().InsertAfter("Flst. \"7\" <a> & b\vc");
  const std::string xml =
      einvoice::WriteCii(einvoice::BuildInvoice(Source(), einvoice::Format::XRechnung));
  pugi::xml_document parsed;
  ASSERT_TRUE(parsed.load_string(xml.c_str())) << xml;
  EXPECT_STREQ(parsed.select_node("//ram:BuyerTradeParty/ram:Name").node().text().get(),
               "Müller & Söhne <GmbH>");
  const std::string description =
      parsed.select_node("(//ram:SpecifiedTradeProduct/ram:Description)[1]").node().text().get();
  EXPECT_NE(description.find("Flst. \"7\" <a> & b c"), std::string::npos) << description;
}

TEST(DecimalText, CentsAsCiiWritesThem) {
  const std::pair<einvoice::Cents, const char*> cases[] = {
      {0, "0.00"}, {5, "0.05"}, {-1, "-0.01"}, {-100, "-1.00"}, {123456, "1234.56"}};
  for (const auto& [cents, text] : cases) EXPECT_EQ(einvoice::DecimalText(cents), text);
}

}  // namespace
}  // namespace korvax::einvoice_testing
