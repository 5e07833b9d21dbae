#include "billing/summe_bilden.hpp"

#include <gtest/gtest.h>

#include "common/text.hpp"
#include "totals_fixture.hpp"

namespace korvax::billing_testing {
namespace {

class SummeBildenTest : public TotalsTest {
 protected:
  // A letter with the amount placeholders, then the given body.
  word::Document& Letter(const std::string& body) {
    word::Document& doc =
        OpenDocument(Paragraph("Rechnung") + body + Paragraph("Gesamt: bitte zahlen.") +
                     Paragraph("Auslagen: ohne Steuer."));
    CommentAfter(doc, "Gesamt:", "varoGesamt");
    CommentAfter(doc, "Auslagen:", "varoAuslagen");
    return doc;
  }
  // The four totals of invoice 17 as stored, in cents.
  void ExpectStored(double netto, double brutto, double frei) {
    EXPECT_DOUBLE_EQ(ToDouble(Stored("NettoRechnung")), netto);
    EXPECT_DOUBLE_EQ(ToDouble(Stored("Brutto")), brutto);
    EXPECT_DOUBLE_EQ(ToDouble(Stored("MehrwertsteuerFreierbetrag")), frei);
    EXPECT_EQ(ToLong(Stored("Mehrwertsteuersatz")), 190);
  }
};

TEST_F(SummeBildenTest, NoBillingLinesGivesThreeRows) {
  OpenInvoice(1);
  word::Document& doc = OpenDocument(Paragraph("Rechnung"));
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  EXPECT_EQ(t.Rows().Count(), 3);
  ExpectRow(t, 1, 2, {"Summe", "", "       0,00 €"});
  ExpectRow(t, 3, 2, {"Rechnungsbetrag", "", "       0,00 €"});
  EXPECT_EQ(t.Cell(3, 2).Range().Font().Bold(), 1);
  EXPECT_EQ(t.Cell(1, 2).Range().Font().Bold(), 0);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

// Run twice: one block, one amount per placeholder.
TEST_F(SummeBildenTest, DefaultRateWithAVatFreeLineRunTwice) {
  OpenInvoice(1);
  word::Document& doc = Letter(BillingTable({"100,00 €", "50,00 €", "10,00 €"}));
  CommentOnCell(doc, 1, 4, 5, "0");
  SummeBilden(false);
  SummeBilden(false);
  EXPECT_EQ(doc.Tables().Count(), 2);  // one block
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  ASSERT_EQ(t.Rows().Count(), 4);
  EXPECT_EQ(CellText(t, 1, 4), "     160,00 €");
  ExpectRow(t, 2, 2, {"Mehrwertsteuer 19 %", "     150,00 €", "      28,50 €"});
  ExpectRow(t, 4, 2, {"Rechnungsbetrag", "", "     188,50 €"});
  const std::string text = doc.Content().Text();
  EXPECT_NE(text.find("Gesamt:     188,50 €  bitte zahlen."), std::string::npos) << text;
  EXPECT_NE(text.find("Auslagen:      10,00 €  ohne Steuer."), std::string::npos) << text;
  EXPECT_EQ(Occurrences(text, "188,50"), 2) << text;  // the table and the placeholder
  ExpectStored(15000, 18850, 1000);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

// Rebuilding the block leaves the document as building it once did, at the
// end of the letter and before the word in front of "varoStart".
TEST_F(SummeBildenTest, RebuildingGivesTheSameDocument) {
  OpenInvoice(1);
  for (bool varo_start : {false, true}) {
    SCOPED_TRACE(varo_start);
    word::Document& doc = Letter(BillingTable({"100,00 €"}) + Paragraph("Betrag Summe"));
    if (varo_start) CommentAfter(doc, "Betrag Summe", "varoStart");
    SummeBilden(true);
    const std::string once = doc.Content().Text();
    SummeBilden(true);
    EXPECT_EQ(doc.Content().Text(), once);
    EXPECT_EQ(doc.Tables().Count(), 2);
  }
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(SummeBildenTest, CreditNoteStoresNegatedAmounts) {
  OpenInvoice(7);
  word::Document& doc = OpenDocument(BillingTable({"100,00 €", "50,00 €", "10,00 €"}));
  CommentOnCell(doc, 1, 4, 5, "0");
  SummeBilden(false);
  ExpectStored(-15000, -18850, -1000);
}

// One row per rate in the order the rates first appear; rates written in a
// comment keep their decimals. The category marker on line 1 counts as no rate.
TEST_F(SummeBildenTest, VatRowsPerRate) {
  struct Case {
    std::vector<std::string> amounts;
    std::vector<std::pair<int, const char*>> rates;  // row of the billing table, comment
    std::vector<std::vector<std::string>> rows;      // from row 2 on, columns 2 to 4
  };
  const Case cases[] = {
      {{"100,00 €", "200,00 €", "50,00 €"},
       {{2, "7"}, {4, "7"}},
       {{"Mehrwertsteuer 7 %", "     150,00 €", "      10,50 €"},
        {"Mehrwertsteuer 19 %", "     200,00 €", "      38,00 €"}}},
      {{"100,00 €", "100,00 €"},
       {{2, "7,5"}, {3, " 7,5 % ermäßigt"}},
       {{"Mehrwertsteuer 7,5 %", "     200,00 €", "      15,00 €"}}},
      // 19 % of 12,50 € is 2,375 €: the half cent rounds up.
      {{"12,50 €"}, {}, {{"Mehrwertsteuer 19 %", "      12,50 €", "       2,38 €"}}},
  };
  OpenInvoice(1);
  for (const Case& c : cases) {
    word::Document& doc = OpenDocument(BillingTable(c.amounts));
    CommentOnCell(doc, 1, 1, 5, "Korvax_1");
    for (const auto& [row, rate] : c.rates) CommentOnCell(doc, 1, row, 5, rate);
    SummeBilden(false);
    word::Table t = TotalsTable(doc);
    ASSERT_TRUE(t);
    ASSERT_EQ(t.Rows().Count(), static_cast<int>(c.rows.size()) + 3);
    for (size_t i = 0; i < c.rows.size(); ++i) ExpectRow(t, static_cast<int>(i) + 2, 2, c.rows[i]);
  }
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(SummeBildenTest, WithoutDocumentOrDatabaseEveryStepReportsAndReturns) {
  SummeBilden(true);
  EXPECT_GT(LogEntries(), 3);
  EXPECT_NE(Log().find("Error 91: "), std::string::npos) << Log();
}

// A failure while writing the invoice record stores none of the four totals.
TEST_F(SummeBildenTest, TheInvoiceRecordGetsAllTotalsOrNone) {
  struct Case {
    const char* what;
    const char* sql;
    int rate;
    const char* error;
  };
  const Case cases[] = {
      {"a rate too large to store", "SELECT 1", 4000,
       "Error 6: \r\n\xDC"
       "berlauf\r\nZeile: 1150"},
      {"a missing column", "ALTER TABLE Rechnung DROP COLUMN MehrwertsteuerFreierbetrag", 19,
       "Error 3265: "},
  };
  int entries = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Sql(c.sql);
    OpenInvoice(1);
    Library().settings.Mehrwertsteuersatz = c.rate;
    OpenDocument(BillingTable({"100,00 €"}));
    SummeBilden(false);
    EXPECT_EQ(LogEntries(), ++entries) << Log();
    EXPECT_NE(Log().find(c.error), std::string::npos) << Log();
    EXPECT_DOUBLE_EQ(ToDouble(Stored("NettoRechnung")), 0);
    EXPECT_DOUBLE_EQ(ToDouble(Stored("Brutto")), 0);
    EXPECT_EQ(ToLong(Stored("Mehrwertsteuersatz")), 190);
  }
}

TEST_F(SummeBildenTest, DownPayments) {
  struct Case {
    int percent;
    double absolute;
    std::string label, net, vat, total;
    double brutto;
  };
  const Case cases[] = {
      {30, 0, "30%", "     300,00 €", "      57,00 €", "     357,00 €", 35700},
      {100, 250, "", "     250,00 €", "      47,50 €", "     297,50 €", 29750},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.percent);
    OpenInvoice(1);
    Library().settings.AbschlagProzent = c.percent;
    Library().settings.AbschlagAbsolut = c.absolute;
    word::Document& doc = OpenDocument(BillingTable({"1.000,00 €"}));
    SummeBilden(false);
    word::Table t = TotalsTable(doc);
    ASSERT_TRUE(t);
    ASSERT_EQ(t.Rows().Count(), 5);
    EXPECT_EQ(CellText(t, 1, 4), "   1.000,00 €");
    EXPECT_EQ(CellText(t, 2, 2), "\rAbschlagszahlung von " + c.label);
    EXPECT_EQ(CellText(t, 2, 4), "\r" + c.net);
    EXPECT_EQ(t.Cell(2, 2).Range().Font().Bold(), 1);
    EXPECT_EQ(t.Cell(2, 4).Range().Font().Bold(), 0);
    ExpectRow(t, 3, 3, {c.net, c.vat});
    EXPECT_EQ(CellText(t, 5, 4), c.total);
    EXPECT_DOUBLE_EQ(ToDouble(Stored("Brutto")), c.brutto);
  }
}

TEST_F(SummeBildenTest, ZeroTotalWithAbsoluteDownPaymentReportsAndWritesZeros) {
  OpenInvoice(1);
  Library().settings.AbschlagAbsolut = 250;
  word::Document& doc = Letter("");
  SummeBilden(false);
  EXPECT_EQ(LogEntries(), 1) << Log();
  EXPECT_NE(Log().find("Error 11: "), std::string::npos) << Log();
  EXPECT_NE(Log().find("Zeile: 120"), std::string::npos) << Log();
  EXPECT_NE(Log().find(text::Utf8ToCp1252("Ort  : GebührenTabelle.SummeBilden")), std::string::npos)
      << Log();
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  ASSERT_EQ(t.Rows().Count(), 4);
  EXPECT_EQ(CellText(t, 2, 4), "\r       0,00 €");
  EXPECT_EQ(CellText(t, 4, 4), "       0,00 €");
  const std::string text = doc.Content().Text();
  EXPECT_EQ(text.find("inf"), std::string::npos) << text;
  EXPECT_EQ(text.find("nan"), std::string::npos) << text;
  EXPECT_NE(text.find("Gesamt:       0,00 €  bitte"), std::string::npos) << text;
  EXPECT_DOUBLE_EQ(ToDouble(Stored("Brutto")), 0);
  EXPECT_DOUBLE_EQ(ToDouble(Stored("MehrwertsteuerFreierbetrag")), 0);
}

TEST_F(SummeBildenTest, EveryOccurrenceOfAPlaceholderIsFilled) {
  OpenInvoice(1);
  word::Document& doc = OpenDocument(BillingTable({"1.000,00 €"}) + Paragraph("Netto: A.") +
                                     Paragraph("Steuer: B.") + Paragraph("Netto: C."));
  CommentAfter(doc, "Netto:", "varoNetto");
  CommentAfter(doc, "Steuer:", "varoMwSt");
  CommentAfter(doc, "C", "varoNetto");
  SummeBilden(false);
  SummeBilden(false);
  const std::string text = doc.Content().Text();
  EXPECT_NE(text.find("Netto:   1.000,00 €  A."), std::string::npos) << text;
  EXPECT_NE(text.find("Steuer:     190,00 €  B."), std::string::npos) << text;
  EXPECT_NE(text.find("Netto: C   1.000,00 € ."), std::string::npos) << text;
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(SummeBildenTest, ATableWhoseSecondCellReadsSummeIsNotCounted) {
  OpenInvoice(1);
  word::Document& doc =
      OpenDocument(BillingTable({"100,00 €"}) + BillingTable({"999,00 €"}, "Betrag"));
  word::Range second = doc.Tables().Item(2).Cell(1, 2).Range();
  second.MoveEnd(word::wdCharacter, -2);
  second.SetText("Summe");
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  EXPECT_EQ(CellText(t, 1, 4), "     100,00 €");
  EXPECT_EQ(doc.Tables().Count(), 3);  // the foreign table stays
}

TEST_F(SummeBildenTest, TheBlockGoesBeforeTheWordInFrontOfVaroStart) {
  OpenInvoice(1);
  word::Document& doc = OpenDocument(BillingTable({"100,00 €"}) + Paragraph("Betrag Summe") +
                                     Paragraph("Mit freundlichen Grüßen"));
  CommentAfter(doc, "Betrag Summe", "varoStart");
  SummeBilden(false);
  const std::string text = doc.Content().Text();
  const size_t block = text.find("Rechnungsbetrag");
  ASSERT_NE(block, std::string::npos);
  EXPECT_LT(block, text.find("Mit freundlichen Grüßen")) << text;
  EXPECT_GT(block, text.find("Zeile 1")) << text;
}

// Borderless and right-aligned; the cursor ends at the top of the invoice and
// the payment due note follows the flag.
TEST_F(SummeBildenTest, BlockFormatCursorAndPaymentDueNote) {
  OpenInvoice(1);
  word::Document& doc = OpenDocument(BillingTable({"100,00 €"}));
  SummeBilden(true);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  for (int b = word::wdBorderVertical; b <= word::wdBorderTop; ++b) {
    EXPECT_EQ(t.Borders(b).LineStyle(), word::wdLineStyleNone) << b;
  }
  EXPECT_EQ(t.Cell(1, 2).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_EQ(doc.Application()->Selection().Start(), 0);
  EXPECT_EQ(doc.Application()->Selection().End(), 0);
  ASSERT_EQ(doc.Shapes().Count(), 1);
  EXPECT_EQ(doc.Shapes().Item(1).TextFrame().TextRange().Text(),
            "Zahlbar bis  15.03.2026  ohne Abzug.");
  SummeBilden(false);
  EXPECT_EQ(doc.Shapes().Count(), 0);
}

}  // namespace
}  // namespace korvax::billing_testing
