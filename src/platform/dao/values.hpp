// The kinds of column the back ends know and how a value written to a field
// becomes the value stored in a column of that kind. Neutral: each back end
// tells the kind of its columns from its own type names.
#pragma once

#include <string>
#include <string_view>

#include "common/variant.hpp"

namespace korvax::dao {

enum class ColumnKind {
  kAny,      // no declared type (expressions), BLOB, a type of its own: the value as stored
  kInteger,  // whole numbers: Long, Double beyond 32 bits
  kReal,     // REAL, FLOAT, DOUBLE, NUMERIC, CURRENCY...: Double
  kText,     // CHAR, TEXT, MEMO...: String
  kDate,     // DATE, DATETIME, TIMESTAMP, TIME...: Date
  kBoolean,  // BOOLEAN, BIT, YESNO, LOGICAL: Boolean
};

// The value as it will be stored in a column of that kind (a field write is
// converted at once, as DAO did); 3421 when it does not convert.
Variant ConvertForColumn(const Variant& value, ColumnKind kind);

// A whole number as Jet's Long when it fits, else as a Double.
Variant FromInteger(int64_t n);

// Dates are stored as "YYYY-MM-DD", with " HH:MM:SS" when there is a time.
std::string IsoDateText(const Date& date);
// Reads "YYYY-MM-DD[ HH:MM[:SS[.fff]]]" (also with "T"); a zone after the
// time is ignored.
bool ParseIsoDate(std::string_view text, Date& date);

}  // namespace korvax::dao
