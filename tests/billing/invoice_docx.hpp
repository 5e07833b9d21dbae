// Small invoice documents for the totals tests: a .docx written from inline
// XML, opened through the Word layer and handed to the order context.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/word/word.hpp"

namespace korvax::billing_testing {

// Writes a minimal package whose body holds `body`.
void WriteInvoiceDocx(const std::filesystem::path& path, std::string_view body);

// A paragraph of plain text.
std::string Paragraph(std::string_view text);

// A category table of five columns: a header row, then one row per amount
// (the amount text in column 5).
std::string BillingTable(const std::vector<std::string>& amounts,
                         std::string_view header = "Betrag");

// A cell's text without its end-of-cell mark.
std::string CellText(const word::Table& table, int row, int column);

// The totals table (marked "RE_Summe"); an empty table when there is none.
word::Table TotalsTable(word::Document& document);
int TotalsTableCount(word::Document& document);

// Adds a comment with `text` on cell (row, column) of table `index`.
void CommentOnCell(word::Document& document, int index, int row, int column, std::string_view text);

// Adds a collapsed comment with `text` right after the first occurrence of
// `after` in the main text.
void CommentAfter(word::Document& document, std::string_view after, std::string_view text);

// How often `what` occurs in `text`.
int Occurrences(std::string_view text, std::string_view what);

// Runs a shell command and returns its standard output.
std::string RunCommand(const std::string& command);

}  // namespace korvax::billing_testing
