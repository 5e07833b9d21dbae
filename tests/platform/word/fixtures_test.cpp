// Word-authored documents: opened and saved, everything comes back as it was;
// and what the layer writes is readable by python-docx.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

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
  std::filesystem::copy_file(std::filesystem::path(KORVAX_TEST_DATA) / "docx" / name, path);
  return path;
}

bool IsXml(const std::string& name) {
  auto ends = [&](const char* s) {
    return name.size() >= std::strlen(s) &&
           name.compare(name.size() - std::strlen(s), std::string::npos, s) == 0;
  };
  return ends(".xml") || ends(".rels");
}

// Element names with their counts, attributes included, per XML part.
std::map<std::string, size_t> Census(const std::string& bytes) {
  pugi::xml_document doc;
  ParseXml(doc, bytes, "census");
  std::map<std::string, size_t> counts;
  for (auto x : doc.select_nodes("//*")) {
    ++counts[x.node().name()];
    for (auto a : x.node().attributes()) ++counts[std::string("@") + a.name()];
  }
  return counts;
}

void ExpectSameParts(const std::filesystem::path& a, const std::filesystem::path& b) {
  Package before = Package::Read(a);
  Package after = Package::Read(b);
  EXPECT_EQ(before.Names(), after.Names());
  for (const auto& name : before.Names()) {
    if (IsXml(name)) {
      EXPECT_EQ(Census(before.Bytes(name)), Census(after.Bytes(name))) << a << " " << name;
    } else {
      EXPECT_EQ(before.Bytes(name), after.Bytes(name)) << a << " " << name;
    }
  }
}

class WordFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(WordFixture, OpenAndSaveKeepsEveryPartAndElement) {
  auto original = Copy(GetParam());
  auto doc = Document::Open(original);
  // Reading everything must not change anything.
  doc->Content().Text();
  doc->Comments().Count();
  for (int i = 1; i <= doc->Tables().Count(); ++i) {
    Table t = doc->Tables().Item(i);
    for (int r = 1; r <= t.Rows().Count(); ++r) {
      t.Cell(r, 1).Range().Text();
    }
  }
  auto saved = original.parent_path() / "saved.docx";
  doc->SaveAs(saved);
  ExpectSameParts(original, saved);
}

TEST_P(WordFixture, TableAddedAndRemovedLeavesTheDocumentAsItWas) {
  auto original = Copy(GetParam());
  auto doc = Document::Open(original);
  std::string text = doc->Content().Text();
  Range at = doc->Range(0, 0);
  Table t = doc->Tables().Add(at, 3, 5);
  t.Cell(2, 2).Range().InsertAfter("vorübergehend");
  t.Cell(1, 5).Select();
  doc->Bookmarks().Add("Korvax_9", doc->Application()->Selection().Range());
  Range end = t.Cell(1, 5).Range();
  end.Collapse(wdCollapseEnd);
  end.Comments().Add(doc->Application()->Selection().Range(), "Korvax_9");
  t.Delete();
  EXPECT_EQ(doc->Content().Text(), text);
  auto saved = original.parent_path() / "saved.docx";
  doc->SaveAs(saved);
  Package before = Package::Read(original);
  Package after = Package::Read(saved);
  for (const auto& name : before.Names()) {
    if (IsXml(name) && name != "word/comments.xml" && name != "[Content_Types].xml" &&
        name != "word/_rels/document.xml.rels") {
      EXPECT_EQ(Census(before.Bytes(name)), Census(after.Bytes(name))) << name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WordFixture, ::testing::ValuesIn(kFixtures));

TEST(WordFixtures, TextBoxesOfWordAreShapesWithTheirOwnText) {
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
  EXPECT_EQ(testing::Count(xml, "//w:txbxContent"), 2u);
}

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

TEST(WordFixtures, PythonDocxReadsTheTablesAndCommentsWeWrite) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
  auto path = Copy("docx4j-invoice2013.docx");
  auto doc = Document::Open(path);
  Range r = doc->Content();
  r.Collapse(wdCollapseEnd);
  r.InsertParagraphAfter();
  r.Collapse(wdCollapseEnd);
  Table t = doc->Tables().Add(r, 2, 5);
  t.Cell(1, 1).Range().InsertAfter("Flurstückszerlegung nach Nr. 2.1");
  t.Cell(2, 5).Range().InsertAfter(" 1.234,50 €");
  t.Cell(1, 5).Select();
  Range end = t.Cell(1, 5).Range();
  end.Collapse(wdCollapseEnd);
  end.Comments().Add(doc->Application()->Selection().Range(), "Korvax_1");
  doc->Save();
  std::string script =
      "import docx, sys\n"
      "from docx.oxml.ns import qn\n"
      "from docx.table import Table\n"
      "d = docx.Document(sys.argv[1])\n"
      "t = Table(list(d.element.body.iter(qn('w:tbl')))[-1], d)\n"
      "print(t.cell(0, 0).text)\n"
      "print(t.cell(1, 4).text)\n"
      "for p in d.part.package.iter_parts():\n"
      "    if str(p.partname) == '/word/comments.xml':\n"
      "        print('comments', p.blob.decode('utf-8').count('Korvax_1'))\n";
  auto script_path = path.parent_path() / "read.py";
  std::ofstream(script_path) << script;
  std::string out =
      RunCommand("/usr/bin/python3 " + script_path.string() + " " + path.string() + " 2>&1");
  EXPECT_EQ(out, "Flurstückszerlegung nach Nr. 2.1\n 1.234,50 €\ncomments 1\n");
}

}  // namespace
}  // namespace korvax::word
