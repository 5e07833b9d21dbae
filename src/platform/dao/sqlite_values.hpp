// How SQLite's loosely typed values become the variants the plug-in reads,
// and back. SQLite keeps a column's declared type only as text, so the kind
// of a column is taken from that text as Jet's field types would have it.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "common/variant.hpp"
#include "platform/dao/values.hpp"

namespace korvax::dao::sqlite {

ColumnKind KindOfDeclaredType(const char* declared_type);  // null for expressions

// The value of column i of the current row of stmt.
Variant ReadColumn(sqlite3_stmt* stmt, int i, ColumnKind kind);

// Binds a value returned by ConvertForColumn to parameter index (1-based).
void BindValue(sqlite3_stmt* stmt, int index, const Variant& value);

}  // namespace korvax::dao::sqlite
