// Doubles that are the double nearest to a short decimal. Fifteen decimal
// digits survive the trip to a double and back, so the value's 15 significant
// digits are that decimal's own, and integer arithmetic finds them without a
// full binary-to-decimal conversion.
#pragma once

#include <cmath>
#include <cstdint>

namespace korvax::detail {

inline constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                          1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};

// True when |value| is the double nearest to digits / 10^places for some
// digits below 10^15, which is then stored; places is 0 to 18.
inline bool ShortDecimal(double value, int places, int64_t& digits) {
  const double scale = kPowersOfTen[places];
  const double magnitude = std::fabs(value);
  const double scaled = magnitude * scale;
  if (!(scaled < 1e15)) return false;  // NaN included
  const auto candidate = static_cast<int64_t>(scaled + 0.5);
  // n / 10^p is correctly rounded, so equality means |value| is nearest to it.
  if (static_cast<double>(candidate) / scale != magnitude) return false;
  digits = candidate;
  return true;
}

// Reads "[-]ddd[.ddd]" of at most 15 digits: an integer below 2^53 divided
// by an exact power of ten, which rounds as from_chars does. False for any
// other text, which from_chars then reads.
inline bool ParseShortDecimal(const char* first, const char* last, double& out) {
  const bool negative = first < last && *first == '-';
  if (negative) ++first;
  int64_t digits = 0;
  int count = 0;
  int places = -1;  // digits behind the point, -1 while there is none
  for (; first < last; ++first) {
    if (*first >= '0' && *first <= '9') {
      if (++count > 15) return false;
      digits = digits * 10 + (*first - '0');
      if (places >= 0) ++places;
    } else if (*first == '.' && places < 0) {
      places = 0;
    } else {
      return false;
    }
  }
  if (count == 0) return false;
  const double value = static_cast<double>(digits) / kPowersOfTen[places < 0 ? 0 : places];
  out = negative ? -value : value;
  return true;
}

}  // namespace korvax::detail
