// frmKat1 in scripted sessions: defaults, the fee of a line and its share,
// the availability of the percentage reduction, the input fields, deleting;
// and the reduction arithmetic and value ranges on their own.
#include <gtest/gtest.h>

#include "dialog_session.hpp"
#include "dialogs/frm_kat1.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using nlohmann::json;
using namespace testing;  // NOLINT: the script steps

// Area 100 m² at 12 €/m² costs 306.78 € by the fee table.
class FrmKat1Test : public DialogSession {
 protected:
  void SetUp() override {
    DialogSession::SetUp();
    Library().order.Fläche = 100;
    Library().order.Bodenwert = 12;
  }
  void Run1(const json& steps) { Run(steps, 0); }
};

json Zelle(int row, int col, const std::string& text) {
  return {{"action", "expect"}, {"control", "GridGebühren1"}, {"cell", {row, col}}, {"text", text}};
}
json GridHat(const std::string& what, int value) {
  return {{"action", "expect"}, {"control", "GridGebühren1"}, {what, value}};
}
json Zeile(int row) {
  return {{"action", "select"}, {"control", "GridGebühren1"}, {"row", row}};
}
json Kästchen(const std::string& control, int value, bool enabled) {
  return {{"action", "expect"}, {"control", control}, {"value", value}, {"enabled", enabled}};
}
const json kLöschen =
    json::array({Click("CommandLöschen"),
                 {{"action", "answer"}, {"button", "Ja"}, {"prompt", "Zeile löschen?"}}});

// The whole text of a field removed.
json Leeren(const std::string& control) {
  return json::array({{{"action", "focus"}, {"control", control}},
                      {{"action", "key"}, {"control", control}, {"key", "Backspace"}}});
}

// One parcel typed into the fields and applied with the button.
json Flurstück(const std::string& flst, const std::string& fläche, const std::string& wert,
               const std::string& anteil = "1000") {
  return json::array({Type("TextBoxFlst", flst), Type("MaskEdBoxFläche", fläche),
                      Type("MaskEdBoxWert", wert), Type("MaskEdBoxAnteil", anteil),
                      Click("CommandÜbernehmen")});
}

// The dialog's load without a modal loop, for what a script cannot see.
class OffenerDialog : public FrmKat1 {
 public:
  using FrmKat1::Laden;
};

TEST(FrmKat1Rechnung, UnmarkedPointsAreCappedAtAFifthOfTheSum) {
  EXPECT_FLOAT_EQ(AbmarkungsErmäßigung(3, 2000.0f), 230.07f);
  EXPECT_FLOAT_EQ(AbmarkungsErmäßigung(3, 500.0f), 100.0f);
  EXPECT_FLOAT_EQ(AbmarkungsErmäßigung(0, 500.0f), 0.0f);
  EXPECT_FLOAT_EQ(ProzentErmäßigung(4, 1150.43f), 46.0172f);
  EXPECT_DOUBLE_EQ(GebührNeueAufnahmepunkte(2), 409.04);
  EXPECT_DOUBLE_EQ(GebührNeueAufnahmepunkte(3), 600);
  EXPECT_DOUBLE_EQ(GebührNeueAufnahmepunkte(0), 0);
}

TEST(FrmKat1Rechnung, ValueRangesByTheWholeEuros) {
  EXPECT_EQ(BereichsTextNr2(0), "0 bis 10");
  EXPECT_EQ(BereichsTextNr2(10), "0 bis 10");
  EXPECT_EQ(BereichsTextNr2(11), "11 bis 26");
  EXPECT_EQ(BereichsTextNr2(26), "11 bis 26");
  EXPECT_EQ(BereichsTextNr2(27), "27 bis 51");
  EXPECT_EQ(BereichsTextNr2(102), "52 bis 102");
  EXPECT_EQ(BereichsTextNr2(256), "103 bis 256");
  EXPECT_EQ(BereichsTextNr2(257), "größer 256");
  EXPECT_EQ(BereichsTextNr2(-1), "größer 256");
  EXPECT_EQ(WertAusBereich("0 bis 10"), "  5");
  EXPECT_EQ(WertAusBereich("11 bis 26"), " 20");
  EXPECT_EQ(WertAusBereich("103 bis 256"), "160");
  EXPECT_EQ(WertAusBereich("größer 256"), "320");
  EXPECT_EQ(WertAusBereich("   26,99"), "");
}

