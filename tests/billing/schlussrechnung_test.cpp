// The final invoice: earlier down payments and what remains.
#include <gtest/gtest.h>

#include "billing/summe_bilden.hpp"
#include "totals_fixture.hpp"

namespace korvax::billing_testing {
namespace {

class FinalInvoiceTest : public TotalsTest {};

// Only a final invoice (kind 4) lists earlier invoices, and only when it has any.
TEST_F(FinalInvoiceTest, WithoutEarlierInvoicesTheBlockStaysAsItIs) {
  for (int kind : {4, 5}) {
    SCOPED_TRACE(kind);
    // From the second round on the order has a down payment.
    if (kind == 5) Sql("INSERT INTO Rechnung VALUES (18, 4711, '2026-0005', 5, 1, 1, 0, 190)");
    OpenInvoice(kind);
    word::Document& doc = OpenDocument(BillingTable({"100,00 €", "50,00 €"}));
    SummeBilden(false);
    word::Table t = TotalsTable(doc);
    ASSERT_TRUE(t);
    EXPECT_EQ(t.Rows().Count(), 4);
    ExpectRow(t, 4, 2, {"Rechnungsbetrag", "", "     178,50 €"});
    EXPECT_DOUBLE_EQ(ToDouble(Stored("Brutto")), 17850);
  }
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FinalInvoiceTest, OneEarlierDownPaymentIsListedAndDeducted) {
  Sql("INSERT INTO Rechnung VALUES (18, 4711, '2026-0005', 5, 100000, 119000, 0, 190);"
      "INSERT INTO Rechnung VALUES (19, 9999, '2026-0009', 5, 500000, 595000, 0, 190);"
      "INSERT INTO Termine VALUES (2, 8, 18, '2026-01-15');");
  OpenInvoice(4);
  word::Document& doc = OpenDocument(BillingTable({"2.000,00 €"}));
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  ASSERT_EQ(t.Rows().Count(), 11);  // 4 + one earlier invoice + 6
  EXPECT_EQ(CellText(t, 4, 2), "Zwischensumme");
  EXPECT_EQ(t.Cell(4, 2).Range().Font().Bold(), 1);
  EXPECT_EQ(CellText(t, 4, 4), "   2.380,00 €");
  ExpectRow(t, 6, 2, {"Entgeld", "Umsatzsteuer", "Summe"});
  ExpectRow(t, 7, 2, {"   2.000,00 €", "     380,00 €", "   2.380,00 €"});
  EXPECT_EQ(CellText(t, 8, 1), "abzgl. Anzahlungen");
  ExpectRow(
      t, 9, 1,
      {"Rechnung Nr. 2026-0005 vom 15.01.2026", "   1.000,00 €", "     190,00 €", "   1.190,00 €"});
  EXPECT_EQ(t.Cell(9, 1).Range().Font().Bold(), 0);
  ExpectRow(t, 10, 1, {"verbl. Restbetrag", "   1.000,00 €", "     190,00 €", "   1.190,00 €"});
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(t.Cell(10, c).Range().Font().Bold(), 1) << c;
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(CellText(t, 11, c), "") << c;
  EXPECT_NEAR(ToDouble(Stored("MehrwertsteuerFreierbetrag")), 0, 1e-6);  // what remains
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FinalInvoiceTest, AnEarlierInvoiceWithoutDateIsReportedAndStillListed) {
  Sql("INSERT INTO Rechnung VALUES (18, 4711, '2026-0005', 5, 100000, 119000, 0, 190);"
      "INSERT INTO Rechnung VALUES (20, 4711, '2026-0006', 5, 20000, 23800, 0, 190);"
      "INSERT INTO Termine VALUES (2, 8, 18, '2026-01-15');");
  OpenInvoice(4);
  word::Document& doc = OpenDocument(BillingTable({"2.000,00 €"}));
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  ASSERT_EQ(t.Rows().Count(), 12);
  EXPECT_EQ(CellText(t, 9, 1), "Rechnung Nr. 2026-0005 vom 15.01.2026");
  EXPECT_EQ(CellText(t, 10, 1), "Rechnung Nr. 2026-0006 vom ");  // no stale date
  EXPECT_EQ(CellText(t, 10, 4), "     238,00 €");
  EXPECT_EQ(CellText(t, 11, 4), "     952,00 €");
  EXPECT_EQ(LogEntries(), 1) << Log();
  EXPECT_NE(Log().find("Error 3021: "), std::string::npos) << Log();
}

TEST_F(FinalInvoiceTest, TwoRatesKeepTheHeaderTwoRowsBelowTheSubtotalAndMakeItsSum) {
  Sql("INSERT INTO Rechnung VALUES (18, 4711, '2026-0005', 5, 100000, 119000, 0, 190);"
      "INSERT INTO Termine VALUES (2, 8, 18, '2026-01-15');");
  OpenInvoice(4);
  word::Document& doc = OpenDocument(BillingTable({"100,00 €", "50,00 €"}));
  CommentOnCell(doc, 1, 3, 5, "7");
  SummeBilden(false);
  word::Table t = TotalsTable(doc);
  ASSERT_TRUE(t);
  EXPECT_EQ(CellText(t, 5, 2), "Zwischensumme");
  EXPECT_EQ(CellText(t, 5, 4), "     172,50 €");
  EXPECT_EQ(CellText(t, 7, 2), "Entgeld");
  // This invoice as net, the VAT of both rates and their sum: the subtotal,
  // not the net grossed up at 19 % (178,50).
  ExpectRow(t, 8, 2, {"     150,00 €", "      22,50 €", "     172,50 €"});
}

}  // namespace
}  // namespace korvax::billing_testing
