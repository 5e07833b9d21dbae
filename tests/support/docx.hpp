// Small documents for the tests and the benchmark inputs, written as a .docx
// package from inline XML, and readers of what the Word layer, the saved XML
// or python-docx finds in them.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "platform/word/word.hpp"

namespace korvax::testing {

// The namespaces Word itself declares on word/document.xml.
inline constexpr const char* kWordNamespaces =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
    "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" "
    "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
    "mc:Ignorable=\"w14\"";

// What a package holds besides its body.
struct DocxParts {
  // The attributes of w:document.
  std::string namespaces = kWordNamespaces;
  // The content of word/comments.xml, related from the document.
  std::optional<std::string> comments;
  // Further parts as they are (name -> bytes), such as media or custom XML.
  std::map<std::string, std::string> extra;
};

// Writes a minimal package whose body holds `body`.
std::filesystem::path WriteDocx(const std::filesystem::path& path, std::string_view body,
                                const DocxParts& parts);
// The same, declaring w, r and wp only; with a comments part holding
// `comments` when it is given.
std::filesystem::path WriteDocx(const std::filesystem::path& path, std::string_view body,
                                const std::optional<std::string>& comments = std::nullopt);

// A run of plain text; & and < are escaped.
std::string RunXml(std::string_view text);
// A paragraph of plain text.
std::string ParagraphXml(std::string_view text);
// A cell `width` twips wide holding one paragraph of `runs`.
std::string CellXml(int width, std::string_view runs);
// A table's properties and grid, up to its first row.
std::string TableStartXml(const std::vector<int>& widths);
// A table of 1800-twip cells, each a paragraph "<prefix><row>C<column>", or
// an empty paragraph when there is no prefix.
std::string TableXml(int rows, int columns, std::string_view prefix = "R");

// Rewrites the tables of a saved document as Word stores a table whose rows
// have different cell boundaries (cells of their own widths): the grid holds
// every boundary of every row, each cell spans the grid columns it covers
// (w:gridSpan) and a row that ends early leaves the rest out (w:gridAfter).
void StoreTablesAsWord(const std::filesystem::path& path);

// A folder of third-party test documents, read where they lie: the
// project's sibling ../shared/fixtures/<name>, never copied into it.
std::filesystem::path SharedFixtures(const std::string& name);
// Ends the test as skipped, naming the folder, when the folder is absent.
#define KORVAX_SKIP_WITHOUT(folder)                                                         \
  if (const auto& korvax_folder = (folder); std::filesystem::is_directory(korvax_folder)) { \
  } else                                                                                    \
    GTEST_SKIP() << "missing folder " << korvax_folder.string()

// A fresh empty folder, removed when the test program ends.
std::filesystem::path TempDir();

// One part of a saved package, parsed, and what XPath finds in it.
pugi::xml_document SavedXml(const std::filesystem::path& path, const std::string& part);
size_t Count(const pugi::xml_document& doc, const char* xpath);
std::string Value(const pugi::xml_document& doc, const char* xpath);

// A document written from `body` and opened; Saved() saves it and parses a part.
struct OpenedDocx {
  std::filesystem::path path;
  std::shared_ptr<word::Document> doc;
  explicit OpenedDocx(std::string_view body)
      : path(WriteDocx(TempDir() / "d.docx", body, DocxParts{})), doc(word::Document::Open(path)) {}
  pugi::xml_document Saved(const std::string& part = "word/document.xml") {
    doc->Save();
    return SavedXml(path, part);
  }
};

// Runs each call and expects each to fail with error `number`.
void ExpectEachFailsWith(int number, const std::vector<std::function<void()>>& calls);

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
// `text` in single quotes for the shell.
std::string ShellQuoted(const std::string& text);
// The bytes of a file, "" when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

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
  // The runs of a paragraph holding `text`, anchoring `comment` on it when given.
  std::string Commented(std::string_view text, std::string_view comment);

  std::string body_;
  std::string comments_;
  int next_comment_ = 0;
  int tables_ = 0;
};

}  // namespace korvax::testing
