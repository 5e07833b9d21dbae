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
  Range end = t.Cell(1, 2).Range();
  end.Collapse(wdCollapseEnd);
  end.InsertAfter("!");
  EXPECT_EQ(t.Cell(1, 2).Range().Text(), "R1C2!\r\a");
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:tc[1]/w:p"), 1u);
  EXPECT_EQ(Count(xml, "//w:tc[2]//w:t[.='!']"), 1u);
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

TEST(WordEditing, InsertParagraphAfterAtTheEndAddsAnEmptyParagraph) {
  Fixture f(P("Text"));
  Range r = f.doc->Content();
  r.Collapse(wdCollapseEnd);
  r.InsertParagraphAfter();
  r.Collapse(wdCollapseEnd);
  EXPECT_EQ(f.doc->Content().Text(), "Text\r\r");
  EXPECT_EQ(r.Start(), 6);  // after the final mark, as Word's Content.End
  r.InsertAfter("neu");
  EXPECT_EQ(f.doc->Content().Text(), "Text\rneu\r");
  Range before = f.doc->Range(0, 4);
  before.InsertBefore(">");
  EXPECT_EQ(before.Text(), ">Text");
  before.InsertParagraphBefore();
  EXPECT_EQ(f.doc->Content().Text(), "\r>Text\rneu\r");
}

TEST(WordEditing, TextInsertedInsideARunKeepsItsFormatting) {
  Fixture f("<w:p><w:r><w:rPr><w:b/><w:sz w:val=\"28\"/></w:rPr><w:t>fett</w:t></w:r></w:p>");
  f.doc->Range(2, 2).InsertAfter("XX");
  EXPECT_EQ(f.doc->Content().Text(), "feXXtt\r");
  EXPECT_EQ(f.doc->Range(0, 6).Font().Bold(), 1);
  EXPECT_EQ(f.doc->Range(0, 6).Font().Size(), 14);
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:r[w:rPr/w:b]"), 3u);
}

TEST(WordEditing, FontOnARangeAndOnTheCollapsedSelection) {
  Fixture f(P("normal text"));
  Range r = f.doc->Range(0, 6);
  r.Font().SetBold(true);
  EXPECT_EQ(r.Font().Bold(), 1);
  EXPECT_EQ(f.doc->Range(0, 11).Font().Bold(), wdUndefined);
  Selection sel = f.doc->Application()->Selection();
  sel.SetRange(11, 11);
  sel.Font().SetSize(10);
  sel.TypeText(" klein");
  EXPECT_EQ(sel.Start(), 17);
  EXPECT_EQ(f.doc->Range(11, 17).Font().Size(), 10);
  auto xml = f.Saved();
  EXPECT_EQ(Value(xml, "//w:r[w:t='normal']/w:rPr/w:b/@w:val"), "");
  EXPECT_EQ(Count(xml, "//w:r[w:t='normal']/w:rPr/w:b"), 1u);
  EXPECT_EQ(Value(xml, "//w:r[w:t=' klein']/w:rPr/w:sz/@w:val"), "20");
}

TEST(WordEditing, AlignmentAndTabStopsGoIntoTheParagraphProperties) {
  Fixture f(
      "<w:p><w:pPr><w:pStyle w:val=\"Standard\"/><w:spacing w:after=\"0\"/></w:pPr>"
      "<w:r><w:t>x</w:t></w:r></w:p>");
  Range r = f.doc->Range(0, 0);
  r.ParagraphFormat().SetAlignment(wdAlignParagraphRight);
  r.ParagraphFormat().TabStops().Add(Application::CentimetersToPoints(2), wdAlignTabDecimal);
  r.ParagraphFormat().TabStops().Add(Application::CentimetersToPoints(1), wdAlignTabLeft);
  EXPECT_EQ(r.ParagraphFormat().Alignment(), wdAlignParagraphRight);
  EXPECT_EQ(r.ParagraphFormat().TabStops().Count(), 2);
  auto xml = f.Saved();
  EXPECT_EQ(Value(xml, "//w:pPr/w:jc/@w:val"), "right");
  EXPECT_EQ(Value(xml, "//w:pPr/w:tabs/w:tab[1]/@w:pos"), "567");
  EXPECT_EQ(Value(xml, "//w:pPr/w:tabs/w:tab[2]/@w:val"), "decimal");
  EXPECT_EQ(Value(xml, "//w:pPr/w:tabs/w:tab[2]/@w:pos"), "1134");
  // Schema order: pStyle, tabs, spacing, jc.
  EXPECT_EQ(std::string(xml.select_node("//w:pPr/*[2]").node().name()), "w:tabs");
  EXPECT_EQ(std::string(xml.select_node("//w:pPr/*[4]").node().name()), "w:jc");
}

