// Small .docx packages built from inline XML, and checks on what was saved.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "common/error.hpp"
#include "platform/word/word.hpp"

namespace korvax::word::testing {

// The namespaces Word declares on word/document.xml.
inline constexpr const char* kNamespaces =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
    "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" "
    "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
    "mc:Ignorable=\"w14\"";

// A fresh empty folder for one test.
std::filesystem::path TempDir();

// Writes a package whose body holds `body` (paragraphs and tables), plus any
// extra parts (name -> content).
std::filesystem::path WriteDocx(const std::filesystem::path& path, std::string_view body,
                                const std::map<std::string, std::string>& extra = {});

// Paragraph XML for a plain text.
std::string P(std::string_view text);
// A table with one paragraph per cell, texts row by row.
std::string Tbl(int rows, int columns, std::string_view prefix = "R");

// One part of a saved package, parsed.
pugi::xml_document SavedXml(const std::filesystem::path& path, const std::string& part);
size_t Count(const pugi::xml_document& doc, const char* xpath);
std::string Value(const pugi::xml_document& doc, const char* xpath);

// A document written from `body` and opened; Saved() saves it and parses a part.
struct OpenedDocx {
  std::filesystem::path path;
  std::shared_ptr<Document> doc;
  explicit OpenedDocx(std::string_view body)
      : path(WriteDocx(TempDir() / "d.docx", body)), doc(Document::Open(path)) {}
  pugi::xml_document Saved(const std::string& part = "word/document.xml") {
    doc->Save();
    return SavedXml(path, part);
  }
};

// Runs each call and expects each to fail with error `number`.
inline void ExpectEachFailsWith(int number, const std::vector<std::function<void()>>& calls) {
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

}  // namespace korvax::word::testing
