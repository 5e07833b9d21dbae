// frmKat4 and the invoice: the written table, the minimum fee, bracket mode,
// share notes, the 7.4 sub-table and reading all of it back.
#include <gtest/gtest.h>

#include "common/text.hpp"
#include "dialog_session.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat4.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using nlohmann::json;
using namespace testing;  // NOLINT: the script steps
using Rows = std::vector<std::vector<std::string>>;

class FrmKat4DokumentTest : public DialogSession {};

const std::vector<std::string> kKopf = {"Grenzfeststellung nach", "", "Nr. 7.1\tNr. 7.2\tNr. 7.3",
                                        "Wert €/m²", ""};

TEST_F(FrmKat4DokumentTest, OneLineIsWrittenAsTheNr7TableAtTheEnd) {
  Run(Script({Line("Flst.Nr. 12/3", "1", "0", "0", "12,"), kOk}));
  ASSERT_EQ(doc_->Tables().Count(), 1);
  word::Table table = Marked("Korvax_4");
  ASSERT_TRUE(table);
  EXPECT_EQ(TableTexts(table),
            (Rows{kKopf, {"Flst.Nr. 12/3", "", "\t1 \t0 \t0 ", "   12,00", "   46,02 €"}}));
  EXPECT_EQ(text::Left(doc_->Content().Text(), 15), "Rechnung Nr. 1\r");
  // Header in bold, land value and fee right-aligned, no borders, widths in cm.
  EXPECT_EQ(table.Cell(1, 1).Range().Font().Bold(), 1);
  EXPECT_EQ(table.Cell(1, 4).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_EQ(table.Cell(2, 4).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_EQ(table.Cell(2, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_EQ(table.Cell(2, 3).Range().ParagraphFormat().TabStops().Count(), 3);
  EXPECT_EQ(table.Borders(word::wdBorderTop).LineStyle(), word::wdLineStyleNone);
  EXPECT_EQ(table.Borders(word::wdBorderVertical).LineStyle(), word::wdLineStyleNone);
  const double widths[] = {5.0, 1.0, 6.0, 3.0, 2.5};
  for (int c = 1; c <= 5; ++c) {
    EXPECT_NEAR(table.Columns().Item(c).Width(), widths[c - 1] * 28.3465, 0.05) << c;
  }
  EXPECT_TRUE(doc_->Bookmarks().Exists("Korvax_4"));
  EXPECT_EQ(doc_->Bookmarks().Item("Korvax_4").Start(), table.Cell(1, 5).Range().Start());
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat4DokumentTest, OneTopUpPointAtTwoEurosAddsTheMinimumFeeRow) {
  Run(Script({Line("Flst.Nr. 7", "0", "0", "1", "2,"), kOk}));
  word::Table table = Marked("Korvax_4");
  ASSERT_TRUE(table);
  const Rows rows = TableTexts(table);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1][4], "   38,34 €");
  EXPECT_EQ(rows[2][0], "Mindestgebühr von 150 € bei 7.3");
  EXPECT_EQ(rows[2][4], "  111,66 €");
  EXPECT_EQ(table.Cell(3, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_NEAR(table.Cell(3, 1).Width(), 9.12 * 28.3465, 0.05);
  EXPECT_NEAR(table.Cell(3, 2).Width(), 0.5 * 28.3465, 0.05);
  EXPECT_NEAR(table.Cell(3, 3).Width(), 0.38 * 28.3465, 0.05);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat4DokumentTest, NoMinimumFeeRowWithoutOrAboveTheMinimum) {
  Run(Script(
      {Line("Flst.Nr. 1", "3", "0", "0", "2,"), Line("Flst.Nr. 2", "0", "0", "4", "2,"), kOk}));
  const Rows rows = TableTexts(Marked("Korvax_4"));
  ASSERT_EQ(rows.size(), 3u);  // 4 x 38.34 = 153.36 is no top-up
  EXPECT_EQ(rows[2][4], "  153,36 €");
  EXPECT_FALSE(MindestgebührFällig(150));
  EXPECT_FALSE(MindestgebührFällig(0));
  EXPECT_TRUE(MindestgebührFällig(149.99));
}

TEST_F(FrmKat4DokumentTest, OnlyTwelve71PointsGiveNoMinimumFeeRow) {
  Run(Script({Line("Flst.Nr. 1", "12", "0", "0", "2,"), kOk}));
  EXPECT_EQ(TableTexts(Marked("Korvax_4")).size(), 2u);
}

TEST_F(FrmKat4DokumentTest, PartialSharesWriteTheNoteWithTheFullFee) {
  Run(Script({Line("Flst.Nr. 5", "1", "0", "0", "12,", "500"), ExpectCell(1, 6, "   23,01"),
              ExpectCell(1, 5, " 500"), Line("Flst.Nr. 3", "3", "0", "0", "12,", "333"),
              ExpectCell(2, 6, "   46,02"), kOk}));
  word::Table table = Marked("Korvax_4");
  EXPECT_EQ(ZellText(table, 2, 1), "Flst.Nr. 5\vBetrag :  €    46,02 Ihr Anteil  500/1000");
  EXPECT_EQ(ZellText(table, 2, 5), "   23,01 €");
  EXPECT_EQ(ZellText(table, 3, 1), "Flst.Nr. 3\vBetrag :  €   138,06 Ihr Anteil  333/1000");
  // The note is set in 8 point, the parcel text keeps its size.
  word::Range cell = table.Cell(2, 1).Range();
  word::Range note = doc_->Range(cell.Start() + 10, cell.End() - 2);
  EXPECT_EQ(note.Font().Size(), 8);
  EXPECT_NE(doc_->Range(cell.Start(), cell.Start() + 9).Font().Size(), 8);
}

TEST_F(FrmKat4DokumentTest, ShareZeroWritesNoNoteAndReportsIt) {
  Run(Script({Line("Flst.Nr. 0", "1", "0", "0", "12,", "0"), ExpectCell(1, 6, "    0,00"), kOk}));
  word::Table table = Marked("Korvax_4");
  EXPECT_EQ(ZellText(table, 2, 1), "Flst.Nr. 0");
  EXPECT_EQ(ZellText(table, 2, 5), "    0,00 €");
  EXPECT_EQ(LogEntries(), 1) << Log();
  EXPECT_NE(Log().find("Error 11: "), std::string::npos) << Log();
  EXPECT_NE(Log().find("Ort  : frmKat4.CommandEnde_Click"), std::string::npos) << Log();
}

TEST_F(FrmKat4DokumentTest, BracketModeWritesTheBracketAndReloadsItsValue) {
  Run(Script({Line("Flst.Nr. 6", "1", "0", "0", "6,"), Line("Flst.Nr. 9", "1", "0", "0", "256,01"),
              Tick("chkBereich"), kOk}));
  word::Table table = Marked("Korvax_4");
  EXPECT_EQ(ZellText(table, 2, 4), "2,51 bis 10,00");
  EXPECT_EQ(ZellText(table, 3, 4), "größer 256,00");
  Reopen();
  Run(Script({kErsteTabelle, ExpectValue("chkBereich", 1), ExpectCell(1, 4, " 6"),
              ExpectCell(2, 4, "320"), Expect("MaskEdBoxWert", "    6,00"),
              ExpectCell(1, 6, "   35,79"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat4DokumentTest, BracketTextsFollowTheCents) {
  EXPECT_EQ(BereichsText(0), "0 bis 2,50");
  EXPECT_EQ(BereichsText(250), "0 bis 2,50");
  EXPECT_EQ(BereichsText(251), "2,51 bis 10,00");
  EXPECT_EQ(BereichsText(2600), "10,01 bis 26,00");
  EXPECT_EQ(BereichsText(5100), "26,01 bis 51,00");
  EXPECT_EQ(BereichsText(25600), "51,01 bis 256,00");
  EXPECT_EQ(BereichsText(25601), "größer 256,00");
  EXPECT_EQ(BereichsText(-1), "größer 256,00");
}

TEST_F(FrmKat4DokumentTest, SevenNewSurveyPointsAreCappedAtFourHundred) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "12,"), Type("mskneueAP", "7"), kOk}));
  ASSERT_EQ(doc_->Tables().Count(), 2);
  word::Table sub = Marked("Korvax_4A");
  ASSERT_TRUE(sub);
  EXPECT_EQ(sub.Rows().Count(), 2);
  EXPECT_EQ(TableTexts(sub),
            (Rows{{"Grundlagenvermessung nach Nr. 7.4", "", "", "", ""},
                  {"7 neue Aufnahmepunkte je 204.52 € (max. 400 €)", "", "", "", " 400,00 €"}}));
  EXPECT_EQ(sub.Cell(1, 1).Range().Font().Bold(), 1);
  EXPECT_EQ(sub.Cell(2, 5).Range().ParagraphFormat().Alignment(), word::wdAlignParagraphRight);
  EXPECT_NEAR(sub.Columns().Item(1).Width(), 10 * 28.3465, 0.05);
  EXPECT_NEAR(sub.Columns().Item(5).Width(), 3 * 28.3465, 0.05);
  EXPECT_FALSE(doc_->Bookmarks().Exists("Korvax_4A"));
}

TEST_F(FrmKat4DokumentTest, OneNewSurveyPointAndRemovingTheSubTable) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "12,"), Type("mskneueAP", "1"), kOk}));
  EXPECT_EQ(ZellText(Marked("Korvax_4A"), 2, 5), " 204,52 €");
  Reopen();
  Run(Script({kErsteTabelle, Expect("mskneueAP", " 1"), Key("mskneueAP", "Backspace"),
              Expect("mskneueAP", "  "), kOk}));
  EXPECT_EQ(doc_->Tables().Count(), 1);
  EXPECT_FALSE(Marked("Korvax_4A"));
  EXPECT_TRUE(Marked("Korvax_4"));
  Reopen();
  Run(Script({kErsteTabelle, Expect("mskneueAP", "  "), Type("mskneueAP", "0"), kOk}));
  EXPECT_EQ(doc_->Tables().Count(), 1);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

