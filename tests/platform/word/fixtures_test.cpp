// Word-authored documents, read where they lie (../shared/fixtures/docx):
// opened and saved, everything comes back as it was; and what the layer
// writes is readable by python-docx.
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "docx_builder.hpp"
#include "platform/word/package.hpp"
#include "platform/word/word.hpp"

namespace korvax::word {
namespace {

const char* const kFixtures[] = {"d2p-comments-in-table-cell.docx",
                                 "docx4j-headers.docx",
                                 "docx4j-invoice2013.docx",
                                 "mammoth-text-box.docx",
                                 "optp-HC011-decimal-tabs-table.docx",
                                 "optp-HC031-complicated-document.docx",
                                 "optp-WC048-text-box-in-cell.docx",
                                 "pydocx-comments-rich-para.docx",
                                 "pydocx-having-images.docx"};

std::filesystem::path Copy(const std::string& name) {
  auto path = testing::TempDir() / name;
  std::filesystem::copy_file(testing::SharedFixtures("docx") / name, path);
  // The shared originals are read-only; a copy to edit is the user's own file.
  std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  return path;
}

// Element names with their counts, attributes included, per XML part.
std::map<std::string, size_t> Census(std::string_view bytes) {
  pugi::xml_document doc;
  ParseXml(doc, bytes, "census");
  std::map<std::string, size_t> counts;
  for (auto x : doc.select_nodes("//*")) {
    ++counts[x.node().name()];
    for (auto a : x.node().attributes()) ++counts[std::string("@") + a.name()];
  }
  return counts;
}

// Every part of `a` but the `changed` ones is in `b` with the same bytes;
// the main part, written anew at every save, with the same elements.
void ExpectSameParts(const std::filesystem::path& a, const std::filesystem::path& b,
                     const std::set<std::string>& changed = {}) {
  Package before = Package::Read(a);
  Package after = Package::Read(b);
  if (changed.empty()) {
    EXPECT_EQ(before.Names(), after.Names());
  }
  for (const auto& name : before.Names()) {
    if (changed.contains(name)) continue;
    if (name == "word/document.xml") {
      EXPECT_EQ(Census(before.Bytes(name)), Census(after.Bytes(name))) << b << " " << name;
    } else {
      EXPECT_EQ(before.Bytes(name), after.Bytes(name)) << b << " " << name;
    }
  }
}

class WordFixture : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { KORVAX_SKIP_WITHOUT(testing::SharedFixtures("docx")); }
};

TEST_P(WordFixture, SurvivesOpenAndSaveAndATableAddedAndRemoved) {
  auto original = Copy(GetParam());
  auto doc = Document::Open(original);
  // Reading everything must not change anything.
  const std::string text = doc->Content().Text();
  doc->Comments().Count();
  // A cell's text read on its own is its range's text without the mark,
  // whether the index has placed the cell in its story yet or not.
  for (int i = 1; i <= doc->Tables().Count(); ++i) {
    Table t = doc->Tables().Item(i);
    for (int r = 1; r <= t.Rows().Count(); ++r) {
      for (int c = 1; c <= t.Columns().Count(); ++c) {
        Cell cell;
        try {
          cell = t.Cell(r, c);
        } catch (const Error&) {
          break;  // a row with fewer cells
        }
        const std::string own = cell.Text();
        EXPECT_EQ(own + "\r\a", cell.Range().Text()) << GetParam() << " " << r << "," << c;
        EXPECT_EQ(cell.Text(), own);
      }
    }
  }
  doc->SaveAs(original.parent_path() / "saved.docx");
  ExpectSameParts(original, original.parent_path() / "saved.docx");

  // A marked table added and deleted again leaves only the comment parts touched.
  Table t = doc->Tables().Add(doc->Range(0, 0), 3, 5);
  t.Cell(2, 2).Range().InsertAfter("vorübergehend");
  t.Cell(1, 5).Select();
  doc->Bookmarks().Add("Korvax_9", doc->Application()->Selection().Range());
  testing::Mark(*doc, t, "Korvax_9");
  t.Delete();
  EXPECT_EQ(doc->Content().Text(), text);
  doc->SaveAs(original.parent_path() / "again.docx");
  ExpectSameParts(original, original.parent_path() / "again.docx",
                  {"word/comments.xml", "[Content_Types].xml", "word/_rels/document.xml.rels"});
}

// The shapes and the id of a new text box come from what the document keeps
// across edits: after each edit they are those of the saved copy opened afresh.
TEST_P(WordFixture, ShapesKeptAcrossEditsAreThoseOfTheSavedCopy) {
  auto doc = Document::Open(Copy(GetParam()));
  auto saved = testing::TempDir() / "saved.docx";
  auto names = [](Document& d) {
    std::vector<std::string> all;
    for (int i = 1; i <= d.Shapes().Count(); ++i) all.push_back(d.Shapes().Item(i).Name());
    return all;
  };
  auto expect_fresh = [&](const char* after) {
    doc->SaveAs(saved);
    auto fresh = Document::Open(saved);
    EXPECT_EQ(names(*doc), names(*fresh)) << after;
    for (Document* d : {doc.get(), fresh.get()}) d->Range(0, 0).Select();
    Shape box = doc->Shapes().AddTextbox(msoTextOrientationHorizontal, 1, 1, 9, 9);
    EXPECT_EQ(box.Name(),
              fresh->Shapes().AddTextbox(msoTextOrientationHorizontal, 1, 1, 9, 9).Name())
        << after;
    doc->SaveAs(saved);
    EXPECT_EQ(names(*doc), names(*Document::Open(saved))) << after;
    box.Delete();  // so that the next box's id follows the document's own
  };
  expect_fresh("opened");
  if (doc->Shapes().Count() > 0) doc->Shapes().Item(doc->Shapes().Count()).Delete();
  expect_fresh("a shape deleted");
  if (doc->Tables().Count() > 0) {
    doc->Tables().Item(1).Rows().Add();
    expect_fresh("a row added");
    doc->Tables().Item(1).Delete();
    expect_fresh("a table deleted");
  }
  doc->Content().Delete();
  expect_fresh("the text deleted");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WordFixture, ::testing::ValuesIn(kFixtures));

TEST(WordComments, ExtendedPartsStayConsistent) {
  KORVAX_SKIP_WITHOUT(testing::SharedFixtures("docx"));
  auto path = Copy("d2p-comments-in-table-cell.docx");
  auto doc = Document::Open(path);
  int before = doc->Comments().Count();
  ASSERT_GE(before, 12);
  ASSERT_EQ(doc->Tables().Count(), 1);  // the comment anchored in a cell is found through it
  Table t = doc->Tables().Item(1);
  EXPECT_EQ(t.Cell(1, 1).Range().Text(), "R1C1\r\a");
  ASSERT_GE(t.Range().Comments().Count(), 1);
  EXPECT_EQ(t.Cell(1, 1).Range().Comments().Item(1).Scope().Text(), "R1C1");
  doc->Comments().Add(doc->Range(0, 0), "neu");
  EXPECT_EQ(doc->Comments().Count(), before + 1);
  doc->Comments().Item(1).Delete();
  doc->Save();
  auto comments = testing::SavedXml(path, "word/comments.xml");
  auto extended = testing::SavedXml(path, "word/commentsExtended.xml");
  auto ids = testing::SavedXml(path, "word/commentsIds.xml");
  // Every paraId of the extension parts belongs to a comment paragraph.
  for (auto [part, xpath] : {std::pair{&extended, "//w15:commentEx/@w15:paraId"},
                             std::pair{&ids, "//w16cid:commentId/@w16cid:paraId"}}) {
    for (auto x : part->select_nodes(xpath)) {
      std::string para = x.attribute().value();
      EXPECT_EQ(testing::Count(comments, ("//w:p[@w14:paraId='" + para + "']").c_str()), 1u)
          << para;
    }
  }
  EXPECT_EQ(testing::Count(comments, "//w:comment"), static_cast<size_t>(before));
  // One entry per comment in each part: the deleted one gone, the new one there.
  EXPECT_EQ(testing::Count(extended, "//w15:commentEx"), static_cast<size_t>(before));
  EXPECT_EQ(testing::Count(ids, "//w16cid:commentId"), static_cast<size_t>(before));
  auto extensible = testing::SavedXml(path, "word/commentsExtensible.xml");
  EXPECT_EQ(testing::Count(extensible, "//w16cex:commentExtensible"), static_cast<size_t>(before));
  std::string para = testing::Value(comments, "//w:comment[.//w:t='neu']/w:p/@w14:paraId");
  ASSERT_FALSE(para.empty());
  std::string durable = testing::Value(
      ids, ("//w16cid:commentId[@w16cid:paraId='" + para + "']/@w16cid:durableId").c_str());
  EXPECT_EQ(
      testing::Count(extensible,
                     ("//w16cex:commentExtensible[@w16cex:durableId='" + durable + "']").c_str()),
      1u);
}

TEST(WordFixtures, TextBoxesOfWordAreShapesWithTheirOwnText) {
  KORVAX_SKIP_WITHOUT(testing::SharedFixtures("docx"));
  auto doc = Document::Open(Copy("mammoth-text-box.docx"));
  ASSERT_EQ(doc->Shapes().Count(), 1);
  Shape box = doc->Shapes().Item(1);
  EXPECT_EQ(box.Name(), "Text Box 2");
  EXPECT_NE(box.TextFrame().TextRange().Text().find("Datum plane"), std::string::npos)
      << box.TextFrame().TextRange().Text();
  EXPECT_EQ(doc->Content().Text().find("Datum plane"), std::string::npos);

  // Old readers see the VML copy: it follows the edit.
  box.TextFrame().TextRange().InsertAfter(" und Höhe");
  auto saved = testing::TempDir() / "box.docx";
  doc->SaveAs(saved);
  auto xml = testing::SavedXml(saved, "word/document.xml");
  EXPECT_EQ(testing::Count(xml, "//mc:Choice//w:t[contains(., 'Höhe')]"), 1u);
  EXPECT_EQ(testing::Count(xml, "//mc:Fallback//v:textbox//w:t[contains(., 'Höhe')]"), 1u);
}

TEST(WordFixtures, PythonDocxReadsTheTablesAndCommentsWeWrite) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
  testing::OpenedDocx f(testing::P("Rechnung Nr. 17"));
  const auto& [path, doc] = f;
  Table t = testing::AddAtEnd(*doc, 2, 5);
  t.Cell(1, 1).Range().InsertAfter("Flurstückszerlegung nach Nr. 2.1");
  t.Cell(2, 5).Range().InsertAfter(" 1.234,50 €");
  testing::Mark(*doc, t, "Korvax_1");
  doc->Save();
  nlohmann::json tables = testing::PythonDocxTables(path);
  ASSERT_TRUE(tables.is_array() && !tables.empty()) << tables;
  EXPECT_EQ(tables.back()[0][0], "Flurstückszerlegung nach Nr. 2.1");
  EXPECT_EQ(tables.back()[1][4], " 1.234,50 €");
  EXPECT_EQ(testing::RunCommand("/usr/bin/python3 -c \"import docx, sys; print(sum(p.blob.count("
                                "b'Korvax_1') for p in docx.Document(sys.argv[1]).part.package."
                                "iter_parts() if p.partname == '/word/comments.xml'))\" '" +
                                path.string() + "'"),
            "1\n");
}

}  // namespace
}  // namespace korvax::word
