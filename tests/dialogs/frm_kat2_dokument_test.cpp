// frmKat2 and the invoice: the written Nr. 3 table, cost ranges, share
// notes, blank lines and reading all of it back.
#include <gtest/gtest.h>

#include "common/text.hpp"
#include "dialog_session.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat2.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using nlohmann::json;
using namespace testing;  // NOLINT: the script steps
using Rows = std::vector<std::vector<std::string>>;

constexpr int kNr3 = 1;

json Zelle(int row, int col, const std::string& text) {
  return {{"action", "expect"}, {"control", "GridGebühren3"}, {"cell", {row, col}}, {"text", text}};
}
json Zeilen(int rows) {
  return {{"action", "expect"}, {"control", "GridGebühren3"}, {"rows", rows}};
}
json Gewählt(const std::string& option) {
  return {{"action", "expect"}, {"control", option}, {"value", true}};
}
json Bereich(int value) {
  return {{"action", "expect"}, {"control", "chkBereich"}, {"value", value}};
}

json Gebäude(const std::string& flst, const std::string& wert, const std::string& teile,
             const std::string& anteil = "1000", const std::string& beschreibung = "Wohnhaus") {
  return json::array({Type("TextBoxFlst", flst), Type("MaskEdBoxWert", wert),
                      Type("MaskEdBoxTeile", teile), Type("MaskEdBoxAnteil", anteil),
                      Type("TextBoxBeschreibung", beschreibung), Click("CommandÜbernehmen")});
}

class FrmKat2DokumentTest : public DialogSession {
 protected:
  void Run(const json& steps) { DialogSession::Run(steps, kNr3); }
};

TEST_F(FrmKat2DokumentTest, OneLineIsWrittenAsTheNr3TableAtTheEnd) {
  Run(Script({Gebäude("Flst.Nr. 12/3", "72000", "3"), kOk}));
  ASSERT_EQ(doc_->Tables().Count(), 1);
  word::Table table = Marked("Korvax_2");
  ASSERT_TRUE(table);
  EXPECT_EQ(TableTexts(table),
            (Rows{{"Gebäudeaufnahme nach Nr. 3.1", "", "", "", ""},
                  {"Flst.Nr. 12/3\vBaukosten:      72.000;   3 Gebäudeteile\vWohnhaus", "", "", "",
                   "   204,52"}}));
  EXPECT_EQ(text::Left(doc_->Content().Text(), 15), "Rechnung Nr. 1\r");
  EXPECT_EQ(text::Right(doc_->Content().Text(), 1), "\r");
  EXPECT_EQ(table.Cell(1, 1).Range().Font().Bold(), 1);
  EXPECT_EQ(table.Cell(2, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_EQ(table.Borders(word::wdBorderTop).LineStyle(), word::wdLineStyleNone);
  EXPECT_EQ(table.Borders(word::wdBorderHorizontal).LineStyle(), word::wdLineStyleNone);
  const double widths[] = {12.0, 1.0, 1.0, 1.0, 2.5};
  for (int c = 1; c <= 5; ++c) {
    EXPECT_NEAR(table.Columns().Item(c).Width(), widths[c - 1] * 28.3465, 0.05) << c;
  }
  EXPECT_TRUE(doc_->Bookmarks().Exists("Korvax_2"));
  EXPECT_EQ(doc_->Bookmarks().Item("Korvax_2").Start(), table.Cell(1, 5).Range().Start());
  EXPECT_FALSE(forms::FormInstance<FrmKat2>().IsLoaded());
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2DokumentTest, OnePartIsAGebäudeteilTwoAreGebäudeteile) {
  Run(Script({Gebäude("Flst.Nr. 1", "500", "1"), Gebäude("Flst.Nr. 2", "500", "2"),
              Gebäude("Flst.Nr. 3", "500", "0"), kOk}));
  const Rows rows = TableTexts(Marked("Korvax_2"));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1][0], "Flst.Nr. 1\vBaukosten:         500;   1 Gebäudeteil\vWohnhaus");
  EXPECT_EQ(rows[2][0], "Flst.Nr. 2\vBaukosten:         500;   2 Gebäudeteile\vWohnhaus");
  EXPECT_EQ(rows[3][0], "Flst.Nr. 3\vBaukosten:         500;   0 Gebäudeteil\vWohnhaus");
}

