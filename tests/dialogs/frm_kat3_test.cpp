// frmKat3 in scripted sessions: lists, prices per metre, the length fields,
// the order context's axis, deleting and inserting lines.
#include <gtest/gtest.h>

#include "common/text.hpp"
#include "dialog_session.hpp"
#include "dialogs/frm_kat3.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "plugin/dialog_registry.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using nlohmann::json;
using namespace testing;  // NOLINT: the script steps

constexpr int kNr45 = 2;

json Choose(const std::string& control, const std::string& item) {
  return {{"action", "choose"}, {"control", control}, {"item", item}};
}

// One line typed into the fields of frmKat3 and applied with the button.
json Linie(const std::string& text, const std::string& position, int kategorie,
           const std::string& achse, const std::string& im_ort = "0") {
  // Typing nothing leaves a text as it was: an empty axis is deleted.
  const json achse_eingeben =
      achse.empty() ? Key("MaskEdBoxAchse", "Backspace") : Type("MaskEdBoxAchse", achse);
  return json::array({Type("TextBoxFlst", text), Choose("ComboBox4", position),
                      Choose("comFlurstücksdichte", std::string(kFlurstücksdichten[kategorie - 1])),
                      achse_eingeben, Type("MaskEdBoxImOrt", im_ort), Click("CommandÜbernehmen")});
}

class FrmKat3Test : public DialogSession {
 protected:
  void Run(const json& steps) { DialogSession::Run(steps, kNr45); }
};

TEST_F(FrmKat3Test, OpensEmptyWithListsHeadersAndDefaults) {
  Library().order.Achslänge = 250;
  Run(Script(
      {ExpectCaption("Vermessung nach Nr. 5"),
       {{"action", "expect"},
        {"control", "ComboBox4"},
        {"items", {"5.1.1", "5.1.2", "5.1.3", "5.1.4"}},
        {"list_index", 0}},
       {{"action", "expect"},
        {"control", "comFlurstücksdichte"},
        {"items",
         {"Kategorie I   (bis 5)", "Kategorie II  (über 5 bis 15)", "Kategorie III (über 15)"}},
        {"list_index", 0}},
       {{"action", "expect"}, {"control", "GridGebühren6"}, {"rows", 2}, {"cols", 7}},
       Cells(ExpectCell, 0, 0,
             {"Vermessung nach Nr. 5", " Nr.", " Flurstücksdichte", " Achslänge", " im Ort",
              " Preis [€/m]", " Preis [€]"}),
       Expect("TextBoxFlst", ""),
       Expect("MaskEdBoxAchse", "  250 m"),
       Expect("MaskEdBoxImOrt", "   0 m"),
       kAbbruch}));
  EXPECT_EQ(forms::FormInstance<FrmKat3>().GetFont().name, "Tahoma");
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat3Test, Item511CategoryOneAxis120) {
  Run(Script({Linie("Weg 1", "5.1.1", 1, "120"),
              Cells(ExpectCell, 1, 0,
                    {"Weg 1", "5.1.1", "Kategorie I   (bis 5)", "  120 m", "   0 m", "   23,00",
                     " 2760,00"}),
              ExpectRows(2), Expect("TextBoxFlst", ""), Expect("MaskEdBoxAchse", "  120 m"),
              kAbbruch}));
  EXPECT_EQ(Library().order.Achslänge, 120);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat3Test, Item514CategoryThreeAxis100) {
  Run(Script({Linie("Weg 2", "5.1.4", 3, "100"), ExpectCell(1, 5, "    6,14"),
              ExpectCell(1, 6, "  614,00"), kAbbruch}));
}

TEST_F(FrmKat3Test, FactorsAndBasePricesOfEveryItemAndCategory) {
  EXPECT_EQ(Positionsfaktor("5.1.2") * Grundpreis(2), 3.5 * 5.37);
  EXPECT_EQ(Positionsfaktor("5.1.3") * Grundpreis(3), 2.5 * 6.14);
  EXPECT_EQ(Grundpreis(0), 6.14);
  EXPECT_EQ(Positionsfaktor(kPosition411), 1.0);
  EXPECT_EQ(Positionsfaktor(""), 1.0);
}

TEST_F(FrmKat3Test, EmptyOrZeroAxisCountsAsOneMetre) {
  Library().order.Achslänge = 500;
  Run(Script({Linie("leer", "5.1.1", 1, ""), ExpectCell(1, 3, "    0 m"),
              ExpectCell(1, 6, "   23,00"), Expect("MaskEdBoxAchse", "    1 m"), kAbbruch}));
  EXPECT_EQ(Library().order.Achslänge, 1);
  Library().order.Achslänge = 500;
  Run(Script({Linie("null", "5.1.1", 1, "0"), ExpectCell(1, 6, "   23,00"), kAbbruch}));
  EXPECT_EQ(Library().order.Achslänge, 1);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat3Test, LeavingTheLengthFieldsFormatsThem) {
  Run(Script({Type("MaskEdBoxAchse", "1234"), Click("MaskEdBoxImOrt"),
              Expect("MaskEdBoxAchse", "1.234 m"), Type("MaskEdBoxImOrt", "75"),
              Click("TextBoxFlst"), Expect("MaskEdBoxImOrt", "  75 m"), Click("CommandÜbernehmen"),
              ExpectCell(1, 3, "1.234 m"), ExpectCell(1, 6, "28382,00"), kAbbruch}));
  EXPECT_EQ(Library().order.Achslänge, 1234);
}

TEST_F(FrmKat3Test, EnterInTheAxisFieldApplies) {
  Run(Script({Choose("comFlurstücksdichte", "Kategorie III (über 15)"),
              Type("MaskEdBoxAchse", "10"), kEnter, ExpectCell(1, 3, "10"),
              ExpectCell(1, 6, "  307,00"), kAbbruch}));
}

