// frmKat1 and the invoice: the Korvax_1 table, share notes, the reductions
// of Nr. 2.2, value ranges, the 2.5 sub-table, the totals block, and reading
// all of it back.
#include <gtest/gtest.h>

#include "common/text.hpp"
#include "dialog_session.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat1.hpp"
#include "document/tk_word_auto.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using nlohmann::json;
using namespace testing;  // NOLINT: the script steps
using Rows = std::vector<std::vector<std::string>>;

constexpr double kCm = 28.3465;

// Area 100 m² at 12 €/m² costs 306.78 € by the fee table; the invoice is
// billed whole at 19 % VAT.
class FrmKat1DokumentTest : public DialogSession {
 protected:
  void SetUp() override {
    DialogSession::SetUp();
    Library().order.Fläche = 100;
    Library().order.Bodenwert = 12;
    Library().settings.AbschlagProzent = 100;
    Library().settings.Mehrwertsteuersatz = 19;
  }
  void Run1(const json& steps) { Run(steps, 0); }

  // The totals block that SummeBilden writes (its cell (1,2) reads "Summe").
  word::Table Summenblock() const { return Marked("RE_Summe"); }
};

json Zelle(int row, int col, const std::string& text) {
  return {{"action", "expect"}, {"control", "GridGebühren1"}, {"cell", {row, col}}, {"text", text}};
}
json GridHat(const std::string& what, int value) {
  return {{"action", "expect"}, {"control", "GridGebühren1"}, {what, value}};
}
json Kästchen(const std::string& control, int value) {
  return {{"action", "expect"}, {"control", control}, {"value", value}};
}
const json kLöschen =
    json::array({SelectIn("GridGebühren1", 1),
                 Click("CommandLöschen"),
                 {{"action", "answer"}, {"button", "Ja"}, {"prompt", "Zeile löschen?"}}});

json Flurstück(const std::string& flst, const std::string& fläche, const std::string& wert,
               const std::string& anteil = "1000") {
  return json::array({Type("TextBoxFlst", flst), Type("MaskEdBoxFläche", fläche),
                      Type("MaskEdBoxWert", wert), Type("MaskEdBoxAnteil", anteil),
                      Click("CommandÜbernehmen")});
}
// `n` lines with the defaults of a new line (Flst.Nr. 12/3, 306.78 €).
json Gleiche(int n) {
  json steps = json::array();
  for (int i = 0; i < n; ++i) steps.push_back(Click("CommandÜbernehmen"));
  return steps;
}

const std::vector<std::string> kKopf = {"Flurstückszerlegung nach Nr. 2.1", "", "Fläche [m²]",
                                        "Wert €/m²", ""};