TEST_F(FrmKat2DokumentTest, AreaLinesAndTheHeaderOf33) {
  Run(Script({Click("Option33"), Gebäude("Flst.Nr. 1", "151", "2"), Tick("chkBereich"), kOk}));
  const Rows rows = TableTexts(Marked("Korvax_2"));
  EXPECT_EQ(rows[0][0], "Gebäudeaufnahme nach Nr. 3.3");
  // Areas have no ranges: the check box only concerns costs.
  EXPECT_EQ(rows[1][0], "Flst.Nr. 1\vFläche:            151;   2 Gebäudeteile\vWohnhaus");
  EXPECT_EQ(rows[1][4], "   153,39");
}

TEST_F(FrmKat2DokumentTest, ShareFiveHundredWritesTheNoteInEightPoint) {
  Run(Script({Gebäude("Flst.Nr. 5", "72000", "3", "500"), Zelle(1, 4, "  102,26"), kOk}));
  word::Table table = Marked("Korvax_2");
  EXPECT_EQ(ZellText(table, 2, 1),
            "Flst.Nr. 5\vBaukosten:      72.000;   3 Gebäudeteile\vWohnhaus"
            "\vBetrag :  €   204,52 Ihr Anteil  500/1000");
  EXPECT_EQ(ZellText(table, 2, 5), "   102,26");
  word::Range cell = table.Cell(2, 1).Range();
  const int note = text::InStr(ZellText(table, 2, 1), "Betrag") - 1;
  EXPECT_EQ(doc_->Range(cell.Start() + note, cell.End() - 2).Font().Size(), 8);
  EXPECT_NE(doc_->Range(cell.Start(), cell.Start() + 9).Font().Size(), 8);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2DokumentTest, ShareThreeThirtyThreeNotesThreeTimesTheFee) {
  Run(Script({Gebäude("Flst.Nr. 3", "72000", "3", "333"), kOk}));
  EXPECT_EQ(ZellText(Marked("Korvax_2"), 2, 1),
            "Flst.Nr. 3\vBaukosten:      72.000;   3 Gebäudeteile\vWohnhaus"
            "\vBetrag :  €   204,51 Ihr Anteil  333/1000");
}

