// The Word tests' short names for the shared .docx builder of tests/support,
// and the steps the fee dialogs take on an invoice's tables.
#pragma once

#include <functional>
#include <initializer_list>
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

using Calls = std::vector<std::function<void()>>;

// The calls of several lists, one after the other.
inline Calls Join(std::initializer_list<Calls> lists) {
  Calls all;
  for (const Calls& list : lists) all.insert(all.end(), list.begin(), list.end());
  return all;
}

}  // namespace korvax::word::testing
