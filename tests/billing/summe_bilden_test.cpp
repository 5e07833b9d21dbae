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
};

TEST_F(SummeBildenTest, NoBillingLinesGivesThreeRows) {
  OpenInvoice(1);
  word::Document& doc = OpenDocument(Paragraph("Rechnung"));
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  EXPECT_EQ(t.Rows().Count(), 3);
  EXPECT_EQ(CellText(t, 1, 2), "Summe");
  EXPECT_EQ(CellText(t, 1, 4), "       0,00 €");
  EXPECT_EQ(CellText(t, 2, 2), "");
  EXPECT_EQ(CellText(t, 2, 4), "");
  EXPECT_EQ(CellText(t, 3, 2), "Rechnungsbetrag");
  EXPECT_EQ(CellText(t, 3, 4), "       0,00 €");
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
  EXPECT_EQ(TotalsTableCount(doc), 1);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  ASSERT_EQ(t.Rows().Count(), 4);
  EXPECT_EQ(CellText(t, 1, 4), "     160,00 €");
  ExpectRow(t, 2, 2, {"Mehrwertsteuer 19 %", "     150,00 €", "      28,50 €"});
  EXPECT_EQ(CellText(t, 4, 2), "Rechnungsbetrag");
  EXPECT_EQ(CellText(t, 4, 4), "     188,50 €");
  const std::string text = doc.Content().Text();
  EXPECT_NE(text.find("Gesamt:     188,50 €  bitte zahlen."), std::string::npos) << text;
  EXPECT_NE(text.find("Auslagen:      10,00 €  ohne Steuer."), std::string::npos) << text;
  EXPECT_EQ(Occurrences(text, "188,50"), 2) << text;  // the table and the placeholder
  int markers = 0;
  for (int i = 1; i <= doc.Comments().Count(); ++i) {
    markers += doc.Comments().Item(i).Range().Text() == "RE_Summe";
  }
  EXPECT_EQ(markers, 1);
  EXPECT_DOUBLE_EQ(ToDouble(Stored("NettoRechnung")), 15000);
  EXPECT_DOUBLE_EQ(ToDouble(Stored("Brutto")), 18850);
  EXPECT_DOUBLE_EQ(ToDouble(Stored("MehrwertsteuerFreierbetrag")), 1000);
  EXPECT_EQ(ToLong(Stored("Mehrwertsteuersatz")), 190);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(SummeBildenTest, TwoRatesInTheOrderTheyFirstAppear) {
  OpenInvoice(1);
  word::Document& doc = OpenDocument(BillingTable({"100,00 €", "200,00 €", "50,00 €"}));
  CommentOnCell(doc, 1, 1, 5, "Korvax_1");  // the category marker: rate 0, no rate row
  CommentOnCell(doc, 1, 2, 5, "7");
  CommentOnCell(doc, 1, 4, 5, "7");
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  ASSERT_EQ(t.Rows().Count(), 5);
  ExpectRow(t, 2, 2, {"Mehrwertsteuer 7 %", "     150,00 €", "      10,50 €"});
  ExpectRow(t, 3, 2, {"Mehrwertsteuer 19 %", "     200,00 €", "      38,00 €"});
  EXPECT_EQ(CellText(t, 5, 4), "     398,50 €");
}

TEST_F(SummeBildenTest, RatesFromCommentsAreSinglePrecisionWithTheirDecimals) {
  OpenInvoice(1);
  word::Document& doc = OpenDocument(BillingTable({"100,00 €", "100,00 €"}));
  CommentOnCell(doc, 1, 1, 5, "Korvax_1");
  CommentOnCell(doc, 1, 2, 5, "7,5");
  CommentOnCell(doc, 1, 3, 5, " 7,5 % ermäßigt");
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  ASSERT_EQ(t.Rows().Count(), 4);
  ExpectRow(t, 2, 2, {"Mehrwertsteuer 7,5 %", "     200,00 €", "      15,00 €"});
}

TEST_F(SummeBildenTest, WithoutDocumentOrDatabaseEveryStepReportsAndReturns) {
  SummeBilden(true);
  EXPECT_GT(LogEntries(), 3);
  EXPECT_NE(Log().find("Error 91: "), std::string::npos) << Log();
}

TEST_F(SummeBildenTest, ARateTooLargeToStoreIsAnOverflow) {
  OpenInvoice(1);
  Library().settings.Mehrwertsteuersatz = 4000;
  OpenDocument(BillingTable({"100,00 €"}));
  SummeBilden(false);
  EXPECT_EQ(LogEntries(), 1) << Log();
  EXPECT_NE(Log().find("Error 6: "), std::string::npos) << Log();
  EXPECT_NE(Log().find("Zeile: 1150"), std::string::npos) << Log();
  // No record with some totals new and others old: nothing is stored.
  EXPECT_DOUBLE_EQ(ToDouble(Stored("NettoRechnung")), 0);
  EXPECT_EQ(ToLong(Stored("Mehrwertsteuersatz")), 190);
}

TEST_F(SummeBildenTest, AMissingColumnOfTheInvoiceRecordStoresNoneOfTheTotals) {
  Sql("ALTER TABLE Rechnung DROP COLUMN MehrwertsteuerFreierbetrag");
  OpenInvoice(1);
  OpenDocument(BillingTable({"100,00 €"}));
  SummeBilden(false);
  EXPECT_EQ(LogEntries(), 1) << Log();
  EXPECT_NE(Log().find("Error 3265: "), std::string::npos) << Log();
  EXPECT_DOUBLE_EQ(ToDouble(Stored("NettoRechnung")), 0);
  EXPECT_DOUBLE_EQ(ToDouble(Stored("Brutto")), 0);
}

TEST_F(SummeBildenTest, DownPaymentOfThirtyPercent) {
  OpenInvoice(1);
  Library().settings.AbschlagProzent = 30;
  word::Document& doc = OpenDocument(BillingTable({"1.000,00 €"}));
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  ASSERT_EQ(t.Rows().Count(), 5);
  EXPECT_EQ(CellText(t, 1, 4), "   1.000,00 €");
  EXPECT_EQ(CellText(t, 2, 2), "\rAbschlagszahlung von 30%");
  EXPECT_EQ(CellText(t, 2, 4), "\r     300,00 €");
  EXPECT_EQ(t.Cell(2, 2).Range().Font().Bold(), 1);
  EXPECT_EQ(t.Cell(2, 4).Range().Font().Bold(), 0);
  ExpectRow(t, 3, 2, {"Mehrwertsteuer 19 %", "     300,00 €", "      57,00 €"});
  EXPECT_EQ(CellText(t, 5, 4), "     357,00 €");
  EXPECT_DOUBLE_EQ(ToDouble(Stored("NettoRechnung")), 30000);
  EXPECT_DOUBLE_EQ(ToDouble(Stored("Brutto")), 35700);
}

TEST_F(SummeBildenTest, AbsoluteDownPayment) {
  OpenInvoice(1);
  Library().settings.AbschlagAbsolut = 250;
  word::Document& doc = OpenDocument(BillingTable({"1.000,00 €"}));
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  ASSERT_EQ(t.Rows().Count(), 5);
  EXPECT_EQ(CellText(t, 2, 2), "\rAbschlagszahlung von ");
  EXPECT_EQ(CellText(t, 2, 4), "\r     250,00 €");
  ExpectRow(t, 3, 3, {"     250,00 €", "      47,50 €"});
  EXPECT_EQ(CellText(t, 5, 4), "     297,50 €");
  EXPECT_DOUBLE_EQ(ToDouble(Stored("Brutto")), 29750);
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
  word::Table foreign = doc.Tables().Item(2);
  word::Range second = foreign.Cell(1, 2).Range();
  second.MoveEnd(word::wdCharacter, -2);
  second.SetText("Summe");
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  EXPECT_EQ(CellText(t, 1, 4), "     100,00 €");
  EXPECT_EQ(doc.Tables().Count(), 3);  // the foreign table stays
}

TEST_F(SummeBildenTest, CreditNoteStoresNegatedAmounts) {
  OpenInvoice(7);
  word::Document& doc = OpenDocument(BillingTable({"100,00 €", "50,00 €", "10,00 €"}));
  CommentOnCell(doc, 1, 4, 5, "0");
  SummeBilden(false);
  EXPECT_DOUBLE_EQ(ToDouble(Stored("NettoRechnung")), -15000);
  EXPECT_DOUBLE_EQ(ToDouble(Stored("Brutto")), -18850);
  EXPECT_DOUBLE_EQ(ToDouble(Stored("MehrwertsteuerFreierbetrag")), -1000);
  EXPECT_EQ(ToLong(Stored("Mehrwertsteuersatz")), 190);
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

TEST_F(SummeBildenTest, FormatsTheBlockWithoutBordersAndRightAligned) {
  OpenInvoice(1);
  word::Document& doc = OpenDocument(BillingTable({"100,00 €"}));
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  for (int b = word::wdBorderVertical; b <= word::wdBorderTop; ++b) {
    EXPECT_EQ(t.Borders(b).LineStyle(), word::wdLineStyleNone) << b;
  }
  EXPECT_EQ(t.Cell(1, 2).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_NEAR(t.Columns().Item(1).Width(), 113.4, 0.1);
  EXPECT_NEAR(t.Columns().Item(2).Width(), 226.8, 0.1);
  EXPECT_NEAR(t.Columns().Item(3).Width(), 85.05, 0.1);
  EXPECT_NEAR(t.Columns().Item(4).Width(), 70.85, 0.1);
  // The cursor ends at the top of the invoice.
  EXPECT_EQ(doc.Application()->Selection().Start(), 0);
  EXPECT_EQ(doc.Application()->Selection().End(), 0);
}

TEST_F(SummeBildenTest, WritesThePaymentDueNoteWhenAsked) {
  OpenInvoice(1);
  word::Document& doc = OpenDocument(BillingTable({"100,00 €"}));
  SummeBilden(true);
  ASSERT_EQ(doc.Shapes().Count(), 1);
  EXPECT_EQ(doc.Shapes().Item(1).TextFrame().TextRange().Text(),
            "Zahlbar bis  15.03.2026  ohne Abzug.");
  SummeBilden(false);
  EXPECT_EQ(doc.Shapes().Count(), 0);
}

TEST_F(SummeBildenTest, PythonDocxReadsTheBlock) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
  OpenInvoice(1);
  word::Document& doc = Letter(BillingTable({"100,00 €", "50,00 €", "10,00 €"}));
  CommentOnCell(doc, 1, 4, 5, "0");
  SummeBilden(true);
  doc.Save();
  const std::string script =
      "import docx, sys\n"
      "d = docx.Document(sys.argv[1])\n"
      "t = d.tables[-1]\n"
      "for r in t.rows:\n"
      "    print('|'.join(c.text for c in r.cells))\n"
      "print([p.text for p in d.paragraphs if p.text.startswith('Gesamt')][0])\n";
  const auto script_path = dir_ / "read.py";
  std::ofstream(script_path) << script;
  const std::string out =
      RunCommand("/usr/bin/python3 " + script_path.string() + " " + path_.string() + " 2>&1");
  EXPECT_EQ(out,
            "|Summe||     160,00 €\n"
            "|Mehrwertsteuer 19 %|     150,00 €|      28,50 €\n"
            "|||\n"
            "|Rechnungsbetrag||     188,50 €\n"
            "Gesamt:     188,50 €  bitte zahlen.\n");
}

// Slow: renders the invoice with LibreOffice.
TEST_F(SummeBildenTest, SlowLibreOfficeRendersTheTotals) {
  if (!std::filesystem::exists("/usr/bin/soffice")) GTEST_SKIP() << "no soffice";
  OpenInvoice(1);
  word::Document& doc = Letter(BillingTable({"100,00 €", "50,00 €", "10,00 €"}));
  CommentOnCell(doc, 1, 4, 5, "0");
  SummeBilden(false);
  doc.Save();
  const std::string profile = "file://" + (dir_ / "lo-profile").string();
  RunCommand("timeout 180 soffice -env:UserInstallation=" + profile +
             " --headless --convert-to txt:Text --outdir " + dir_.string() + " " + path_.string() +
             " >/dev/null 2>&1");
  std::ifstream in(dir_ / "rechnung.txt");
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_NE(text.find("Rechnungsbetrag"), std::string::npos) << text;
  EXPECT_NE(text.find("188,50 €"), std::string::npos) << text;
  EXPECT_NE(text.find("Mehrwertsteuer 19 %"), std::string::npos) << text;
  EXPECT_NE(text.find("28,50 €"), std::string::npos) << text;
}

}  // namespace
}  // namespace korvax::billing_testing
