#include "invoice_docx.hpp"

#include <cstdio>

#include "common/text.hpp"
#include "platform/word/package.hpp"

namespace korvax::billing_testing {

void WriteInvoiceDocx(const std::filesystem::path& path, std::string_view body) {
  word::Package package;
  package.SetBytes(
      "[Content_Types].xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
      "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>");
  package.SetBytes("_rels/.rels",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                   "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                   "relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas."
                   "openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                   "Target=\"word/document.xml\"/></Relationships>");
  package.SetBytes(
      "word/document.xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
      "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\">"
      "<w:body>" +
          std::string(body) +
          "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1417\" "
          "w:right=\"1417\" w:bottom=\"1134\" w:left=\"1417\"/></w:sectPr></w:body></w:document>");
  package.SetBytes("word/_rels/document.xml.rels",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                   "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                   "relationships\"></Relationships>");
  package.Write(path);
}

std::string Paragraph(std::string_view text) {
  return "<w:p><w:r><w:t xml:space=\"preserve\">" + std::string(text) + "</w:t></w:r></w:p>";
}

namespace {

std::string Cell(std::string_view text) {
  return "<w:tc><w:tcPr><w:tcW w:w=\"1800\" w:type=\"dxa\"/></w:tcPr>" + Paragraph(text) +
         "</w:tc>";
}

}  // namespace

std::string BillingTable(const std::vector<std::string>& amounts, std::string_view header) {
  std::string xml = "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid>";
  for (int c = 0; c < 5; ++c) xml += "<w:gridCol w:w=\"1800\"/>";
  xml += "</w:tblGrid><w:tr>" + Cell("Flurstück") + Cell("Fläche") + Cell("Wert") + Cell("Anteil") +
         Cell(header) + "</w:tr>";
  int line = 1;
  for (const std::string& amount : amounts) {
    xml += "<w:tr>" + Cell("Zeile " + std::to_string(line++)) + Cell("") + Cell("") + Cell("") +
           Cell(amount) + "</w:tr>";
  }
  return xml + "</w:tbl>" + Paragraph("");
}

std::string CellText(const word::Table& table, int row, int column) {
  const std::string text = table.Cell(row, column).Range().Text();
  return text::Left(text, text::Len(text) - 2);
}

namespace {

bool Marked(const word::Table& table) {
  word::Comments comments = table.Range().Comments();
  for (int i = 1; i <= comments.Count(); ++i) {
    if (comments.Item(i).Range().Text() == "RE_Summe") return true;
  }
  return false;
}

}  // namespace

word::Table TotalsTable(word::Document& document) {
  word::Tables tables = document.Tables();
  for (int i = 1; i <= tables.Count(); ++i) {
    if (Marked(tables.Item(i))) return tables.Item(i);
  }
  return word::Table();
}

int TotalsTableCount(word::Document& document) {
  int n = 0;
  word::Tables tables = document.Tables();
  for (int i = 1; i <= tables.Count(); ++i) n += Marked(tables.Item(i));
  return n;
}

void CommentOnCell(word::Document& document, int index, int row, int column,
                   std::string_view text) {
  word::Table table = document.Tables().Item(index);
  table.Cell(row, column).Select();
  document.Comments().Add(document.Application()->Selection().Range(), text);
}

void CommentAfter(word::Document& document, std::string_view after, std::string_view text) {
  const std::string content = document.Content().Text();
  const int at = text::InStr(content, after) - 1 + text::Len(after);
  document.Comments().Add(document.Range(at, at), text);
}

int Occurrences(std::string_view text, std::string_view what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
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

}  // namespace korvax::billing_testing
