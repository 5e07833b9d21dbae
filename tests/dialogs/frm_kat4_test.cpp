// frmKat4 in scripted sessions: defaults, brackets, rates, shares and the
// input fields.
#include <gtest/gtest.h>

#include "common/text.hpp"
#include "dialog_session.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat4.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "plugin/plugin_state.hpp"
#include "plugin/tarvo.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using nlohmann::json;
using namespace testing;  // NOLINT: the script steps

class FrmKat4Test : public DialogSession {
 protected:
  // The log holds an entry of this form and operation.
  bool Reported(const std::string& operation) const {
    return Log().find(text::Utf8ToCp1252("Ort  : frmKat4." + operation)) != std::string::npos;
  }
};

const json kBackspace7_1 = Key("MaskEdBox7_1", "Backspace");

TEST_F(FrmKat4Test, OpensWithOneBlankLineAndTheOrderDefaults) {
  Run(Script({ExpectCaption("Grenzfeststellung nach 7."),
              ExpectRows(2),
              ExpectCell(0, 0, "Grenzfeststellung nach"),
              ExpectCell(0, 1, " Nr.7.1"),
              ExpectCell(0, 4, " Wert [€/m²]"),
              ExpectCell(0, 5, " Anteil "),
              ExpectCell(1, 0, ""),
              Expect("TextBoxFlst", "Flst.Nr. 12/3"),
              Expect("MaskEdBox7_1", " 4"),
              Expect("MaskEdBox7_2", " 0"),
              Expect("MaskEdBox7_3", " 0"),
              Expect("MaskEdBoxWert", "   12,00"),
              Expect("MaskEdBoxAnteil", "1000"),
              Expect("mskneueAP", "  "),
              Expect("CommandEnde", "&OK"),
              Expect("CommandButtonNeu", "&Neu"),
              Expect("Commandneu", "&Einfügen"),
              Expect("chkBereich", "Bereich bei Bodenwert"),
              ExpectValue("chkBereich", 0),
              {{"action", "expect"}, {"mouse_pointer", 0}},
              kAbbruch}));
  auto& form = forms::FormInstance<FrmKat4>();
  EXPECT_FALSE(form.IsLoaded());
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat4Test, GridColumnsHaveTheirWidthsAndRowsTheirHeight) {
  Run(Script({kAbbruch}));
  // The widths are set by the load path; read them back within a session.
  auto& form = forms::FormInstance<FrmKat4>();
  form.Load();
  form.Show();
  auto& grid = form.GebührenGrid();
  const int widths[] = {2370, 615, 615, 615, 1080, 800, 1200};
  for (int c = 0; c < 7; ++c) EXPECT_EQ(grid.ColWidth(c), widths[c]) << c;
  EXPECT_EQ(grid.RowHeight(0), 300);
  EXPECT_EQ(grid.RowHeight(1), 300);
  EXPECT_EQ(grid.Cols(), 7);
  form.Unload();
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
      {"1", "0", "0", "2,51", "1000", "   35,79"},    //
      {"1", "0", "0", "256,", "1000", "   76,69"},    //
      {"1", "0", "0", "256,01", "1000", "   92,03"},  //
      {"0", "1", "0", "20,", "1000", "   32,21"},     // the rate of 7.2
      {"0", "0", "1", "80,", "1000", "  115,04"},     // the rate of 7.3
      {"1", "0", "0", "12,", "500", "   23,01"},      // 500 halves
      {"3", "0", "0", "12,", "333", "   46,02"},      // 333 is a third
  };
  json steps = json::array();
  for (const Case& c : cases) {
    for (const json& step : Line("Flst.Nr. 1", c.n71, c.n72, c.n73, c.wert, c.anteil)) {
      steps.push_back(step);
    }
  }
  int row = 0;
  for (const Case& c : cases) steps.push_back(ExpectCell(++row, 6, c.fee));
  steps.push_back(ExpectCell(1, 4, "   12,00"));
  steps.push_back(ExpectCell(1, 5, "1000"));
  steps.push_back(ExpectCell(10, 5, " 333"));
  steps.push_back(kAbbruch);
  Run(steps);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST(FrmKat4Wertstufe, BracketBoundsAreInclusive) {
  const std::pair<double, int> stufen[] = {{0, 1},  {2.5, 1}, {2.51, 2},  {10, 2},  {10.01, 3},
                                           {26, 3}, {51, 4},  {51.01, 5}, {256, 5}, {256.01, 6}};
  for (const auto& [wert, stufe] : stufen) EXPECT_EQ(WertstufeVon(wert), stufe) << wert;
}

TEST_F(FrmKat4Test, AppliedLandValueGoesBackToTheOrder) {
  Run(Script({Line("a", "1", "0", "0", "6,"), Expect("MaskEdBoxWert", "    6,00"), kAbbruch}));
  EXPECT_EQ(Library().order.Bodenwert, 6);
}

// A blank count is reported and counts as 0: the fee always matches the
// line's counts, never an old fee of the line.
TEST_F(FrmKat4Test, BlankCountIsReportedAndCountsAsZero) {
  Run(Script({Line("a", "2", "0", "0", "12,"), ExpectCell(1, 6, "   92,04"), SelectRow(1),
              kBackspace7_1, Expect("MaskEdBox7_1", "  "), Click("CommandÜbernehmen"),
              ExpectCell(1, 1, "  "), ExpectCell(1, 6, "    0,00"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 1) << Log();
  EXPECT_TRUE(Reported("ÜbernehmenWerte")) << Log();
  EXPECT_NE(Log().find("Error 13: "), std::string::npos);
}

TEST_F(FrmKat4Test, BlankShareIsReportedAndGivesNoFee) {
  Run(Script({Type("MaskEdBox7_1", "1"), Key("MaskEdBoxAnteil", "Backspace"),
              Click("CommandÜbernehmen"), ExpectCell(1, 5, "   0"), ExpectCell(1, 6, "    0,00"),
              kAbbruch}));
  EXPECT_EQ(LogEntries(), 1) << Log();
  EXPECT_TRUE(Reported("ÜbernehmenWerte")) << Log();
}

TEST_F(FrmKat4Test, EnterInTheShareOrLandValueApplies) {
  Run(Script({Type("MaskEdBoxAnteil", "1000"), Key("MaskEdBoxAnteil", "Enter"),
              ExpectCell(1, 6, "  184,08"), Type("MaskEdBoxWert", "2"),
              Key("MaskEdBoxWert", "Enter"), ExpectCell(2, 4, "    2,00"),
              ExpectCell(2, 6, "  102,24"), ExpectFocus("TextBoxFlst"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

// The host's road: Show with index 3 opens frmKat4 modally (without a host
// database Show reports its own steps and still opens the dialog).
TEST_F(FrmKat4Test, ShowWithIndexThreeOpensTheDialog) {
  forms::ScriptedUi ui(Script({{{"form", "frmKat4"}, {"action", "expect"}, {"visible", true}},
                               Line("Flst.Nr. 8", "1", "0", "0", "12,"),
                               kOk}));
  forms::SetBackend(&ui);
  Tarvo tarvo;
  int16_t index = 3;
  tarvo.Show(index, nullptr, 0);
  EXPECT_NO_THROW(ui.Finish());
  forms::SetBackend(nullptr);
  EXPECT_EQ(ZellText(Marked("Korvax_4"), 2, 5), "   46,02 €");
  EXPECT_FALSE(Reported("")) << Log();
}

}  // namespace
}  // namespace korvax::dialogs