// A table whose cells hold one empty paragraph each, as a freshly added one.
std::string EmptyTable(int rows, int columns) {
  std::string xml = "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid>";
  for (int c = 0; c < columns; ++c) xml += "<w:gridCol w:w=\"1800\"/>";
  xml += "</w:tblGrid>";
  for (int r = 0; r < rows; ++r) {
    xml += "<w:tr>";
    for (int c = 0; c < columns; ++c) {
      xml += "<w:tc><w:tcPr><w:tcW w:w=\"1800\" w:type=\"dxa\"/></w:tcPr><w:p/></w:tc>";
    }
    xml += "</w:tr>";
  }
  return xml + "</w:tbl>";
}

// The texts of all cells, row by row, "|" between cells and "/" between rows.
std::string CellTexts(const Table& t) {
  std::string out;
  for (int r = 1; r <= t.Rows().Count(); ++r) {
    if (r > 1) out += "/";
    for (int c = 1; c <= t.Columns().Count(); ++c) {
      if (c > 1) out += "|";
      std::string text = t.Cell(r, c).Range().Text();
      out += text.substr(0, text.size() - 2);  // without "\r\a"
    }
  }
  return out;
}

struct Typing {
  const char* name;
  std::function<void(Document&, Range&)> type_x;  // at a collapsed range
};

// Every way the dialogs put text at an insertion point.
std::vector<Typing> WaysToType() {
  return {
      {"Range.InsertAfter", [](Document&, Range& r) { r.InsertAfter("x"); }},
      {"Range.InsertBefore", [](Document&, Range& r) { r.InsertBefore("x"); }},
      {"Range.SetText", [](Document&, Range& r) { r.SetText("x"); }},
      {"Selection.InsertAfter",
       [](Document& d, Range& r) {
         r.Select();
         d.Application()->Selection().InsertAfter("x");
       }},
      {"Selection.InsertBefore",
       [](Document& d, Range& r) {
         r.Select();
         d.Application()->Selection().InsertBefore("x");
       }},
      {"Selection.TypeText",
       [](Document& d, Range& r) {
         r.Select();
         d.Application()->Selection().TypeText("x");
       }},
      {"Selection.Range.InsertAfter",
       [](Document& d, Range& r) {
         r.Select();
         d.Application()->Selection().Range().InsertAfter("x");
       }},
  };
}

