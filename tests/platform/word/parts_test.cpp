// Comments parts, text boxes, and what the layer refuses to open.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "docx_builder.hpp"
#include "platform/word/package.hpp"
#include "platform/word/word.hpp"

namespace korvax::word {
namespace {

using testing::Count;
using testing::ExpectCommentsAsReopened;
using testing::P;
using testing::Value;

TEST(WordComments, RangesFindTheirCommentsBetweenEdits) {
  auto path = testing::WriteDocx(testing::TempDir() / "a.docx",
                                 P("Kopf mit Text") + testing::Tbl(3, 3, "A") + P("Mitte") +
                                     testing::Tbl(3, 2, "B") + P("Schluss"));
  auto doc = Document::Open(path);
  doc->Comments().Add(doc->Range(5, 8), "kopf\rzweite Zeile");
  doc->Comments().Add(doc->Range(0, 0), "leer");
  doc->Comments().Add(doc->Range(9, 9), "leer mitten");  // before "Text"
  Table a = doc->Tables().Item(1);
  Table b = doc->Tables().Item(2);
  for (int r = 1; r <= 3; ++r) {
    doc->Comments().Add(a.Cell(r, 3).Range(), "a" + std::to_string(r));
    doc->Comments().Add(b.Cell(r, 2).Range(), "b" + std::to_string(r));
  }
  Range mitte = b.Range();
  mitte.Collapse(wdCollapseStart);
  mitte.MoveStart(wdCharacter, -6);
  ASSERT_EQ(mitte.Text(), "Mitte\r");
  doc->Comments().Add(mitte, "mitte");
  doc->Comments().Add(doc->Range(0, 13), "ueber");  // over the anchors of "leer" and "kopf"
  ExpectCommentsAsReopened(*doc);
  // A part of its own, as the python-docx and LibreOffice tests read it.
  EXPECT_EQ(
      Count(testing::SavedXml(doc->FullName(), "word/comments.xml"), "//w:comment[@w:author]"),
      11u);

  // Text before every anchor, text in a commented cell, and a comment's own text.
  Range kept = b.Cell(3, 2).Range();
  doc->Range(2, 2).InsertAfter("langer ");
  ExpectCommentsAsReopened(*doc);
  a.Cell(2, 3).Range().InsertBefore("Gebühr ");
  doc->Comments().Item(1).Range().InsertAfter(" geändert");
  ExpectCommentsAsReopened(*doc);

  // The first table goes with its comments; the rest moves up.
  doc->Tables().Item(1).Delete();
  ExpectCommentsAsReopened(*doc);

  // A new comment shows up at once, and so does a deleted one's absence.
  Table left = doc->Tables().Item(1);
  doc->Comments().Add(left.Cell(1, 1).Range(), "neu");
  ExpectCommentsAsReopened(*doc);
  left.Cell(2, 2).Range().Comments().Item(1).Delete();
  left.Rows().Add();
  doc->Range(0, 4).Delete();
  ExpectCommentsAsReopened(*doc);

  // Ranges kept across the edits still cover their text.
  EXPECT_EQ(kept.Text(), "B3C2\r\a");
  ASSERT_EQ(kept.Comments().Count(), 1);
  EXPECT_EQ(kept.Comments().Item(1).Range().Text(), "b3");
}

TEST(WordShapes, TextBoxIsAFloatingShapeWithItsOwnStory) {
  auto path = testing::WriteDocx(testing::TempDir() / "s.docx", P("Rechnung") + P(""));
  auto doc = Document::Open(path);
  auto app = doc->Application();
  Selection sel = app->Selection();
  sel.SetRange(0, doc->Content().End());
  sel.Collapse(wdCollapseEnd);
  Shape box = doc->Shapes().AddTextbox(msoTextOrientationHorizontal, 70.5, 766.5, 450.75, 54);
  box.SetName("Zahlungsziel");
  box.TextFrame().TextRange().Select();
  app->Selection().Collapse(wdCollapseStart);
  box.Fill().SetVisible(false);
  box.Fill().SetTransparency(1.0);
  box.Line().SetVisible(false);
  box.SetRelativeVerticalPosition(wdRelativeVerticalPositionPage);
  box.SetTop(Application::CentimetersToPoints(27));
  app->Selection().ParagraphFormat().SetAlignment(wdAlignParagraphRight);
  app->Selection().TypeText("Zahlbar bis 01.02.2027 ohne Abzug");
  EXPECT_EQ(doc->Content().Text(), "Rechnung\r\r");
  doc->Save();
  auto xml = testing::SavedXml(path, "word/document.xml");
  const char* anchor = "//mc:AlternateContent/mc:Choice[@Requires='wps']/w:drawing/wp:anchor";
  EXPECT_EQ(Count(xml, anchor), 1u);
  EXPECT_EQ(Value(xml, "//wp:anchor/wp:positionV/@relativeFrom"), "page");
  EXPECT_EQ(Value(xml, "//wp:anchor/wp:positionV/wp:posOffset"), "9720000");
  EXPECT_EQ(Value(xml, "//wp:anchor/wp:extent/@cx"), "5724525");
  EXPECT_EQ(Count(xml, "//wps:spPr/a:noFill"), 1u);
  EXPECT_EQ(Count(xml, "//wps:spPr/a:ln/a:noFill"), 1u);
  EXPECT_EQ(Value(xml, "//w:txbxContent/w:p/w:pPr/w:jc/@w:val"), "right");
  EXPECT_EQ(Value(xml, "//w:txbxContent//w:t"), "Zahlbar bis 01.02.2027 ohne Abzug");
  EXPECT_EQ(Count(xml, "//w:body/w:p[2]//wp:anchor"), 1u);  // the paragraph of the selection
  EXPECT_NE(std::string(xml.document_element().attribute("xmlns:wps").value()), "");

  // Back in the main text, the selection moves with edits exactly once.
  doc->Range(0, 8).Select();
  doc->Range(0, 0).InsertBefore("Ihre ");
  EXPECT_EQ(app->Selection().Text(), "Rechnung");

  auto reopened = Document::Open(path);
  ASSERT_EQ(reopened->Shapes().Count(), 1);
  reopened->Shapes().Item("Zahlungsziel").TextFrame().TextRange().Select();
  reopened->Shapes().Item("Zahlungsziel").Delete();
  EXPECT_EQ(reopened->Application()->Selection().Start(), 9);  // back in the main text
  EXPECT_EQ(reopened->Application()->Selection().Text(), "");
  EXPECT_EQ(reopened->Shapes().Count(), 0);
  EXPECT_THROW(reopened->Shapes().Item("Zahlungsziel"), Error);
}

TEST(WordShapes, EmptyDeletedAndDocumentlessShapesFailInsteadOfCrashing) {
  testing::OpenedDocx f(P("Rechnung") + P(""));
  Document* doc = f.doc.get();
  Shape box = doc->Shapes().AddTextbox(msoTextOrientationHorizontal, 70.5, 766.5, 450.75, 54);
  box.SetName("Zahlungsziel");
  auto every_member = [](Shape& shape) {
    Shape* s = &shape;
    return std::vector<std::function<void()>>{
        [s] { s->Name(); },
        [s] { s->SetName("x"); },
        [s] { s->Fill(); },
        [s] { s->Line(); },
        [s] { s->RelativeVerticalPosition(); },
        [s] { s->SetRelativeVerticalPosition(wdRelativeVerticalPositionPage); },
        [s] { s->Left(); },
        [s] { s->SetLeft(1); },
        [s] { s->Top(); },
        [s] { s->SetTop(1); },
        [s] { s->Width(); },
        [s] { s->SetWidth(1); },
        [s] { s->Height(); },
        [s] { s->SetHeight(1); },
        [s] { s->TextFrame(); },
        [s] { s->Select(); },
        [s] { s->Delete(); }};
  };

  Shape empty;
  testing::ExpectEachFailsWith(5825, every_member(empty));

  // A handle without a document leaves even a live shape alone.
  Shape no_doc(nullptr, box.Node());
  testing::ExpectEachFailsWith(91, every_member(no_doc));
  detail::Node* content = box.TextFrame().Node();
  testing::ExpectEachFailsWith(91, {[&] { word::TextFrame(nullptr, content).TextRange(); }});
  EXPECT_EQ(box.Name(), "Zahlungsziel");
  EXPECT_NEAR(box.Top(), 766.5, 0.01);
  EXPECT_EQ(doc->Shapes().Count(), 1);

  // After a deletion both the deleting handle and its copies fail.
  Shape copy = box;
  word::TextFrame frame = box.TextFrame();
  box.Delete();
  EXPECT_FALSE(box);
  EXPECT_TRUE(copy);
  testing::ExpectEachFailsWith(5825, every_member(box));
  testing::ExpectEachFailsWith(5825, every_member(copy));
  testing::ExpectEachFailsWith(5825, {[&] { frame.TextRange(); }});
  EXPECT_EQ(doc->Shapes().Count(), 0);
  EXPECT_EQ(doc->Content().Text(), "Rechnung\r\r");
  EXPECT_EQ(Count(f.Saved(), "//wp:anchor"), 0u);
}

TEST(WordPackage, RefusesWhatIsNoWordDocumentAndLeavesTheFileAlone) {
  auto dir = testing::TempDir();
  auto expect_error = [](const std::filesystem::path& path, int number, const char* part) {
    std::string before = testing::ReadFile(path);
    try {
      Document::Open(path);
      ADD_FAILURE() << path << " opened";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), number);
      EXPECT_NE(e.description().find(path.string()), std::string::npos) << e.description();
      EXPECT_NE(e.description().find(part), std::string::npos) << e.description();
    }
    EXPECT_EQ(testing::ReadFile(path), before);
  };
  Package no_types;
  no_types.SetBytes("word/document.xml", "<w:document/>");
  no_types.Write(dir / "notypes.docx");
  expect_error(dir / "notypes.docx", 5792, "[Content_Types].xml");

