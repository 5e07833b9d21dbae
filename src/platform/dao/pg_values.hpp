// How PostgreSQL's typed values become the variants the plug-in reads, and
// back. Values travel as text: the server's output for its types, and
// statement parameters that the server reads as the column's type.
#pragma once

#include <libpq-fe.h>

#include <optional>
#include <string>

#include "common/variant.hpp"
#include "platform/dao/values.hpp"

namespace korvax::dao::pg {

// The kind of a result column of that type.
ColumnKind KindOfType(Oid type);

// The value in row, column of a result.
Variant ReadValue(const PGresult* result, int row, int column, ColumnKind kind);

// A value returned by ConvertForColumn as a statement parameter; nullopt for
// Null. 3421 for a text the server cannot take (a zero byte).
std::optional<std::string> ParameterText(const Variant& value);

}  // namespace korvax::dao::pg