TEST(WordEditing, TextAtEitherEndOfAnEmptyCellGoesIntoThatCell) {
  struct Row {
    int row, column;
    int side;
    const char* cells;
    const char* saved;  // where the saved x is
  } rows[] = {
      {2, 3, wdCollapseStart, "|||/||x|/|||", "//w:tr[2]/w:tc[3]/w:p//w:t"},
      {3, 1, wdCollapseStart, "|||/|||/x|||", "//w:tr[3]/w:tc[1]/w:p//w:t"},  // stays in its row
      {2, 3, wdCollapseEnd, "|||/||x|/|||", "//w:tr[2]/w:tc[3]/w:p//w:t"},
  };
  for (const Row& row : rows) {
    for (const auto& way : WaysToType()) {
      SCOPED_TRACE(std::string(way.name) + " in cell " + std::to_string(row.row) + "," +
                   std::to_string(row.column) + (row.side == wdCollapseEnd ? " end" : " start"));
      Fixture f(P("a") + EmptyTable(3, 4) + P(""));
      Table t = f.doc->Tables().Item(1);
      Range at = t.Cell(row.row, row.column).Range();
      at.Collapse(row.side);
      const int start = at.Start();
      EXPECT_EQ(start, t.Cell(row.row, row.column).Range().Start());
      way.type_x(*f.doc, at);
      EXPECT_EQ(CellTexts(t), row.cells);
      EXPECT_EQ(f.doc->Range(start, start + 1).Text(), "x");
      auto xml = f.Saved();
      EXPECT_EQ(Value(xml, row.saved), "x");
      EXPECT_EQ(Count(xml, "//w:tbl//w:t"), 1u);
      EXPECT_EQ(Count(xml, "//w:tc[count(w:p)!=1]"), 0u);
      // Once more at the end of the cell that now holds text.
      Range end = t.Cell(row.row, row.column).Range();
      end.Collapse(wdCollapseEnd);
      end.Collapse(wdCollapseEnd);  // collapsing a collapsed range leaves it
      end.InsertAfter("y");
      EXPECT_EQ(t.Cell(row.row, row.column).Range().Text(), "xy\r\a");
    }
  }
}

TEST(WordEditing, SelectingAnEmptyCellAndTypingFillsThatCell) {
  Fixture f(P("a") + EmptyTable(2, 5) + P(""));
  Table t = f.doc->Tables().Item(1);
  Selection sel = f.doc->Application()->Selection();
  for (int c = 1; c <= 5; ++c) {
    t.Cell(2, c).Select();
    EXPECT_EQ(sel.Start(), t.Cell(2, c).Range().Start());
    sel.InsertAfter(std::to_string(c));
    EXPECT_EQ(sel.Text(), std::to_string(c));
  }
  t.Cell(1, 4).Select();
  sel.TypeText("vier");
  t.Cell(1, 2).Range().InsertAfter("zwei");
  EXPECT_EQ(CellTexts(t), "|zwei||vier|/1|2|3|4|5");
}

TEST(WordEditing, TextInAnEmptyParagraphRightAfterATableGoesIntoIt) {
  for (const auto& way : WaysToType()) {
    SCOPED_TRACE(way.name);
    Fixture f(P("a") + EmptyTable(2, 3) + P("") + P("b"));
    Table t = f.doc->Tables().Item(1);
    Range at = t.Range();
    at.Collapse(wdCollapseEnd);
    EXPECT_EQ(at.Start(), t.Range().End());
    way.type_x(*f.doc, at);
    EXPECT_EQ(CellTexts(t), "||/||");
    EXPECT_EQ(f.doc->Range(t.Range().End(), f.doc->Content().End()).Text(), "x\rb\r");
    auto xml = f.Saved();
    EXPECT_EQ(Count(xml, "//w:body/w:tbl/following-sibling::w:p[1]//w:t[.='x']"), 1u);
    EXPECT_EQ(Count(xml, "//w:tbl//w:t"), 0u);
  }
}

TEST(WordEditing, SelectionOfACellCoversItsTextOnly) {
  Fixture f(Tbl(2, 2) + P(""));
  Table t = f.doc->Tables().Item(1);
  t.Cell(2, 1).Select();
  Selection sel = f.doc->Application()->Selection();
  EXPECT_EQ(sel.Text(), "R2C1");
  EXPECT_EQ(sel.Tables().Count(), 1);
  EXPECT_TRUE(sel.Information(wdWithInTable).AsBoolean());
  sel.Collapse(wdCollapseEnd);
  sel.InsertAfter(" ok");
  EXPECT_EQ(t.Cell(2, 1).Range().Text(), "R2C1 ok\r\a");
  EXPECT_EQ(sel.Text(), " ok");
}

}  // namespace
}  // namespace korvax::word
