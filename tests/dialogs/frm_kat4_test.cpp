// frmKat4 (Nr. 7): brackets, rates, shares, the minimum fee, bracket mode and
// the 7.4 sub-table, in the grid and in the invoice.
#include <gtest/gtest.h>

#include "dialog_session.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat4.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using namespace testing;  // NOLINT: the script steps

const GridSteps& Z = kGrid6;
using FrmKat4Test = DialogSession;

TEST(FrmKat4Wertstufe, BracketsFollowTheCents) {
  const std::pair<double, int> stufen[] = {{0, 1},  {2.5, 1}, {2.51, 2},  {10, 2},  {10.01, 3},
                                           {26, 3}, {51, 4},  {51.01, 5}, {256, 5}, {256.01, 6}};
  for (const auto& [wert, stufe] : stufen) EXPECT_EQ(WertstufeVon(wert), stufe) << wert;
  EXPECT_EQ(BereichsText(250), "0 bis 2,50");
  EXPECT_EQ(BereichsText(-1), "größer 256,00");
  EXPECT_FALSE(MindestgebührFällig(150));
  EXPECT_FALSE(MindestgebührFällig(0));
  EXPECT_TRUE(MindestgebührFällig(149.99));
}

// One line per row: its counts of 7.1, 7.2 and 7.3, land value and share,
// and the fee the grid shows for it.
TEST_F(FrmKat4Test, LinesArePricedByCountsBracketAndShare) {
  struct Case {
    const char *n71, *n72, *n73, *wert, *anteil, *fee;
  };
  const Case cases[] = {
      {"1", "0", "0", "12,", "1000", "   46,02"},     // counts at 12: bracket three
      {"0", "0", "2", "300,", "1000", "  276,09"},    // two 7.3 points at 300
      {"1", "0", "0", "2,50", "1000", "   25,56"},    // the bracket bounds are inclusive
      {"1", "0", "0", "2,51", "1000", "   35,79"},    // and the cents count
      {"1", "0", "0", "256,", "1000", "   76,69"},    //
      {"1", "0", "0", "256,01", "1000", "   92,03"},  //
      {"0", "1", "0", "20,", "1000", "   32,21"},     // the rate of 7.2
      {"0", "0", "1", "80,", "1000", "  115,04"},     // the rate of 7.3
      {"3", "0", "0", "12,", "333", "   46,02"},      // 333 is a third
  };
  json steps = json::array();
  int row = 0;
  for (const Case& c : cases) {
    steps = Script(steps, Line("Flst.Nr. 1", c.n71, c.n72, c.n73, c.wert, c.anteil),
                   Z(++row, 6, c.fee));
  }
  Run(Script(steps, Z.Cells(1, 4, "   12,00", "1000"), Z(4, 4, "    2,51"), Z(9, 5, " 333"),
             kVerwerfen));
  EXPECT_EQ(Library().order.Bodenwert, 12);
}

// Land values of 1.000 €/m² and more fit the field without a thousands
// point: typed with or without a comma they are priced, written and read
// back, and nothing is logged.
TEST_F(FrmKat4Test, LandValuesOfAThousandAndMoreArePricedAndReadBack) {
  Run(Script(Line("Flst.Nr. 1", "1", "0", "0", "1948"), Expect("MaskEdBoxWert", " 1948,00"),
             Z.Cells(1, 4, " 1948,00", "1000", "   92,03"),
             Line("Flst.Nr. 2", "0", "0", "1", "1948,5"),
             Z.Cells(2, 4, " 1948,50", "1000", "  138,05"),
             Line("Flst.Nr. 3", "1", "0", "0", "99999,99"), Z(3, 4, "99999,99"), kOk));
  EXPECT_EQ(
      TableTexts(Marked("Korvax_4")).back(),
      (std::vector<std::string>{"Mindestgebühr von 150 € bei 7.3", "", "", "", "   11,95 €"}));
  Reopen(Script(Z.Rows(4), Z.Cells(1, 4, " 1948,00", "1000", "   92,03"), Z(2, 4, " 1948,50"),
                Z(3, 4, "99999,99"), Expect("MaskEdBoxWert", " 1948,00"), kAbbruch));
}

// A blank count or share is reported and counts as 0: the fee is written
// again and matches the line's inputs, never an old fee of the line.
TEST_F(FrmKat4Test, BlankCountOrShareIsReportedAndLeavesNoStaleFee) {
  Run(Script(Line("a", "2", "0", "0", "12,"), Z(1, 6, "   92,04"), Z.Select(1),
             Key("MaskEdBox7_1", "Backspace"), Expect("MaskEdBox7_1", "  "), kApply, Z(1, 1, "  "),
             Z(1, 6, "    0,00"), Line("b", "2", "0", "0", "12,"), Z(2, 6, "   92,04"), Z.Select(2),
             Clear("MaskEdBoxAnteil"), kApply, Z.Cells(2, 5, "   0", "    0,00"), kVerwerfen));
  log_entries_ = 2;
  EXPECT_TRUE(Reported(13, "frmKat4.ÜbernehmenWerte")) << Log();
}

