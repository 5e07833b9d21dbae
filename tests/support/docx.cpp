#include "docx.hpp"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include <gtest/gtest.h>

#include "common/error.hpp"
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

// Removes the folders of a test run when the program ends.
struct Folders {
  std::vector<std::filesystem::path> made;
  ~Folders() {
    std::error_code ec;
    for (auto& dir : made) std::filesystem::remove_all(dir, ec);
  }
};

}  // namespace

std::filesystem::path WriteDocx(const std::filesystem::path& path, std::string_view body,
                                const DocxParts& parts) {
  const std::string xml = kXmlDeclaration;
  const bool comments = parts.comments.has_value();
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
      xml + "<w:document " + parts.namespaces + "><w:body>" + std::string(body) +
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
                     xml + "<w:comments " + kW + ">" + *parts.comments + "</w:comments>");
  }
  for (const auto& [name, bytes] : parts.extra) package.SetBytes(name, bytes);
  package.Write(path);
  return path;
}

std::filesystem::path WriteDocx(const std::filesystem::path& path, std::string_view body,
                                const std::optional<std::string>& comments) {
  DocxParts parts;
  parts.namespaces = std::string(kW) +
                     " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                     "relationships\" xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/"
                     "2006/wordprocessingDrawing\"";
  parts.comments = comments;
  return WriteDocx(path, body, parts);
}

std::string RunXml(std::string_view text) {
  std::string escaped;
  for (char c : text) {
    if (c == '&') {
      escaped += "&amp;";
    } else if (c == '<') {
      escaped += "&lt;";
    } else {
      escaped += c;
    }
  }
  return "<w:r><w:t xml:space=\"preserve\">" + escaped + "</w:t></w:r>";
}

std::string ParagraphXml(std::string_view text) {
  return "<w:p>" + RunXml(text) + "</w:p>";
}

std::string CellXml(int width, std::string_view runs) {
  return "<w:tc><w:tcPr><w:tcW w:w=\"" + std::to_string(width) +
         "\" w:type=\"dxa\"/></w:tcPr><w:p>" + std::string(runs) + "</w:p></w:tc>";
}

std::string TableStartXml(const std::vector<int>& widths) {
  std::string xml = "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid>";
  for (int w : widths) xml += "<w:gridCol w:w=\"" + std::to_string(w) + "\"/>";
  return xml + "</w:tblGrid>";
}

std::string TableXml(int rows, int columns, std::string_view prefix) {
  std::string xml = TableStartXml(std::vector<int>(columns, 1800));
  for (int r = 1; r <= rows; ++r) {
    xml += "<w:tr>";
    for (int c = 1; c <= columns; ++c) {
      const std::string text = std::string(prefix) + std::to_string(r) + "C" + std::to_string(c);
      xml += CellXml(1800, prefix.empty() ? "" : RunXml(text));
    }
    xml += "</w:tr>";
  }
  return xml + "</w:tbl>";
}

void StoreTablesAsWord(const std::filesystem::path& path) {
  word::Package package = word::Package::Read(path);
  pugi::xml_document& doc = package.Xml("word/document.xml");
  for (auto x : doc.select_nodes("//w:tbl")) {
    pugi::xml_node table = x.node();
    std::set<long> bounds = {0};
    for (auto row : table.children("w:tr")) {
      long at = 0;
      for (auto tc : row.children("w:tc")) {
        at += tc.child("w:tcPr").child("w:tcW").attribute("w:w").as_int();
        bounds.insert(at);
      }
    }
    pugi::xml_node grid = table.child("w:tblGrid");
    while (grid.first_child()) grid.remove_child(grid.first_child());
    for (auto b = std::next(bounds.begin()); b != bounds.end(); ++b) {
      grid.append_child("w:gridCol").append_attribute("w:w") = *b - *std::prev(b);
    }
    for (auto row : table.children("w:tr")) {
      long at = 0;
      for (auto tc : row.children("w:tc")) {
        pugi::xml_node pr = tc.child("w:tcPr");
        const long end = at + pr.child("w:tcW").attribute("w:w").as_int();
        const auto span = std::distance(bounds.find(at), bounds.find(end));
        pr.remove_child("w:gridSpan");
        if (span > 1)
          pr.insert_child_after("w:gridSpan", pr.child("w:tcW")).append_attribute("w:val") = span;
        at = end;
      }
      const auto after = std::distance(bounds.find(at), bounds.end()) - 1;
      if (after > 0) {
        pugi::xml_node pr = row.child("w:trPr") ? row.child("w:trPr") : row.prepend_child("w:trPr");
        pr.append_child("w:gridAfter").append_attribute("w:val") = after;
        auto w = pr.append_child("w:wAfter");
        w.append_attribute("w:w") = *bounds.rbegin() - at;
        w.append_attribute("w:type") = "dxa";
      }
    }
  }
  package.Write(path);
}

std::filesystem::path SharedFixtures(const std::string& name) {
  return (std::filesystem::path(KORVAX_SHARED_FIXTURES) / name).lexically_normal();
}

std::filesystem::path TempDir() {
  static Folders folders;
  static std::atomic<int> counter{0};
  auto dir = std::filesystem::temp_directory_path() /
             ("korvax-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  folders.made.push_back(dir);
  return dir;
}

pugi::xml_document SavedXml(const std::filesystem::path& path, const std::string& part) {
  word::Package package = word::Package::Read(path);
  pugi::xml_document doc;
  word::ParseXml(doc, package.Bytes(part), part);
  return doc;
}

size_t Count(const pugi::xml_document& doc, const char* xpath) {
  return doc.select_nodes(xpath).size();
}

std::string Value(const pugi::xml_document& doc, const char* xpath) {
  auto x = doc.select_node(xpath);
  if (x.attribute()) return x.attribute().value();
  return x.node().text().get();
}

void ExpectEachFailsWith(int number, const std::vector<std::function<void()>>& calls) {
  for (size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE("call " + std::to_string(i));
    try {
      calls[i]();
      ADD_FAILURE() << "no error";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), number);
    }
  }
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

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

int Occurrences(std::string_view text, std::string_view what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

std::string InvoiceBuilder::Commented(std::string_view text, std::string_view comment) {
  if (comment.empty()) return RunXml(text);
  const std::string id = std::to_string(next_comment_++);
  comments_ += "<w:comment w:id=\"" + id +
               "\" w:author=\"Test\" w:initials=\"T\"><w:p><w:r><w:annotationRef/></w:r>" +
               RunXml(comment) + "</w:p></w:comment>";
  return "<w:commentRangeStart w:id=\"" + id + "\"/>" + RunXml(text) +
         "<w:commentRangeEnd w:id=\"" + id + "\"/><w:r><w:commentReference w:id=\"" + id +
         "\"/></w:r>";
}

InvoiceBuilder& InvoiceBuilder::Paragraph(std::string_view text, std::string_view comment) {
  body_ += "<w:p>" + Commented(text, comment) + "</w:p>";
  return *this;
}

InvoiceBuilder& InvoiceBuilder::Table(std::string_view marker, std::string_view note, int rows) {
  const std::string n = std::to_string(++tables_);
  body_ += TableStartXml(std::vector<int>(5, 1800));
  for (int r = 1; r <= rows; ++r) {
    body_ += "<w:tr>";
    for (int c = 1; c <= 5; ++c) {
      const std::string text = "T" + n + "R" + std::to_string(r) + "C" + std::to_string(c);
      std::string_view comment = r == 1 && c == 5 ? marker : r == 2 && c == 1 ? note : "";
      body_ += CellXml(1800, Commented(text, comment));
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
