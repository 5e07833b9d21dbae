#include "docx_builder.hpp"

#include <unistd.h>
#include <atomic>

#include <vector>

#include "platform/word/package.hpp"

namespace korvax::word::testing {

namespace {

// Removes the folders of a test run when the test program ends.
struct Folders {
  std::vector<std::filesystem::path> made;
  ~Folders() {
    std::error_code ec;
    for (auto& dir : made) std::filesystem::remove_all(dir, ec);
  }
};

}  // namespace

std::filesystem::path TempDir() {
  static Folders folders;
  static std::atomic<int> counter{0};
  auto dir = std::filesystem::temp_directory_path() /
             ("korvax-word-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  folders.made.push_back(dir);
  return dir;
}

std::filesystem::path WriteDocx(const std::filesystem::path& path, std::string_view body,
                                const std::map<std::string, std::string>& extra) {
  Package package;
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
  package.SetBytes("word/document.xml",
                   std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                               "<w:document ") +
                       kNamespaces + "><w:body>" + std::string(body) +
                       "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1417\" "
                       "w:right=\"1417\" w:bottom=\"1134\" w:left=\"1417\"/></w:sectPr>"
                       "</w:body></w:document>");
  package.SetBytes("word/_rels/document.xml.rels",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                   "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                   "relationships\"></Relationships>");
  for (auto& [name, bytes] : extra) package.SetBytes(name, bytes);
  package.Write(path);
  return path;
}

std::string P(std::string_view text) {
  return "<w:p><w:r><w:t xml:space=\"preserve\">" + std::string(text) + "</w:t></w:r></w:p>";
}

std::string Tbl(int rows, int columns, std::string_view prefix) {
  std::string xml = "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid>";
  for (int c = 0; c < columns; ++c) xml += "<w:gridCol w:w=\"1800\"/>";
  xml += "</w:tblGrid>";
  for (int r = 1; r <= rows; ++r) {
    xml += "<w:tr>";
    for (int c = 1; c <= columns; ++c) {
      xml += "<w:tc><w:tcPr><w:tcW w:w=\"1800\" w:type=\"dxa\"/></w:tcPr>" +
             P(std::string(prefix) + std::to_string(r) + "C" + std::to_string(c)) + "</w:tc>";
    }
    xml += "</w:tr>";
  }
  return xml + "</w:tbl>";
}

pugi::xml_document SavedXml(const std::filesystem::path& path, const std::string& part) {
  Package package = Package::Read(path);
  pugi::xml_document doc;
  ParseXml(doc, package.Bytes(part), part);
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

}  // namespace korvax::word::testing