TEST_F(FrmKat1DokumentTest, OneLineIsWrittenAsTheNr2TableAndTheTotalsFollow) {
  Run1(Script({Flurstück("Flst.Nr. 12/3", "100", "12,"), kOk}));
  word::Table table = Marked("Korvax_1");
  ASSERT_TRUE(table);
  EXPECT_EQ(TableTexts(table),
            (Rows{kKopf, {"Flst.Nr. 12/3", "", "   100", "   12,00", "  306,78 "}}));
  EXPECT_EQ(text::Left(doc_->Content().Text(), 15), "Rechnung Nr. 1\r");
  EXPECT_EQ(table.Cell(1, 1).Range().Font().Bold(), 1);
  EXPECT_EQ(table.Cell(1, 3).Range().Font().Bold(), 1);
  EXPECT_EQ(table.Cell(1, 3).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_EQ(table.Cell(1, 4).Range().Font().Bold(), 1);
  EXPECT_EQ(table.Cell(2, 4).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_EQ(table.Cell(2, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_EQ(table.Cell(2, 5).Range().ParagraphFormat().TabStops().Count(), 1);
  EXPECT_EQ(table.Borders(word::wdBorderTop).LineStyle(), word::wdLineStyleNone);
  EXPECT_EQ(table.Borders(word::wdBorderHorizontal).LineStyle(), word::wdLineStyleNone);
  EXPECT_EQ(table.Borders(word::wdBorderVertical).LineStyle(), word::wdLineStyleNone);
  const double widths[] = {6.5, 2.5, 3.0, 3.0, 2.5};
  for (int c = 1; c <= 5; ++c) {
    EXPECT_NEAR(table.Columns().Item(c).Width(), widths[c - 1] * kCm, 0.05) << c;
  }
  EXPECT_TRUE(doc_->Bookmarks().Exists("Korvax_1"));
  EXPECT_EQ(doc_->Bookmarks().Item("Korvax_1").Start(), table.Cell(1, 5).Range().Start());
  // SummeBilden ran: the totals block sums the fee column.
  word::Table summen = Summenblock();
  ASSERT_TRUE(summen);
  EXPECT_EQ(ZellText(summen, 1, 2), "Summe");
  EXPECT_EQ(text::Trim(ZellText(summen, 1, 4)), "306,78 €");
  EXPECT_FALSE(Marked("Korvax_1A"));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1DokumentTest, PartialSharesGetASecondLineWithTheFullFee) {
  Run1(Script({Flurstück("Flst.Nr. 1", "100", "12,", "500"),
               Flurstück("Flst.Nr. 2", "100", "12,", "333"), Flurstück("Flst.Nr. 3", "100", "12,"),
               kOk}));
  word::Table table = Marked("Korvax_1");
  EXPECT_EQ(ZellText(table, 2, 1), "Flst.Nr. 1\vBetrag :  €   306,78 Ihr Anteil  500/1000");
  EXPECT_EQ(ZellText(table, 2, 5), "  153,39 ");
  EXPECT_EQ(ZellText(table, 3, 1), "Flst.Nr. 2\vBetrag :  €   306,78 Ihr Anteil  333/1000");
  EXPECT_EQ(ZellText(table, 3, 5), "  102,26 ");
  EXPECT_EQ(ZellText(table, 4, 1), "Flst.Nr. 3");
  // The note is set in 8 point, the parcel text keeps its size.
  word::Range cell = table.Cell(2, 1).Range();
  EXPECT_EQ(doc_->Range(cell.Start() + 10, cell.End() - 2).Font().Size(), 8);
  EXPECT_NE(doc_->Range(cell.Start(), cell.Start() + 9).Font().Size(), 8);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1DokumentTest, AnEmptyShareWritesNoNoteAndAShareOfZeroNoBrokenOne) {
  Run1(Script({Focus("MaskEdBoxAnteil"), Key("MaskEdBoxAnteil", "Backspace"),
               Click("CommandÜbernehmen"), Flurstück("Flst.Nr. 0", "100", "12,", "0"), kOk}));
  word::Table table = Marked("Korvax_1");
  EXPECT_EQ(ZellText(table, 2, 1), "Flst.Nr. 12/3");
  EXPECT_EQ(ZellText(table, 2, 5), "  306,78 ");
  EXPECT_EQ(ZellText(table, 3, 1), "Flst.Nr. 0\vBetrag :  €   306,78 Ihr Anteil    0/1000");
  EXPECT_EQ(ZellText(table, 3, 5), "    0,00 ");
  EXPECT_EQ(LogEntries(), 0) << Log();
  Reopen();
  Run1(Script({kErsteTabelle, Zelle(1, 3, "1000"), Zelle(2, 3, "   0"), Zelle(2, 4, "    0,00"),
               kAbbruch}));
}

// 1891.78 € and 249/1000 of 434.60 € (108.22 €) make 2000.00 €.
TEST_F(FrmKat1DokumentTest, ThreeUnmarkedPointsOnTwoThousandAre230Euros07) {
  Run1(Script({Flurstück("Flst.Nr. 1", "6000", "30,"), Flurstück("Flst.Nr. 2", "100", "30,", "249"),
               Zelle(2, 4, "  108,22"), Type("MaskEdBoxAbmarkung", "3"), kOk}));
  word::Table table = Marked("Korvax_1");
  ASSERT_EQ(table.Rows().Count(), 4);
  EXPECT_EQ(ZellText(table, 4, 1),
            "Ermäßigung durch nicht abgemarkte Grenzpunkte \v 3 mal 76,69 € (max. 20% aus 2.1)");
  EXPECT_EQ(ZellText(table, 4, 5), " -230,07");
  EXPECT_EQ(table.Cell(4, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  // The title and its line break in bold, the count behind it not.
  const int start = table.Cell(4, 1).Range().Start();
  EXPECT_EQ(doc_->Range(start, start + 47).Font().Bold(), 1);
  EXPECT_EQ(doc_->Range(start + 47, start + 60).Font().Bold(), 0);
  const double widths[] = {10, 1, 1, 1};
  for (int c = 1; c <= 4; ++c) {
    EXPECT_NEAR(table.Cell(4, c).Width(), widths[c - 1] * kCm, 0.05) << c;
  }
  EXPECT_EQ(text::Trim(ZellText(Summenblock(), 1, 4)), "1.769,93 €");
  EXPECT_EQ(LogEntries(), 0) << Log();
}

// 512/1000 of 976.57 € are 500.00 €.
TEST_F(FrmKat1DokumentTest, UnmarkedPointsAreCappedAtAFifthOfTheSum) {
  Run1(Script({Flurstück("Flst.Nr. 1", "10000", "5,", "512"), Zelle(1, 4, "  500,00"),
               Type("MaskEdBoxAbmarkung", "3"), kOk}));
  word::Table table = Marked("Korvax_1");
  ASSERT_EQ(table.Rows().Count(), 3);
  EXPECT_EQ(ZellText(table, 3, 5), " -100,00");
}

TEST_F(FrmKat1DokumentTest, FourLinesGiveFourPerCentOfTheSumAfterTheUnmarkedPoints) {
  Run1(Script({Gleiche(4), Tick("CheckBoxErmäßigung"), Type("MaskEdBoxAbmarkung", "1"), kOk}));
  word::Table table = Marked("Korvax_1");
  ASSERT_EQ(table.Rows().Count(), 7);
  EXPECT_EQ(ZellText(table, 6, 5), "  -76,69");
  // (4 x 306.78 - 76.69) x 4 % = 1150.43 x 4 % = 46.02
  EXPECT_EQ(ZellText(table, 7, 1), "Die Gebühr ist nach Nr. 2.2 um  4% ermäßigt");
  EXPECT_EQ(ZellText(table, 7, 5), "  -46,02");
  EXPECT_EQ(table.Cell(7, 1).Range().Font().Bold(), 1);
  EXPECT_NEAR(table.Cell(7, 1).Width(), 10 * kCm, 0.05);
  EXPECT_NEAR(table.Cell(7, 2).Width(), 1 * kCm, 0.05);
  EXPECT_EQ(text::Trim(ZellText(Summenblock(), 1, 4)), "1.104,41 €");
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1DokumentTest, ThirtyFiveLinesAreReducedByThirtyPerCent) {
  Run1(Script({Gleiche(35), Tick("CheckBoxErmäßigung"), kOk}));
  word::Table table = Marked("Korvax_1");
  ASSERT_EQ(table.Rows().Count(), 37);
  EXPECT_EQ(ZellText(table, 37, 1), "Die Gebühr ist nach Nr. 2.2 um  30% ermäßigt");
  EXPECT_EQ(ZellText(table, 37, 5), " -3.221,19");  // 30 % of 35 x 306.78
}

TEST_F(FrmKat1DokumentTest, ThreeLinesWriteNoPercentageRow) {
  Run1(Script(
      {Gleiche(4), Tick("CheckBoxErmäßigung"), kLöschen, Kästchen("CheckBoxErmäßigung", 0), kOk}));
  word::Table table = Marked("Korvax_1");
  ASSERT_EQ(table.Rows().Count(), 4);
  EXPECT_EQ(ZellText(table, 4, 1), "Flst.Nr. 12/3");
}

TEST_F(FrmKat1DokumentTest, NewSurveyPointsGoIntoTheSubTable) {
  Run1(Script({Gleiche(1), Type("mskneueAP", "2"), kOk}));
  word::Table sub = Marked("Korvax_1A");
  ASSERT_TRUE(sub);
  EXPECT_EQ(TableTexts(sub),
            (Rows{{"Grundlagenvermessung nach Nr. 2.5", "", "", "", ""},
                  {" 2 neue Aufnahmepunkte je 204,52 € (max. 600 €)", "", "", "", "  409,04"}}));
  EXPECT_EQ(sub.Cell(1, 1).Range().Font().Bold(), 1);
  EXPECT_EQ(sub.Cell(2, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  const double widths[] = {10, 1, 1, 1, 3};
  for (int c = 1; c <= 5; ++c) {
    EXPECT_NEAR(sub.Columns().Item(c).Width(), widths[c - 1] * kCm, 0.05) << c;
  }
  EXPECT_FALSE(doc_->Bookmarks().Exists("Korvax_1A"));
  EXPECT_EQ(text::Trim(ZellText(Summenblock(), 1, 4)), "715,82 €");

  Reopen();
  Run1(Script({kErsteTabelle, Expect("mskneueAP", " 2"), Type("mskneueAP", "3"), kOk}));
  EXPECT_EQ(ZellText(Marked("Korvax_1A"), 2, 5), "  600,00");  // 613.56 capped
  EXPECT_EQ(doc_->Tables().Count(), 3);

  Reopen();
  Run1(Script({kErsteTabelle, Expect("mskneueAP", " 3"), Type("mskneueAP", "0"), kOk}));
  EXPECT_FALSE(Marked("Korvax_1A"));
  EXPECT_EQ(doc_->Tables().Count(), 2);
  EXPECT_EQ(text::Trim(ZellText(Summenblock(), 1, 4)), "306,78 €");
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1DokumentTest, ValueRangesAreWrittenAndReloadAsTheirValue) {
  Run1(Script({Flurstück("Flst.Nr. 1", "100", "26,99"), Flurstück("Flst.Nr. 2", "100", "300,"),
               Zelle(1, 2, "   26,99"), Tick("chkBereich"), kOk}));
  word::Table table = Marked("Korvax_1");
  EXPECT_EQ(ZellText(table, 2, 4), "11 bis 26");
  EXPECT_EQ(ZellText(table, 3, 4), "größer 256");
  Reopen();
  Run1(Script({kErsteTabelle, Kästchen("chkBereich", 1), Zelle(1, 2, " 20"), Zelle(2, 2, "320"),
               Expect("MaskEdBoxWert", "   20,00"), Zelle(1, 4, "  306,78"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1DokumentTest, ReopeningReproducesGridCheckBoxesAndCounts) {
  Run1(Script(
      {Flurstück("Flst.Nr. 1", "100", "12,", "500"), Flurstück("Flst.Nr. 2", "600", "27,5", "333"),
       Flurstück("Flst.Nr. 3", "150000", "5,"), Flurstück("Flst.Nr. 4", "12", "0,"),
       Tick("CheckBoxErmäßigung"), Type("MaskEdBoxAbmarkung", "12"), Type("mskneueAP", "2"), kOk}));
  word::Table table = Marked("Korvax_1");
  const Rows written = TableTexts(table);
  ASSERT_EQ(written.size(), 7u);
  EXPECT_EQ(ZellText(table, 6, 1),
            "Ermäßigung durch nicht abgemarkte Grenzpunkte \v 12 mal 76,69 € (max. 20% aus 2.1)");

  Reopen();
  Run1(Script(
      {kErsteTabelle,
       GridHat("rows", 5),
       Cells(Zelle, 1, 0, {"Flst.Nr. 1", "   100", "   12,00", " 500", "  153,39"}),
       Cells(Zelle, 2, 0, {"Flst.Nr. 2", "   600", "   27,50", " 333", "  286,32"}),
       Zelle(3, 1, "150000"),
       Zelle(3, 3, "1000"),
       Zelle(3, 4, "2.597,37"),
       Zelle(4, 1, "    12"),
       Zelle(4, 2, "    0,00"),
       Zelle(4, 4, "  138,05"),
       Expect("TextBoxFlst", "Flst.Nr. 1"),
       Expect("MaskEdBoxAnteil", " 500"),
       {{"action", "expect"}, {"control", "CheckBoxErmäßigung"}, {"value", 1}, {"enabled", true}},
       Kästchen("chkBereich", 0),
       Expect("MaskEdBoxAbmarkung", "12"),
       Expect("mskneueAP", " 2"),
       kOk}));
  // Written again unchanged, the table is the same.
  EXPECT_EQ(TableTexts(Marked("Korvax_1")), written);
  EXPECT_EQ(doc_->Tables().Count(), 3);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1DokumentTest, FinishingWithTheOnlyLineDeletedRemovesTheTableAndRebuildsTheTotals) {
  Run1(Script({Gleiche(1), kOk}));
  ASSERT_TRUE(Marked("Korvax_1"));
  EXPECT_EQ(text::Trim(ZellText(Summenblock(), 1, 4)), "306,78 €");
  Reopen();
  Run1(Script({kErsteTabelle, kLöschen, GridHat("rows", 2), Zelle(1, 4, ""), kOk}));
  EXPECT_FALSE(Marked("Korvax_1"));
  ASSERT_EQ(doc_->Tables().Count(), 1);
  EXPECT_EQ(text::Trim(ZellText(Summenblock(), 1, 4)), "0,00 €");
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1DokumentTest, FinishingEmptyWithoutATableLeavesTheDocumentAlone) {
  const std::string vorher = doc_->Content().Text();
  Run1(Script({kLöschen, kOk}));
  EXPECT_EQ(doc_->Tables().Count(), 0);
  EXPECT_EQ(doc_->Content().Text(), vorher);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1DokumentTest, ATableWithOnlyItsHeaderOpensWithOneNewLine) {
  word::Range ende = doc_->Content();
  ende.Collapse(word::wdCollapseEnd);
  word::Table kopf = doc_->Tables().Add(ende, 1, 5);
  BookmarkSetzen(kopf, "Korvax_1");
  Run1(Script({kErsteTabelle, GridHat("rows", 2), Zelle(1, 0, ""),
               Expect("TextBoxFlst", "Flst.Nr. 12/3"), Expect("MaskEdBoxAnteil", "1000"),
               Click("CommandÜbernehmen"), GridHat("rows", 2), Zelle(1, 4, "  306,78"), kOk}));
  ASSERT_EQ(doc_->Tables().Count(), 2);
  EXPECT_EQ(TableTexts(Marked("Korvax_1")),
            (Rows{kKopf, {"Flst.Nr. 12/3", "", "   100", "   12,00", "  306,78 "}}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1DokumentTest, AbbruchWritesNothing) {
  Run1(Script({Gleiche(2), kAbbruch}));
  EXPECT_EQ(doc_->Tables().Count(), 0);
}

}  // namespace
}  // namespace korvax::dialogs
