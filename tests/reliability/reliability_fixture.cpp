#include "reliability_fixture.hpp"

#include <unistd.h>

#include <array>
#include <fstream>
#include <iterator>

#include "platform/word/package.hpp"

namespace korvax::reliability {

namespace {

constexpr const char* kNamespaces =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";

uint32_t Crc32(std::string_view bytes) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

void ScratchTest::SetUp() {
  dir_ = std::filesystem::temp_directory_path() /
         ("korvax-reliability-" + std::to_string(::getpid()) + "-" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
  setenv("KORVAX_LOG_DIR", dir_.c_str(), 1);
}

void ScratchTest::TearDown() {
  std::error_code ec;
  // A test may have taken the write permission away.
  std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(dir_, ec);
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
  std::string out;
  std::string directory;
  for (const auto& [name, bytes] : parts) {
    const uint32_t offset = static_cast<uint32_t>(out.size());
    const uint32_t crc = Crc32(bytes);
    const auto size = static_cast<uint32_t>(bytes.size());
    Put32(out, 0x04034b50);
    Put16(out, 20);      // version needed
    Put16(out, 0x0800);  // names in UTF-8
    Put16(out, 0);       // stored
    Put16(out, 0);       // time
    Put16(out, 0x21);    // date: 1.1.1980
    Put32(out, crc);
    Put32(out, size);
    Put32(out, size);
    Put16(out, static_cast<uint32_t>(name.size()));
    Put16(out, 0);
    out += name;
    out += bytes;

    Put32(directory, 0x02014b50);
    Put16(directory, 20);  // made by
    Put16(directory, 20);  // needed
    Put16(directory, 0x0800);
    Put16(directory, 0);
    Put16(directory, 0);
    Put16(directory, 0x21);
    Put32(directory, crc);
    Put32(directory, size);
    Put32(directory, size);
    Put16(directory, static_cast<uint32_t>(name.size()));
    Put16(directory, 0);  // extra
    Put16(directory, 0);  // comment
    Put16(directory, 0);  // disk
    Put16(directory, 0);  // internal attributes
    Put32(directory, 0);  // external attributes
    Put32(directory, offset);
    directory += name;
  }
  const auto directory_offset = static_cast<uint32_t>(out.size());
  out += directory;
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(parts.size()));
  Put16(out, static_cast<uint32_t>(parts.size()));
  Put32(out, static_cast<uint32_t>(directory.size()));
  Put32(out, directory_offset);
  Put16(out, 0);
  WriteBytes(path, out);
}

void WritePackage(const std::filesystem::path& path, const Parts& parts) {
  word::Package package;
  for (const auto& [name, bytes] : parts) package.SetBytes(name, bytes);
  package.Write(path);
}

}  // namespace korvax::reliability
