// The framework's rules, played on frmKat4: apply and advance, new, insert,
// delete, selection, focus and the decimal alignment of money fields.
#include <gtest/gtest.h>

#include "common/text.hpp"
#include "dialog_session.hpp"
#include "dialogs/fee_dialog.hpp"
#include "dialogs/frm_kat4.hpp"
#include "plugin/dialog_registry.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using nlohmann::json;
using namespace testing;  // NOLINT: the script steps

class FeeDialogTest : public DialogSession {
 protected:
  int16_t AktuelleZeile() { return forms::FormInstance<FrmKat4>().AktuelleZeile(); }
};

json ExpectGrid(const std::string& what, int value) {
  return {{"action", "expect"}, {"control", "GridGebühren6"}, {what, value}};
}
json ExpectEdit(const std::string& control, int sel_start, int sel_length) {
  return {{"action", "expect"},
          {"control", control},
          {"sel_start", sel_start},
          {"sel_length", sel_length}};
}
json Answer(const std::string& button) {
  return {{"action", "answer"}, {"button", button}, {"prompt", "Zeile löschen?"}};
}

TEST(DezimalAusrichten, MovesTheIntegerPartBeforeTheComma) {
  EXPECT_EQ(DezimalAusrichten("12   ,  "), "   12");
  EXPECT_EQ(DezimalAusrichten("1    ,  "), "    1");
  EXPECT_EQ(DezimalAusrichten("12345,  "), "12345,  ");
  EXPECT_EQ(DezimalAusrichten("  256,01"), "  256,01");
  EXPECT_EQ(DezimalAusrichten("     ,  "), "     ");
}

TEST_F(FeeDialogTest, CommaAlignsTheDecimalsAndPutsTheCaretOnTheFirst) {
  Run(Script({Type("MaskEdBoxWert", "12,"), Expect("MaskEdBoxWert", "   12,  "),
              ExpectEdit("MaskEdBoxWert", 6, 0), Type("MaskEdBoxWert", "7."),
              Expect("MaskEdBoxWert", "    7,  "), kAbbruch}));
}

TEST_F(FeeDialogTest, TwelveWithoutCommaIsAppliedAsTwelveEuros) {
  Run(Script({Type("MaskEdBoxWert", "12"), Expect("MaskEdBoxWert", "12   ,  "),
              Key("MaskEdBoxWert", "Enter"), ExpectCell(1, 4, "   12,00"), kAbbruch}));
}

TEST_F(FeeDialogTest, LeavingTheMoneyFieldChecksIt) {
  Run(Script({Type("MaskEdBoxWert", "3"), Click("MaskEdBoxAnteil"),
              Expect("MaskEdBoxWert", "    3,00"), kAbbruch}));
}

TEST_F(FeeDialogTest, GotFocusPutsTheCaretBehindTheParcelPrefixOrSelectsAll) {
  Run(Script({Focus("MaskEdBoxAnteil"), ExpectEdit("MaskEdBoxAnteil", 0, 4), Focus("TextBoxFlst"),
              ExpectEdit("TextBoxFlst", 9, 0), Focus("MaskEdBoxWert"),
              ExpectEdit("MaskEdBoxWert", 0, 8), kAbbruch}));
}

// A new line is prepared (AktuelleZeile = Rows) and applying it appends it.
TEST_F(FeeDialogTest, ApplyingTheLastLinePreparesAFreshOneThatIsAppended) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "6,"), ExpectGrid("rows", 2),
              ExpectCell(1, 0, "Flst.Nr. 1"), Expect("TextBoxFlst", "Flst.Nr. 12/3"),
              Expect("MaskEdBox7_1", " 4"), Expect("MaskEdBoxWert", "    6,00"),
              ExpectGrid("row", 1), ExpectGrid("col", 1), ExpectFocus("TextBoxFlst"), kAbbruch}));
  EXPECT_EQ(AktuelleZeile(), 2);
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "6,"), Line("Flst.Nr. 2", "2", "0", "0", "6,"),
              ExpectGrid("rows", 3), ExpectCell(2, 0, "Flst.Nr. 2"), ExpectCell(2, 6, "   71,58"),
              kAbbruch}));
  EXPECT_EQ(AktuelleZeile(), 3);
}

