// frmKat2 in scripted sessions: billing bases, brackets, building parts,
// shares, refused inputs and the input fields.
#include <gtest/gtest.h>

#include "dialog_session.hpp"
#include "dialogs/frm_kat2.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using nlohmann::json;
using namespace testing;  // NOLINT: the script steps

constexpr int kNr3 = 1;

json Zelle(int row, int col, const std::string& text) {
  return {{"action", "expect"}, {"control", "GridGebühren3"}, {"cell", {row, col}}, {"text", text}};
}
json Zeilen(int rows) {
  return {{"action", "expect"}, {"control", "GridGebühren3"}, {"rows", rows}};
}
json Gewählt(const std::string& option, bool value = true) {
  return {{"action", "expect"}, {"control", option}, {"value", value}};
}
json Fokus(const std::string& control) {
  return {{"action", "expect"}, {"focus", control}};
}

// One building typed into the fields of frmKat2 and applied with the button.
json Gebäude(const std::string& flst, const std::string& wert, const std::string& teile,
             const std::string& anteil = "1000", const std::string& beschreibung = "Wohnhaus") {
  return json::array({Type("TextBoxFlst", flst), Type("MaskEdBoxWert", wert),
                      Type("MaskEdBoxTeile", teile), Type("MaskEdBoxAnteil", anteil),
                      Type("TextBoxBeschreibung", beschreibung), Click("CommandÜbernehmen")});
}

class FrmKat2Test : public DialogSession {
 protected:
  void Run(const json& steps) { DialogSession::Run(steps, kNr3); }
};

TEST_F(FrmKat2Test, OpensEmptyWithDefaultsHeadersAndOption31) {
  Library().order.Baukosten = 72000;
  Run(Script({ExpectCaption("Gebäudeaufnahme nach Nr. 3."),
              {{"action", "expect"}, {"control", "GridGebühren3"}, {"rows", 2}, {"cols", 6}},
              Cells(Zelle, 0, 0,
                    {"Flurstücksnummer", " Baukosten", " Gebäudeteile", " Anteil", "",
                     " Gebäudebeschreibung"}),
              Expect("TextBoxFlst", "Flst.Nr. 12/3"),
              Expect("MaskEdBoxWert", "  72.000"),
              Expect("MaskEdBoxTeile", " 0"),
              Expect("MaskEdBoxAnteil", "1000"),
              Expect("LabelWert", "Baukosten [€]"),
              Expect("FrameAbrechnung", "Abrechnung nach"),
              Gewählt("Option31"),
              Gewählt("Option33", false),
              ExpectValue("chkBereich", 0),
              kAbbruch}));
  EXPECT_FALSE(forms::FormInstance<FrmKat2>().IsLoaded());
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2Test, GridColumnsHaveTheirWidthsAndRowsTheirHeight) {
  // The widths are set by the load path; read them back within a session.
  auto& form = forms::FormInstance<FrmKat2>();
  form.Load();
  form.Show();
  auto& grid = form.GebührenGrid();
  const int widths[] = {3000, 1300, 1500, 1000, 1000, 3000};
  for (int c = 0; c < 6; ++c) EXPECT_EQ(grid.ColWidth(c), widths[c]) << c;
  EXPECT_EQ(grid.RowHeight(0), 300);
  EXPECT_EQ(grid.RowHeight(1), 300);
  EXPECT_TRUE(form.Kostenmodus());
  form.Unload();
  EXPECT_EQ(LogEntries(), 0) << Log();
}

// The flag follows the option the form opens with, not the last session's.
TEST_F(FrmKat2Test, AnAreaSessionLeavesTheNextOneInCostMode) {
  Run(Script({Click("Option33"), kAbbruch}));
  EXPECT_FALSE(forms::FormInstance<FrmKat2>().Kostenmodus());
  Run(Script(
      {Gewählt("Option31"), Gebäude("Flst.Nr. 1", "150", "0"), Zelle(1, 4, "  127,82"), kAbbruch}));
}

