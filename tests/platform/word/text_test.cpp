// Character positions and texts as Word counts them.
#include <gtest/gtest.h>

#include "docx_builder.hpp"
#include "platform/word/word.hpp"

namespace korvax::word {
namespace {

using testing::ExpectCommentsAsReopened;
using testing::P;
using testing::Tbl;

std::shared_ptr<Document> OpenBody(std::string_view body) {
  auto path = testing::WriteDocx(testing::TempDir() / "t.docx", body);
  return Document::Open(path);
}

// "ä" and "€" are one character each, also written as character references;
// a reference that stands for no character (a lone surrogate) makes the part
// unreadable, as stray bytes do.
TEST(WordText, UmlautsEuroAndCharacterReferencesCountAsOneCharacterEach) {
  for (const std::string& first :
       {P("Größe 5 €"),
        std::string("<w:p><w:r><w:t>Gr&#246;&#xDF;e 5 &#x20AC;</w:t></w:r></w:p>")}) {
    SCOPED_TRACE(first);
    auto doc = OpenBody(first + P("zwei"));
    Range all = doc->Content();
    EXPECT_EQ(all.Start(), 0);
    EXPECT_EQ(all.End(), 15);
    EXPECT_EQ(all.Text(), "Größe 5 €\rzwei\r");
    EXPECT_EQ(doc->Range(6, 9).Text(), "5 €");
    EXPECT_EQ(doc->Range(10, 14).Text(), "zwei");
  }
  EXPECT_THROW(OpenBody("<w:p><w:r><w:t>a&#xD800;b</w:t></w:r></w:p>"), Error);
  EXPECT_THROW(OpenBody("<w:p><w:r><w:t>x</w:t></w:r></w:p><w:p w:x=\"&#55296;\"/>"), Error);
}

// Texts of every length up to a few dozen bytes, with multibyte characters
// at every place, ending at every place of the blocks counted at a time.
TEST(WordText, LongTextsCountEveryCharacterOnce) {
  std::string body;
  int end = 0;
  for (int n = 0; n < 40; ++n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += i % 3 ? "ä" : "x€";
    body += P(text);
    end += n + (n + 2) / 3 + 1;  // a character each, one more for every "x€", the mark
  }
  auto doc = OpenBody(body + P("z"));
  EXPECT_EQ(doc->Range(end, end + 1).Text(), "z");
  EXPECT_EQ(doc->Content().End(), end + 2);
}

TEST(WordText, CellTextsEndWithTheEndOfCellMark) {
  auto doc = OpenBody(P("vor") + Tbl(2, 2) + P("nach"));
  ASSERT_EQ(doc->Tables().Count(), 1);
  Table t = doc->Tables().Item(1);
  EXPECT_EQ(t.Cell(1, 1).Range().Text(), "R1C1\r\a");
  EXPECT_EQ(t.Cell(2, 2).Range().Text(), "R2C2\r\a");
  EXPECT_EQ(t.Cell(1, 1).Range().Start(), 4);
  EXPECT_EQ(t.Range().Text(), "R1C1\r\aR1C2\r\a\r\aR2C1\r\aR2C2\r\a\r\a");
  EXPECT_EQ(t.Range().End(), 4 + 2 * (6 + 6 + 2));
  EXPECT_EQ(doc->Content().Text(), "vor\rR1C1\r\aR1C2\r\a\r\aR2C1\r\aR2C2\r\a\r\anach\r");
  EXPECT_EQ(t.Rows().Count(), 2);
  EXPECT_EQ(t.Columns().Count(), 2);
}

TEST(WordText, CellOutsideTheTableFailsWith5941) {
  auto doc = OpenBody(Tbl(2, 2) + P(""));
  Table t = doc->Tables().Item(1);
  try {
    t.Cell(3, 1);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 5941);
    EXPECT_EQ(e.description(), "Das angeforderte Element ist nicht in der Sammlung vorhanden.");
  }
  EXPECT_THROW(t.Cell(1, 0), Error);
  EXPECT_THROW(doc->Tables().Item(2), Error);
}

TEST(WordText, SpecialRunContentAndRevisionsCount) {
  auto doc = OpenBody(
      "<w:p><w:r><w:t>a</w:t><w:tab/><w:t>b</w:t><w:noBreakHyphen/><w:softHyphen/><w:br/></w:r>"
      "<w:del w:id=\"1\" w:author=\"x\"><w:r><w:delText>weg</w:delText></w:r></w:del>"
      "<w:ins w:id=\"2\" w:author=\"x\"><w:r><w:t>c</w:t></w:r></w:ins>"
      "<w:hyperlink r:id=\"rId9\"><w:r><w:t>d</w:t></w:r></w:hyperlink>"
      "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> PAGE </w:instrText></w:r>"
      "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>7</w:t></w:r>"
      "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
      "<w:fldSimple w:instr=\" DATE \"><w:r><w:t>heute</w:t></w:r></w:fldSimple>"
      "<w:sdt><w:sdtPr/><w:sdtContent><w:r><w:t>e</w:t></w:r></w:sdtContent></w:sdt>"
      "<w:r><w:br w:type=\"page\"/></w:r></w:p>"
      "<w:p><w:r><?w:tab?><w:t>f</w:t><?w:t g?><?w:r h?><!-- w:tab --></w:r></w:p>");
  EXPECT_EQ(doc->Content().Text(), "a\tb\x1e\x1f\vcd7heutee\f\rf\r");
  EXPECT_EQ(doc->Range(3, 6).Text(), "\x1e\x1f\v");  // each hyphen is a character
}

TEST(WordText, BlockContentControlsAndNestedTablesCount) {
  std::string nested = "<w:tc>" + Tbl(1, 1, "N") + P("") + "</w:tc>";
  auto doc = OpenBody("<w:sdt><w:sdtPr/><w:sdtContent>" + P("in sdt") +
                      "</w:sdtContent></w:sdt><w:tbl><w:tr><w:tc>" + P("A") + "</w:tc>" + nested +
                      "</w:tr></w:tbl>" + P("end"));
  EXPECT_EQ(doc->Tables().Count(), 1);
  Table t = doc->Tables().Item(1);
  EXPECT_EQ(t.Cell(1, 2).Range().Text(), "N1C1\r\a\r\a\r\a");
  EXPECT_EQ(t.Cell(1, 2).Text(), "N1C1\r\a\r\a");  // the range's text without "\r\a"
  EXPECT_EQ(t.Cell(1, 1).Text(), "A");
  EXPECT_EQ(doc->Content().Text(), "in sdt\rA\r\aN1C1\r\a\r\a\r\a\r\aend\r");
  Range inner = doc->Range(10, 10);
  EXPECT_EQ(inner.Tables().Count(), 1);
  EXPECT_TRUE(inner.Tables().Item(1) == t);
  EXPECT_TRUE(inner.Information(wdWithInTable).AsBoolean());
  EXPECT_FALSE(doc->Range(1, 1).Information(wdWithInTable).AsBoolean());
}

TEST(WordText, WordsMoveOverLettersPunctuationAndMarks) {
  auto doc = OpenBody(P("Summe: 12,50 €") + P("x"));
  Range r = doc->Range(0, 0);
  std::vector<std::string> words;
  for (int i = 0; i < 7; ++i) {
    int start = r.End();
    r.MoveEnd(wdWord, 1);
    words.push_back(doc->Range(start, r.End()).Text());
  }
  EXPECT_EQ(words, (std::vector<std::string>{"Summe", ": ", "12", ",", "50 ", "€", "\r"}));
  Range back = doc->Range(13, 13);  // before "€"
  back.MoveStart(wdWord, -1);
  EXPECT_EQ(back.Text(), "50 ");
  back.MoveStart(wdWord, -2);
  EXPECT_EQ(back.Text(), "12,50 ");
  Range para = doc->Range(15, 15);
  para.MoveStart(wdWord, -1);
  EXPECT_EQ(para.Text(), "\r");
  Range chars = doc->Range(3, 3);
  EXPECT_EQ(chars.MoveEnd(wdCharacter, 4), 4);
  EXPECT_EQ(chars.Text(), "me: ");
  EXPECT_EQ(chars.MoveStart(wdCharacter, -10), -3);
}

// What the layer answers about a document: its text, where every
// table and cell of the body lies, and whether each position is in a table.
std::vector<std::string> Positions(Document& doc) {
  std::vector<std::string> out{doc.Content().Text()};
  Tables tables = doc.Tables();
  for (int i = 1; i <= tables.Count(); ++i) {
    Table t = tables.Item(i);
    out.push_back("table " + std::to_string(t.Range().Start()) + "-" +
                  std::to_string(t.Range().End()));
    for (int r = 1; r <= t.Rows().Count(); ++r) {
      for (int c = 1; c <= t.Columns().Count(); ++c) {
        Range cell = t.Cell(r, c).Range();
        out.push_back(std::to_string(cell.Start()) + "-" + std::to_string(cell.End()) + " " +
                      cell.Text());
      }
    }
  }
  std::string in_table;
  int end = doc.Content().End();
  for (int k = 0; k < end; ++k) {
    in_table += doc.Range(k, k).Information(wdWithInTable).AsBoolean() ? 'T' : '.';
  }
  out.push_back(in_table);
  return out;
}

void ExpectSameAsReopened(Document& doc) {
  testing::ExpectAsReopened(doc, Positions);
}

Range RangeOf(Document& doc, std::string_view text) {
  std::string all = doc.Content().Text();
  size_t at = all.find(text);
  if (at == std::string::npos) return doc.Range(0, 0);
  // Positions count characters; the texts used here are ASCII.
  return doc.Range(static_cast<int>(at), static_cast<int>(at + text.size()));
}

TEST(WordTextAfterStructuralEdits, TablesAddedAndDeletedMoveTheTextAfterThem) {
  auto doc = OpenBody(P("vor") + Tbl(2, 2) + P("mitte") + Tbl(1, 2, "S") + P("nach"));
  auto before = Positions(*doc);  // every container indexed before the edits
  Range mitte = RangeOf(*doc, "mitte");
  Range nach = RangeOf(*doc, "nach");

  Table added = doc->Tables().Add(doc->Range(mitte.Start(), mitte.Start()), 2, 3);
  added.Cell(2, 3).Range().InsertAfter("neu");
  EXPECT_EQ(mitte.Text(), "mitte");
  EXPECT_EQ(nach.Text(), "nach");
  EXPECT_EQ(doc->Tables().Count(), 3);
  ExpectSameAsReopened(*doc);

  doc->Tables().Item(1).Delete();  // before everything else
  EXPECT_EQ(mitte.Text(), "mitte");
  EXPECT_EQ(nach.Text(), "nach");
  EXPECT_EQ(doc->Tables().Item(1).Cell(2, 3).Range().Text(), "neu\r\a");
  ExpectSameAsReopened(*doc);

  doc->Tables().Item(2).Delete();  // the last one, between mitte and nach
  EXPECT_EQ(doc->Content().Text().substr(mitte.Start()), "mitte\rnach\r");
  ExpectSameAsReopened(*doc);
  EXPECT_NE(Positions(*doc), before);
}

TEST(WordTextAfterStructuralEdits, TablesInsideCellsAndNestedTables) {
  std::string nested = "<w:tc>" + Tbl(2, 1, "N") + P("") + "</w:tc>";
  auto doc = OpenBody(P("vor") + "<w:tbl><w:tr><w:tc>" + P("A") + "</w:tc>" + nested +
                      "</w:tr><w:tr><w:tc>" + P("B") + "</w:tc><w:tc>" + P("gamma") +
                      "</w:tc></w:tr></w:tbl>" + P("nach"));
  Positions(*doc);
  Range nach = RangeOf(*doc, "nach");
  Range c = RangeOf(*doc, "gamma");
  Table outer = doc->Tables().Item(1);

  // A table in the first cell: the cell, its row, the table and the body grow.
  Range a = outer.Cell(1, 1).Range();
  doc->Tables().Add(doc->Range(a.Start(), a.Start()), 2, 2);
  EXPECT_EQ(c.Text(), "gamma");
  EXPECT_EQ(nach.Text(), "nach");
  ExpectSameAsReopened(*doc);

  // Text written into the nested table's cell, then that table deleted.
  Range inner = RangeOf(*doc, "N2C1");
  Tables in_cell = doc->Range(inner.Start(), inner.Start()).Tables();
  inner.InsertAfter("xyz");
  EXPECT_EQ(RangeOf(*doc, "N2C1xyz").Text(), "N2C1xyz");
  ExpectSameAsReopened(*doc);
  Range nested_table = doc->Range(inner.Start() - 8, inner.End() + 4);
  EXPECT_EQ(nested_table.Text(), "N1C1\r\a\r\aN2C1xyz\r\a\r\a");
  nested_table.Delete();
  EXPECT_EQ(c.Text(), "gamma");
  EXPECT_EQ(nach.Text(), "nach");
  ExpectSameAsReopened(*doc);
  EXPECT_EQ(in_cell.Count(), 1);
}

TEST(WordTextAfterStructuralEdits, ParagraphsSplitAndMergedInACellAndRowsAdded) {
  auto doc = OpenBody(P("vor") + Tbl(2, 2) + P("nach"));
  Positions(*doc);
  Range nach = RangeOf(*doc, "nach");
  Table t = doc->Tables().Item(1);

  t.Cell(1, 2).Range().InsertAfter("eins\rzwei\rdrei");
  EXPECT_EQ(t.Cell(1, 2).Range().Text(), "R1C2eins\rzwei\rdrei\r\a");
  EXPECT_EQ(t.Cell(2, 1).Range().Text(), "R2C1\r\a");
  EXPECT_EQ(nach.Text(), "nach");
  ExpectSameAsReopened(*doc);

  // Deleting over the paragraph marks merges the paragraphs again.
  Range zwei = RangeOf(*doc, "\rzwei\r");
  zwei.Delete();
  EXPECT_EQ(t.Cell(1, 2).Range().Text(), "R1C2einsdrei\r\a");
  EXPECT_EQ(nach.Text(), "nach");
  ExpectSameAsReopened(*doc);

  t.Rows().Add();
  t.Cell(3, 1).Range().InsertAfter("neu");
  EXPECT_EQ(t.Rows().Count(), 3);
  EXPECT_EQ(nach.Text(), "nach");
  ExpectSameAsReopened(*doc);

  // Paragraphs in the body after the table, and before it.
  nach.InsertBefore("a\rb\r");
  RangeOf(*doc, "vor").InsertAfter("\rx");
  EXPECT_EQ(t.Cell(3, 1).Range().Text(), "neu\r\a");
  ExpectSameAsReopened(*doc);

  // A table added in the middle of a paragraph splits it first.
  int ch = RangeOf(*doc, "ch").Start();
  Table split = doc->Tables().Add(doc->Range(ch, ch), 1, 1);
  EXPECT_EQ(split.Range().Start(), ch + 1);
  EXPECT_EQ(doc->Content().Text().substr(split.Range().Start() - 3), "na\r\r\a\r\ach\r");
  ExpectSameAsReopened(*doc);
}

TEST(WordTextAfterStructuralEdits, CellsAndTablesGrowingLongAndShortAgain) {
  auto doc = OpenBody(P("vor") + Tbl(2, 2) + P("nach"));
  Positions(*doc);
  Range nach = RangeOf(*doc, "nach");
  Table t = doc->Tables().Item(1);

  // Short lists of paragraphs and rows become long ones, and the other way.
  t.Cell(1, 2).Range().InsertAfter("a\rb\rc\rd\re\rf\rg\rh\ri\rj");
  for (int i = 0; i < 9; ++i) t.Rows().Add();
  t.Cell(11, 2).Range().InsertAfter("unten");
  nach.InsertBefore("1\r2\r3\r4\r5\r6\r7\r8\r9\r");
  ExpectSameAsReopened(*doc);

  RangeOf(*doc, "a\rb\rc\rd\re\rf\rg\rh\ri\r").Delete();
  RangeOf(*doc, "1\r2\r3\r4\r5\r6\r7\r8\r9\r").Delete();
  EXPECT_EQ(t.Cell(1, 2).Range().Text(), "R1C2j\r\a");
  EXPECT_EQ(t.Cell(11, 2).Range().Text(), "unten\r\a");
  EXPECT_EQ(nach.Text(), "nach");
  EXPECT_EQ(doc->Content().Text().substr(nach.Start() - 9), "unten\r\a\r\anach\r");
  ExpectSameAsReopened(*doc);
}

// A cell's range leaves where the cell starts for the reads and edits right
// after it; an edit in front of the cell must not leave that in use.
TEST(WordTextAfterStructuralEdits, AReadAfterACellsRangeAndAnEditBeforeTheCell) {
  auto doc = OpenBody(P("vor") + Tbl(2, 2) + P("nach"));
  int start = doc->Tables().Item(1).Cell(2, 1).Range().Start();
  doc->Range(0, 2).Delete();
  testing::ExpectAsReopened(*doc, [&](Document& d) { return d.Range(start, start + 6).Text(); });
}

// Markers written twice for one id (as some editors leave them) all go with
// their comment, so that a later comment given the same id finds none of them.
TEST(WordTextAfterStructuralEdits, ACommentDeletedTakesEveryMarkerOfItsId) {
  auto doc = OpenBody(P("null") +
                      "<w:p><w:commentRangeStart w:id=\"0\"/><w:r><w:t>eins</w:t></w:r>"
                      "<w:commentRangeStart w:id=\"0\"/><w:r><w:t>zwei</w:t></w:r>"
                      "<w:commentRangeEnd w:id=\"0\"/></w:p>" +
                      P("drei"));
  doc->Comments().Add(RangeOf(*doc, "drei"), "erster");
  testing::CommentsEverywhere(*doc);
  doc->Comments().Item(1).Delete();
  doc->Comments().Add(RangeOf(*doc, "null"), "zweiter");
  EXPECT_EQ(doc->Comments().Item(1).Scope().Text(), "null");
  ExpectCommentsAsReopened(*doc);
}

// Comments already in the file, their anchors found while it was opened: each
// edit made on a freshly opened copy before anything lists the comments.
TEST(WordTextAfterStructuralEdits, CommentsOfTheFileEditedBeforeTheyAreListed) {
  const auto path = testing::TempDir() / "with-comments.docx";
  {
    auto doc = OpenBody(P("eins zwei") + Tbl(2, 2) + P("drei vier") + P("fuenf"));
    doc->Comments().Add(RangeOf(*doc, "zwei"), "c-zwei");
    doc->Comments().Add(RangeOf(*doc, "R1C2"), "c-zelle");
    doc->Comments().Add(RangeOf(*doc, "fuenf"), "c-fuenf");
    doc->SaveAs(path);
  }
  {  // added before, between and after the anchors in the file
    auto doc = Document::Open(path);
    doc->Comments().Add(RangeOf(*doc, "eins"), "c-eins");
    doc->Comments().Add(RangeOf(*doc, "vier"), "c-vier");
    doc->Comments().Add(RangeOf(*doc, "R2C2"), "c-zelle-2");
    EXPECT_EQ(doc->Comments().Count(), 6);
    ExpectCommentsAsReopened(*doc);
  }
  {
    auto doc = Document::Open(path);
    doc->Comments().Item(2).Delete();
    EXPECT_EQ(doc->Comments().Count(), 2);
    ExpectCommentsAsReopened(*doc);
  }
  {  // the table goes with the comment on its cell
    auto doc = Document::Open(path);
    doc->Tables().Item(1).Delete();
    EXPECT_EQ(doc->Comments().Count(), 2);
    ExpectCommentsAsReopened(*doc);
    doc->Comments().Add(RangeOf(*doc, "drei"), "c-drei");
    ExpectCommentsAsReopened(*doc);
  }
  {
    auto doc = Document::Open(path);
    doc->Shapes().AddTextbox(msoTextOrientationHorizontal, 70.5, 766.5, 450.75, 54);
    doc->Comments().Add(RangeOf(*doc, "drei"), "c-drei");
    EXPECT_EQ(doc->Comments().Count(), 4);
    ExpectCommentsAsReopened(*doc);
  }
}

// A text box is a story of its own: adding boxes leaves the body's positions as
// they were, and a collection sees every box added through it, before or after
// it was first counted.
TEST(WordTextAfterStructuralEdits, TextBoxesAddedThroughOneCollection) {
  auto doc = OpenBody(P("Rechnung") + Tbl(2, 2) + P("Ende"));
  const std::string body = doc->Content().Text();
  Shapes shapes = doc->Shapes();
  Shape first = shapes.AddTextbox(msoTextOrientationHorizontal, 70.5, 766.5, 450.75, 54);
  first.SetName("eins");
  EXPECT_EQ(shapes.Count(), 1);
  Shape second = shapes.AddTextbox(msoTextOrientationHorizontal, 70.5, 700, 450.75, 54);
  second.SetName("zwei");
  EXPECT_EQ(shapes.Count(), 2);
  EXPECT_EQ(shapes.Item(2).Name(), "zwei");
  EXPECT_EQ(shapes.Item("eins").Name(), "eins");
  second.TextFrame().TextRange().InsertBefore("Zahlbar");
  EXPECT_EQ(second.TextFrame().TextRange().Text().substr(0, 7), "Zahlbar");
  EXPECT_EQ(first.TextFrame().TextRange().Text(), "");
  EXPECT_EQ(doc->Content().Text(), body);
  EXPECT_EQ(doc->Range(0, 8).Text(), "Rechnung");

  first.Delete();
  EXPECT_EQ(doc->Shapes().Count(), 1);
  EXPECT_EQ(doc->Shapes().Item(1).Name(), "zwei");
  EXPECT_EQ(doc->Content().Text(), body);
}

}  // namespace
}  // namespace korvax::word
