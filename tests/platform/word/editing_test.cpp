// Inserting and deleting text, live ranges, formatting; checked on the saved XML.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "docx_builder.hpp"
#include "platform/word/word.hpp"

namespace korvax::word {
namespace {

using testing::Count;
using testing::P;
using testing::Tbl;
using testing::Value;

using Fixture = testing::OpenedDocx;

TEST(WordEditing, InsertAfterACellRangeGoesBeforeTheEndOfCellMark) {
  Fixture f(Tbl(1, 2) + P(""));
  Table t = f.doc->Tables().Item(1);
  Range cell = t.Cell(1, 1).Range();
  cell.InsertAfter(" + ä");
  EXPECT_EQ(cell.Text(), "R1C1 + ä\r\a");
  EXPECT_EQ(t.Cell(1, 2).Range().Text(), "R1C2\r\a");
  Range second = t.Cell(1, 2).Range();
  second.InsertAfter("x");
  second.Font().SetBold(true);  // its text and its paragraph mark
  auto saved = f.Saved();
  EXPECT_EQ(Count(saved, "//w:tc[1]/w:p"), 1u);
  EXPECT_EQ(Count(saved, "//w:tc[2]//w:r[w:rPr/w:b]"), 2u);
  EXPECT_EQ(Count(saved, "//w:tc[2]/w:p/w:pPr/w:rPr/w:b"), 1u);
  // After the last paragraph of a cell; into a table that ends a cell.
  Fixture g("<w:tbl><w:tr><w:tc>" + P("a") + P("b") + "</w:tc><w:tc>" + P("") + Tbl(1, 1) +
            "</w:tc></w:tr></w:tbl>" + P(""));
  Table u = g.doc->Tables().Item(1);
  u.Cell(1, 1).Range().InsertAfter("c");
  u.Cell(1, 2).Range().InsertAfter("d");
  EXPECT_EQ(u.Cell(1, 1).Range().Text(), "a\rbc\r\a");
  EXPECT_EQ(u.Cell(1, 2).Range().Text(), "\rR1C1d\r\a\r\a\a");
  // Text before the table moves its cells between two cells written.
  Fixture h(P("a") + Tbl(1, 3) + P(""));
  Table v = h.doc->Tables().Item(1);
  v.Cell(1, 1).Range().InsertAfter("x");
  h.doc->Range(0, 0).InsertAfter("123456");
  v.Cell(1, 2).Range().InsertAfter("y");
  EXPECT_EQ(v.Cell(1, 2).Range().Text(), "R1C2y\r\a");
  EXPECT_EQ(v.Cell(1, 3).Range().Text(), "R1C3\r\a");
}

TEST(WordEditing, LiveRangesFollowEditsElsewhere) {
  Fixture f(P("eins") + P("zwei") + P("drei"));
  Range two = f.doc->Range(5, 9);
  ASSERT_EQ(two.Text(), "zwei");
  Range first = f.doc->Range(0, 0);
  first.InsertAfter("null ");
  EXPECT_EQ(two.Text(), "zwei");
  EXPECT_EQ(two.Start(), 10);
  Range inside = f.doc->Range(12, 12);
  inside.InsertAfter("XX");
  EXPECT_EQ(two.Text(), "zwXXei");
  f.doc->Range(0, 5).Delete();
  EXPECT_EQ(two.Text(), "zwXXei");
  EXPECT_EQ(two.Start(), 5);
  Range around = f.doc->Range(4, 12);
  around.Delete();
  EXPECT_EQ(two.Start(), 4);
  EXPECT_EQ(two.End(), 4);
  EXPECT_EQ(f.doc->Content().Text(), "einsdrei\r");
}

TEST(WordEditing, SetTextMakesParagraphsBreaksAndTabsAndDeleteMergesParagraphs) {
  Fixture f(P("alt"));
  Range r = f.doc->Range(0, 3);
  r.SetText("a\tb\vc\rzweite");
  EXPECT_EQ(r.Text(), "a\tb\vc\rzweite");
  EXPECT_EQ(f.doc->Content().Text(), "a\tb\vc\rzweite\r");
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:body/w:p"), 2u);
  EXPECT_EQ(Count(xml, "//w:body/w:p[1]//w:tab"), 1u);
  EXPECT_EQ(Count(xml, "//w:body/w:p[1]//w:br"), 1u);
  EXPECT_EQ(Value(xml, "//w:body/w:p[2]//w:t"), "zweite");
  // Deleting across paragraphs merges them.
  Fixture g(P("Hallo") + P("Welt") + P("Ende"));
  g.doc->Range(3, 8).Delete();  // "lo\rWe"
  EXPECT_EQ(g.doc->Content().Text(), "Hallt\rEnde\r");
  EXPECT_EQ(Count(g.Saved(), "//w:body/w:p"), 2u);
}

TEST(WordEditing, RunsSplitForTextOrFormattingKeepTheirOwnFormatting) {
  Fixture f(
      "<w:p><w:r><w:rPr><w:b/><w:sz w:val=\"28\"/></w:rPr><w:t>fett</w:t></w:r>"
      "<w:r><w:t> normal</w:t></w:r></w:p>");
  f.doc->Range(2, 2).InsertAfter("XX");
  EXPECT_EQ(f.doc->Content().Text(), "feXXtt normal\r");
  EXPECT_EQ(f.doc->Range(0, 6).Font().Bold(), 1);
  EXPECT_EQ(f.doc->Range(0, 6).Font().Size(), 14);
  EXPECT_EQ(f.doc->Range(0, 13).Font().Bold(), wdUndefined);
  f.doc->Range(7, 13).Font().SetBold(true);
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:r[w:rPr/w:b]"), 4u);
  EXPECT_EQ(Value(xml, "//w:r[w:t='normal']/w:rPr/w:b/@w:val"), "");
  EXPECT_EQ(Count(xml, "//w:r[w:t=' ']/w:rPr/w:b"), 0u);
}

// New text takes the formatting of where it goes, but not a tracked deletion
// of the paragraph mark there; blanks that right-align an amount are kept
// for every reader (xml:space="preserve"), not only for this layer.
TEST(WordEditing, NewTextTakesFormattingWithoutTrackedChangesAndKeepsItsBlanks) {
  Fixture f(
      "<w:p><w:pPr><w:rPr><w:b/><w:del w:id=\"3\" w:author=\"A\" "
      "w:date=\"2026-01-01T00:00:00Z\"/></w:rPr></w:pPr></w:p>");
  f.doc->Range(0, 0).InsertAfter("   46,02 €");
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:r[w:rPr/w:b]/w:t[.='   46,02 €'][@xml:space='preserve']"), 1u);
  EXPECT_EQ(Count(xml, "//w:r//w:del"), 0u);
}

// Positions count characters; bytes that are no character in its shortest
// form go in as reading them gives.
TEST(WordEditing, TextGoesInByCharactersNotBytes) {
  Fixture f(P("äöü"));
  Range r = f.doc->Range(1, 1);
  r.InsertAfter("ß\xC0\x80x\xFF");
  EXPECT_EQ(f.doc->Content().Text(), "äßx\xEF\xBF\xBDöü\r");
  EXPECT_EQ(r.End(), 4);
  r.InsertAfter("\x01\ny");  // control characters go, a line feed starts a paragraph
  EXPECT_EQ(f.doc->Content().Text(), "äßx\xEF\xBF\xBD\ryöü\r");
  EXPECT_EQ(r.End(), 6);
}

// The share line of a parcel: a line break and small type after the cell's text.
TEST(WordEditing, SmallTypeSetOnACollapsedSelectionAppliesToTheTextInsertedThere) {
  Fixture f(P(""));
  Table t = testing::AddAtEnd(*f.doc, 2, 5);
  t.Cell(2, 1).Range().InsertAfter("Flst.Nr. 17/4");
  t.Cell(2, 1).Select();
  Selection sel = f.doc->Application()->Selection();
  sel.Collapse(wdCollapseEnd);
  sel.Font().SetSize(8);
  sel.InsertAfter("\vBetrag :  €   300,00 Ihr Anteil  500/1000");
  EXPECT_EQ(t.Cell(2, 1).Range().Text(),
            "Flst.Nr. 17/4\vBetrag :  €   300,00 Ihr Anteil  500/1000\r\a");
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:tr[2]/w:tc[1]//w:r[w:rPr/w:sz/@w:val='16']/w:br"), 1u);
  EXPECT_EQ(Count(xml, "//w:tr[2]/w:tc[1]//w:r[not(w:rPr/w:sz)]/w:t[.='Flst.Nr. 17/4']"), 1u);
}

TEST(WordEditing, TypeSizeAtAnEmptyParagraphCarriesIntoANewTable) {
  Fixture f(P("Rechnung"));
  testing::NewParagraphAtEnd(*f.doc).Select();
  Selection sel = f.doc->Application()->Selection();
  sel.Font().SetSize(10);
  Table t = f.doc->Tables().Add(sel.Range(), 2, 5);
  t.Cell(1, 1).Range().InsertAfter("Gebäudeaufnahme");
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:tc[1]//w:r[w:rPr/w:sz/@w:val='20']/w:t[.='Gebäudeaufnahme']"), 1u);
  EXPECT_EQ(Count(xml, "//w:body/w:p[1]/w:pPr/w:rPr/w:sz"), 0u);  // "Rechnung" keeps its size
}

TEST(WordEditing, AlignmentAndTabStopsGoIntoTheParagraphProperties) {
  Fixture f(
      "<w:p><w:pPr><w:pStyle w:val=\"Standard\"/><w:spacing w:after=\"0\"/></w:pPr>"
      "<w:r><w:t>x</w:t></w:r></w:p>");
  Range r = f.doc->Range(0, 0);
  r.ParagraphFormat().SetAlignment(wdAlignParagraphRight);
  r.ParagraphFormat().TabStops().Add(Application::CentimetersToPoints(2), wdAlignTabDecimal);
  r.ParagraphFormat().TabStops().Add(Application::CentimetersToPoints(1), wdAlignTabLeft);
  auto xml = f.Saved();
  EXPECT_EQ(Value(xml, "//w:pPr/w:jc/@w:val"), "right");
  EXPECT_EQ(Value(xml, "//w:pPr/w:tabs/w:tab[1]/@w:pos"), "567");
  EXPECT_EQ(Value(xml, "//w:pPr/w:tabs/w:tab[2]/@w:val"), "decimal");
  EXPECT_EQ(Value(xml, "//w:pPr/w:tabs/w:tab[2]/@w:pos"), "1134");
  // Schema order: pStyle, tabs, spacing, jc.
  EXPECT_EQ(std::string(xml.select_node("//w:pPr/*[2]").node().name()), "w:tabs");
  EXPECT_EQ(std::string(xml.select_node("//w:pPr/*[4]").node().name()), "w:jc");
  // After an edit the same positions may be another paragraph's.
  Fixture g(P("a") + P("b"));
  g.doc->Range(2, 2).ParagraphFormat().SetAlignment(wdAlignParagraphRight);
  g.doc->Range(0, 0).InsertAfter("yy");
  g.doc->Range(2, 2).ParagraphFormat().SetAlignment(wdAlignParagraphCenter);
  auto moved = g.Saved();
  EXPECT_EQ(Value(moved, "//w:body/w:p[1]/w:pPr/w:jc/@w:val"), "center");
  EXPECT_EQ(Value(moved, "//w:body/w:p[2]/w:pPr/w:jc/@w:val"), "right");
  // Stops at many places, with and without leaders, each written in full
  // (i = 5 and 36).
  Fixture h(P("z"));
  for (int i = 40; i > 0; --i) {
    h.doc->Range(0, 0).ParagraphFormat().TabStops().Add(i, i % 2 ? wdAlignTabDecimal : 0, i % 3);
  }
  auto many = h.Saved();
  EXPECT_EQ(Count(many, "//w:tabs/w:tab"), 40u);
  EXPECT_EQ(Count(many, "//w:tab[@w:val='decimal' and @w:leader='hyphen' and @w:pos='100']"), 1u);
  EXPECT_EQ(Count(many, "//w:tab[@w:val='left' and not(@w:leader) and @w:pos='720']"), 1u);
  EXPECT_EQ(Value(many, "//w:tabs/w:tab[40]/@w:pos"), "800");
}

// The texts of all cells, row by row, "|" between cells and "/" between rows.
std::string CellTexts(const Table& t) {
  const auto rows = testing::TableTexts(t);
  std::string out;
  for (size_t r = 0; r < rows.size(); ++r) {
    for (size_t c = 0; c < rows[r].size(); ++c)
      out += (c > 0 ? "|" : r > 0 ? "/" : "") + rows[r][c];
  }
  return out;
}

struct Typing {
  const char* name;
  std::function<void(Document&, Range&)> type_x;  // at a collapsed range
};

// Selects the range, then calls `type` on the selection.
std::function<void(Document&, Range&)> Selected(std::function<void(Selection)> type) {
  return [type](Document& d, Range& r) {
    r.Select();
    type(d.Application()->Selection());
  };
}

// Every way the dialogs put text at an insertion point.
std::vector<Typing> WaysToType() {
  return {
      {"Range.InsertAfter", [](Document&, Range& r) { r.InsertAfter("x"); }},
      {"Range.InsertBefore", [](Document&, Range& r) { r.InsertBefore("x"); }},
      {"Range.SetText", [](Document&, Range& r) { r.SetText("x"); }},
      {"Selection.InsertAfter", Selected([](Selection s) { s.InsertAfter("x"); })},
      {"Selection.InsertBefore", Selected([](Selection s) { s.InsertBefore("x"); })},
      {"Selection.TypeText", Selected([](Selection s) { s.TypeText("x"); })},
      {"Selection.Range.InsertAfter", Selected([](Selection s) { s.Range().InsertAfter("x"); })},
  };
}

TEST(WordEditing, TextAtAnEmptyCellOrRightAfterATableGoesThere) {
  struct Row {
    int row, column;  // row 0: the empty paragraph right after the table
    int side;
    const char* cells;
    const char* saved;  // where the saved x is
  } rows[] = {
      {2, 3, wdCollapseStart, "|||/||x|/|||", "//w:tr[2]/w:tc[3]/w:p//w:t"},
      {3, 1, wdCollapseStart, "|||/|||/x|||", "//w:tr[3]/w:tc[1]/w:p//w:t"},  // stays in its row
      {2, 3, wdCollapseEnd, "|||/||x|/|||", "//w:tr[2]/w:tc[3]/w:p//w:t"},
      {0, 0, wdCollapseEnd, "|||/|||/|||", "//w:body/w:tbl/following-sibling::w:p[1]//w:t[.='x']"},
  };
  for (const Row& row : rows) {
    for (const auto& way : WaysToType()) {
      SCOPED_TRACE(std::string(way.name) + " at " + std::to_string(row.row) + "," +
                   std::to_string(row.column) + (row.side == wdCollapseEnd ? " end" : " start"));
      Fixture f(P("a") + Tbl(3, 4, "") + P("") + P("b"));
      Table t = f.doc->Tables().Item(1);
      Range at = row.row > 0 ? t.Cell(row.row, row.column).Range() : t.Range();
      at.Collapse(row.side);
      const int start = at.Start();
      way.type_x(*f.doc, at);
      EXPECT_EQ(CellTexts(t), row.cells);
      EXPECT_EQ(f.doc->Range(start, start + 1).Text(), "x");
      auto xml = f.Saved();
      EXPECT_EQ(Value(xml, row.saved), "x");
      EXPECT_EQ(Count(xml, "//w:tbl//w:t"), row.row > 0 ? 1u : 0u);
      EXPECT_EQ(Count(xml, "//w:tc[count(w:p)!=1]"), 0u);
      if (row.row == 0) {
        EXPECT_EQ(f.doc->Range(t.Range().End(), f.doc->Content().End()).Text(), "x\rb\r");
        continue;
      }
      // Once more at the end of the cell that now holds text.
      Range end = t.Cell(row.row, row.column).Range();
      end.Collapse(wdCollapseEnd);
      end.Collapse(wdCollapseEnd);  // collapsing a collapsed range leaves it
      end.InsertAfter("y");
      EXPECT_EQ(t.Cell(row.row, row.column).Range().Text(), "xy\r\a");
    }
  }
}

// A selected empty cell is an insertion point inside it, not before the table.
TEST(WordEditing, TextTypedIntoASelectedEmptyCellStaysInThatCell) {
  Fixture f(P("a") + Tbl(1, 3, "") + P(""));
  Table empty = f.doc->Tables().Item(1);
  Selection sel = f.doc->Application()->Selection();
  for (int c = 1; c <= 3; ++c) {
    empty.Cell(1, c).Select();
    EXPECT_TRUE(sel.Information(wdWithInTable).AsBoolean());
    c == 2 ? sel.TypeText("zwei") : sel.InsertAfter(std::to_string(c));
  }
  EXPECT_EQ(CellTexts(empty), "1|zwei|3");
}

}  // namespace
}  // namespace korvax::word
