#include "platform/dao/sql_text.hpp"

#include <cctype>
#include <set>

namespace korvax::dao {

namespace {

std::string_view TrimmedSource(std::string_view s) {
  while (!s.empty() && (std::isspace(static_cast<unsigned char>(s.front())) != 0)) {
    s.remove_prefix(1);
  }
  while (!s.empty() &&
         (std::isspace(static_cast<unsigned char>(s.back())) != 0 || s.back() == ';')) {
    s.remove_suffix(1);
  }
  return s;
}

}  // namespace

std::string TableNameOf(std::string_view source) {
  std::string_view s = TrimmedSource(source);
  if (s.size() >= 2 &&
      ((s.front() == '[' && s.back() == ']') || (s.front() == '"' && s.back() == '"'))) {
    return std::string(s.substr(1, s.size() - 2));
  }
  if (s.empty()) return "";
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x80 && std::isalnum(u) == 0 && c != '_') return "";  // umlauts are name characters
  }
  return std::string(s);
}

bool HasRowMergingClause(std::string_view sql) {
  static const std::set<std::string> kMerging = {"DISTINCT", "GROUP", "UNION", "INTERSECT",
                                                 "EXCEPT"};
  static const std::set<std::string> kAggregates = {"COUNT", "SUM",   "AVG",         "MIN",
                                                    "MAX",   "TOTAL", "GROUP_CONCAT"};
  std::string word;
  char quote = 0;
  for (std::size_t i = 0; i <= sql.size(); ++i) {
    const char c = i < sql.size() ? sql[i] : ' ';
    if (quote != 0) {
      if (c == quote) quote = 0;
      continue;
    }
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) != 0 || c == '_' || u >= 0x80) {
      word += static_cast<char>(std::toupper(u));
      continue;
    }
    if (kMerging.count(word) != 0) return true;
    if (kAggregates.count(word) != 0) {
      std::size_t next = i;
      while (next < sql.size() && std::isspace(static_cast<unsigned char>(sql[next])) != 0) ++next;
      if (next < sql.size() && sql[next] == '(') return true;
    }
    word.clear();
    if (c == '\'' || c == '"' || c == '`') {
      quote = c;
    } else if (c == '[') {
      quote = ']';
    }
  }
  return false;
}

}  // namespace korvax::dao
