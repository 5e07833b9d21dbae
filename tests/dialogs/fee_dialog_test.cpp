// What the four fee dialogs share: the framework's handlers played on frmKat4
// (apply and advance, new, insert, delete, selection, focus, the decimal
// alignment of money fields), and for every dialog its written table and the
// round trip of writing, reopening and writing again.
#include <gtest/gtest.h>

#include "common/text.hpp"
#include "dialog_session.hpp"
#include "dialogs/fee_dialog.hpp"
#include "dialogs/frm_kat4.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using namespace testing;  // NOLINT: the script steps

using FeeDialogTest = DialogSession;

TEST(AlignDecimals, MovesTheIntegerPartBeforeTheComma) {
  EXPECT_EQ(AlignDecimals("12   ,  "), "   12");
  EXPECT_EQ(AlignDecimals("1    ,  "), "    1");
  EXPECT_EQ(AlignDecimals("12345,  "), "12345,  ");
  EXPECT_EQ(AlignDecimals("  256,01"), "  256,01");
  EXPECT_EQ(AlignDecimals("     ,  "), "     ");
}

TEST_F(FeeDialogTest, MoneyFieldsAlignOnTheCommaAndWhenLeftAndFieldsSelectOnFocus) {
  Run(Script(Type("MaskEdBoxWert", "12,"), Expect("MaskEdBoxWert", "   12,  "),
             Has("MaskEdBoxWert", "sel_start", 6), Has("MaskEdBoxWert", "sel_length", 0),
             Type("MaskEdBoxWert", "7."), Expect("MaskEdBoxWert", "    7,  "),
             Type("MaskEdBoxWert", "3"), Click("MaskEdBoxAnteil"),
             Expect("MaskEdBoxWert", "    3,00"), Focus("MaskEdBoxAnteil"),
             Has("MaskEdBoxAnteil", "sel_start", 0), Has("MaskEdBoxAnteil", "sel_length", 4),
             Focus("TextBoxFlst"), Has("TextBoxFlst", "sel_start", 9),
             Has("TextBoxFlst", "sel_length", 0), Focus("MaskEdBoxWert"),
             Has("MaskEdBoxWert", "sel_start", 0), Has("MaskEdBoxWert", "sel_length", 8),
             Type("MaskEdBoxWert", "12"), Expect("MaskEdBoxWert", "12   ,  "),
             Key("MaskEdBoxWert", "Enter"), kGrid6(1, 4, "   12,00"), kVerwerfen));
}

// Applying the last line prepares a new one (current row = Rows) that the
// next apply appends; applying an earlier line loads the one after it.
TEST_F(FeeDialogTest, ApplyingAdvancesToTheNextLineOrAFreshOne) {
  Run(Script(Line("Flst.Nr. 1", "1", "2", "3", "51,01", "500"), kGrid6.Rows(2),
             kGrid6(1, 0, "Flst.Nr. 1"), Expect("TextBoxFlst", "Flst.Nr. 12/3"),
             Expect("MaskEdBox7_1", " 4"), Expect("MaskEdBoxWert", "   51,01"),
             Has("GridGebühren6", "row", 1), Has("GridGebühren6", "col", 1),
             ExpectFocus("TextBoxFlst"), Line("Flst.Nr. 2", "2", "0", "0", "12,"), kGrid6.Rows(3),
             kGrid6(2, 6, "   92,04"), kGrid6.Select(1), Expect("TextBoxFlst", "Flst.Nr. 1"),
             Expect("MaskEdBox7_1", " 1"), Expect("MaskEdBox7_2", " 2"),
             Expect("MaskEdBox7_3", " 3"), Expect("MaskEdBoxWert", "   51,01"),
             Expect("MaskEdBoxAnteil", " 500"), Type("TextBoxFlst", "Flst.Nr. 1a"), kApply,
             kGrid6(1, 0, "Flst.Nr. 1a"), kGrid6.Rows(3), Expect("TextBoxFlst", "Flst.Nr. 2"),
             Expect("MaskEdBox7_1", " 2"), Has("GridGebühren6", "row", 2),
             Has("GridGebühren6", "row_sel", 2), Has("GridGebühren6", "col_sel", 5), kVerwerfen));
  EXPECT_EQ(forms::FormInstance<FrmKat4>().CurrentRow(), 2);
}