TEST_F(FrmKat2Test, Nr31BuildingPartsRaiseTheRate) {
  Run(Script({Gebäude("Flst.Nr. 1", "72000", "3"),
              Cells(Zelle, 1, 1, {"  72.000", " 3", "1000", "  204,52", "Wohnhaus"}),
              Gebäude("Flst.Nr. 2", "72000", "6"), Zelle(2, 4, "  265,88"),
              Gebäude("Flst.Nr. 3", "72000", "12"), Zelle(3, 4, "  306,78"),
              Gebäude("Flst.Nr. 4", "72000", "4"), Zelle(4, 4, "  204,52"),
              Gebäude("Flst.Nr. 5", "72000", "10"), Zelle(5, 4, "  265,88"), Zeilen(6), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2Test, Nr32IsFortyPercent) {
  Run(Script({Click("Option32"), Gebäude("Flst.Nr. 1", "72000", "3"), Zelle(1, 4, "   81,81"),
              Gebäude("Flst.Nr. 2", "72000", "6"), Zelle(2, 4, "  106,35"), kAbbruch}));
}

TEST_F(FrmKat2Test, Nr33GoesByAreaAndIgnoresBuildingParts) {
  Run(Script({Click("Option33"),
              Expect("LabelWert", "Fläche [m²]"),
              Zelle(0, 1, "Fläche"),
              Gebäude("Flst.Nr. 1", "150", "3"),
              Zelle(1, 1, "     150"),
              Zelle(1, 4, "   76,69"),
              Gebäude("Flst.Nr. 2", "151", "3"),
              Zelle(2, 4, "  153,39"),
              Gebäude("Flst.Nr. 3", "150", "12"),
              Zelle(3, 4, "   76,69"),
              Gebäude("Flst.Nr. 4", "3000", "0"),
              Zelle(4, 4, "  306,78"),
              Gebäude("Flst.Nr. 5", "3001", "0"),
              Zelle(5, 4, "  613,55"),
              Click("Option31"),
              Expect("LabelWert", "Baukosten [€]"),
              Zelle(0, 1, "Baukosten"),
              Gebäude("Flst.Nr. 6", "150", "0"),
              Zelle(6, 4, "  127,82"),
              kAbbruch}));
}

TEST_F(FrmKat2Test, CostBracketBounds) {
  Run(Script({Gebäude("Flst.Nr. 1", "31000", "1"), Zelle(1, 4, "  127,82"),
              Gebäude("Flst.Nr. 2", "31001", "1"), Zelle(2, 4, "  204,52"),
              Gebäude("Flst.Nr. 3", "10226000", "1"), Zelle(3, 1, "10.226.000"),
              Zelle(3, 4, " 4090,34"), Gebäude("Flst.Nr. 4", "10226001", "1"),
              Zelle(4, 4, " 6135,50"), Gebäude("Flst.Nr. 5", "0", "1"), Zelle(5, 4, "  127,82"),
              kAbbruch}));
}

TEST_F(FrmKat2Test, SharesThirdAndHalf) {
  Run(Script({Gebäude("Flst.Nr. 1", "72000", "3", "333"), Zelle(1, 3, " 333"),
              Zelle(1, 4, "   68,17"), Gebäude("Flst.Nr. 2", "72000", "3", "500"),
              Zelle(2, 4, "  102,26"), Gebäude("Flst.Nr. 3", "150", "0", "10"),
              Zelle(3, 4, "    1,28"), kAbbruch}));
}

TEST_F(FrmKat2Test, NegativeCostIsRefusedAndTheFieldTakesTheFocus) {
  Run(Script({Gebäude("Flst.Nr. 1", "-5000", "3"),
              Zeilen(2),
              Zelle(1, 0, ""),
              Zelle(1, 4, ""),
              Fokus("MaskEdBoxWert"),
              Expect("MaskEdBoxWert", "  -5.000"),
              {{"action", "expect"}, {"control", "MaskEdBoxWert"}, {"sel_length", 8}},
              Type("MaskEdBoxWert", "5000"),
              Click("CommandÜbernehmen"),
              Zelle(1, 0, "Flst.Nr. 1"),
              Zelle(1, 4, "  127,82"),
              Zeilen(2),
              kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2Test, NonNumericCostBecomesZeroNotTheHighestRate) {
  Run(Script({Gebäude("Flst.Nr. 1", "viel", "3"), Zelle(1, 1, "       0"), Zelle(1, 4, "  127,82"),
              kAbbruch}));
}

TEST_F(FrmKat2Test, ShareZeroOrEmptyIsRefused) {
  Run(Script({Gebäude("Flst.Nr. 1", "72000", "3", "0"), Zeilen(2), Zelle(1, 4, ""),
              Fokus("MaskEdBoxAnteil"), Expect("MaskEdBoxAnteil", "   0"),
              Key("MaskEdBoxAnteil", "Backspace"), Click("CommandÜbernehmen"), Zelle(1, 4, ""),
              Fokus("MaskEdBoxAnteil"), Type("MaskEdBoxAnteil", "250"), Click("CommandÜbernehmen"),
              Zelle(1, 3, " 250"), Zelle(1, 4, "   51,13"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2Test, EnterInTheShareAppliesAndTheNextLineGetsDefaults) {
  Library().order.Baukosten = 100000;
  Run(Script({Type("MaskEdBoxTeile", "2"), Type("MaskEdBoxAnteil", "1000"), kEnter,
              Zelle(1, 1, " 100.000"), Zelle(1, 4, "  306,78"), Zeilen(2),
              Expect("MaskEdBoxTeile", " 0"), Expect("MaskEdBoxWert", " 100.000"),
              Fokus("TextBoxFlst"), Type("TextBoxBeschreibung", "Garage"), kEnter, Zeilen(3),
              Zelle(2, 5, "Garage"), kAbbruch}));
}

TEST_F(FrmKat2Test, AShareAppliedWithEnterStandsRight) {
  Run(Script({Type("MaskEdBoxAnteil", "500"), Expect("MaskEdBoxAnteil", "500 "), kEnter,
              Zelle(1, 3, " 500"), kAbbruch}));
}

TEST_F(FrmKat2Test, SelectingALineReadsItBack) {
  Run(Script({Gebäude("Flst.Nr. 1", "72000", "3", "500", "Scheune"),
              Gebäude("Flst.Nr. 2", "150", "1"), SelectIn("GridGebühren3", 1),
              Expect("TextBoxFlst", "Flst.Nr. 1"), Expect("MaskEdBoxWert", "  72.000"),
              Expect("MaskEdBoxTeile", " 3"), Expect("MaskEdBoxAnteil", " 500"),
              Expect("TextBoxBeschreibung", "Scheune"), Type("MaskEdBoxTeile", "5"),
              Click("CommandÜbernehmen"), Zelle(1, 4, "  132,94"),
              Expect("TextBoxFlst", "Flst.Nr. 2"), kAbbruch}));
}

TEST_F(FrmKat2Test, DeletingTheOnlyLineKeepsOneBlankLineWithDefaults) {
  Run(Script({Gebäude("Flst.Nr. 7", "72000", "3", "500"), SelectIn("GridGebühren3", 1),
              Click("CommandLöschen"), kJa, Zeilen(2), Zelle(1, 0, ""), Zelle(1, 1, ""),
              Zelle(1, 4, ""), Expect("TextBoxFlst", "Flst.Nr. 12/3"),
              Expect("MaskEdBoxAnteil", "1000"), Gebäude("Flst.Nr. 8", "31000", "0"), Zeilen(2),
              Zelle(1, 4, "  127,82"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2Test, BracketsJoinWithoutGaps) {
  EXPECT_EQ(KostenstufeVon(31000).satz, 127.82);
  EXPECT_EQ(KostenstufeVon(31000.5).satz, 204.52);
  EXPECT_EQ(KostenstufeVon(153001).satz, 434.60);
  EXPECT_EQ(KostenstufeVon(2045000).satz, 1329.36);
  EXPECT_EQ(KostenstufeVon(1e12).bereich, "größer 10.226.000 €; ");
  EXPECT_EQ(FlächenSatz(150.5), 153.39);
  EXPECT_EQ(FlächenSatz(1000), 153.39);
  EXPECT_EQ(FlächenSatz(1001), 306.78);
  EXPECT_EQ(Gebäudeteilfaktor(0), 1);
  EXPECT_EQ(Gebäudeteilfaktor(5), 1.3);
  EXPECT_EQ(Gebäudeteilfaktor(11), 1.5);
  EXPECT_NEAR(SatzNr3(Abrechnung::k32, 5000000, 11), 4090.34 * 1.5 * 0.4, 1e-9);
  EXPECT_EQ(SatzNr3(Abrechnung::k33, 151, 11), 153.39);
  ASSERT_NE(KostenstufeAusText("31.001 b"), nullptr);
  EXPECT_EQ(KostenstufeAusText("31.001 b")->wert, "  50.000");
  EXPECT_EQ(KostenstufeAusText("größer 1")->wert, "15.000.000");
  EXPECT_EQ(KostenstufeAusText("  72.000"), nullptr);
}

}  // namespace
}  // namespace korvax::dialogs
