// frmKat1 (Nr. 2): shares, the reductions of Nr. 2.2, value ranges, the 2.5
// sub-table and the totals block, in the grid and in the invoice.
#include <gtest/gtest.h>

#include "common/text.hpp"
#include "dialog_session.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat1.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using namespace testing;  // NOLINT: the script steps

const GridSteps Z{"GridGebühren1"};

// The order's 100 m² at 12 €/m² cost 306.78 € by the fee table; the invoice
// is billed whole at 19 % VAT.
class FrmKat1Test : public DialogSession {
 protected:
  FrmKat1Test() : DialogSession(0) {}
  void SetUp() override {
    DialogSession::SetUp();
    Library().settings.AbschlagProzent = 100;
    Library().settings.Mehrwertsteuersatz = 19;
  }
  // The sum of the totals block that SummeBilden writes.
  std::string Summe() const { return text::Trim(CellText(Marked("RE_Summe"), 1, 4)); }
};

json Kästchen(const std::string& control, int value, bool enabled) {
  return {{"action", "expect"}, {"control", control}, {"value", value}, {"enabled", enabled}};
}

// One parcel typed into the fields and applied with the button.
json Flurstück(const std::string& flst, const std::string& fläche, const std::string& wert,
               const std::string& anteil = "1000") {
  return json::array({Type("TextBoxFlst", flst), Type("MaskEdBoxFläche", fläche),
                      Type("MaskEdBoxWert", wert), Type("MaskEdBoxAnteil", anteil), kApply});
}
// `n` lines with the defaults of a new line (Flst.Nr. 12/3, 306.78 €).
json Gleiche(int n) {
  return json(std::vector<json>(n, kApply));
}

TEST(FrmKat1Rechnung, ValueRangesByTheWholeEurosAndTheCapOfUnmarkedPoints) {
  const std::pair<double, std::string_view> bereiche[] = {{0, "0 bis 10"},     {10, "0 bis 10"},
                                                          {11, "11 bis 26"},   {256, "103 bis 256"},
                                                          {257, "größer 256"}, {-1, "größer 256"}};
  for (const auto& [euro, bereich] : bereiche) EXPECT_EQ(BereichsTextNr2(euro), bereich) << euro;
  EXPECT_FLOAT_EQ(AbmarkungsErmäßigung(3, 500.0f), 100.0f);
}

TEST_F(FrmKat1Test, InputFieldsDefaultsAndABlankArea) {
  Run(Script(Expect("TextBoxFlst", "Flst.Nr. 12/3"), Expect("MaskEdBoxFläche", "   100"),
             Expect("MaskEdBoxWert", "   12,00"), Expect("MaskEdBoxAnteil", "1000"),
             Expect("mskneueAP", "  "), Kästchen("CheckBoxErmäßigung", 0, false),
             Kästchen("chkBereich", 0, true), Clear("MaskEdBoxFläche"),
             Expect("MaskEdBoxFläche", "      "), kApply,
             Z.Cells(1, 1, "     0", "   12,00", "1000", "  127,82"), Type("MaskEdBoxFläche", "75"),
             Click("MaskEdBoxWert"), Expect("MaskEdBoxFläche", "    75"),
             Type("MaskEdBoxWert", "30"), kEnter, Z.Cells(2, 1, "    75", "   30,00"),
             Type("MaskEdBoxAnteil", "500"), kEnter, Z.Rows(4),
             Z.Cells(3, 1, "    75", "   30,00", " 500"), kVerwerfen));
  // The next line starts from the area and land value last applied.
  EXPECT_DOUBLE_EQ(Library().order.Fläche, 75);
  EXPECT_DOUBLE_EQ(Library().order.Bodenwert, 30);
}

// Land values of 1.000 €/m² and more fit the field without a thousands
// point: typed with or without a comma they are priced, written and read
// back, and nothing is logged.
TEST_F(FrmKat1Test, LandValuesOfAThousandAndMoreArePricedAndReadBack) {
  Run(Script(Flurstück("Flst.Nr. 1", "100", "1948"), Expect("MaskEdBoxWert", " 1948,00"),
             Z.Cells(1, 2, " 1948,00", "1000", "  731,15"), Flurstück("Flst.Nr. 2", "100", "1948,"),
             Z.Cells(2, 2, " 1948,00", "1000", "  731,15"), kOk));
  EXPECT_DOUBLE_EQ(Library().order.Bodenwert, 1948);
  EXPECT_EQ(CellText(Marked("Korvax_1"), 2, 4), " 1948,00");
  EXPECT_EQ(Summe(), "1.462,30 €");
  Reopen(Script(Z.Cells(1, 2, " 1948,00", "1000", "  731,15"), Expect("MaskEdBoxWert", " 1948,00"),
                kAbbruch));
}

