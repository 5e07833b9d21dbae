// How SQLite's loosely typed values become the variants the plug-in reads,
// and back. SQLite keeps a column's declared type only as text, so the kind
// of a column is taken from that text as Jet's field types would have it.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "common/variant.hpp"

namespace korvax::dao::sqlite {

enum class ColumnKind {
  kAny,      // no declared type (expressions) or BLOB: the stored value as it is
  kInteger,  // INT...: Long, Double beyond 32 bits
  kReal,     // REAL, FLOAT, DOUBLE, NUMERIC, CURRENCY...: Double
  kText,     // CHAR, TEXT, MEMO...: String
  kDate,     // DATE, DATETIME, TIME...: Date from ISO text or an OLE serial
  kBoolean,  // BOOLEAN, BIT, YESNO, LOGICAL: Boolean
};

ColumnKind KindOfDeclaredType(const char* declared_type);  // null for expressions

// The value of column i of the current row of stmt.
Variant ReadColumn(sqlite3_stmt* stmt, int i, ColumnKind kind);

// The value as it will be stored in a column of that kind (a field write is
// converted at once, as DAO did); 3421 when it does not convert.
Variant ConvertForColumn(const Variant& value, ColumnKind kind);

// Binds a value returned by ConvertForColumn to parameter index (1-based).
void BindValue(sqlite3_stmt* stmt, int index, const Variant& value);

// Dates are stored as "YYYY-MM-DD", with " HH:MM:SS" when there is a time.
std::string IsoDateText(const Date& date);
bool ParseIsoDate(std::string_view text, Date& date);

}  // namespace korvax::dao::sqlite