TEST_F(FrmKat2DokumentTest, CostRangesAreWrittenAndReloadAsRepresentativeCosts) {
  Run(Script({Gebäude("Flst.Nr. 1", "50000", "3"), Gebäude("Flst.Nr. 2", "20000000", "1"),
              Gebäude("Flst.Nr. 3", "31000", "1"), Tick("chkBereich"), kOk}));
  word::Table table = Marked("Korvax_2");
  EXPECT_EQ(ZellText(table, 2, 1),
            "Flst.Nr. 1\vBaukosten:    31.001 bis 72.000 €;   3 Gebäudeteile\vWohnhaus");
  EXPECT_EQ(ZellText(table, 3, 1),
            "Flst.Nr. 2\vBaukosten:    größer 10.226.000 €;   1 Gebäudeteil\vWohnhaus");
  EXPECT_EQ(ZellText(table, 4, 1),
            "Flst.Nr. 3\vBaukosten:      bis 31.000 €;   1 Gebäudeteil\vWohnhaus");
  Reopen();
  Run(Script({kErsteTabelle, Bereich(1), Gewählt("Option31"), Zeilen(4), Zelle(1, 1, "  50.000"),
              Zelle(1, 2, " 3"), Zelle(1, 4, "  204,52"), Zelle(2, 1, "15.000.000"),
              Zelle(2, 4, "6.135,50"), Zelle(3, 1, "  15.000"), Expect("MaskEdBoxWert", "  50.000"),
              kOk}));
  EXPECT_EQ(ZellText(Marked("Korvax_2"), 2, 1),
            "Flst.Nr. 1\vBaukosten:    31.001 bis 72.000 €;   3 Gebäudeteile\vWohnhaus");
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2DokumentTest, EveryRangeTextReloadsItsValue) {
  const std::vector<std::pair<std::string, std::string>> stufen = {
      {"1", "  15.000"},         {"31001", "  50.000"},    {"72001", " 100.000"},
      {"153001", " 200.000"},    {"307001", " 400.000"},   {"511001", " 800.000"},
      {"1023001", "1.500.000"},  {"2045001", "3.000.000"}, {"4090001", "8.000.000"},
      {"10226001", "15.000.000"}};
  json steps = json::array();
  for (const auto& [wert, _] : stufen) {
    for (const auto& step : Gebäude("Flst.Nr. 1", wert, "1")) steps.push_back(step);
  }
  steps.push_back(Tick("chkBereich"));
  steps.push_back(kOk);
  Run(steps);
  Reopen();
  json expect = kErsteTabelle;
  expect.push_back(Bereich(1));
  for (std::size_t i = 0; i < stufen.size(); ++i) {
    expect.push_back(Zelle(static_cast<int>(i) + 1, 1, stufen[i].second));
  }
  expect.push_back(kAbbruch);
  Run(expect);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

// Everything the finish path writes comes back on the next opening, and
// finishing again unchanged writes the same table, under each basis.
TEST_F(FrmKat2DokumentTest, RoundTrip31) {
  Run(Script({Gebäude("Flst.Nr. 1", "72000", "6", "500", "Wohnhaus mit Garage"),
              Gebäude("Flst.Nr. 2", "45", "1", "10", "Schuppen"),
              Gebäude("Flst.Nr. 3", "3000000", "12", "1000", "Garage"), kOk}));
  const Rows first = TableTexts(Marked("Korvax_2"));
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(first[2][4], "     1,28");
  EXPECT_EQ(first[3][4], "  3297,84");
  Reopen();
  Run(Script({kErsteTabelle, Gewählt("Option31"), Bereich(0), Zeilen(4),
              Cells(Zelle, 1, 0,
                    {"Flst.Nr. 1", "  72.000", " 6", " 500", "  132,94", "Wohnhaus mit Garage"}),
              Cells(Zelle, 2, 1, {"      45", " 1", "  10", "    1,28", "Schuppen"}),
              Cells(Zelle, 3, 1, {"3.000.000", "12", "1000", "3.297,84", "Garage"}),
              Expect("TextBoxFlst", "Flst.Nr. 1"), Expect("MaskEdBoxAnteil", " 500"),
              Expect("TextBoxBeschreibung", "Wohnhaus mit Garage"), kOk}));
  Rows second = TableTexts(Marked("Korvax_2"));
  // A fee of four digits comes back with its thousands point.
  EXPECT_EQ(second[3][4], " 3.297,84");
  second[3][4] = first[3][4];
  EXPECT_EQ(second, first);
  EXPECT_EQ(doc_->Tables().Count(), 1);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2DokumentTest, RoundTrip32) {
  Run(Script({Click("Option32"), Gebäude("Flst.Nr. 1", "72000", "3", "250", "Halle"), kOk}));
  const Rows first = TableTexts(Marked("Korvax_2"));
  EXPECT_EQ(first[0][0], "Gebäudeaufnahme nach Nr. 3.2");
  EXPECT_EQ(first[1][4], "    20,45");
  Reopen();
  Run(Script({kErsteTabelle, Gewählt("Option32"), Expect("LabelWert", "Baukosten [€]"),
              Zelle(0, 1, " Baukosten"), Zelle(1, 1, "  72.000"), Zelle(1, 3, " 250"),
              Zelle(1, 4, "   20,45"), Click("CommandButtonNeu"),
              Gebäude("Flst.Nr. 2", "72000", "3"), Zelle(2, 4, "   81,81"), kOk}));
  const Rows second = TableTexts(Marked("Korvax_2"));
  ASSERT_EQ(second.size(), 3u);
  EXPECT_EQ(second[1], first[1]);
  EXPECT_EQ(second[0][0], "Gebäudeaufnahme nach Nr. 3.2");
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2DokumentTest, RoundTrip33) {
  Run(Script({Click("Option33"), Gebäude("Flst.Nr. 1", "80", "2", "100", "Carport"),
              Gebäude("Flst.Nr. 2", "1200", "0"), kOk}));
  const Rows first = TableTexts(Marked("Korvax_2"));
  EXPECT_EQ(first[1][0],
            "Flst.Nr. 1\vFläche:             80;   2 Gebäudeteile\vCarport"
            "\vBetrag :  €    76,70 Ihr Anteil  100/1000");
  EXPECT_EQ(first[1][4], "     7,67");
  Reopen();
  Run(Script({kErsteTabelle, Gewählt("Option33"), Expect("LabelWert", "Fläche [m²]"),
              Zelle(0, 1, "Fläche"), Zelle(1, 1, "      80"), Zelle(1, 3, " 100"),
              Zelle(1, 4, "    7,67"), Zelle(2, 1, "   1.200"), Zelle(2, 4, "  306,78"),
              Expect("MaskEdBoxWert", "      80"), kOk}));
  EXPECT_EQ(TableTexts(Marked("Korvax_2")), first);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2DokumentTest, ASecondLineWithoutSemicolonReloadsOnePart) {
  Run(Script({Gebäude("Flst.Nr. 1", "72000", "3"), kOk}));
  word::Table table = Marked("Korvax_2");
  word::Range cell = table.Cell(2, 1).Range();
  const std::string text = ZellText(table, 2, 1);
  const int von = text::InStr(text, ";") - 1;
  const int bis = text::InStr(text, "\v", von + 1) - 1;
  doc_->Range(cell.Start() + von, cell.Start() + bis).Delete();
  ASSERT_EQ(ZellText(table, 2, 1), "Flst.Nr. 1\vBaukosten:      72.000\vWohnhaus");
  Reopen();
  Run(Script({kErsteTabelle, Zelle(1, 1, "  72.000"), Zelle(1, 2, " 1"), Zelle(1, 4, "  204,52"),
              kAbbruch}));
}

TEST_F(FrmKat2DokumentTest, TheOldTableIsReplacedInPlace) {
  Run(Script({Gebäude("Flst.Nr. 1", "72000", "3"), kOk}));
  doc_->Content().InsertAfter("Schlusstext");
  Reopen();
  Run(Script({kErsteTabelle, Click("CommandButtonNeu"), Gebäude("Flst.Nr. 2", "150", "0"), kOk}));
  ASSERT_EQ(doc_->Tables().Count(), 1);
  EXPECT_EQ(TableTexts(Marked("Korvax_2")).size(), 3u);
  const std::string content = doc_->Content().Text();
  EXPECT_LT(text::InStr(content, "Flst.Nr. 2"), text::InStr(content, "Schlusstext"));
}

TEST_F(FrmKat2DokumentTest, ADeletedOnlyLineIsWrittenAsAnEmptyRow) {
  Run(Script({Gebäude("Flst.Nr. 1", "72000", "3", "500"), SelectIn("GridGebühren3", 1),
              Click("CommandLöschen"), kJa, kOk}));
  EXPECT_EQ(TableTexts(Marked("Korvax_2")),
            (Rows{{"Gebäudeaufnahme nach Nr. 3.1", "", "", "", ""}, {"", "", "", "", ""}}));
  Reopen();
  Run(Script({kErsteTabelle, Zeilen(2), Zelle(1, 0, ""), Zelle(1, 4, ""), kOk}));
  EXPECT_EQ(TableTexts(Marked("Korvax_2"))[1], (std::vector<std::string>{"", "", "", "", ""}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat2DokumentTest, CancelWritesNothing) {
  Run(Script({Gebäude("Flst.Nr. 1", "72000", "3"), kAbbruch}));
  EXPECT_EQ(doc_->Tables().Count(), 0);
  EXPECT_FALSE(forms::FormInstance<FrmKat2>().IsLoaded());
}

TEST_F(FrmKat2DokumentTest, PythonDocxReadsTheTable) {
  Run(Script({Gebäude("Flst.Nr. 1", "72000", "3", "500"), kOk}));
  doc_->Save();
  const json tables = PythonDocxTables(path_);
  ASSERT_TRUE(tables.is_array()) << "python-docx could not read " << path_;
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0][0][0], "Gebäudeaufnahme nach Nr. 3.1");
  EXPECT_EQ(tables[0][1][0],
            "Flst.Nr. 1\nBaukosten:      72.000;   3 Gebäudeteile\nWohnhaus\n"
            "Betrag :  €   204,52 Ihr Anteil  500/1000");
  EXPECT_EQ(tables[0][1][4], "   102,26");
}

}  // namespace
}  // namespace korvax::dialogs