// A share of 0 writes no note (its division is reported), the others note
// the full fee in 8 point.
TEST_F(FrmKat4Test, ShareNotesShowTheFullFee) {
  Run(Script(Line("Flst.Nr. 5", "1", "0", "0", "12,", "500"),
             Line("Flst.Nr. 3", "3", "0", "0", "12,", "333"),
             Line("Flst.Nr. 0", "1", "0", "0", "12,", "0"), Z(3, 6, "    0,00"), kOk));
  word::Table table = Marked("Korvax_4");
  EXPECT_EQ(CellText(table, 2, 1), "Flst.Nr. 5\vBetrag :  €    46,02 Ihr Anteil  500/1000");
  EXPECT_EQ(CellText(table, 2, 5), "   23,01 €");
  EXPECT_EQ(CellText(table, 3, 1), "Flst.Nr. 3\vBetrag :  €   138,06 Ihr Anteil  333/1000");
  EXPECT_EQ(CellText(table, 4, 1), "Flst.Nr. 0");
  EXPECT_EQ(CellText(table, 4, 5), "    0,00 €");
  word::Range cell = table.Cell(2, 1).Range();
  EXPECT_EQ(doc_->Range(cell.Start() + 10, cell.End() - 2).Font().Size(), 8);
  EXPECT_NE(doc_->Range(cell.Start(), cell.Start() + 9).Font().Size(), 8);
  log_entries_ = 1;
  EXPECT_TRUE(Reported(11, "frmKat4.CommandEnde_Click")) << Log();
}

TEST_F(FrmKat4Test, TopUpPointsUnderTheMinimumFeeAddItsRow) {
  Run(Script(Line("Flst.Nr. 7", "0", "0", "1", "2,"), kOk));
  word::Table table = Marked("Korvax_4");
  EXPECT_EQ(TableTexts(table)[2], (std::vector<std::string>{"Mindestgebühr von 150 € bei 7.3", "",
                                                            "", "", "  111,66 €"}));
  EXPECT_EQ(CellText(table, 2, 5), "   38,34 €");
  EXPECT_EQ(table.Cell(3, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  // Four top-up points (153.36 €) are no top-up, and 7.1 points never are.
  Reopen(Script(Z.Select(1), Line("Flst.Nr. 7", "12", "0", "0", "2,"),
                Line("Flst.Nr. 8", "0", "0", "4", "2,"), kOk));
  const Rows rows = TableTexts(Marked("Korvax_4"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2][4], "  153,36 €");
}

TEST_F(FrmKat4Test, BracketModeWritesTheBracketAndReloadsItsValue) {
  Run(Script(Line("Flst.Nr. 6", "1", "0", "0", "6,"), Line("Flst.Nr. 9", "1", "0", "0", "256,01"),
             Tick("chkBereich"), kOk));
  word::Table table = Marked("Korvax_4");
  EXPECT_EQ(CellText(table, 2, 4), "2,51 bis 10,00");
  EXPECT_EQ(CellText(table, 3, 4), "größer 256,00");
  Reopen(Script(Has("chkBereich", "value", 1), Z(1, 4, " 6"), Z(2, 4, "320"),
                Expect("MaskEdBoxWert", "    6,00"), Z(1, 6, "   35,79"), kAbbruch));
}

// The share is kept right-aligned, so that the note written again is the
// same; counts, the check box and the 7.4 count come back too.
TEST_F(FrmKat4Test, ReopeningReproducesGridCheckBoxAndCount) {
  Run(Script(Line("Flst.Nr. 1", "1", "2", "0", "12,", "500"),
             Line("Flst.Nr. 2", "0", "0", "1", "2,"), Type("mskneueAP", "3"), kOk));
  const Rows first = TableTexts(Marked("Korvax_4"));
  ASSERT_EQ(first.size(), 4u);
  Reopen(Script(Z.Rows(3),
                Z.Cells(1, 0, "Flst.Nr. 1", "1 ", "2 ", "0 ", "   12,00", " 500", "   55,22"),
                Z.Cells(2, 5, "1000", "   38,34"), Expect("MaskEdBox7_2", " 2"),
                Expect("MaskEdBoxAnteil", " 500"), Has("chkBereich", "value", 0),
                Expect("mskneueAP", " 3"), kOk));
  EXPECT_EQ(TableTexts(Marked("Korvax_4")), first);
  EXPECT_EQ(CellText(Marked("Korvax_4A"), 2, 5), " 400,00 €");
  EXPECT_EQ(doc_->Tables().Count(), 2);
}

TEST_F(FrmKat4Test, NewSurveyPointsGoIntoTheSubTableCappedAtFourHundred) {
  Run(Script(Line("Flst.Nr. 1", "1", "0", "0", "12,"), Type("mskneueAP", "7"), kOk));
  EXPECT_EQ(TableTexts(Marked("Korvax_4A")),
            (Rows{{"Grundlagenvermessung nach Nr. 7.4", "", "", "", ""},
                  {"7 neue Aufnahmepunkte je 204.52 € (max. 400 €)", "", "", "", " 400,00 €"}}));
  EXPECT_FALSE(doc_->Bookmarks().Exists("Korvax_4A"));
  // A cleared count removes the sub-table.
  Reopen(Script(Expect("mskneueAP", " 7"), Clear("mskneueAP"), Expect("mskneueAP", "  "), kOk));
  EXPECT_EQ(doc_->Tables().Count(), 1);
  EXPECT_FALSE(Marked("Korvax_4A"));
}

TEST_F(FrmKat4Test, RowsOfReductionsAreNoBillingLines) {
  Run(Script(Line("Flst.Nr. 1", "1", "0", "0", "12,"), Line("Flst.Nr. 2", "1", "0", "0", "12,"),
             kOk));
  Marked("Korvax_4").Cell(3, 1).Range().InsertBefore("20% Ermäßigung ");
  Reopen(Script(Z.Rows(2), Z(1, 0, "Flst.Nr. 1"), kAbbruch));
}

}  // namespace
}  // namespace korvax::dialogs
