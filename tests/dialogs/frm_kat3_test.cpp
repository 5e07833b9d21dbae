// frmKat3 (Nr. 4/5): items, categories, prices per metre, the length fields,
// the order context's axis and the in-town rows, in the grid and in the
// invoice.
#include <gtest/gtest.h>

#include "dialog_session.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat3.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using namespace testing;  // NOLINT: the script steps

const GridSteps& Z = kGrid6;
const std::string kKat1 = "Kategorie I   (bis 5)";
const std::string kKat2 = "Kategorie II  (über 5 bis 15)";
const std::string kKat3 = "Kategorie III (über 15)";

class FrmKat3Test : public DialogSession {
 protected:
  FrmKat3Test() : DialogSession(2) {}
};

// One line typed into the fields and applied with the button.
json Linie(const std::string& text, const std::string& position, const std::string& kategorie,
           const std::string& achse, const std::string& im_ort = "0") {
  // Typing nothing leaves a text as it was: an empty axis is deleted.
  const json achse_eingeben =
      achse.empty() ? Key("MaskEdBoxAchse", "Backspace") : Type("MaskEdBoxAchse", achse);
  return json::array({Type("TextBoxFlst", text), Choose("ComboBox4", position),
                      Choose("comFlurstücksdichte", kategorie), achse_eingeben,
                      Type("MaskEdBoxImOrt", im_ort), kApply});
}

std::vector<std::string> ImOrt(const std::string& meter, const std::string& zuschlag) {
  return {"Davon " + meter + " m innerhalb geschlossener Ortslage ergibt einen Zuschlag von ", "",
          "", "", zuschlag};
}

// Thousands separators and in-town rows are read back by the dialog tests
// below; here the lengths no line shows and a surcharge text without a number.
TEST(FrmKat3Länge, LengthsAreWholeMetresAndASurchargeRowNeedsItsNumber) {
  EXPECT_EQ(Länge("12,7 m"), 12);
  EXPECT_EQ(Länge(""), 0);
  EXPECT_EQ(Länge("-5 m"), 0);
  double länge = 0;
  EXPECT_FALSE(IstImOrtZeile(
      "Davon x m innerhalb geschlossener Ortslage ergibt einen Zuschlag von ", länge));
}

// The length fields show whole metres; an empty or zero axis counts as one
// metre, and so does the order context, which takes the last axis applied.
TEST_F(FrmKat3Test, DefaultsLengthFieldsAndThePriceOfTheMetre) {
  Library().order.Achslänge = 250;
  Run(Script(Has("ComboBox4", "list_index", 0), Has("comFlurstücksdichte", "list_index", 0),
             Expect("TextBoxFlst", ""), Expect("MaskEdBoxAchse", "  250 m"),
             Expect("MaskEdBoxImOrt", "   0 m"), Type("MaskEdBoxAchse", "1234"),
             Click("MaskEdBoxImOrt"), Expect("MaskEdBoxAchse", "1.234 m"),
             Type("MaskEdBoxImOrt", "75"), Click("TextBoxFlst"), Expect("MaskEdBoxImOrt", "  75 m"),
             kApply, Z(1, 3, "1.234 m"), Z(1, 6, "28382,00"), Choose("comFlurstücksdichte", kKat3),
             Type("MaskEdBoxAchse", "10"), kEnter, Z(2, 3, "10"), Z(2, 6, "  307,00"),
             Linie("Weg 2", "5.1.4", kKat3, "100"), Z.Cells(3, 5, "    6,14", "  614,00"),
             Linie("leer", "5.1.1", kKat1, ""), Z(4, 3, "    0 m"), Z(4, 6, "   23,00"),
             Expect("MaskEdBoxAchse", "    1 m"), Linie("null", "5.1.1", kKat1, "0"),
             Z(5, 6, "   23,00"), kVerwerfen));
  EXPECT_EQ(Library().order.Achslänge, 1);
}

// 40 km do not fit the order context: the line is priced with its own
// length, the context keeps 32767, the overflow is reported once, and the
// length comes back whole from the invoice.
TEST_F(FrmKat3Test, AxisBeyondTheOrderContextKeepsItsFee) {
  Run(Script(Linie("Leitung", "5.1.4", kKat1, "40000", "1500"), Z(1, 3, "40.000 m"),
             Z.Cells(1, 5, "    4,60", "184000,00"), Expect("MaskEdBoxAchse", "32767 m"), kOk));
  EXPECT_EQ(Library().order.Achslänge, 32767);
  log_entries_ = 1;
  EXPECT_TRUE(Reported(6, "frmKat3.ÜbernehmenWerte")) << Log();
  const Rows first = TableTexts(Marked("Korvax_3"));
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[1][3], "40.000 m\t    4,60");
  EXPECT_EQ(first[1][4], "184000,00 €");
  EXPECT_EQ(first[2], ImOrt("1500", " 1380,00 €"));
  Reopen(Script(Z.Rows(2), Z.Cells(1, 3, "40.000 m", "1500 m"), kOk));
  EXPECT_EQ(TableTexts(Marked("Korvax_3")), first);
}