  auto broken = testing::WriteDocx(dir / "broken.docx", "<w:p><w:r><w:t>offen</w:r></w:p>");
  expect_error(broken, 5792, "fehlerhaftes XML");

  // No zip, DTDs and deep nesting: see the hostile-file table of the reliability tests.
  testing::ExpectEachFailsWith(5174, {[&] { Document::Open(dir / "missing.docx"); }});
}

TEST(WordPackage, SaveIsAtomicAndKeepsUnknownParts) {
  auto dir = testing::TempDir();
  testing::DocxParts parts;
  parts.extra = {{"customXml/item1.xml", "<root><unverändert/></root>"},
                 {"word/media/image1.png", std::string("\x89PNG\0\x01", 6)}};
  auto path = testing::WriteDocx(dir / "a.docx", P("x"), parts);
  auto doc = Document::Open(path);
  doc->Content().InsertAfter("y");
  doc->SaveAs(dir / "b.docx");
  EXPECT_EQ(doc->FullName(), (dir / "b.docx").string());
  auto files = [&] {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  };
  // No temporary file is left; the lock went along to the new file.
  EXPECT_EQ(files(), (std::vector<std::string>{".~lock.b.docx#", "a.docx", "b.docx"}));
  doc.reset();
  EXPECT_EQ(files(), (std::vector<std::string>{"a.docx", "b.docx"}));
  Package saved = Package::Read(dir / "b.docx");
  EXPECT_EQ(saved.Bytes("customXml/item1.xml"), "<root><unverändert/></root>");
  EXPECT_EQ(saved.Bytes("word/media/image1.png"), std::string("\x89PNG\0\x01", 6));
  EXPECT_EQ(Document::Open(dir / "b.docx")->Content().Text(), "xy\r");
}

