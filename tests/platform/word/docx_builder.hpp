// The Word tests' short names for the shared .docx builder of tests/support,
// the steps the fee dialogs take on an invoice's tables, and the comparison
// of an edited document with a copy saved and opened anew.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "../../support/docx.hpp"

namespace korvax::word::testing {

using namespace korvax::testing;

inline std::string P(std::string_view text) {
  return ParagraphXml(text);
}
// With an empty prefix every cell holds one empty paragraph, as in a new table.
inline std::string Tbl(int rows, int columns, std::string_view prefix = "R") {
  return TableXml(rows, columns, prefix);
}
// A package declaring the namespaces Word declares.
inline std::filesystem::path WriteDocx(const std::filesystem::path& path, std::string_view body,
                                       const DocxParts& parts = {}) {
  return korvax::testing::WriteDocx(path, body, parts);
}

// A new empty paragraph at the end of the document, collapsed.
inline Range NewParagraphAtEnd(Document& doc) {
  Range r = doc.Content();
  r.Collapse(wdCollapseEnd);
  r.InsertParagraphAfter();
  r.Collapse(wdCollapseEnd);
  return r;
}

// The way the fee dialogs write a new table at the end of the invoice.
inline Table AddAtEnd(Document& doc, int rows, int columns) {
  return doc.Tables().Add(NewParagraphAtEnd(doc), rows, columns);
}

// BookmarkSetzen: a comment holding `key` on cell (1,5), through the selection.
inline void Mark(Document& doc, const Table& table, const std::string& key) {
  table.Cell(1, 5).Select();
  Range cell = table.Cell(1, 5).Range();
  cell.Collapse(wdCollapseEnd);
  cell.Comments().Add(doc.Application()->Selection().Range(), key);
}

// What the comment collections of a document list: the document's, every
// table's and cell's, and those of every collapsed and three-character range,
// each comment as its text and the span of its anchor.
inline std::vector<std::string> CommentsEverywhere(Document& doc) {
  std::vector<std::string> out;
  auto list = [&](const std::string& where, const Comments& comments) {
    std::string line = where + ":";
    for (int i = 1; i <= comments.Count(); ++i) {
      const Range scope = comments.Item(i).Scope();
      line += " " + comments.Item(i).Range().Text() + "@" + std::to_string(scope.Start()) + "-" +
              std::to_string(scope.End());
    }
    out.push_back(line);
  };
  list("document", doc.Comments());
  Tables tables = doc.Tables();
  for (int t = 1; t <= tables.Count(); ++t) {
    Table table = tables.Item(t);
    list("table " + std::to_string(t), table.Range().Comments());
    for (int r = 1; r <= table.Rows().Count(); ++r) {
      for (int c = 1; c <= table.Columns().Count(); ++c) {
        list("cell " + std::to_string(r) + "," + std::to_string(c),
             table.Cell(r, c).Range().Comments());
      }
    }
  }
  const int end = doc.Content().End();
  for (int p = 0; p <= end; ++p) {
    list("at " + std::to_string(p), doc.Range(p, p).Comments());
    list("from " + std::to_string(p), doc.Range(p, p + 3).Comments());
  }
  return out;
}

// After edits, what `read` finds in the edited document must be what it finds
// in a copy saved and opened anew, which knows nothing of the edits.
template <typename Read>
void ExpectAsReopened(Document& doc, Read read) {
  const auto path = TempDir() / "reopened.docx";
  doc.SaveAs(path);
  EXPECT_EQ(read(doc), read(*Document::Open(path)));
}

inline void ExpectCommentsAsReopened(Document& doc) {
  ExpectAsReopened(doc, CommentsEverywhere);
}

using Calls = std::vector<std::function<void()>>;

// The calls of several lists, one after the other.
inline Calls Join(std::initializer_list<Calls> lists) {
  Calls all;
  for (const Calls& list : lists) all.insert(all.end(), list.begin(), list.end());
  return all;
}

}  // namespace korvax::word::testing
