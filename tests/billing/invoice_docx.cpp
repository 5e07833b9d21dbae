#include "invoice_docx.hpp"

#include <cstdio>

#include "common/text.hpp"
#include "platform/word/package.hpp"

namespace korvax::billing_testing {

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

}  // namespace korvax::billing_testing
