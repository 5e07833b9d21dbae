// Adding, shaping and deleting tables with their comments and bookmarks, and
// handles that refer to no table, comment or range.
#include <gtest/gtest.h>

#include "docx_builder.hpp"
#include "platform/word/package.hpp"
#include "platform/word/word.hpp"

namespace korvax::word {
namespace {

using testing::AddAtEnd;
using testing::Calls;
using testing::Count;
using testing::ExpectEachFailsWith;
using testing::Join;
using testing::Mark;
using testing::P;
using testing::Tbl;
using testing::Value;

using Fixture = testing::OpenedDocx;

// Every member of a handle, called once each.
Calls Members(Table& t) {
  return {[&] { t.Range(); },
          [&] { t.Delete(); },
          [&] { t.Rows().Count(); },
          [&] { t.Rows().Add(); },
          [&] { t.Columns().Count(); },
          [&] { t.Columns().Item(1); },
          [&] { t.Cell(1, 1); },
          [&] { t.Borders(wdBorderTop).LineStyle(); },
          [&] { t.Borders(wdBorderTop).SetLineStyle(wdLineStyleNone); },
          [&] { t.Select(); }};
}
Calls Members(Cell& c) {
  return {[&] { c.Range(); }, [&] { c.Text(); }, [&] { c.Width(); }, [&] { c.SetWidth(10); },
          [&] { c.Select(); }};
}
Calls Members(Comment& c) {
  return {[&] { c.Range(); }, [&] { c.Scope(); }, [&] { c.Delete(); }, [&] { c.Id(); }};
}

TEST(WordTables, AddAtTheEndFillsTheTextWidthThenColumnsBordersAndRowsChangeIt) {
  Fixture f(P("Rechnung"));
  Table t = AddAtEnd(*f.doc, 2, 5);
  EXPECT_EQ(t.Range().Start(), 9);
  EXPECT_EQ(t.Cell(2, 5).Range().Text(), "\r\a");
  t.Cell(1, 1).Range().InsertAfter("Flurstückszerlegung");
  t.Cell(1, 1).Range().Font().SetBold(true);
  t.Columns().Item(2).SetWidth(Application::CentimetersToPoints(1));
  t.Cell(2, 1).SetWidth(Application::CentimetersToPoints(10));
  for (int b : {wdBorderTop, wdBorderLeft, wdBorderBottom, wdBorderRight, wdBorderHorizontal,
                wdBorderVertical}) {
    t.Borders(b).SetLineStyle(wdLineStyleNone);
  }
  t.Cell(2, 3).Range().InsertAfter("alt\rneu 5 €");
  EXPECT_EQ(t.Cell(1, 1).Text(), "Flurstückszerlegung");
  EXPECT_EQ(t.Cell(2, 3).Text(), "alt\rneu 5 €");
  EXPECT_EQ(t.Cell(2, 4).Text(), "");
  t.Rows().Add();
  EXPECT_EQ(t.Cell(3, 3).Range().Text(), "\r\a");
  EXPECT_THROW(t.Columns().Item(6), Error);
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:tblGrid/w:gridCol[@w:w='1814']"), 4u);
  EXPECT_EQ(Value(xml, "//w:tblGrid/w:gridCol[2]/@w:w"), "567");
  EXPECT_EQ(Count(xml, "//w:tr/w:tc/w:tcPr/w:tcW[@w:type='dxa']"), 15u);
  EXPECT_EQ(Count(xml, "//w:tr/w:tc[2]/w:tcPr/w:tcW[@w:w='567']"), 3u);
  EXPECT_EQ(Value(xml, "//w:tr[2]/w:tc[1]/w:tcPr/w:tcW/@w:w"), "5669");
  EXPECT_EQ(Count(xml, "//w:tblBorders/*[@w:val='nil']"), 6u);
  EXPECT_EQ(Count(xml, "//w:tr[3]//w:t"), 0u);
  EXPECT_EQ(Count(xml, "//w:body/w:tbl/following-sibling::w:p"), 1u);
  EXPECT_EQ(Count(xml, "//w:tc[1]//w:r[w:rPr/w:b]/w:t[.='Flurstückszerlegung']"), 1u);
}

// Word stores a table whose rows have different cell boundaries with a grid
// of every boundary; Columns.Count counts the cells of the fullest row.
TEST(WordTables, ColumnsOfIrregularRowsAreCountedByCellsNotByGrid) {
  Fixture f(P("Rechnung"));
  Table t = AddAtEnd(*f.doc, 3, 5);
  const double cm[] = {10, 1, 1, 1};
  for (int c = 1; c <= 4; ++c) t.Cell(3, c).SetWidth(Application::CentimetersToPoints(cm[c - 1]));
  f.doc->Save();
  testing::StoreTablesAsWord(f.path);
  EXPECT_EQ(Count(testing::SavedXml(f.path, "word/document.xml"), "//w:gridCol"), 10u);
  Table stored = Document::Open(f.path)->Tables().Item(1);
  EXPECT_EQ(stored.Columns().Count(), 5);
  EXPECT_EQ(stored.Cell(3, 5).Text(), "");
}

TEST(WordTables, CellTextOfACellWithoutParagraphLosesOnlyItsMark) {
  Fixture f(
      "<w:tbl><w:tr><w:tc><w:tcPr/></w:tc><w:tc><w:p><w:r><w:t>Gebühr</w:t></w:r></w:p>"
      "</w:tc></w:tr></w:tbl>" +
      P(""));
  Table t = f.doc->Tables().Item(1);
  EXPECT_EQ(t.Cell(1, 1).Text(), "");
  EXPECT_EQ(t.Cell(1, 2).Text(), "Gebühr");
  EXPECT_EQ(t.Cell(1, 2).Range().Text(), "Gebühr\r\a");
}

TEST(WordTables, AddInTheMiddleOfAParagraphSplitsIt) {
  Fixture f(P("linksrechts"));
  f.doc->Tables().Add(f.doc->Range(5, 5), 1, 2);
  EXPECT_EQ(f.doc->Content().Text(), "links\r\r\a\r\a\r\arechts\r");
  auto xml = f.Saved();
  EXPECT_EQ(Value(xml, "//w:body/*[1]//w:t"), "links");
  EXPECT_EQ(std::string(xml.select_node("//w:body/*[2]").node().name()), "w:tbl");
  EXPECT_EQ(Value(xml, "//w:body/*[3]//w:t"), "rechts");
}

TEST(WordTables, DeleteTakesCommentsAndBookmarksAndCollapsesRangesInside) {
  Fixture f(P("Kopf") + P("Fuß"));
  Table t = AddAtEnd(*f.doc, 2, 5);
  t.Cell(1, 5).Select();
  f.doc->Bookmarks().Add("Korvax_1", f.doc->Application()->Selection().Range());
  Mark(*f.doc, t, "Korvax_1");
  t.Cell(2, 1).Range().InsertAfter("Flst.Nr. 12");
  ASSERT_EQ(t.Range().Comments().Count(), 1);

  Range inside = t.Cell(2, 1).Range();
  Range place = t.Range();
  int start = place.Start();
  Range after = f.doc->Range(place.End(), place.End() + 1);
  // A bookmark from inside the table to the text after it loses its end too.
  f.doc->Bookmarks().Add("Bis_Fuss", f.doc->Range(inside.Start(), place.End() + 2));
  t.Delete();
  EXPECT_EQ(f.doc->Tables().Count(), 0);
  EXPECT_EQ(f.doc->Comments().Count(), 0);
  EXPECT_FALSE(f.doc->Bookmarks().Exists("Korvax_1"));
  EXPECT_FALSE(f.doc->Bookmarks().Exists("Bis_Fuss"));
  for (const Range* r : {&inside, &place, &after}) EXPECT_EQ(r->Start(), start);
  EXPECT_EQ(inside.End(), start);
  EXPECT_EQ(place.End(), start);
  EXPECT_EQ(f.doc->Content().Text(), "Kopf\rFuß\r\r");

  // The dialogs write the new table where the old one was.
  Table again = f.doc->Tables().Add(place, 2, 5);
  EXPECT_EQ(again.Range().Start(), start);
  Mark(*f.doc, again, "Korvax_1");
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:commentRangeStart"), 1u);
  EXPECT_EQ(Count(xml, "//w:bookmarkStart"), 0u);
  EXPECT_EQ(Count(xml, "//w:bookmarkEnd"), 0u);
  EXPECT_EQ(Count(testing::SavedXml(f.path, "word/comments.xml"), "//w:comment"), 1u);
}

// The bookmarks of the opened file count for a new one's id; one added again
// under its name replaces the old one.
TEST(WordTables, BookmarksAddedAgainReplaceTheOldOnesAndTakeTheNextId) {
  Fixture f(
      "<w:p><w:bookmarkStart w:id=\"7\" w:name=\"Alt\"/><w:r><w:t>Kopf</w:t></w:r>"
      "<w:bookmarkEnd w:id=\"7\"/></w:p>" +
      P("Fuß"));
  for (auto [name, start] : {std::pair{"Neu", 0}, {"Alt", 5}, {"Neu", 1}}) {
    f.doc->Bookmarks().Add(name, f.doc->Range(start, start + 2));
  }
  EXPECT_EQ(f.doc->Bookmarks().Count(), 2);
  auto xml = f.Saved();
  EXPECT_EQ(Value(xml, "//w:bookmarkStart[@w:name='Alt']/@w:id"), "9");
  EXPECT_EQ(Value(xml, "//w:bookmarkStart[@w:name='Neu']/@w:id"), "10");
  EXPECT_EQ(Count(xml, "//w:bookmarkEnd"), 2u);
}

TEST(WordTables, ColumnWidthReachesCellsWithoutOrWithOtherWidthElements) {
  std::string rows;
  for (const char* pr : {"<w:tcPr><w:tcW w:w=\"1\" w:type=\"dxa\"/></w:tcPr>", "",
                         "<w:tcPr><w:tcW w:type=\"pct\" w:w=\"50\"/></w:tcPr>"}) {
    rows += std::string("<w:tr><w:tc>") + pr + "<w:p/></w:tc></w:tr>";
  }
  Fixture f(P("a") + "<w:tbl>" + rows + "</w:tbl>" + P("b"));
  f.doc->Tables().Item(1).Columns().Item(1).SetWidth(Application::CentimetersToPoints(1));
  EXPECT_EQ(Count(f.Saved(), "//w:tc/w:tcPr/w:tcW[@w:w='567'][@w:type='dxa']"), 3u);
}

TEST(WordTables, EmptyHandlesFailInsteadOfTouchingADocument) {
  Fixture f(P("a") + Tbl(2, 2) + P("b"));
  Table live = f.doc->Tables().Item(1);
  Comment note = f.doc->Comments().Add(live.Cell(1, 1).Range(), "RE_Summe");

  // Default-constructed handles refer to no object at all.
  Table table;
  Cell cell;
  Comment comment;
  ExpectEachFailsWith(5825, Join({Members(table), Members(cell), Members(comment)}));
  EXPECT_FALSE(table);

  // Handles over a live object but without a document never dereference it.
  Table no_doc_table(nullptr, live.Node());
  Cell no_doc_cell(nullptr, live.Cell(2, 2).Node());
  Comment no_doc_comment(nullptr, note.Node());
  Column no_doc_column(nullptr, live.Node(), 1);
  ExpectEachFailsWith(91,
                      Join({Members(no_doc_table),
                            Members(no_doc_cell),
                            Members(no_doc_comment),
                            {[&] { no_doc_column.Width(); }, [&] { no_doc_column.SetWidth(10); },
                             [&] { Comments(nullptr, {}).Add(f.doc->Range(0, 1), "x"); },
                             [&] { Comments::Of(nullptr, nullptr); }}}));

  // A range that refers to nothing, and every place that takes one.
  Range range;
  Range other = f.doc->Range(0, 1);
  ExpectEachFailsWith(91, {[&] { range.Start(); },
                           [&] { range.End(); },
                           [&] { range.SetStart(0); },
                           [&] { range.SetEnd(0); },
                           [&] { range.SetRange(0, 0); },
                           [&] { range.Text(); },
                           [&] { range.SetText("x"); },
                           [&] { range.Collapse(wdCollapseEnd); },
                           [&] { range.MoveStart(); },
                           [&] { range.MoveEnd(wdWord, 1); },
                           [&] { range.InsertAfter("x"); },
                           [&] { range.InsertBefore("x"); },
                           [&] { range.InsertParagraphAfter(); },
                           [&] { range.InsertParagraphBefore(); },
                           [&] { range.Delete(); },
                           [&] { range.Font().Bold(); },
                           [&] { range.Font().SetBold(true); },
                           [&] { range.Font().Size(); },
                           [&] { range.Font().SetSize(10); },
                           [&] { range.ParagraphFormat().Alignment(); },
                           [&] { range.ParagraphFormat().SetAlignment(wdAlignParagraphRight); },
                           [&] { range.ParagraphFormat().TabStops().Count(); },
                           [&] { range.ParagraphFormat().TabStops().Add(10); },
                           [&] { range.Comments(); },
                           [&] { range.Tables(); },
                           [&] { range.Information(wdWithInTable); },
                           [&] { range.Select(); },
                           [&] { range.Duplicate(); },
                           [&] { range.IsEqual(other); },
                           [&] { other.IsEqual(range); },
                           [&] { f.doc->Tables().Add(range, 1, 1); },
                           [&] { f.doc->Comments().Add(range, "x"); },
                           [&] { Comments::Of(f.doc->Data(), &range); },
                           [&] { f.doc->Bookmarks().Add("Marke", range); }});
  EXPECT_FALSE(range);

  // Nothing of that reached the document.
  EXPECT_EQ(f.doc->Content().Text(), "a\rR1C1\r\aR1C2\r\a\r\aR2C1\r\aR2C2\r\a\r\ab\r");
  EXPECT_EQ(note.Range().Text(), "RE_Summe");
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:bookmarkStart"), 0u);
  EXPECT_EQ(Count(xml, "//w:tblBorders"), 0u);
}

TEST(WordTables, HandlesOfADeletedTableFailWith5825InEveryMember) {
  // The table deleted itself, or with the whole text that covers it.
  for (bool whole_text : {false, true}) {
    SCOPED_TRACE(whole_text ? "Content().Delete()" : "Table.Delete()");
    Fixture f(P("a") + Tbl(2, 2) + P("b"));
    Table t = f.doc->Tables().Item(1);
    Table same = f.doc->Tables().Item(1);
    Cell cell = t.Cell(2, 1);
    Column column = t.Columns().Item(2);
    Border border = t.Borders(wdBorderLeft);
    Comment c = f.doc->Comments().Add(t.Cell(1, 1).Range(), "RE_Summe");
    whole_text ? f.doc->Content().Delete() : t.Delete();
    EXPECT_EQ(f.doc->Tables().Count(), 0);
    ExpectEachFailsWith(5825, Join({Members(t),
                                    Members(same),
                                    Members(cell),
                                    Members(c),
                                    {[&] { column.Width(); }, [&] { column.SetWidth(10); },
                                     [&] { border.LineStyle(); },
                                     [&] { border.SetLineStyle(wdLineStyleSingle); }}}));
    EXPECT_EQ(f.doc->Content().Text(), whole_text ? "\r" : "a\rb\r");
    EXPECT_EQ(Count(f.Saved(), "//w:tbl"), 0u);
  }
}

}  // namespace
}  // namespace korvax::word