// An empty share counts whole; a share of 0 bills nothing and its note shows
// the table's fee (no division by the share). Counts and check boxes come
// back on reopening, and the table is written again the same.
TEST_F(FrmKat1Test, SharesReductionsAndCountsAreWrittenAndReadBack) {
  Run(Script(Flurstück("Flst.Nr. 1", "100", "12,", "500"), Z(1, 4, "  153,39"),
             Flurstück("Flst.Nr. 2", "100", "12,", "333"), Z(2, 4, "  102,26"),
             Type("TextBoxFlst", "Flst.Nr. 3"), Type("MaskEdBoxFläche", "600"),
             Type("MaskEdBoxWert", "27,5"), Clear("MaskEdBoxAnteil"),
             Expect("MaskEdBoxAnteil", "    "), kApply, Z.Cells(3, 3, "1000", "  858,97"),
             Flurstück("Flst.Nr. 4", "100", "12,", "0"), Z.Cells(4, 3, "   0", "    0,00"),
             Flurstück("Flst.Nr. 5", "150000", "5,"), Z(5, 4, "2.597,37"),
             Tick("CheckBoxErmäßigung"), Type("MaskEdBoxAbmarkung", "12"), Type("mskneueAP", "2"),
             kOk));
  word::Table table = Marked("Korvax_1");
  EXPECT_EQ(CellText(table, 2, 1), "Flst.Nr. 1\vBetrag :  €   306,78 Ihr Anteil  500/1000");
  EXPECT_EQ(CellText(table, 2, 5), "  153,39 ");
  EXPECT_EQ(CellText(table, 3, 1), "Flst.Nr. 2\vBetrag :  €   306,78 Ihr Anteil  333/1000");
  EXPECT_EQ(CellText(table, 4, 1), "Flst.Nr. 3");
  EXPECT_EQ(CellText(table, 5, 1), "Flst.Nr. 4\vBetrag :  €   306,78 Ihr Anteil    0/1000");
  EXPECT_EQ(CellText(table, 5, 5), "    0,00 ");
  EXPECT_EQ(CellText(table, 7, 1),
            "Ermäßigung durch nicht abgemarkte Grenzpunkte \v 12 mal 76,69 € (max. 20% aus 2.1)");
  // The note is set in 8 point, the parcel text keeps its size.
  word::Range cell = table.Cell(2, 1).Range();
  EXPECT_EQ(doc_->Range(cell.Start() + 10, cell.End() - 2).Font().Size(), 8);
  EXPECT_NE(doc_->Range(cell.Start(), cell.Start() + 9).Font().Size(), 8);
  const Rows written = TableTexts(table);
  ASSERT_EQ(written.size(), 8u);

  Reopen(Script(Z.Rows(6), Z.Cells(1, 0, "Flst.Nr. 1", "   100", "   12,00", " 500"),
                Z(3, 3, "1000"), Z.Cells(4, 3, "   0", "    0,00"), Z(5, 1, "150000"),
                Expect("TextBoxFlst", "Flst.Nr. 1"), Expect("MaskEdBoxAnteil", " 500"),
                Kästchen("CheckBoxErmäßigung", 1, true), Expect("MaskEdBoxAbmarkung", "12"),
                Expect("mskneueAP", " 2"), kOk));
  EXPECT_EQ(TableTexts(Marked("Korvax_1")), written);
  EXPECT_EQ(doc_->Tables().Count(), 3);
}