// Everything the finish path writes comes back on the next opening, and
// finishing again unchanged writes the same tables.
TEST_F(FrmKat4DokumentTest, ReopeningReproducesGridCheckBoxAndCount) {
  Run(Script({Line("Flst.Nr. 1", "1", "2", "0", "12,", "500"),
              Line("Flst.Nr. 2", "0", "0", "1", "2,"), Type("mskneueAP", "3"), kOk}));
  word::Table table = Marked("Korvax_4");
  const Rows first = TableTexts(table);
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(first[3][0], "Mindestgebühr von 150 € bei 7.3");
  Reopen();
  Run(Script(
      {kErsteTabelle, ExpectRows(3),
       Cells(ExpectCell, 1, 0, {"Flst.Nr. 1", "1 ", "2 ", "0 ", "   12,00", " 500", "   55,22"}),
       ExpectCell(2, 0, "Flst.Nr. 2"), ExpectCell(2, 5, "1000"), ExpectCell(2, 6, "   38,34"),
       Expect("TextBoxFlst", "Flst.Nr. 1"), Expect("MaskEdBox7_2", " 2"),
       Expect("MaskEdBoxAnteil", " 500"), ExpectValue("chkBereich", 0), Expect("mskneueAP", " 3"),
       kOk}));
  EXPECT_EQ(TableTexts(Marked("Korvax_4")), first);
  EXPECT_EQ(ZellText(Marked("Korvax_4A"), 2, 5), " 400,00 €");
  EXPECT_EQ(doc_->Tables().Count(), 2);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat4DokumentTest, PythonDocxReadsTableAndSubTable) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "12,", "500"), Type("mskneueAP", "2"), kOk}));
  doc_->Save();
  const json tables = PythonDocxTables(path_);
  ASSERT_TRUE(tables.is_array()) << "python-docx could not read " << path_;
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0][0][0], "Grenzfeststellung nach");
  EXPECT_EQ(tables[0][0][2], "Nr. 7.1\tNr. 7.2\tNr. 7.3");
  EXPECT_EQ(tables[0][1][0], "Flst.Nr. 1\nBetrag :  €    46,02 Ihr Anteil  500/1000");
  EXPECT_EQ(tables[0][1][2], "\t1 \t0 \t0 ");
  EXPECT_EQ(tables[0][1][3], "   12,00");
  EXPECT_EQ(tables[0][1][4], "   23,01 €");
  EXPECT_EQ(tables[1][0][0], "Grundlagenvermessung nach Nr. 7.4");
  EXPECT_EQ(tables[1][1][0], "2 neue Aufnahmepunkte je 204.52 € (max. 400 €)");
  EXPECT_EQ(tables[1][1][4], " 400,00 €");
}

TEST_F(FrmKat4DokumentTest, RowsOfReductionsAreNoBillingLines) {
  Run(Script(
      {Line("Flst.Nr. 1", "1", "0", "0", "12,"), Line("Flst.Nr. 2", "1", "0", "0", "12,"), kOk}));
  word::Table table = Marked("Korvax_4");
  table.Cell(3, 1).Range().InsertBefore("20% Ermäßigung ");
  Reopen();
  Run(Script({kErsteTabelle, ExpectRows(2), ExpectCell(1, 0, "Flst.Nr. 1"), kAbbruch}));
}

TEST_F(FrmKat4DokumentTest, CancelWritesNothing) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "12,"), kAbbruch}));
  EXPECT_EQ(doc_->Tables().Count(), 0);
  EXPECT_FALSE(forms::FormInstance<FrmKat4>().IsLoaded());
}

}  // namespace
}  // namespace korvax::dialogs