TEST_F(FeeDialogTest, NeuPreparesALineAtTheEndAndEinfügenFillsTheInsertedRow) {
  Run(Script(Line("Flst.Nr. 1", "1", "0", "0", "6,"), Line("Flst.Nr. 2", "2", "0", "0", "6,"),
             kGrid6.Select(2), Click("CommandButtonNeu"), Expect("TextBoxFlst", "Flst.Nr. 12/3"),
             Has("GridGebühren6", "row", 1), ExpectFocus("TextBoxFlst"),
             Line("Flst.Nr. 3", "1", "0", "0", "6,"), kGrid6.Rows(4), kGrid6(3, 0, "Flst.Nr. 3"),
             kGrid6.Select(2), Click("Commandneu"), kGrid6.Rows(5), kGrid6(2, 0, " "),
             kGrid6(3, 0, "Flst.Nr. 2"), Expect("TextBoxFlst", "Flst.Nr. 12/3"),
             Line("Flst.Nr. 1b", "3", "0", "0", "6,"), kGrid6(2, 0, "Flst.Nr. 1b"),
             kGrid6(2, 6, "  107,37"), kGrid6(3, 0, "Flst.Nr. 2"),
             Expect("TextBoxFlst", "Flst.Nr. 2"), kVerwerfen));
}

// The question names the line it deletes: after "Neu" the selection still
// marks line 1, which the user may not mean.
TEST_F(FeeDialogTest, LöschenAsksOnlyYesRemovesAndTheOnlyLineIsEmptied) {
  Run(Script(Line("Flst.Nr. 1", "1", "0", "0", "6,"), Line("Flst.Nr. 2", "2", "0", "0", "6,"),
             Click("CommandButtonNeu"), Click("CommandLöschen"),
             Answer("Nein", "Zeile 1 (Flst.Nr. 1) löschen?"), kGrid6.Rows(3), kGrid6.Select(1),
             Click("CommandLöschen"), Answer("Nein"), kGrid6.Rows(3), Click("CommandLöschen"),
             Answer("Ja"), kGrid6.Rows(2), kGrid6(1, 0, "Flst.Nr. 2"),
             Expect("TextBoxFlst", "Flst.Nr. 2"), kLöschen, kGrid6.Rows(2), kGrid6(1, 0, ""),
             kGrid6(1, 6, ""), Expect("TextBoxFlst", ""), kAbbruch));
  ASSERT_EQ(boxes_.size(), 4u);
  EXPECT_EQ(boxes_[3].prompt, "Zeile 1 (Flst.Nr. 2) löschen?");
  EXPECT_EQ(boxes_[0].buttons, 4);
  EXPECT_EQ(boxes_[0].value8, -2);
  EXPECT_EQ(forms::FormInstance<FrmKat4>().CurrentRow(), 1);
}

// Escape is Abbruch; Abbruch and the close box ask before applied lines are
// lost, and only Yes leaves. Without changes they leave at once.
TEST_F(FeeDialogTest, LeavingAsksBeforeChangedLinesAreLost) {
  const json still_open = {{"action", "expect"}, {"form", "frmKat4"}, {"visible", true}};
  Run(Script(Key("TextBoxFlst", "Escape")));
  Run(Script(Line("Flst.Nr. 1", "1", "0", "0", "6,"), Key("TextBoxFlst", "Escape"),
             Answer("Nein", "Die geänderten Zeilen verwerfen?"), still_open,
             json{{"action", "close"}}, Answer("Nein"), still_open, kAbbruch, Answer("Nein"),
             still_open, json{{"action", "close"}}, Answer("Ja")));
  EXPECT_EQ(boxes_.size(), 4u);
  EXPECT_EQ(boxes_[0].buttons, 36);
  EXPECT_FALSE(Marked("Korvax_4"));
}

// The table selection left with its close box or Escape cancels the call:
// the dialog does not open, and nothing is written (once a second table of
// the category was appended).
TEST_F(FeeDialogTest, LeavingTheTableSelectionCancelsTheCall) {
  Run(Script(Line("Flst.Nr. 1", "1", "0", "0", "6,"), kOk));
  const json close = {{"form", "G_frmTabelle"}, {"action", "close"}};
  const json escape = {{"form", "G_frmTabelle"}, {"action", "key"}, {"key", "Escape"}};
  for (const json& leave : {close, escape}) {
    Run(Script(leave));
    EXPECT_EQ(doc_->Tables().Count(), 1);
  }
}

// One dialog with one typical line: its grid, the table it writes and what
// the grid shows again when the invoice is opened anew.
struct DialogCase {
  std::string name;  // frmKatN: opened by Show with N - 1, its table marked Korvax_N
  std::string grid;
  json line;
  Rows written;
  std::vector<std::string> reloaded;  // grid row 1 after reopening

  int Index() const { return name.back() - '1'; }
  std::string Key() const { return "Korvax_" + name.substr(name.size() - 1); }
  FeeDialog& Form() const { return dynamic_cast<FeeDialog&>(*forms::Form::FindForm(name)); }
  // Test listings name the dialog instead of dumping the case's bytes.
  friend void PrintTo(const DialogCase& c, std::ostream* os) { *os << c.name; }
};