// 1891.78 € and 249/1000 of 434.60 € (108.22 €) make 2000.00 €.
TEST_F(FrmKat1Test, ThreeUnmarkedPointsOnTwoThousandAre230Euros07) {
  Run(Script(Flurstück("Flst.Nr. 1", "6000", "30,"), Flurstück("Flst.Nr. 2", "100", "30,", "249"),
             Z(2, 4, "  108,22"), Type("MaskEdBoxAbmarkung", "3"), kOk));
  word::Table table = Marked("Korvax_1");
  ASSERT_EQ(table.Rows().Count(), 4);
  EXPECT_EQ(CellText(table, 4, 1),
            "Ermäßigung durch nicht abgemarkte Grenzpunkte \v 3 mal 76,69 € (max. 20% aus 2.1)");
  EXPECT_EQ(CellText(table, 4, 5), " -230,07");
  EXPECT_EQ(table.Cell(4, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  // The title and its line break in bold, the count behind it not.
  const int start = table.Cell(4, 1).Range().Start();
  EXPECT_EQ(doc_->Range(start, start + 47).Font().Bold(), 1);
  EXPECT_EQ(doc_->Range(start + 47, start + 60).Font().Bold(), 0);
  EXPECT_EQ(Summe(), "1.769,93 €");
}

// The check box is offered from four lines on and loses its tick below.
TEST_F(FrmKat1Test, ThePercentageReductionNeedsFourLines) {
  Run(Script(Gleiche(3), Kästchen("CheckBoxErmäßigung", 0, false), kApply,
             Kästchen("CheckBoxErmäßigung", 0, true), Tick("CheckBoxErmäßigung"), Z.Select(2),
             kLöschen, Kästchen("CheckBoxErmäßigung", 0, false), Click("CommandButtonNeu"), kApply,
             Tick("CheckBoxErmäßigung"), Type("MaskEdBoxAbmarkung", "1"), kOk));
  word::Table table = Marked("Korvax_1");
  ASSERT_EQ(table.Rows().Count(), 7);
  EXPECT_EQ(CellText(table, 6, 5), "  -76,69");
  // (4 x 306.78 - 76.69) x 4 % = 1150.43 x 4 % = 46.02
  EXPECT_EQ(CellText(table, 7, 1), "Die Gebühr ist nach Nr. 2.2 um  4% ermäßigt");
  EXPECT_EQ(CellText(table, 7, 5), "  -46,02");
  EXPECT_EQ(table.Cell(7, 1).Range().Font().Bold(), 1);
  EXPECT_EQ(Summe(), "1.104,41 €");
}

TEST_F(FrmKat1Test, ThirtyFiveLinesAreReducedByThirtyPerCent) {
  Run(Script(Gleiche(35), Tick("CheckBoxErmäßigung"), kOk));
  word::Table table = Marked("Korvax_1");
  ASSERT_EQ(table.Rows().Count(), 37);
  EXPECT_EQ(CellText(table, 37, 1), "Die Gebühr ist nach Nr. 2.2 um  30% ermäßigt");
  EXPECT_EQ(CellText(table, 37, 5), " -3.221,19");  // 30 % of 35 x 306.78
}

TEST_F(FrmKat1Test, NewSurveyPointsGoIntoTheSubTableCappedAt600) {
  Run(Script(Gleiche(1), Type("mskneueAP", "2"), kOk));
  word::Table sub = Marked("Korvax_1A");
  ASSERT_TRUE(sub);
  EXPECT_EQ(TableTexts(sub),
            (Rows{{"Grundlagenvermessung nach Nr. 2.5", "", "", "", ""},
                  {" 2 neue Aufnahmepunkte je 204,52 € (max. 600 €)", "", "", "", "  409,04"}}));
  EXPECT_EQ(sub.Cell(1, 1).Range().Font().Bold(), 1);
  EXPECT_EQ(sub.Cell(2, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_FALSE(doc_->Bookmarks().Exists("Korvax_1A"));
  EXPECT_EQ(Summe(), "715,82 €");

  Reopen(Script(Expect("mskneueAP", " 2"), Type("mskneueAP", "3"), kOk));
  EXPECT_EQ(CellText(Marked("Korvax_1A"), 2, 5), "  600,00");  // 613.56 capped
  EXPECT_EQ(doc_->Tables().Count(), 3);

  Reopen(Script(Type("mskneueAP", "0"), kOk));
  EXPECT_FALSE(Marked("Korvax_1A"));
  EXPECT_EQ(doc_->Tables().Count(), 2);
  EXPECT_EQ(Summe(), "306,78 €");
}

TEST_F(FrmKat1Test, ValueRangesAreWrittenAndReloadAsTheirValue) {
  Run(Script(Flurstück("Flst.Nr. 1", "100", "26,99"), Flurstück("Flst.Nr. 2", "100", "300,"),
             Z(1, 2, "   26,99"), Tick("chkBereich"), kOk));
  word::Table table = Marked("Korvax_1");
  EXPECT_EQ(CellText(table, 2, 4), "11 bis 26");
  EXPECT_EQ(CellText(table, 3, 4), "größer 256");
  Reopen(Script(Has("chkBereich", "value", 1), Z(1, 2, " 20"), Z(2, 2, "320"),
                Expect("MaskEdBoxWert", "   20,00"), Z(1, 4, "  306,78"), kAbbruch));
}

// With its only line deleted the fields offer a new line, and finishing
// removes the table and rebuilds the totals without its lines.
TEST_F(FrmKat1Test, FinishingWithTheOnlyLineDeletedRemovesTheTableAndRebuildsTheTotals) {
  Run(Script(Gleiche(1), kOk));
  EXPECT_EQ(Summe(), "306,78 €");
  Reopen(Script(Z.Select(1), kLöschen, Z.Rows(2), Z.Cells(1, 0, "", "", "", "", ""),
                Expect("TextBoxFlst", "Flst.Nr. 12/3"), Expect("MaskEdBoxAnteil", "1000"),
                Kästchen("CheckBoxErmäßigung", 0, false), kOk));
  EXPECT_FALSE(Marked("Korvax_1"));
  ASSERT_EQ(doc_->Tables().Count(), 1);
  EXPECT_EQ(Summe(), "0,00 €");
}

TEST_F(FrmKat1Test, FinishingEmptyWithoutATableLeavesTheDocumentAlone) {
  const std::string vorher = doc_->Content().Text();
  Run(Script(Z.Select(1), kLöschen, kOk));
  EXPECT_EQ(doc_->Tables().Count(), 0);
  EXPECT_EQ(doc_->Content().Text(), vorher);
}

}  // namespace
}  // namespace korvax::dialogs
