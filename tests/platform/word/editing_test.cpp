// Inserting and deleting text, live ranges, formatting; checked on the saved XML.
#include <gtest/gtest.h>

#include "docx_builder.hpp"
#include "platform/word/word.hpp"

namespace korvax::word {
namespace {

using testing::Count;
using testing::P;
using testing::Tbl;
using testing::Value;

struct Fixture {
  std::filesystem::path path;
  std::shared_ptr<Document> doc;
  explicit Fixture(std::string_view body)
      : path(testing::WriteDocx(testing::TempDir() / "e.docx", body)), doc(Document::Open(path)) {}
  pugi::xml_document Saved() {
    doc->Save();
    return testing::SavedXml(path, "word/document.xml");
  }
};

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

TEST(WordEditing, SetTextMakesParagraphsBreaksAndTabs) {
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

TEST(WordEditing, DeletingAcrossParagraphsMergesThem) {
  Fixture f(P("Hallo") + P("Welt") + P("Ende"));
  f.doc->Range(3, 8).Delete();  // "lo\rWe"
  EXPECT_EQ(f.doc->Content().Text(), "Hallt\rEnde\r");
  auto xml = f.Saved();
  EXPECT_EQ(Count(xml, "//w:body/w:p"), 2u);
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