// Other programs bind WordprocessingML to other prefixes or to the default
// namespace; what an element is follows from its namespace alone. A usual
// prefix bound to a foreign namespace where it would be needed is refused.
TEST(WordPackage, ReadsWordprocessingMLUnderAnyPrefix) {
  const std::string w = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
  const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
  const std::pair<const char*, std::string> cases[] = {
      {"ns0", "<ns0:document xmlns:ns0=\"" + w +
                  "\"><ns0:body><ns0:p><ns0:pPr><ns0:jc ns0:val=\"right\"/></ns0:pPr><ns0:r>"
                  "<ns0:t>Rechnung</ns0:t></ns0:r></ns0:p><ns0:sectPr/></ns0:body></ns0:document>"},
      {"default", "<document xmlns=\"" + w +
                      "\"><body><p><r><t>Rechnung</t></r></p><sectPr/></body></document>"},
  };
  for (const auto& [what, xml] : cases) {
    testing::DocxParts parts;
    parts.extra = {{"word/document.xml", decl + xml}};
    auto path = testing::WriteDocx(testing::TempDir() / "fremd.docx", "", parts);
    auto doc = Document::Open(path);
    EXPECT_EQ(doc->Content().Text(), "Rechnung\r") << what;
    Table t = testing::AddAtEnd(*doc, 2, 5);
    t.Cell(2, 1).Range().InsertAfter("Flst.Nr. 1");
    testing::Mark(*doc, t, "Korvax_4");
    doc->Save();
    auto again = Document::Open(path);
    EXPECT_EQ(again->Content().ParagraphFormat().Alignment(),
              std::string(what) == "ns0" ? wdAlignParagraphRight : wdAlignParagraphLeft)
        << what;
    ASSERT_EQ(again->Tables().Count(), 1) << what;
    EXPECT_EQ(again->Tables().Item(1).Cell(2, 1).Text(), "Flst.Nr. 1") << what;
    EXPECT_EQ(again->Comments().Item(1).Range().Text(), "Korvax_4") << what;
  }
  testing::DocxParts clash;
  clash.extra = {{"word/document.xml",
                  decl + "<ns0:document xmlns:ns0=\"" + w +
                      "\"><ns0:body><ns0:p xmlns:w=\"urn:fremd\"><ns0:r><ns0:t>x</ns0:t></ns0:r>"
                      "</ns0:p></ns0:body></ns0:document>"}};
  auto path = testing::WriteDocx(testing::TempDir() / "fremd.docx", "", clash);
  testing::ExpectEachFailsWith(5792, {[&] { Document::Open(path); }});
}

}  // namespace
}  // namespace korvax::word
