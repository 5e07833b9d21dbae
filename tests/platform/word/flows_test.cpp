// The sequences of Word calls the fee dialogs and the totals block make,
// played on small invoices.
#include <gtest/gtest.h>

#include "common/text.hpp"
#include "docx_builder.hpp"
#include "platform/word/word.hpp"

namespace korvax::word {
namespace {

using testing::Count;
using testing::P;

struct Invoice : testing::OpenedDocx {
  using OpenedDocx::OpenedDocx;
  Selection Sel() { return doc->Application()->Selection(); }
};

// The placeholder procedure of the totals: replace the amount after the anchor.
void FillPlaceholder(Invoice& inv, const std::string& name, const std::string& amount) {
  auto comments = inv.doc->Comments();
  for (int i = 1; i <= comments.Count(); ++i) {
    if (comments.Item(i).Range().Text() != name) continue;
    Range anchor = comments.Item(i).Scope();
    anchor.Collapse(wdCollapseEnd);
    anchor.Select();
    Selection sel = inv.Sel();
    sel.MoveEnd(wdCharacter, 15);
    std::string read = sel.Text();
    sel.Collapse(wdCollapseStart);
    int p = text::InStr(read, " €");
    if (p > 0) sel.MoveEnd(wdCharacter, p + 2);
    sel.TypeText(amount + " €" + " ");
  }
}

TEST(WordFlows, PlaceholderAmountIsReplacedNotAppended) {
  Invoice inv(P("Der Gesamtbetrag beträgt und ist fällig."));
  inv.doc->Comments().Add(inv.doc->Range(4, 16), "varoGesamt");  // "Gesamtbetrag"
  FillPlaceholder(inv, "varoGesamt", "   1.234,50");
  EXPECT_EQ(inv.doc->Content().Text(), "Der Gesamtbetrag   1.234,50 €  beträgt und ist fällig.\r");
  FillPlaceholder(inv, "varoGesamt", "      99,00");
  EXPECT_EQ(inv.doc->Content().Text(), "Der Gesamtbetrag      99,00 €  beträgt und ist fällig.\r");
  EXPECT_EQ(inv.doc->Comments().Item(1).Scope().Text(), "Gesamtbetrag");
}

TEST(WordFlows, TotalsTableGoesBeforeTheStartMarker) {
  Invoice inv(P("Anschrift") + P("Wir berechnen: Start") + P("Mit freundlichen Grüßen"));
  inv.doc->Comments().Add(inv.doc->Range(25, 30), "varoStart");  // "Start"
  Range r = inv.doc->Comments().Item(1).Scope();
  r.Collapse(wdCollapseStart);
  r.MoveStart(wdWord, -1);
  EXPECT_EQ(r.Text(), ": ");
  r.InsertParagraphBefore();
  r.Collapse(wdCollapseStart);
  r.InsertParagraphAfter();
  r.Collapse(wdCollapseEnd);
  Table t = inv.doc->Tables().Add(r, 3, 4);
  inv.doc->Comments().Add(t.Cell(1, 1).Range(), "RE_Summe");
  t.Cell(1, 2).Range().InsertAfter("Summe");
  EXPECT_EQ(inv.doc->Content().Text().substr(0, 25), "Anschrift\rWir berechnen\r\r");
  EXPECT_EQ(t.Cell(1, 2).Range().Text(), "Summe\r\a");
  std::string text = inv.doc->Content().Text();
  // The empty paragraph the table was added at follows it.
  EXPECT_NE(text.find("\r\a\r\a\r: Start\r"), std::string::npos) << text;
  // Rebuilding deletes the table marked RE_Summe with that mark only.
  ASSERT_EQ(t.Range().Comments().Item(1).Range().Text(), "RE_Summe");
  t.Delete();
  EXPECT_EQ(inv.doc->Tables().Count(), 0);
  ASSERT_EQ(inv.doc->Comments().Count(), 1);
  EXPECT_EQ(inv.doc->Comments().Item(1).Range().Text(), "varoStart");
}

TEST(WordFlows, PartialShareLineIsAppendedToTheCellInSmallType) {
  Invoice inv(P(""));
  Range end = inv.doc->Content();
  end.Collapse(wdCollapseEnd);
  Table t = inv.doc->Tables().Add(end, 2, 5);
  t.Cell(2, 1).Range().InsertAfter("Flst.Nr. 17/4");
  t.Cell(2, 1).Select();
  Selection sel = inv.Sel();
  sel.Collapse(wdCollapseEnd);
  sel.Font().SetSize(8);
  sel.InsertAfter("\vBetrag :  €   300,00 Ihr Anteil  500/1000");
  std::string cell = t.Cell(2, 1).Range().Text();
  EXPECT_EQ(cell, "Flst.Nr. 17/4\vBetrag :  €   300,00 Ihr Anteil  500/1000\r\a");
  auto xml = inv.Saved();
  EXPECT_EQ(Count(xml, "//w:tr[2]/w:tc[1]//w:r[w:rPr/w:sz/@w:val='16']/w:br"), 1u);
  EXPECT_EQ(Count(xml, "//w:tr[2]/w:tc[1]//w:r[not(w:rPr/w:sz)]/w:t[.='Flst.Nr. 17/4']"), 1u);
}

TEST(WordFlows, TypeSizeAtAnEmptyParagraphCarriesIntoANewTable) {
  Invoice inv(P("Rechnung"));
  testing::NewParagraphAtEnd(*inv.doc).Select();
  inv.Sel().Font().SetSize(10);
  Table t = inv.doc->Tables().Add(inv.Sel().Range(), 2, 5);
  t.Cell(1, 1).Range().InsertAfter("Gebäudeaufnahme");
  EXPECT_EQ(t.Cell(1, 1).Range().Font().Size(), 10);
  auto xml = inv.Saved();
  EXPECT_EQ(Count(xml, "//w:tc[1]//w:r[w:rPr/w:sz/@w:val='20']/w:t[.='Gebäudeaufnahme']"), 1u);
  EXPECT_EQ(Count(xml, "//w:body/w:p[1]/w:pPr/w:rPr/w:sz"), 0u);  // "Rechnung" keeps its size
}

TEST(WordFlows, SelectionMovesByCharactersAndWords) {
  Invoice inv(P("eins zwei drei"));
  Selection sel = inv.Sel();
  EXPECT_EQ(sel.MoveRight(wdWord, 2), 2);
  EXPECT_EQ(sel.Start(), 10);
  EXPECT_EQ(sel.MoveRight(wdCharacter, 2, true), 2);
  EXPECT_EQ(sel.Text(), "dr");
  sel.MoveLeft(wdCharacter, 1);
  EXPECT_EQ(sel.Start(), 10);
  EXPECT_EQ(sel.End(), 10);
  Range copy = sel.Range();
  sel.MoveRight(wdCharacter, 3);
  EXPECT_EQ(copy.Start(), 10);
  EXPECT_EQ(inv.doc->Application()->ActiveDocument(), inv.doc);
}

TEST(WordFlows, BookmarkMarksTheSelectedCell) {
  Invoice inv(P("x"));
  Table t = testing::AddAtEnd(*inv.doc, 2, 5);
  t.Cell(1, 5).Range().InsertAfter("Betrag");
  t.Cell(1, 5).Select();
  inv.doc->Bookmarks().Add("Korvax_3", inv.Sel().Range());
  EXPECT_EQ(inv.doc->Bookmarks().Item("Korvax_3").Text(), "Betrag");
  inv.doc->Bookmarks().Add("Korvax_3", t.Cell(2, 5).Range());
  EXPECT_EQ(inv.doc->Bookmarks().Count(), 1);
  EXPECT_EQ(inv.doc->Bookmarks().Item("Korvax_3").Start(), t.Cell(2, 5).Range().Start());
  EXPECT_THROW(inv.doc->Bookmarks().Item("fehlt"), Error);
}

}  // namespace
}  // namespace korvax::word
