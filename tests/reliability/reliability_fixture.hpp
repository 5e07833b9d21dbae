// Shared pieces of the reliability tests: scratch folders, file bytes, small
// .docx packages from inline XML and a raw zip writer that can write what
// libzip refuses to (odd or duplicate names).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../common/log_fixture.hpp"

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
// A paragraph with a plain text.
std::string P(std::string_view text);
// A table of rows x columns cells with the given texts, row by row.
std::string Table(int rows, int columns, const std::vector<std::string>& texts);

// The parts of a minimal package: content types, package relationships and
// word/document.xml with `body`; `extra` parts are appended.
using Parts = std::vector<std::pair<std::string, std::string>>;
Parts MinimalParts(std::string_view body);

// Writes the parts as stored (uncompressed) zip entries, exactly in the given
// order and under exactly the given names.
void WriteRawZip(const std::filesystem::path& path, const Parts& parts);

// Writes a package through the Word layer's own writer.
void WritePackage(const std::filesystem::path& path, const Parts& parts);

}  // namespace korvax::reliability
