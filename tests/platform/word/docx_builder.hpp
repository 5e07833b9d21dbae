// The Word tests' short names for the shared .docx builder of tests/support.
#pragma once

#include "../../support/docx.hpp"

namespace korvax::word::testing {

using namespace korvax::testing;

inline std::string P(std::string_view text) {
  return ParagraphXml(text);
}
inline std::string Tbl(int rows, int columns, std::string_view prefix = "R") {
  return TableXml(rows, columns, prefix);
}
// A package declaring the namespaces Word declares.
inline std::filesystem::path WriteDocx(const std::filesystem::path& path, std::string_view body,
                                       const DocxParts& parts = {}) {
  return korvax::testing::WriteDocx(path, body, parts);
}

}  // namespace korvax::word::testing
