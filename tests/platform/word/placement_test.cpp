// Where a table added at the end of a document goes, and what it takes from
// its surroundings: no paragraph formatting, never joined to a table before
// it, never inside a table or content control that ends the body, and never
// between a shape's anchor and the text that came before it.
#include <gtest/gtest.h>

#include "docx_builder.hpp"
#include "platform/word/word.hpp"

namespace korvax::word {
namespace {

using testing::Count;
using testing::P;
using testing::Tbl;

using Fixture = testing::OpenedDocx;

// The collapsed end of the document content, where the fee dialogs append.
Range End(Document& doc) {
  Range end = doc.Content();
  end.Collapse(wdCollapseEnd);
  return end;
}

// A heading that starts a new page, by its style and by its own property.
const std::string kHeading =
    "<w:p><w:pPr><w:pStyle w:val=\"Heading1\"/><w:pageBreakBefore/><w:spacing w:before=\"480\"/>"
    "<w:rPr><w:b/><w:del w:id=\"7\" w:author=\"A\" w:date=\"2026-01-01T00:00:00Z\"/></w:rPr>"
    "</w:pPr><w:r><w:t>Anlagen</w:t></w:r></w:p>";

TEST(WordPlacement, NewTableAndItsParagraphsTakeNoFormattingOfTheParagraphBefore) {
  Fixture f(kHeading);
  Table t = f.doc->Tables().Add(End(*f.doc), 2, 5);
  t.Cell(1, 1).Range().InsertAfter("Gebühr");
  Range after = End(*f.doc);
  after.InsertParagraphAfter();  // as the finish paths write their paragraphs
  after.Collapse(wdCollapseEnd);
  after.ClearParagraphAllFormatting();
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:body/w:p[1]/w:pPr/w:pStyle[@w:val='Heading1']"), 1u);
  EXPECT_EQ(Count(xml, "//w:tc//w:pPr/*[not(self::w:rPr)]"), 0u);
  EXPECT_EQ(Count(xml, "//w:tc//w:rPr/w:del"), 0u);  // no tracked deletion copied
  EXPECT_EQ(Count(xml, "//w:tc//w:r[w:t='Gebühr']/w:rPr/w:del"), 0u);
  EXPECT_EQ(Count(xml, "//w:tbl/following-sibling::w:p/w:pPr/*[not(self::w:rPr)]"), 0u);
  EXPECT_EQ(Count(xml, "//w:tbl/following-sibling::w:p//w:del"), 0u);
  EXPECT_EQ(Count(xml, "//w:body/w:p"), 3u);
}

// A table after a table, a body ending with a table or a content control,
// and a floating shape anchored in the last paragraph: the new table goes
// at the body's level, after all that, with a paragraph before it.
TEST(WordPlacement, NewTableAtTheEndStandsAfterEverythingAndApartFromTables) {
  const std::string anchor =
      "<w:p><w:r><w:drawing><wp:anchor><wp:docPr id=\"1\" name=\"Zahlungsziel\"/>"
      "</wp:anchor></w:drawing></w:r></w:p>";
  struct Case {
    const char* what;
    std::string body;
  };
  const Case cases[] = {
      {"table and empty paragraph", Tbl(2, 2) + "<w:p/>"},
      {"body ending with a table", P("Rechnung") + Tbl(2, 2)},
      {"body ending with a content control",
       "<w:sdt><w:sdtContent>" + P("Unterschrift") + "</w:sdtContent></w:sdt>"},
      {"shape anchored at the end", Tbl(2, 2) + anchor},
  };
  for (const Case& c : cases) {
    Fixture f(c.body);
    Table t = f.doc->Tables().Add(End(*f.doc), 2, 5);
    t.Cell(1, 1).Range().InsertAfter("neu");
    // A sub-table follows as the Nr. 7 dialog writes it: after a paragraph.
    Range next = End(*f.doc);
    next.InsertParagraphAfter();
    next.Collapse(wdCollapseEnd);
    f.doc->Tables().Add(next, 2, 5).Cell(1, 1).Range().InsertAfter("zwei");
    auto xml = f.Saved();
    EXPECT_EQ(Count(xml, "//w:body/w:tbl[.//w:t='neu']/following-sibling::w:tbl[.//w:t='zwei']"),
              1u)
        << c.what;
    EXPECT_EQ(Count(xml, "//w:tbl/following-sibling::*[1][self::w:tbl]"), 0u) << c.what;
    EXPECT_EQ(Count(xml, "//w:body/w:tbl[.//w:t='zwei']/following-sibling::w:p"), 1u) << c.what;
    EXPECT_EQ(Count(xml, "//w:body/w:p[.//wp:anchor]/following-sibling::w:tbl[.//w:t='neu']"),
              Count(xml, "//wp:anchor"))
        << c.what;
  }
}

}  // namespace
}  // namespace korvax::word
