#include "reliability_fixture.hpp"

#include <zip.h>

#include <fstream>
#include <iterator>

#include "common/error.hpp"
#include "platform/word/package.hpp"

namespace korvax::reliability {

namespace {

constexpr const char* kNamespaces =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

}  // namespace

int ErrorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string DocumentXml(std::string_view body) {
  return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document ") +
         kNamespaces + "><w:body>" + std::string(body) + "</w:body></w:document>";
}

std::string P(std::string_view text) {
  return "<w:p><w:r><w:t xml:space=\"preserve\">" + std::string(text) + "</w:t></w:r></w:p>";
}

std::string Table(int rows, int columns, const std::vector<std::string>& texts) {
  std::string xml = "<w:tbl><w:tblGrid>";
  for (int c = 0; c < columns; ++c) xml += "<w:gridCol w:w=\"1000\"/>";
  xml += "</w:tblGrid>";
  size_t next = 0;
  for (int r = 0; r < rows; ++r) {
    xml += "<w:tr>";
    for (int c = 0; c < columns; ++c) {
      xml += "<w:tc>" + P(next < texts.size() ? texts[next] : "") + "</w:tc>";
      ++next;
    }
    xml += "</w:tr>";
  }
  return xml + "</w:tbl>";
}

Parts MinimalParts(std::string_view body) {
  return {
      {"[Content_Types].xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
       "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
       "<Default Extension=\"rels\" "
       "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
       "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
       "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>"},
      {"_rels/.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
       "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
      {"word/document.xml", DocumentXml(body)},
  };
}

void WriteRawZip(const std::filesystem::path& path, const Parts& parts) {
  // libzip refuses a name twice, so each entry goes in under a placeholder of
  // the same length that is replaced in the bytes afterwards: the checksums
  // cover the data, not the names.
  int err = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  ASSERT_NE(z, nullptr);
  std::vector<std::string> placeholders;
  for (const auto& [name, bytes] : parts) {
    std::string placeholder = "~" + std::to_string(placeholders.size()) + "~";
    ASSERT_LE(placeholder.size(), name.size()) << name;
    placeholder.resize(name.size(), '~');
    zip_source_t* source = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
    ASSERT_GE(zip_file_add(z, placeholder.c_str(), source, 0), 0) << zip_strerror(z);
    placeholders.push_back(placeholder);
  }
  ASSERT_EQ(zip_close(z), 0);
  std::string zip = ReadBytes(path);
  for (size_t i = 0; i < parts.size(); ++i) {
    int replaced = 0;
    for (size_t at = zip.find(placeholders[i]); at != std::string::npos;
         at = zip.find(placeholders[i], at + 1), ++replaced)
      zip.replace(at, placeholders[i].size(), parts[i].first);
    ASSERT_EQ(replaced, 2) << parts[i].first;  // the local header and the directory
  }
  WriteBytes(path, zip);
}

void WritePackage(const std::filesystem::path& path, const Parts& parts) {
  word::Package package;
  for (const auto& [name, bytes] : parts) package.SetBytes(name, bytes);
  package.Write(path);
}

}  // namespace korvax::reliability
