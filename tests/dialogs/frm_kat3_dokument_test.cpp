// frmKat3 and the invoice: the Korvax_3 table, its in-town rows, and reading
// all of it back.
#include <gtest/gtest.h>

#include "common/text.hpp"
#include "dialog_session.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat3.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using nlohmann::json;
using namespace testing;  // NOLINT: the script steps
using Rows = std::vector<std::vector<std::string>>;

constexpr double kPunkteJeCm = 28.3465;

json Choose(const std::string& control, const std::string& item) {
  return {{"action", "choose"}, {"control", control}, {"item", item}};
}

json Linie(const std::string& text, const std::string& position, int kategorie,
           const std::string& achse, const std::string& im_ort = "0") {
  return json::array({Type("TextBoxFlst", text), Choose("ComboBox4", position),
                      Choose("comFlurstücksdichte", std::string(kFlurstücksdichten[kategorie - 1])),
                      Type("MaskEdBoxAchse", achse), Type("MaskEdBoxImOrt", im_ort),
                      Click("CommandÜbernehmen")});
}

const std::vector<std::string> kKopf = {"Vermessung nach Nr. 5", "Nr.", " Flurstücksdichte",
                                        " Achse\tPreis/lfdm", ""};
const std::string kKat1 = "Kategorie I   (bis 5)";
const std::string kKat3 = "Kategorie III (über 15)";

std::vector<std::string> ImOrt(const std::string& meter, const std::string& zuschlag) {
  return {"Davon " + meter + " m innerhalb geschlossener Ortslage ergibt einen Zuschlag von ", "",
          "", "", zuschlag};
}

class FrmKat3DokumentTest : public DialogSession {
 protected:
  void Run(const json& steps) { DialogSession::Run(steps, 2); }
};

