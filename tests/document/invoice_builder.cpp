#include "invoice_builder.hpp"

#include "platform/word/package.hpp"

namespace korvax::testing {

namespace {

constexpr const char* kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>";
constexpr const char* kW =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

std::string Run(std::string_view text) {
  return "<w:r><w:t xml:space=\"preserve\">" + std::string(text) + "</w:t></w:r>";
}

}  // namespace

std::string InvoiceBuilder::Commented(std::string_view text, std::string_view comment) {
  if (comment.empty()) return "<w:p>" + Run(text) + "</w:p>";
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
  word::Package package;
  package.SetBytes(
      "[Content_Types].xml",
      std::string(kXmlDeclaration) +
          "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
          "<Default Extension=\"rels\" "
          "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
          "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
          "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
          "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
          "<Override PartName=\"/word/comments.xml\" ContentType=\"application/"
          "vnd.openxmlformats-officedocument.wordprocessingml.comments+xml\"/></Types>");
  package.SetBytes("_rels/.rels",
                   std::string(kXmlDeclaration) +
                       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas."
                       "openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                       "Target=\"word/document.xml\"/></Relationships>");
  package.SetBytes("word/document.xml",
                   std::string(kXmlDeclaration) + "<w:document " + kW + "><w:body>" + body_ +
                       "<w:p>" + Run("Ende") +
                       "</w:p><w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/>"
                       "<w:pgMar w:top=\"1417\" w:right=\"1417\" w:bottom=\"1134\" "
                       "w:left=\"1417\"/></w:sectPr></w:body></w:document>");
  package.SetBytes("word/_rels/document.xml.rels",
                   std::string(kXmlDeclaration) +
                       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                       "relationships\"><Relationship Id=\"rId9\" Type=\"http://schemas."
                       "openxmlformats.org/officeDocument/2006/relationships/comments\" "
                       "Target=\"comments.xml\"/></Relationships>");
  package.SetBytes("word/comments.xml", std::string(kXmlDeclaration) + "<w:comments " + kW + ">" +
                                            comments_ + "</w:comments>");
  package.Write(path);
  return path;
}

}  // namespace korvax::testing
