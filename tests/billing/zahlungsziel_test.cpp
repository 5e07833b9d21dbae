// The payment due note.
#include "billing/zahlungsziel.hpp"

#include <gtest/gtest.h>

#include "common/format.hpp"
#include "common/text.hpp"
#include "totals_fixture.hpp"

namespace korvax::billing_testing {
namespace {

class ZahlungszielTest : public TotalsTest {
 protected:
  word::Document& Invoice() { return OpenDocument(Paragraph("Rechnung") + Paragraph("")); }
  void Template(const std::string& text, int bund = 0) {
    Sql("UPDATE Version SET Zahlungsziel = '" + text +
        "', BundZahlungsziel = " + std::to_string(bund));
  }
  std::string NoteText(word::Document& doc) {
    return doc.Shapes().Item("Zahlungsziel").TextFrame().TextRange().Text();
  }
};

// Run twice: one note, also after saving; the setting off removes it.
TEST_F(ZahlungszielTest, DayCountFromTheInvoiceDate) {
  OpenInvoice(1);
  word::Document& doc = Invoice();
  Zahlungsziel(document_, true);
  Zahlungsziel(document_, true);
  ASSERT_EQ(doc.Shapes().Count(), 1);
  word::Shape note = doc.Shapes().Item(1);
  EXPECT_EQ(note.Name(), "Zahlungsziel");
  EXPECT_EQ(NoteText(doc), "Zahlbar bis  15.03.2026  ohne Abzug.");
  EXPECT_NEAR(note.Top(), 722.83, 0.01);  // AbstandZahlungsziel: 25.5 cm
  EXPECT_EQ(note.RelativeVerticalPosition(), word::wdRelativeVerticalPositionPage);
  EXPECT_EQ(note.TextFrame().TextRange().ParagraphFormat().Alignment(), word::wdAlignParagraphLeft);
  EXPECT_EQ(doc.Content().Text(), "Rechnung\r\r");
  doc.Save();
  EXPECT_EQ(word::Document::Open(path_)->Shapes().Count(), 1);
  Zahlungsziel(document_, false);
  EXPECT_EQ(doc.Shapes().Count(), 0);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(ZahlungszielTest, TheTemplateAndItsAlignmentFlag) {
  struct Row {
    const char* vorlage;
    int bund;
    const char* text;
    int alignment;
  };
  const int left = word::wdAlignParagraphLeft;
  const Row rows[] = {
      // Only three characters of the day count are read.
      {"Zahlbar bis <1000>.", 0, "Zahlbar bis  09.06.2026 .", left},
      // Without a closing bracket the whole template follows the date.
      {"Zahlbar bis <14 Tage", 0, "Zahlbar bis  15.03.2026 Zahlbar bis <14 Tage", left},
      // Without a day count the template is written unchanged.
      {"Zahlbar sofort.", 1, "Zahlbar sofort.", word::wdAlignParagraphCenter},
      {"Zahlbar bis <14>", 5, "Zahlbar bis  15.03.2026 ", word::wdAlignParagraphRight},
  };
  word::Document& doc = Invoice();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.vorlage);
    Template(row.vorlage, row.bund);
    OpenInvoice(1);
    Zahlungsziel(document_, true);
    ASSERT_EQ(doc.Shapes().Count(), 1);
    EXPECT_EQ(NoteText(doc), row.text);
    EXPECT_EQ(doc.Shapes().Item(1).TextFrame().TextRange().ParagraphFormat().Alignment(),
              row.alignment);
  }
}

TEST_F(ZahlungszielTest, WithoutInvoiceOrDateEntryTheCountStartsToday) {
  OpenInvoice(0);  // no invoice recordset
  word::Document& doc = Invoice();
  Zahlungsziel(document_, true);
  const std::string due = ShortDate(Date::Today().AddDays(14));
  EXPECT_EQ(NoteText(doc), "Zahlbar bis  " + due + "  ohne Abzug.");

  Sql("DELETE FROM Termine");
  OpenInvoice(1);
  Zahlungsziel(document_, true);
  EXPECT_EQ(NoteText(doc), "Zahlbar bis  " + due + "  ohne Abzug.");
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(ZahlungszielTest, MissingVersionTableIsReportedAndTheOldNoteIsGone) {
  OpenInvoice(1);
  word::Document& doc = Invoice();
  Zahlungsziel(document_, true);
  Sql("DROP TABLE Version");
  OpenInvoice(1);
  Zahlungsziel(document_, true);
  EXPECT_GE(LogEntries(), 1);
  EXPECT_NE(Log().find(text::Utf8ToCp1252("Ort  : GebührenTabelle.ZahlungsZiel")),
            std::string::npos)
      << Log();
  EXPECT_EQ(Log().find("inf"), std::string::npos);
  int notes = 0;
  for (int i = 1; i <= doc.Shapes().Count(); ++i)
    notes += doc.Shapes().Item(i).Name() == "Zahlungsziel";
  EXPECT_LE(notes, 1);
}

TEST_F(ZahlungszielTest, WithoutDocumentEveryStepReportsAndReturns) {
  OpenInvoice(1);
  Zahlungsziel(nullptr, true);
  EXPECT_GT(LogEntries(), 3);
  EXPECT_NE(Log().find("Error 91: "), std::string::npos) << Log();
}

}  // namespace
}  // namespace korvax::billing_testing
