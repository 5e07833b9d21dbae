#include "docx.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "common/text.hpp"
#include "platform/word/package.hpp"

namespace korvax::testing {

namespace {

constexpr const char* kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
constexpr const char* kRelationships =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
constexpr const char* kW =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

std::string Run(std::string_view text) {
  return "<w:r><w:t xml:space=\"preserve\">" + std::string(text) + "</w:t></w:r>";
}

}  // namespace

std::filesystem::path WriteDocx(const std::filesystem::path& path, std::string_view body,
                                const std::optional<std::string>& comments) {
  const std::string xml = kXmlDeclaration;
  word::Package package;
  package.SetBytes(
      "[Content_Types].xml",
      xml +
          "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
          "<Default Extension=\"rels\" "
          "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
          "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
          "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
          "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>" +
          (comments ? "<Override PartName=\"/word/comments.xml\" ContentType=\"application/"
                      "vnd.openxmlformats-officedocument.wordprocessingml.comments+xml\"/>"
                    : "") +
          "</Types>");
  package.SetBytes("_rels/.rels", xml + kRelationships +
                                      "<Relationship Id=\"rId1\" Type=\"http://schemas."
                                      "openxmlformats.org/officeDocument/2006/relationships/"
                                      "officeDocument\" Target=\"word/document.xml\"/>"
                                      "</Relationships>");
  package.SetBytes(
      "word/document.xml",
      xml + "<w:document " + kW +
          " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
          "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\">"
          "<w:body>" +
          std::string(body) +
          "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1417\" "
          "w:right=\"1417\" w:bottom=\"1134\" w:left=\"1417\"/></w:sectPr></w:body></w:document>");
  package.SetBytes("word/_rels/document.xml.rels",
                   xml + kRelationships +
                       (comments ? "<Relationship Id=\"rId9\" Type=\"http://schemas."
                                   "openxmlformats.org/officeDocument/2006/relationships/"
                                   "comments\" Target=\"comments.xml\"/>"
                                 : "") +
                       "</Relationships>");
  if (comments) {
    package.SetBytes("word/comments.xml",
                     xml + "<w:comments " + kW + ">" + *comments + "</w:comments>");
  }
  package.Write(path);
  return path;
}

std::string ParagraphXml(std::string_view text) {
  return "<w:p>" + Run(text) + "</w:p>";
}

std::string CellText(const word::Table& table, int row, int column) {
  const std::string text = table.Cell(row, column).Range().Text();
  return text::Left(text, text::Len(text) - 2);
}

void ExpectRow(const word::Table& table, int row, int first_column,
               const std::vector<std::string>& texts) {
  int column = first_column;
  for (const std::string& text : texts) {
    EXPECT_EQ(CellText(table, row, column), text) << "cell (" << row << "," << column << ")";
    ++column;
  }
}

std::vector<std::vector<std::string>> TableTexts(const word::Table& table) {
  std::vector<std::vector<std::string>> rows;
  for (int r = 1; r <= table.Rows().Count(); ++r) {
    rows.emplace_back();
    for (int c = 1; c <= table.Columns().Count(); ++c) rows.back().push_back(CellText(table, r, c));
  }
  return rows;
}

nlohmann::json PythonDocxTables(const std::filesystem::path& path) {
  const auto out = path.parent_path() / "tables.json";
  const std::string command =
      "/usr/bin/python3 -c \"import docx,json,sys; d=docx.Document(sys.argv[1]); "
      "json.dump([[[c.text for c in r.cells] for r in t.rows] for t in "
      "d.tables], open(sys.argv[2],'w'))\" '" +
      path.string() + "' '" + out.string() + "'";
  if (std::system(command.c_str()) != 0) return nullptr;
  std::ifstream in(out);
  return nlohmann::json::parse(in);
}

std::string RunCommand(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

int Occurrences(std::string_view text, std::string_view what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

std::string InvoiceBuilder::Commented(std::string_view text, std::string_view comment) {
  if (comment.empty()) return ParagraphXml(text);
  const std::string id = std::to_string(next_comment_++);
  comments_ += "<w:comment w:id=\"" + id +
               "\" w:author=\"Test\" w:initials=\"T\"><w:p><w:r><w:annotationRef/></w:r>" +
               Run(comment) + "</w:p></w:comment>";
  return "<w:p><w:commentRangeStart w:id=\"" + id + "\"/>" + Run(text) +
         "<w:commentRangeEnd w:id=\"" + id + "\"/><w:r><w:commentReference w:id=\"" + id +
         "\"/></w:r></w:p>";
}

InvoiceBuilder& InvoiceBuilder::Paragraph(std::string_view text, std::string_view comment) {
  body_ += Commented(text, comment);
  return *this;
}

InvoiceBuilder& InvoiceBuilder::Table(std::string_view marker, std::string_view note, int rows) {
  const std::string n = std::to_string(++tables_);
  body_ += "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid>";
  for (int c = 1; c <= 5; ++c) body_ += "<w:gridCol w:w=\"1800\"/>";
  body_ += "</w:tblGrid>";
  for (int r = 1; r <= rows; ++r) {
    body_ += "<w:tr>";
    for (int c = 1; c <= 5; ++c) {
      const std::string text = "T" + n + "R" + std::to_string(r) + "C" + std::to_string(c);
      std::string_view comment = r == 1 && c == 5 ? marker : r == 2 && c == 1 ? note : "";
      body_ += "<w:tc><w:tcPr><w:tcW w:w=\"1800\" w:type=\"dxa\"/></w:tcPr>" +
               Commented(text, comment) + "</w:tc>";
    }
    body_ += "</w:tr>";
  }
  // Word keeps a paragraph between two tables; without it they would merge.
  body_ += "</w:tbl><w:p/>";
  return *this;
}

std::filesystem::path InvoiceBuilder::Write(const std::filesystem::path& path) const {
  return WriteDocx(path, body_ + ParagraphXml("Ende"), comments_);
}

}  // namespace korvax::testing
