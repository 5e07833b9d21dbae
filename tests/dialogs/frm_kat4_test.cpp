// frmKat4 in scripted sessions: defaults, brackets, rates, shares and the
// input fields.
#include <gtest/gtest.h>

#include "common/text.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat4.hpp"
#include "docx_fixture.hpp"
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

const json kBackspace7_1 = {{"action", "key"}, {"control", "MaskEdBox7_1"}, {"key", "Backspace"}};

TEST_F(FrmKat4Test, OpensWithOneBlankLineAndTheOrderDefaults) {
  Run(Script({{{"action", "expect"}, {"caption", "Grenzfeststellung nach 7."}},
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
              {{"action", "expect"}, {"control", "chkBereich"}, {"value", 0}},
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

TEST_F(FrmKat4Test, CountsAtTwelveGiveTheRateOfBracketThree) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "12,"), ExpectCell(1, 6, "   46,02"),
              ExpectCell(1, 4, "   12,00"), ExpectCell(1, 5, "1000"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat4Test, Two73PointsAtThreeHundred) {
  Run(Script({Line("Flst.Nr. 1", "0", "0", "2", "300,"), ExpectCell(1, 6, "  276,09"), kAbbruch}));
}

TEST_F(FrmKat4Test, BracketBoundsAreInclusive) {
  Run(Script({Line("a", "1", "0", "0", "2,50"), Line("b", "1", "0", "0", "2,51"),
              Line("c", "1", "0", "0", "256,"), Line("d", "1", "0", "0", "256,01"),
              ExpectCell(1, 6, "   25,56"), ExpectCell(2, 6, "   35,79"),
              ExpectCell(3, 6, "   76,69"), ExpectCell(4, 6, "   92,03"), kAbbruch}));
  EXPECT_EQ(WertstufeVon(2.5), 1);
  EXPECT_EQ(WertstufeVon(2.51), 2);
  EXPECT_EQ(WertstufeVon(10), 2);
  EXPECT_EQ(WertstufeVon(10.01), 3);
  EXPECT_EQ(WertstufeVon(26), 3);
  EXPECT_EQ(WertstufeVon(51), 4);
  EXPECT_EQ(WertstufeVon(51.01), 5);
  EXPECT_EQ(WertstufeVon(256), 5);
  EXPECT_EQ(WertstufeVon(256.01), 6);
  EXPECT_EQ(WertstufeVon(0), 1);
}

TEST_F(FrmKat4Test, RatesOf72And73) {
  Run(Script({Line("a", "0", "1", "0", "20,"), Line("b", "0", "0", "1", "80,"),
              ExpectCell(1, 6, "   32,21"), ExpectCell(2, 6, "  115,04"), kAbbruch}));
}

TEST_F(FrmKat4Test, AppliedLandValueGoesBackToTheOrder) {
  Run(Script({Line("a", "1", "0", "0", "6,"), Expect("MaskEdBoxWert", "    6,00"), kAbbruch}));
  EXPECT_EQ(Library().order.Bodenwert, 6);
}

TEST_F(FrmKat4Test, ShareOf500HalvesAnd333IsAThird) {
  Run(Script({Line("a", "1", "0", "0", "12,", "500"), Line("b", "3", "0", "0", "12,", "333"),
              ExpectCell(1, 6, "   23,01"), ExpectCell(2, 6, "   46,02"), ExpectCell(2, 5, " 333"),
              kAbbruch}));
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
  Run(Script({Type("MaskEdBox7_1", "1"),
              {{"action", "key"}, {"control", "MaskEdBoxAnteil"}, {"key", "Backspace"}},
              Click("CommandÜbernehmen"),
              ExpectCell(1, 5, "   0"),
              ExpectCell(1, 6, "    0,00"),
              kAbbruch}));
  EXPECT_EQ(LogEntries(), 1) << Log();
  EXPECT_TRUE(Reported("ÜbernehmenWerte")) << Log();
}

TEST_F(FrmKat4Test, EnterInTheShareOrLandValueApplies) {
  Run(Script({Type("MaskEdBoxAnteil", "1000"),
              {{"action", "key"}, {"control", "MaskEdBoxAnteil"}, {"key", "Enter"}},
              ExpectCell(1, 6, "  184,08"),
              Type("MaskEdBoxWert", "2"),
              {{"action", "key"}, {"control", "MaskEdBoxWert"}, {"key", "Enter"}},
              ExpectCell(2, 4, "    2,00"),
              ExpectCell(2, 6, "  102,24"),
              {{"action", "expect"}, {"focus", "TextBoxFlst"}},
              kAbbruch}));
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