// In-town metres add a surcharge row below their line; the load folds it
// back into the line, and "1.234 m" comes back as 1234, not 1.
TEST_F(FrmKat3Test, InTownRowsAreWrittenAndFoldedBack) {
  Run(Script(Linie("Weg 1", "5.1.1", kKat1, "120", "10"), Linie("Weg 2", "5.1.2", kKat2, "50"),
             Linie("Weg 3", "5.1.4", kKat3, "1234"), kOk));
  word::Table table = Marked("Korvax_3");
  const Rows first = TableTexts(table);
  EXPECT_EQ(first,
            (Rows{{"Vermessung nach Nr. 5", "Nr.", " Flurstücksdichte", " Achse\tPreis/lfdm", ""},
                  {"Weg 1", "5.1.1", kKat1, "  120 m\t   23,00", " 2760,00 €"},
                  ImOrt("10", "   46,00 €"),
                  {"Weg 2", "5.1.2", kKat2, "   50 m\t   18,80", "  939,75 €"},
                  {"Weg 3", "5.1.4", kKat3, "1.234 m\t    6,14", " 7576,76 €"}}));
  EXPECT_EQ(table.Cell(3, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  const double widths[] = {12.1, 0.3, 0.3, 0.3, 3.0};
  for (int c = 1; c <= 5; ++c) EXPECT_NEAR(table.Cell(3, c).Width(), widths[c - 1] * 28.3465, 0.05);
  EXPECT_EQ(table.Cell(2, 3).Range().ParagraphFormat().TabStops().Count(), 2);
  Reopen(Script(Z.Rows(4),
                Z.Cells(1, 0, "Weg 1", "5.1.1", kKat1, "  120 m", "10 m", "   23,00", " 2760,00 €"),
                Z.Cells(3, 3, "1.234 m", ""), Expect("MaskEdBoxImOrt", "  10 m"), Z.Select(3),
                Expect("MaskEdBoxAchse", " 1234 m"), Expect("MaskEdBoxImOrt", "   0 m"), kOk));
  EXPECT_EQ(TableTexts(Marked("Korvax_3")), first);
}

TEST_F(FrmKat3Test, FreeTextStartingWithDavonStaysALine) {
  Run(Script(Linie("Davon abweichend", "5.1.1", kKat1, "10"),
             Linie("Davon 3 m innerhalb", "5.1.1", kKat1, "20"), kOk));
  const Rows first = TableTexts(Marked("Korvax_3"));
  ASSERT_EQ(first.size(), 3u);
  Reopen(Script(Z.Rows(3), Z(1, 0, "Davon abweichend"), Z(2, 0, "Davon 3 m innerhalb"), Z(1, 4, ""),
                kOk));
  EXPECT_EQ(TableTexts(Marked("Korvax_3")), first);
}

// The only line is not deleted, not even asked about; otherwise the question
// has the question icon and the grid goes back to its first line.
TEST_F(FrmKat3Test, DeletingAsksWithTheQuestionIconAndGoesBackToTheFirstLine) {
  Run(Script(Linie("Weg 1", "5.1.1", kKat1, "1"), Click("CommandLöschen"), Z.Rows(2),
             Linie("Weg 2", "5.1.1", kKat1, "2"), Linie("Weg 3", "5.1.1", kKat1, "3"), Z.Select(3),
             kLöschen, Z.Rows(3), Z(2, 0, "Weg 2"), Has("GridGebühren6", "top_row", 1),
             Has("GridGebühren6", "row_sel", 1), Expect("TextBoxFlst", "Weg 1"),
             Linie("Weg 1a", "5.1.1", kKat1, "4"), Z(1, 0, "Weg 1a"), Z(2, 0, "Weg 2"),
             kVerwerfen));
  ASSERT_EQ(boxes_.size(), 2u);  // and the question of Abbruch
  EXPECT_EQ(boxes_[0].buttons, 36);
  EXPECT_EQ(boxes_[0].prompt, "Zeile 3 (Weg 3) löschen?");
}

// The inserted line is a 4.1.1 line with factor one, also right after a line
// was applied (the last line stays), and comes back with its item.
TEST_F(FrmKat3Test, InsertedLinesAre411) {
  Run(Script(Linie("Weg 1", "5.1.1", kKat1, "120"), Click("CommandNeu"), Z.Rows(3),
             Z.Cells(1, 0, " ", "4.1.1"), Expect("ComboBox4", "4.1.1"), Expect("TextBoxFlst", ""),
             Type("TextBoxFlst", "Vorarbeiten"), Choose("comFlurstücksdichte", kKat3),
             Type("MaskEdBoxAchse", "100"), kApply, Z.Cells(1, 0, "Vorarbeiten", "4.1.1"),
             Z.Cells(1, 5, "    6,14", "  614,00"), Z(2, 0, "Weg 1"), Z(2, 6, " 2760,00"), kOk));
  EXPECT_EQ(
      TableTexts(Marked("Korvax_3"))[1],
      (std::vector<std::string>{"Vorarbeiten", "4.1.1", kKat3, "  100 m\t    6,14", "  614,00 €"}));
  Reopen(Script(Expect("ComboBox4", "4.1.1"), Type("MaskEdBoxAchse", "200"), kApply,
                Z.Cells(1, 5, "    6,14", " 1228,00"), kOk));
  EXPECT_EQ(CellText(Marked("Korvax_3"), 2, 2), "4.1.1");
}

}  // namespace
}  // namespace korvax::dialogs
