// Character positions and texts as Word counts them.
#include <gtest/gtest.h>

#include "docx_builder.hpp"
#include "platform/word/word.hpp"

namespace korvax::word {
namespace {

using testing::P;
using testing::Tbl;

std::shared_ptr<Document> OpenBody(std::string_view body) {
  auto path = testing::WriteDocx(testing::TempDir() / "t.docx", body);
  return Document::Open(path);
}

TEST(WordText, UmlautsAndEuroCountAsOneCharacterEach) {
  auto doc = OpenBody(P("Größe 5 €") + P("zwei"));
  Range all = doc->Content();
  EXPECT_EQ(all.Start(), 0);
  EXPECT_EQ(all.End(), 15);
  EXPECT_EQ(all.Text(), "Größe 5 €\rzwei\r");
  EXPECT_EQ(doc->Range(6, 9).Text(), "5 €");
  EXPECT_EQ(doc->Range(10, 14).Text(), "zwei");
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
      "<w:p><w:r><w:t>a</w:t><w:tab/><w:t>b</w:t><w:br/></w:r>"
      "<w:del w:id=\"1\" w:author=\"x\"><w:r><w:delText>weg</w:delText></w:r></w:del>"
      "<w:ins w:id=\"2\" w:author=\"x\"><w:r><w:t>c</w:t></w:r></w:ins>"
      "<w:hyperlink r:id=\"rId9\"><w:r><w:t>d</w:t></w:r></w:hyperlink>"
      "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> PAGE </w:instrText></w:r>"
      "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r><w:r><w:t>7</w:t></w:r>"
      "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>"
      "<w:fldSimple w:instr=\" DATE \"><w:r><w:t>heute</w:t></w:r></w:fldSimple>"
      "<w:sdt><w:sdtPr/><w:sdtContent><w:r><w:t>e</w:t></w:r></w:sdtContent></w:sdt>"
      "<w:r><w:br w:type=\"page\"/></w:r></w:p>");
  EXPECT_EQ(doc->Content().Text(), "a\tb\vcd7heutee\f\r");
}

TEST(WordText, BlockContentControlsAndNestedTablesCount) {
  std::string nested = "<w:tc>" + Tbl(1, 1, "N") + P("") + "</w:tc>";
  auto doc = OpenBody("<w:sdt><w:sdtPr/><w:sdtContent>" + P("in sdt") +
                      "</w:sdtContent></w:sdt><w:tbl><w:tr><w:tc>" + P("A") + "</w:tc>" + nested +
                      "</w:tr></w:tbl>" + P("end"));
  EXPECT_EQ(doc->Tables().Count(), 1);
  Table t = doc->Tables().Item(1);
  EXPECT_EQ(t.Cell(1, 2).Range().Text(), "N1C1\r\a\r\a\r\a");
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

}  // namespace
}  // namespace korvax::word
