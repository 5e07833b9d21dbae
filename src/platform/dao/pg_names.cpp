#include "platform/dao/pg_names.hpp"

#include <cctype>
#include <set>

#include "platform/dao/names.hpp"

namespace korvax::dao::pg {

namespace {

bool IsNameStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalpha(u) != 0 || c == '_' || u >= 0x80;
}

bool IsNamePart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) != 0 || c == '_' || c == '$' || u >= 0x80;
}

std::string Upper(std::string_view word) {
  std::string upper(word);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

// Words of SQL that stay as they are even where a table or column has that
// name, so that keywords and type names keep their meaning.
bool IsSqlWord(std::string_view word) {
  static const std::set<std::string, std::less<>> kWords = {
      "ALL",     "ALTER",      "AND",       "AS",        "ASC",       "BETWEEN",   "BIGINT",
      "BOOLEAN", "BY",         "CASE",      "CAST",      "CHAR",      "CHECK",     "CREATE",
      "CROSS",   "DATE",       "DEFAULT",   "DELETE",    "DESC",      "DISTINCT",  "DOUBLE",
      "DROP",    "ELSE",       "END",       "EXCEPT",    "EXISTS",    "FALSE",     "FOR",
      "FROM",    "FULL",       "GROUP",     "HAVING",    "IN",        "INDEX",     "INNER",
      "INSERT",  "INT",        "INTEGER",   "INTERSECT", "INTO",      "IS",        "JOIN",
      "KEY",     "LEFT",       "LIKE",      "LIMIT",     "NOT",       "NULL",      "NUMERIC",
      "OFFSET",  "ON",         "OR",        "ORDER",     "OUTER",     "PRECISION", "PRIMARY",
      "REAL",    "REFERENCES", "RETURNING", "RIGHT",     "SELECT",    "SET",       "SMALLINT",
      "TABLE",   "TEXT",       "THEN",      "TIME",      "TIMESTAMP", "TRUE",      "UNION",
      "UNIQUE",  "UPDATE",     "VALUES",    "VARCHAR",   "VIEW",      "WHEN",      "WHERE",
      "WITH"};
  return kWords.count(Upper(word)) != 0;
}

// The end of a quoted run starting at i (the opening quote), a doubled
// closing quote counting as one character of it.
std::size_t QuotedEnd(std::string_view sql, std::size_t i, char close) {
  std::size_t j = i + 1;
  while (j < sql.size()) {
    if (sql[j] == close) {
      if (close != ']' && j + 1 < sql.size() && sql[j + 1] == close) {
        j += 2;
        continue;
      }
      return j + 1;
    }
    ++j;
  }
  return sql.size();
}

std::string Unquoted(std::string_view quoted, char close) {
  std::string name;
  std::size_t i = 1;
  while (i < quoted.size() && quoted[i] != close) {
    name += quoted[i++];
    if (close != ']' && i + 1 < quoted.size() && quoted[i] == close && quoted[i + 1] == close) {
      name += close;  // "" is one "
      i += 2;
    }
  }
  return name;
}

// The end of a comment starting at i, or i when none starts there.
std::size_t CommentEnd(std::string_view sql, std::size_t i) {
  if (sql.substr(i, 2) == "--") {
    const std::size_t end = sql.find('\n', i);
    return end == sql.npos ? sql.size() : end;
  }
  if (sql.substr(i, 2) == "/*") {
    const std::size_t end = sql.find("*/", i + 2);
    return end == sql.npos ? sql.size() : end + 2;
  }
  return i;
}

}  // namespace

std::string RewriteNames(std::string_view sql, const SpellingOf& spelling_of) {
  std::string out;
  out.reserve(sql.size() + 32);
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    std::size_t end = i + 1;
    if (c == '\'') {
      end = QuotedEnd(sql, i, '\'');
    } else if (CommentEnd(sql, i) != i) {
      end = CommentEnd(sql, i);
    } else if (c == '"' || c == '[') {
      const char close = c == '"' ? '"' : ']';
      end = QuotedEnd(sql, i, close);
      const std::string name = Unquoted(sql.substr(i, end - i), close);
      const std::string* spelling = spelling_of(name);
      out += QuoteIdentifier(spelling != nullptr ? *spelling : name);
      i = end;
      continue;
    } else if (c == '$' || std::isdigit(static_cast<unsigned char>(c)) != 0) {
      while (end < sql.size() && IsNamePart(sql[end])) ++end;  // $1, 12, 1e5
    } else if (IsNameStart(c)) {
      while (end < sql.size() && IsNamePart(sql[end])) ++end;
      const std::string_view word = sql.substr(i, end - i);
      const std::string* spelling = IsSqlWord(word) ? nullptr : spelling_of(word);
      out += spelling != nullptr ? QuoteIdentifier(*spelling) : std::string(word);
      i = end;
      continue;
    }
    out.append(sql.substr(i, end - i));
    i = end;
  }
  return out;
}

bool ChangesData(std::string_view sql) {
  std::string first;
  bool with = false;
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    std::size_t end = i + 1;
    if (c == '\'' || c == '"' || c == '[') {
      end = QuotedEnd(sql, i, c == '[' ? ']' : c);
    } else if (CommentEnd(sql, i) != i) {
      end = CommentEnd(sql, i);
    } else if (IsNameStart(c)) {
      while (end < sql.size() && IsNamePart(sql[end])) ++end;
      const std::string word = Upper(sql.substr(i, end - i));
      if (first.empty()) {
        first = word;
        if (first != "SELECT" && first != "VALUES" && first != "TABLE" && first != "WITH") {
          return true;
        }
        with = first == "WITH";
      } else if (word == "INTO" || (with && (word == "INSERT" || word == "UPDATE" ||
                                             word == "DELETE" || word == "MERGE"))) {
        return true;
      }
    } else if (first.empty() && c != '(' && std::isspace(static_cast<unsigned char>(c)) == 0) {
      return true;
    }
    i = end;
  }
  return first.empty();
}

}  // namespace korvax::dao::pg
