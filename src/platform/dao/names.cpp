#include "platform/dao/names.hpp"

#include "common/text.hpp"

namespace korvax::dao {

std::u32string FoldCase(std::string_view utf8_name) {
  std::u32string chars = text::ToU32(utf8_name);
  for (char32_t& c : chars) {
    // ASCII and the Latin-1 letters (Ä, Ö, Ü, À...), but not the
    // multiplication sign that sits among them.
    if ((c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c += 0x20;
  }
  return chars;
}

bool SameName(std::string_view a, std::string_view b) {
  return FoldCase(a) == FoldCase(b);
}

std::string QuoteIdentifier(std::string_view name) {
  std::string quoted = "\"";
  for (const char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace korvax::dao