// 40 km do not fit the order context: the line is priced with its own
// length, the context keeps 32767 and the overflow is reported once.
TEST_F(FrmKat3Test, AxisBeyondTheOrderContextIsPricedInFull) {
  Run(Script({Linie("Leitung", "5.1.4", 1, "40000"), ExpectCell(1, 3, "40.000 m"),
              ExpectCell(1, 5, "    4,60"), ExpectCell(1, 6, "184000,00"),
              Expect("MaskEdBoxAchse", "32767 m"), kAbbruch}));
  EXPECT_EQ(Library().order.Achslänge, 32767);
  EXPECT_EQ(LogEntries(), 1) << Log();
  EXPECT_NE(Log().find("Error 6: "), std::string::npos) << Log();
  EXPECT_NE(Log().find(text::Utf8ToCp1252("Ort  : frmKat3.ÜbernehmenWerte")), std::string::npos)
      << Log();
}

TEST_F(FrmKat3Test, DeletingTheOnlyLineDoesNothingWithoutAsking) {
  Run(Script({Linie("Weg 1", "5.1.1", 1, "120"), SelectRow(1), Click("CommandLöschen"),
              ExpectRows(2), ExpectCell(1, 0, "Weg 1"), kAbbruch}));
}

TEST_F(FrmKat3Test, DeletingAsksWithTheQuestionIconAndGoesBackToTheFirstLine) {
  forms::ScriptedUi ui(
      Script({Linie("Weg 1", "5.1.1", 1, "1"),
              Linie("Weg 2", "5.1.1", 1, "2"),
              Linie("Weg 3", "5.1.1", 1, "3"),
              SelectRow(3),
              Click("CommandLöschen"),
              {{"action", "answer"}, {"button", "Nein"}},
              ExpectRows(4),
              Click("CommandLöschen"),
              {{"action", "answer"}, {"button", "Ja"}, {"prompt", "Zeile löschen?"}},
              ExpectRows(3),
              ExpectCell(2, 0, "Weg 2"),
              {{"action", "expect"},
               {"control", "GridGebühren6"},
               {"row", 1},
               {"row_sel", 1},
               {"top_row", 1}},
              Expect("TextBoxFlst", "Weg 1"),
              Expect("MaskEdBoxAchse", "    1 m"),
              Linie("Weg 1a", "5.1.1", 1, "4"),
              ExpectCell(1, 0, "Weg 1a"),
              ExpectCell(2, 0, "Weg 2"),
              kAbbruch}));
  forms::SetBackend(&ui);
  RegisteredDialog(kNr45)();
  ui.Finish();
  forms::SetBackend(nullptr);
  ASSERT_EQ(ui.ShownMessageBoxes().size(), 2u);
  EXPECT_EQ(ui.ShownMessageBoxes()[1].prompt, "Zeile löschen?");
  EXPECT_EQ(ui.ShownMessageBoxes()[1].buttons, 36);
  EXPECT_EQ(ui.ShownMessageBoxes()[1].value8, -2);
}

TEST_F(FrmKat3Test, InsertedLineIs411WithFactorOne) {
  Run(Script({Linie("Weg 1", "5.1.1", 1, "120"), SelectRow(1), Click("CommandNeu"), ExpectRows(3),
              ExpectCell(1, 0, " "), ExpectCell(1, 1, "4.1.1"), Expect("ComboBox4", "4.1.1"),
              Expect("TextBoxFlst", ""), Type("TextBoxFlst", "Vorarbeiten"),
              Choose("comFlurstücksdichte", "Kategorie III (über 15)"),
              Type("MaskEdBoxAchse", "100"), Click("CommandÜbernehmen"),
              ExpectCell(1, 0, "Vorarbeiten"), ExpectCell(1, 1, "4.1.1"),
              ExpectCell(1, 5, "    6,14"), ExpectCell(1, 6, "  614,00"), ExpectCell(2, 0, "Weg 1"),
              ExpectCell(2, 6, " 2760,00"), kAbbruch}));
}

// After a line was applied the fields prepare a new line behind the last;
// the insert button still fills the row it inserted, never that last line.
TEST_F(FrmKat3Test, InsertingRightAfterApplyingKeepsTheLastLine) {
  Run(Script({Linie("Weg 1", "5.1.1", 1, "120"), Click("CommandNeu"), ExpectRows(3),
              Type("MaskEdBoxAchse", "10"), Click("CommandÜbernehmen"), ExpectCell(1, 1, "4.1.1"),
              ExpectCell(1, 6, "   46,00"), ExpectCell(2, 0, "Weg 1"), ExpectCell(2, 6, " 2760,00"),
              kAbbruch}));
}

TEST_F(FrmKat3Test, LengthsAreTheWholeMetresShown) {
  EXPECT_EQ(Länge("1.234 m"), 1234);
  EXPECT_EQ(Länge("  120 m"), 120);
  EXPECT_EQ(Länge("40.000 m"), 40000);
  EXPECT_EQ(Länge("12,7 m"), 12);
  EXPECT_EQ(Länge(""), 0);
  EXPECT_EQ(Länge("-5 m"), 0);
  double länge = 0;
  EXPECT_TRUE(IstImOrtZeile(ImOrtText(120), länge));
  EXPECT_EQ(länge, 120);
  EXPECT_FALSE(IstImOrtZeile("Davon abweichend", länge));
  EXPECT_FALSE(IstImOrtZeile(
      "Davon x m innerhalb geschlossener Ortslage ergibt einen Zuschlag von ", länge));
}

}  // namespace
}  // namespace korvax::dialogs
