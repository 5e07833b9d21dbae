// Small invoice documents for the tests, written as a .docx package from
// inline XML, and readers of what the Word layer or python-docx finds in them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/word/word.hpp"

namespace korvax::testing {

// Writes a minimal package whose body holds `body`; with a comments part
// holding `comments` when it is given.
std::filesystem::path WriteDocx(const std::filesystem::path& path, std::string_view body,
                                const std::optional<std::string>& comments = std::nullopt);

// A paragraph of plain text.
std::string ParagraphXml(std::string_view text);

// A cell's text without its end-of-cell mark.
std::string CellText(const word::Table& table, int row, int column);
// Checks the texts of cells (row, first_column), (row, first_column + 1), ...
// naming the cell on a mismatch.
void ExpectRow(const word::Table& table, int row, int first_column,
               const std::vector<std::string>& texts);

// The texts of a table's cells, row by row, without their end-of-cell marks.
std::vector<std::vector<std::string>> TableTexts(const word::Table& table);

// The tables of a saved document as python-docx reads them (cell.text).
nlohmann::json PythonDocxTables(const std::filesystem::path& path);

// Runs a shell command and returns its standard output.
std::string RunCommand(const std::string& command);

// How often `what` occurs in `text`.
int Occurrences(std::string_view text, std::string_view what);

// Paragraphs and five-column tables, with marker comments on cell (1,5) and
// other comments where a test wants them.
class InvoiceBuilder {
 public:
  // A paragraph; with a comment anchored on its text when `comment` is given.
  InvoiceBuilder& Paragraph(std::string_view text, std::string_view comment = {});
  // A table of `rows` rows and five columns whose cells read "T<n>R<r>C<c>",
  // n counting the tables from 1. `marker` becomes a comment on cell (1,5),
  // `note` a comment on cell (2,1).
  InvoiceBuilder& Table(std::string_view marker = {}, std::string_view note = {}, int rows = 2);
  std::filesystem::path Write(const std::filesystem::path& path) const;

 private:
  std::string Commented(std::string_view text, std::string_view comment);

  std::string body_;
  std::string comments_;
  int next_comment_ = 0;
  int tables_ = 0;
};

}  // namespace korvax::testing
