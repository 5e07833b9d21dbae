#include "reliability_fixture.hpp"

#include <sqlite3.h>
#include <zip.h>

#include <fstream>
#include <iterator>

#include "common/error.hpp"

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

OtherConnection::OtherConnection(const std::filesystem::path& database, const std::string& sql) {
  sqlite3_open(database.c_str(), &db_);
  EXPECT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
}

OtherConnection::~OtherConnection() {
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(db_);
}

void AddRawEntry(const std::filesystem::path& path, const std::string& name,
                 const std::string& bytes) {
  // libzip refuses a name twice, so the entry goes in under a placeholder of
  // the same length that is replaced in the bytes afterwards: the checksums
  // cover the data, not the names.
  const std::string placeholder(name.size(), '~');
  int err = 0;
  zip_t* z = zip_open(path.c_str(), 0, &err);
  ASSERT_NE(z, nullptr);
  zip_source_t* source = zip_source_buffer(z, bytes.data(), bytes.size(), 0);
  ASSERT_GE(zip_file_add(z, placeholder.c_str(), source, 0), 0) << zip_strerror(z);
  ASSERT_EQ(zip_close(z), 0);
  std::string zip = ReadBytes(path);
  int replaced = 0;
  for (size_t at = zip.find(placeholder); at != std::string::npos;
       at = zip.find(placeholder, at + name.size()), ++replaced)
    zip.replace(at, name.size(), name);
  ASSERT_EQ(replaced, 2) << name;  // the local header and the directory
  WriteBytes(path, zip);
}

}  // namespace korvax::reliability