TEST_F(FrmKat1Test, LoadSetsHeadersAndColumnWidths) {
  auto dialog = forms::Form::Create<OffenerDialog>();
  dialog->Laden();
  forms::Grid& grid = dialog->GebührenGrid();
  EXPECT_EQ(dialog->Caption(), "Flurstückszerlegung nach Nr. 2.1");
  EXPECT_EQ(grid.Rows(), 2);
  EXPECT_EQ(grid.Cols(), 5);
  const char* köpfe[] = {"", " Fläche [m²]", " Wert [€/m²]", " Anteil ", ""};
  const int breiten[] = {3400, 1000, 1200, 1000, 1000};
  for (int col = 0; col < 5; ++col) {
    EXPECT_EQ(grid.TextMatrix(0, col), köpfe[col]) << col;
    EXPECT_EQ(grid.ColWidth(col), breiten[col]) << col;
  }
  EXPECT_EQ(grid.RowHeight(0), 300);
  EXPECT_EQ(grid.RowHeight(1), 300);
  EXPECT_FALSE(dialog->Unterdrückt());
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1Test, ANewDialogOffersTheOrderContext) {
  Run1(Script({ExpectCaption("Flurstückszerlegung nach Nr. 2.1"),
               Expect("TextBoxFlst", "Flst.Nr. 12/3"), Expect("MaskEdBoxFläche", "   100"),
               Expect("MaskEdBoxWert", "   12,00"), Expect("MaskEdBoxAnteil", "1000"),
               Expect("mskneueAP", "  "), Kästchen("CheckBoxErmäßigung", 0, false),
               Kästchen("chkBereich", 0, true), GridHat("rows", 2), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1Test, ALineIsPricedFromTheFeeTable) {
  Run1(Script({Flurstück("Flst.Nr. 7", "600", "27,5"),
               Cells(Zelle, 1, 0, {"Flst.Nr. 7", "   600", "   27,50", "1000", "  858,97"}),
               GridHat("rows", 2), kAbbruch}));
  // The next line starts from the area and land value just typed.
  EXPECT_DOUBLE_EQ(Library().order.Fläche, 600);
  EXPECT_DOUBLE_EQ(Library().order.Bodenwert, 27.5);
  Run1(
      Script({Expect("MaskEdBoxFläche", "   600"), Expect("MaskEdBoxWert", "   27,50"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1Test, LargeAreasFollowTheRuleAboveTheTable) {
  Run1(Script({Flurstück("Flst.Nr. 1", "150000", "5,"), Zelle(1, 4, "2.597,37"), kAbbruch}));
}

TEST_F(FrmKat1Test, ShareThreeThirtyThreeIsExactlyAThirdAndFiveHundredHalf) {
  Run1(Script({Flurstück("Flst.Nr. 1", "100", "12,", "333"), Zelle(1, 3, " 333"),
               Zelle(1, 4, "  102,26"), Flurstück("Flst.Nr. 2", "100", "12,", "500"),
               Zelle(2, 3, " 500"), Zelle(2, 4, "  153,39"), Flurstück("Flst.Nr. 3", "100", "12,"),
               Zelle(3, 4, "  306,78"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1Test, AnEmptyShareCountsWholeAndAShareOfZeroBillsNothing) {
  Run1(Script({Leeren("MaskEdBoxAnteil"), Expect("MaskEdBoxAnteil", "    "),
               Click("CommandÜbernehmen"), Zelle(1, 3, "1000"), Zelle(1, 4, "  306,78"),
               Flurstück("Flst.Nr. 2", "100", "12,", "0"), Zelle(2, 3, "   0"),
               Zelle(2, 4, "    0,00"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1Test, ABlankAreaCountsAsNoughtAndTheFeeFollowsTheLine) {
  Run1(Script({Flurstück("Flst.Nr. 1", "700", "12,"), Zeile(1), Leeren("MaskEdBoxFläche"),
               Expect("MaskEdBoxFläche", "      "), Click("CommandÜbernehmen"),
               Zelle(1, 1, "     0"), Zelle(1, 4, "  127,82"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1Test, ThePercentageReductionNeedsFourLines) {
  Run1(Script({Click("CommandÜbernehmen"), Click("CommandÜbernehmen"), Click("CommandÜbernehmen"),
               GridHat("rows", 4), Kästchen("CheckBoxErmäßigung", 0, false),
               Click("CommandÜbernehmen"), GridHat("rows", 5),
               Kästchen("CheckBoxErmäßigung", 0, true), Click("CheckBoxErmäßigung"),
               Kästchen("CheckBoxErmäßigung", 1, true), Zeile(2), kLöschen, GridHat("rows", 4),
               Kästchen("CheckBoxErmäßigung", 0, false), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1Test, EnterInTheMoneyOrShareFieldApplies) {
  Run1(Script({Type("MaskEdBoxWert", "30"), kEnter, Zelle(1, 2, "   30,00"),
               Zelle(1, 4, "  434,60"), Type("MaskEdBoxAnteil", "500"), kEnter, GridHat("rows", 3),
               Zelle(2, 4, "  217,30"), kAbbruch}));
}

TEST_F(FrmKat1Test, CommaAlignsTheLandValue) {
  Run1(Script({Type("MaskEdBoxWert", "26,"), Expect("MaskEdBoxWert", "   26,  "),
               Type("MaskEdBoxWert", "26,99"), Click("MaskEdBoxAnteil"),
               Expect("MaskEdBoxWert", "   26,99"), kAbbruch}));
}

TEST_F(FrmKat1Test, LeavingTheAreaRightAlignsIt) {
  Run1(Script({Type("MaskEdBoxFläche", "75"), Expect("MaskEdBoxFläche", "75    "),
               Click("MaskEdBoxWert"), Expect("MaskEdBoxFläche", "    75"), kAbbruch}));
}

TEST_F(FrmKat1Test, SelectingALineReadsItBack) {
  Run1(Script({Flurstück("Flst.Nr. 1", "50", "5,", "250"), Flurstück("Flst.Nr. 2", "600", "27,"),
               Zeile(1), Expect("TextBoxFlst", "Flst.Nr. 1"), Expect("MaskEdBoxFläche", "    50"),
               Expect("MaskEdBoxWert", "    5,00"), Expect("MaskEdBoxAnteil", " 250"),
               GridHat("row_sel", 1), GridHat("col_sel", 4), kAbbruch}));
}

TEST_F(FrmKat1Test, EinfügenGivesTheNewRowItsHeight) {
  Run1(Script({Flurstück("Flst.Nr. 1", "100", "12,"), Flurstück("Flst.Nr. 2", "100", "12,"),
               Zeile(2), Click("Commandneu"), GridHat("rows", 4), Zelle(2, 0, " "),
               Flurstück("Flst.Nr. 1b", "600", "27,"), Zelle(2, 0, "Flst.Nr. 1b"),
               Zelle(2, 4, "  858,97"), Zelle(3, 0, "Flst.Nr. 2"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat1Test, DeletingTheOnlyLineLeavesOneBlankRowAndOffersANewLine) {
  Run1(Script({Flurstück("Flst.Nr. 9", "600", "27,", "500"), Zeile(1), kLöschen, GridHat("rows", 2),
               Cells(Zelle, 1, 0, {"", "", "", "", ""}), Expect("TextBoxFlst", "Flst.Nr. 12/3"),
               Expect("MaskEdBoxAnteil", "1000"), Expect("MaskEdBoxFläche", "   600"),
               Kästchen("CheckBoxErmäßigung", 0, false), Click("CommandÜbernehmen"),
               GridHat("rows", 2), Zelle(1, 0, "Flst.Nr. 12/3"), Zelle(1, 4, "  858,97"),
               kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

}  // namespace
}  // namespace korvax::dialogs
