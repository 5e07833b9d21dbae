// Shared pieces of the reliability tests: scratch folders, file bytes, XML
// taken as it is, another program's database connection, and a zip entry that libzip would refuse
// (odd or duplicate names). Well-formed packages come from tests/support (WriteDocx).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "../common/log_fixture.hpp"
#include "../support/docx.hpp"

struct sqlite3;

namespace korvax::reliability {

// A fresh folder for the running test, removed at its end even when the test
// took the write permission away.
class ScratchTest : public testing::TempEnvironment {
 protected:
  void TearDown() override {
    std::error_code ec;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    TempEnvironment::TearDown();
  }
};

// The number of the korvax::Error that `call` fails with, 0 when it does not fail.
int ErrorOf(const std::function<void()>& call);

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);

// The XML of word/document.xml with `body` inside w:body.
std::string DocumentXml(std::string_view body);
// A paragraph with a plain text, taken as it is (entity references stay).
std::string P(std::string_view text);

// Another program's connection to a host database, in the middle of what
// `sql` began (a read holds the file shared, a write reserved or exclusive)
// until it ends.
class OtherConnection {
 public:
  OtherConnection(const std::filesystem::path& database, const std::string& sql);
  ~OtherConnection();

 private:
  sqlite3* db_ = nullptr;
};

// Adds an entry to the package at `path` under exactly `name`.
void AddRawEntry(const std::filesystem::path& path, const std::string& name,
                 const std::string& bytes);

}  // namespace korvax::reliability
