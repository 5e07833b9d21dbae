// The totals tests' part of an invoice document: category tables, the totals
// table and comments added through the Word layer.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "../support/docx.hpp"
#include "platform/word/word.hpp"

namespace korvax::billing_testing {

using korvax::testing::CellText;
using korvax::testing::ExpectRow;
using korvax::testing::Occurrences;
using korvax::testing::RunCommand;
using korvax::testing::WriteDocx;
inline std::string Paragraph(std::string_view text) {
  return korvax::testing::ParagraphXml(text);
}

// A category table of five columns: a header row, then one row per amount
// (the amount text in column 5).
std::string BillingTable(const std::vector<std::string>& amounts,
                         std::string_view header = "Betrag");

// The totals table (marked "RE_Summe"); an empty table when there is none.
word::Table TotalsTable(word::Document& document);

// Adds a comment with `text` on cell (row, column) of table `index`.
void CommentOnCell(word::Document& document, int index, int row, int column, std::string_view text);

// Adds a collapsed comment with `text` right after the first occurrence of
// `after` in the main text.
void CommentAfter(word::Document& document, std::string_view after, std::string_view text);

}  // namespace korvax::billing_testing