TEST_F(FrmKat3DokumentTest, OneLineIsWrittenAsTheNr45TableAtTheEnd) {
  Run(Script({Linie("Weg 1", "5.1.1", 1, "120"), kOk}));
  ASSERT_EQ(doc_->Tables().Count(), 1);
  word::Table table = Marked("Korvax_3");
  ASSERT_TRUE(table);
  EXPECT_EQ(TableTexts(table),
            (Rows{kKopf, {"Weg 1", "5.1.1", kKat1, "  120 m\t   23,00", " 2760,00 €"}}));
  EXPECT_EQ(text::Left(doc_->Content().Text(), 15), "Rechnung Nr. 1\r");
  EXPECT_EQ(table.Cell(1, 1).Range().Font().Bold(), 1);
  EXPECT_EQ(table.Cell(1, 4).Range().Font().Bold(), 1);
  EXPECT_EQ(table.Cell(1, 3).Range().ParagraphFormat().TabStops().Count(), 1);
  EXPECT_EQ(table.Cell(1, 4).Range().ParagraphFormat().TabStops().Count(), 1);
  EXPECT_EQ(table.Cell(2, 3).Range().ParagraphFormat().TabStops().Count(), 2);
  EXPECT_EQ(table.Cell(2, 4).Range().ParagraphFormat().TabStops().Count(), 2);
  EXPECT_EQ(table.Cell(2, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_EQ(table.Borders(word::wdBorderTop).LineStyle(), word::wdLineStyleNone);
  EXPECT_EQ(table.Borders(word::wdBorderHorizontal).LineStyle(), word::wdLineStyleNone);
  const double widths[] = {5.0, 2.0, 4.0, 4.0, 2.5};
  for (int c = 1; c <= 5; ++c) {
    EXPECT_NEAR(table.Columns().Item(c).Width(), widths[c - 1] * kPunkteJeCm, 0.05) << c;
  }
  EXPECT_TRUE(doc_->Bookmarks().Exists("Korvax_3"));
  EXPECT_EQ(doc_->Bookmarks().Item("Korvax_3").Start(), table.Cell(1, 5).Range().Start());
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat3DokumentTest, InTownMetresAddASurchargeRowBelowTheLine) {
  Run(Script({Linie("Ortsdurchfahrt", "5.1.4", 1, "300", "120"), kOk}));
  word::Table table = Marked("Korvax_3");
  ASSERT_TRUE(table);
  EXPECT_EQ(TableTexts(table),
            (Rows{kKopf,
                  {"Ortsdurchfahrt", "5.1.4", kKat1, "  300 m\t    4,60", " 1380,00 €"},
                  ImOrt("120", "  110,40 €")}));
  EXPECT_EQ(table.Cell(3, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  const double widths[] = {12.1, 0.3, 0.3, 0.3, 3.0};
  for (int c = 1; c <= 5; ++c) {
    EXPECT_NEAR(table.Cell(3, c).Width(), widths[c - 1] * kPunkteJeCm, 0.05) << c;
  }
  EXPECT_NEAR(table.Cell(2, 1).Width(), 5.0 * kPunkteJeCm, 0.05);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat3DokumentTest, TwoLinesWithInTownPartsStayInOrder) {
  Run(Script({Linie("Weg 1", "5.1.1", 1, "120", "10"), Linie("Weg 2", "5.1.2", 2, "50"),
              Linie("Weg 3", "5.1.4", 3, "1000", "200"), kOk}));
  EXPECT_EQ(
      TableTexts(Marked("Korvax_3")),
      (Rows{kKopf,
            {"Weg 1", "5.1.1", kKat1, "  120 m\t   23,00", " 2760,00 €"},
            ImOrt("10", "   46,00 €"),
            {"Weg 2", "5.1.2", "Kategorie II  (über 5 bis 15)", "   50 m\t   18,80", "  939,75 €"},
            {"Weg 3", "5.1.4", kKat3, "1.000 m\t    6,14", " 6140,00 €"},
            ImOrt("200", "  245,60 €")}));
}

// Everything the finish path writes comes back on the next opening, and
// finishing again unchanged writes the same table.
TEST_F(FrmKat3DokumentTest, ReopeningFoldsTheInTownRowsBackAndWritesTheSame) {
  Run(Script({Linie("Weg 1", "5.1.1", 1, "120", "120"), Linie("Weg 2", "5.1.4", 3, "1234"),
              Linie("Weg 3", "5.1.3", 2, "80", "5"), kOk}));
  const Rows first = TableTexts(Marked("Korvax_3"));
  ASSERT_EQ(first.size(), 6u);
  Reopen();
  Run(Script({kErsteTabelle,
              ExpectRows(4),
              ExpectCell(1, 0, "Weg 1"),
              ExpectCell(1, 1, "5.1.1"),
              ExpectCell(1, 2, kKat1),
              Cells(ExpectCell, 1, 3, {"  120 m", "120 m", "   23,00", " 2760,00 €"}),
              ExpectCell(2, 0, "Weg 2"),
              ExpectCell(2, 3, "1.234 m"),
              ExpectCell(2, 4, ""),
              ExpectCell(2, 6, " 7576,76 €"),
              ExpectCell(3, 0, "Weg 3"),
              ExpectCell(3, 4, "5 m"),
              Expect("TextBoxFlst", "Weg 1"),
              Expect("ComboBox4", "5.1.1"),
              Expect("MaskEdBoxAchse", "  120 m"),
              Expect("MaskEdBoxImOrt", " 120 m"),
              SelectRow(2),
              Expect("MaskEdBoxAchse", " 1234 m"),
              Expect("MaskEdBoxImOrt", "   0 m"),
              kOk}));
  EXPECT_EQ(doc_->Tables().Count(), 1);
  EXPECT_EQ(TableTexts(Marked("Korvax_3")), first);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat3DokumentTest, AxisBeyondTheOrderContextRoundTrips) {
  Run(Script({Linie("Leitung", "5.1.4", 1, "40000", "1500"), kOk}));
  const Rows first = TableTexts(Marked("Korvax_3"));
  EXPECT_EQ(first[1][3], "40.000 m\t    4,60");
  EXPECT_EQ(first[1][4], "184000,00 €");
  EXPECT_EQ(first[2], ImOrt("1500", " 1380,00 €"));
  Reopen();
  Run(Script({kErsteTabelle, ExpectRows(2), ExpectCell(1, 3, "40.000 m"),
              ExpectCell(1, 4, "1500 m"), kOk}));
  EXPECT_EQ(TableTexts(Marked("Korvax_3")), first);
}

TEST_F(FrmKat3DokumentTest, FreeTextStartingWithDavonStaysALine) {
  Run(Script({Linie("Davon abweichend", "5.1.1", 1, "10"),
              Linie("Davon 3 m innerhalb", "5.1.1", 1, "20"), kOk}));
  const Rows first = TableTexts(Marked("Korvax_3"));
  ASSERT_EQ(first.size(), 3u);
  Reopen();
  Run(Script({kErsteTabelle, ExpectRows(3), ExpectCell(1, 0, "Davon abweichend"),
              ExpectCell(2, 0, "Davon 3 m innerhalb"), ExpectCell(1, 4, ""), kOk}));
  EXPECT_EQ(TableTexts(Marked("Korvax_3")), first);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat3DokumentTest, An411LineComesBackWithItsItem) {
  Run(Script({Linie("Weg 1", "5.1.1", 1, "120"), SelectRow(1), Click("CommandNeu"),
              Type("TextBoxFlst", "Vorarbeiten"), Choose("comFlurstücksdichte", kKat3),
              Type("MaskEdBoxAchse", "100"), Click("CommandÜbernehmen"), kOk}));
  EXPECT_EQ(
      TableTexts(Marked("Korvax_3"))[1],
      (std::vector<std::string>{"Vorarbeiten", "4.1.1", kKat3, "  100 m\t    6,14", "  614,00 €"}));
  Reopen();
  Run(Script({kErsteTabelle, Expect("ComboBox4", "4.1.1"), Type("MaskEdBoxAchse", "200"),
              Click("CommandÜbernehmen"), ExpectCell(1, 1, "4.1.1"), ExpectCell(1, 5, "    6,14"),
              ExpectCell(1, 6, " 1228,00"), kOk}));
  EXPECT_EQ(ZellText(Marked("Korvax_3"), 2, 2), "4.1.1");
}

TEST_F(FrmKat3DokumentTest, FeesOfOlderInvoicesLoseTheirCurrencyLetters) {
  Run(Script({Linie("Weg 1", "5.1.1", 1, "10"), kOk}));
  word::Table table = Marked("Korvax_3");
  word::Range fee = table.Cell(2, 5).Range();
  fee.SetText("  230,00 DM");
  Reopen();
  Run(Script({kErsteTabelle, ExpectCell(1, 6, "  230,00 "), kOk}));
  EXPECT_EQ(ZellText(Marked("Korvax_3"), 2, 5), "  230,00 €");
}

}  // namespace
}  // namespace korvax::dialogs
