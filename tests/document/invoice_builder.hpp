// Small invoice documents for the tests: paragraphs and five-column tables,
// with marker comments on cell (1,5) and other comments where a test wants
// them, written as a .docx package from inline XML.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace korvax::testing {

class InvoiceBuilder {
 public:
  // A paragraph; with a comment anchored on its text when `comment` is given.
  InvoiceBuilder& Paragraph(std::string_view text, std::string_view comment = {});
  // A table of `rows` rows and five columns whose cells read "T<n>R<r>C<c>",
  // n counting the tables from 1. `marker` becomes a comment on cell (1,5),
  // `note` a comment on cell (2,1).
  InvoiceBuilder& Table(std::string_view marker = {}, std::string_view note = {}, int rows = 2);
  std::filesystem::path Write(const std::filesystem::path& path) const;

 private:
  std::string Commented(std::string_view text, std::string_view comment);

  std::string body_;
  std::string comments_;
  int next_comment_ = 0;
  int tables_ = 0;
};

}  // namespace korvax::testing
