// Numbers and dates turned into text, and text read as a number, the way the
// classic runtime does it under German settings, whatever the machine's locale.
#pragma once

#include <string>
#include <string_view>

#include "common/date.hpp"
#include "common/variant.hpp"

namespace korvax {

// Format with the format strings the system uses:
//   numbers: "0.00", "####0.00", "#,##0.00", "#,##0.0", "#,##0.000", "#,##0", "0"
//            (German separators; halves rounded away from zero on the value
//            taken to 15 significant digits);
//   text:    runs of "@" with literals ("@@@@@@@@", "@@@@@ m"): the text
//            right-aligned in the "@" positions, a longer text comes back whole;
//            a number is first turned into text in general number format;
//   dates:   "d/m/yy", "dd.mm.yyyy", "Short Date", "hh:mm" ("/" and ":" are
//            the German separators "." and ":").
// Null formats as the empty text; an unsupported format fails with 5.
std::string Format(const Variant& value, std::string_view format);
std::string Format(double value, std::string_view format);

// The short date, dd.mm.yyyy.
std::string ShortDate(Date date);

// The "numeric value" of a text (classic Val): blanks anywhere are skipped,
// a decimal POINT only, reading stops at the first character that does not
// belong to a number, 0 when there is none. Val("26,99") is 26.
double Val(std::string_view s);

}  // namespace korvax