TEST_F(FeeDialogTest, ApplyingAnEarlierLineLoadsTheNext) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "6,"), Line("Flst.Nr. 2", "2", "0", "0", "12,"),
              SelectRow(1), Expect("TextBoxFlst", "Flst.Nr. 1"),
              Expect("MaskEdBoxWert", "    6,00"), Type("TextBoxFlst", "Flst.Nr. 1a"),
              Click("CommandÜbernehmen"), ExpectCell(1, 0, "Flst.Nr. 1a"), ExpectGrid("rows", 3),
              Expect("TextBoxFlst", "Flst.Nr. 2"), Expect("MaskEdBox7_1", " 2"),
              Expect("MaskEdBoxWert", "   12,00"), ExpectGrid("row", 2), ExpectGrid("row_sel", 2),
              ExpectGrid("col_sel", 5), kAbbruch}));
  EXPECT_EQ(AktuelleZeile(), 2);
}

TEST_F(FeeDialogTest, NeuPreparesANewLineAtTheEnd) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "6,"), Line("Flst.Nr. 2", "2", "0", "0", "6,"),
              SelectRow(2), Expect("TextBoxFlst", "Flst.Nr. 2"), Click("CommandButtonNeu"),
              Expect("TextBoxFlst", "Flst.Nr. 12/3"), ExpectGrid("row", 1), ExpectGrid("col", 1),
              ExpectFocus("TextBoxFlst"), Line("Flst.Nr. 3", "1", "0", "0", "6,"),
              ExpectGrid("rows", 4), ExpectCell(3, 0, "Flst.Nr. 3"), ExpectCell(2, 0, "Flst.Nr. 2"),
              kAbbruch}));
}

TEST_F(FeeDialogTest, EinfügenInsertsABlankRowThatTheNextApplyFills) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "6,"), Line("Flst.Nr. 2", "2", "0", "0", "6,"),
              SelectRow(2), Click("Commandneu"), ExpectGrid("rows", 4), ExpectCell(2, 0, " "),
              ExpectCell(3, 0, "Flst.Nr. 2"), Expect("TextBoxFlst", "Flst.Nr. 12/3"),
              Line("Flst.Nr. 1b", "3", "0", "0", "6,"), ExpectCell(2, 0, "Flst.Nr. 1b"),
              ExpectCell(2, 6, "  107,37"), ExpectCell(3, 0, "Flst.Nr. 2"),
              Expect("TextBoxFlst", "Flst.Nr. 2"), kAbbruch}));
}

TEST_F(FeeDialogTest, LöschenAsksAndOnlyYesRemoves) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "6,"), Line("Flst.Nr. 2", "2", "0", "0", "6,"),
              SelectRow(1), Click("CommandLöschen"), Answer("Nein"), ExpectGrid("rows", 3),
              Click("CommandLöschen"), Answer("Ja"), ExpectGrid("rows", 2),
              ExpectCell(1, 0, "Flst.Nr. 2"), Expect("TextBoxFlst", "Flst.Nr. 2"), kAbbruch}));
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[0].prompt, "Zeile löschen?");
  EXPECT_EQ(boxes_[0].buttons, 4);
  EXPECT_EQ(boxes_[0].value8, -2);
  EXPECT_EQ(AktuelleZeile(), 1);
}

TEST_F(FeeDialogTest, DeletingTheOnlyLineKeepsOneBlankRow) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "6,"), SelectRow(1), Click("CommandLöschen"),
              Answer("Ja"), ExpectGrid("rows", 2), ExpectCell(1, 0, ""), ExpectCell(1, 6, ""),
              Expect("TextBoxFlst", ""), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FeeDialogTest, SelectingALineLoadsItsFields) {
  Run(Script({Line("Flst.Nr. 1", "1", "2", "3", "51,01", "500"),
              Line("Flst.Nr. 2", "2", "0", "0", "6,"), SelectRow(1),
              Expect("TextBoxFlst", "Flst.Nr. 1"), Expect("MaskEdBox7_1", " 1"),
              Expect("MaskEdBox7_2", " 2"), Expect("MaskEdBox7_3", " 3"),
              Expect("MaskEdBoxWert", "   51,01"), Expect("MaskEdBoxAnteil", " 500"), kAbbruch}));
  EXPECT_EQ(AktuelleZeile(), 1);
}

TEST_F(FeeDialogTest, OnlyNumberThreeIsRegistered) {
  EXPECT_TRUE(static_cast<bool>(RegisteredDialog(3)));
  EXPECT_FALSE(static_cast<bool>(RegisteredDialog(4)));
}

}  // namespace
}  // namespace korvax::dialogs