const std::string kKat1 = "Kategorie I   (bis 5)";

std::vector<DialogCase> Cases() {
  return {
      {"frmKat1",
       "GridGebühren1",
       json::array({Type("TextBoxFlst", "Flst.Nr. 12/3"), Type("MaskEdBoxFläche", "100"),
                    Type("MaskEdBoxWert", "12,"), kApply}),
       {{"Flurstückszerlegung nach Nr. 2.1", "", "Fläche [m²]", "Wert €/m²", ""},
        {"Flst.Nr. 12/3", "", "   100", "   12,00", "  306,78 "}},
       {"Flst.Nr. 12/3", "   100", "   12,00", "1000", "  306,78"}},
      {"frmKat2",
       "GridGebühren3",
       json::array({Type("TextBoxFlst", "Flst.Nr. 12/3"), Type("MaskEdBoxWert", "72000"),
                    Type("MaskEdBoxTeile", "3"), Type("TextBoxBeschreibung", "Wohnhaus"), kApply}),
       {{"Gebäudeaufnahme nach Nr. 3.1", "", "", "", ""},
        {"Flst.Nr. 12/3\vBaukosten:      72.000;   3 Gebäudeteile\vWohnhaus", "", "", "",
         "   204,52"}},
       {"Flst.Nr. 12/3", "  72.000", " 3", "1000", "  204,52", "Wohnhaus"}},
      {"frmKat3",
       "GridGebühren6",
       json::array({Type("TextBoxFlst", "Weg 1"), Type("MaskEdBoxAchse", "120"), kApply}),
       {{"Vermessung nach Nr. 5", "Nr.", " Flurstücksdichte", " Achse\tPreis/lfdm", ""},
        {"Weg 1", "5.1.1", kKat1, "  120 m\t   23,00", " 2760,00 €"}},
       {"Weg 1", "5.1.1", kKat1, "  120 m", "", "   23,00", " 2760,00 €"}},
      {"frmKat4",
       "GridGebühren6",
       Line("Flst.Nr. 12/3", "1", "0", "0", "12,"),
       {{"Grenzfeststellung nach", "", "Nr. 7.1\tNr. 7.2\tNr. 7.3", "Wert €/m²", ""},
        {"Flst.Nr. 12/3", "", "\t1 \t0 \t0 ", "   12,00", "   46,02 €"}},
       {"Flst.Nr. 12/3", "1 ", "0 ", "0 ", "   12,00", "1000", "   46,02"}},
  };
}

class EveryDialog : public DialogSession, public ::testing::WithParamInterface<DialogCase> {
 protected:
  EveryDialog() : DialogSession(GetParam().Index()) {}
};

TEST_P(EveryDialog, AbbruchWritesNothing) {
  Run(Script(GetParam().line, kVerwerfen));
  EXPECT_EQ(doc_->Tables().Count(), 0);
  EXPECT_FALSE(GetParam().Form().IsLoaded());
}

// The table goes behind the invoice text, bold header, fee right-aligned, no
// borders, the bookmark on cell (1,5); reopened, the grid shows the line
// again, and finishing unchanged writes the same table in place of the old.
TEST_P(EveryDialog, WritesItsTableAndReadsItBack) {
  const DialogCase& c = GetParam();
  Run(Script(c.line, kOk));
  word::Table table = Marked(c.Key());
  ASSERT_TRUE(table);
  EXPECT_EQ(TableTexts(table), c.written);
  EXPECT_EQ(text::Left(doc_->Content().Text(), 15), "Rechnung Nr. 1\r");
  EXPECT_EQ(table.Cell(1, 1).Range().Font().Bold(), 1);
  EXPECT_EQ(table.Cell(2, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  for (int seite : {word::wdBorderTop, word::wdBorderHorizontal, word::wdBorderVertical}) {
    EXPECT_EQ(table.Borders(seite).LineStyle(), word::wdLineStyleNone) << seite;
  }
  ASSERT_TRUE(doc_->Bookmarks().Exists(c.Key()));
  EXPECT_EQ(doc_->Bookmarks().Item(c.Key()).Start(), table.Cell(1, 5).Range().Start());
  EXPECT_FALSE(c.Form().IsLoaded());
  const int tables = doc_->Tables().Count();

  const GridSteps grid{c.grid};
  Reopen(Script(grid.Rows(2), grid.Row(1, c.reloaded), kOk));
  EXPECT_EQ(TableTexts(Marked(c.Key())), c.written);
  EXPECT_EQ(doc_->Tables().Count(), tables);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, EveryDialog, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvax::dialogs
