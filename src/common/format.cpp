#include "common/format.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/error.hpp"
#include "common/text.hpp"

namespace korvax {

namespace {

// The decimal digits of |value| rounded half away from zero to `decimals`
// places, taken from the value's 15 significant digits. Returns the integer
// digits and fraction digits separately.
void RoundDecimal(double value, int decimals, std::string& integer, std::string& fraction) {
  char buf[64];
  const auto res =
      std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
  const std::string sci(buf, res.ptr);  // d.ddddddddddddddde[+-]xx
  const size_t e = sci.find('e');
  std::string digits = sci.substr(0, 1) + sci.substr(2, e - 2);  // 15 digits
  const int exponent = std::stoi(sci.substr(e + 1));
  // value = 0.digits * 10^(exponent + 1)
  int point = exponent + 1;  // digits before the decimal point
  if (point < 0) {
    digits.insert(0, static_cast<size_t>(-point), '0');
    point = 0;
  }
  if (static_cast<int>(digits.size()) < point) digits.append(point - digits.size(), '0');
  const int keep = point + decimals;  // digits kept after rounding
  if (static_cast<int>(digits.size()) < keep) digits.append(keep - digits.size(), '0');
  const bool round_up = static_cast<int>(digits.size()) > keep && digits[keep] >= '5';
  digits.resize(keep);
  if (round_up) {
    int i = keep - 1;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits.insert(digits.begin(), '1');
      ++point;
    }
  }
  integer = digits.substr(0, point);
  fraction = digits.substr(point);
  const size_t nz = integer.find_first_not_of('0');
  integer = nz == std::string::npos ? "" : integer.substr(nz);
}

bool IsNumberFormat(std::string_view f) {
  if (f.empty()) return false;
  for (char c : f) {
    if (c != '0' && c != '#' && c != ',' && c != '.') return false;
  }
  return true;
}

std::string FormatNumber(double value, std::string_view f) {
  CheckedFinite(value);
  const size_t dot = f.find('.');
  const std::string_view int_part = f.substr(0, dot);
  const std::string_view frac_part = dot == std::string_view::npos ? "" : f.substr(dot + 1);
  const int decimals = static_cast<int>(frac_part.size());
  const bool grouping = int_part.find(',') != std::string_view::npos;
  int min_int_digits = 0;
  for (char c : int_part) min_int_digits += c == '0';
  std::string integer, fraction;
  RoundDecimal(value, decimals, integer, fraction);
  if (static_cast<int>(integer.size()) < min_int_digits) {
    integer.insert(0, min_int_digits - integer.size(), '0');
  }
  if (grouping) {
    std::string grouped;
    const int n = static_cast<int>(integer.size());
    for (int i = 0; i < n; ++i) {
      grouped.push_back(integer[i]);
      const int left = n - 1 - i;
      if (left > 0 && left % 3 == 0) grouped.push_back('.');
    }
    integer = grouped;
  }
  std::string out = integer;
  if (decimals > 0) out += "," + fraction;
  const bool zero = integer.find_first_not_of("0.") == std::string::npos &&
                    fraction.find_first_not_of('0') == std::string::npos;
  if (value < 0 && !zero) out.insert(0, "-");
  return out;
}

std::string FormatText(const std::string& value, std::string_view f) {
  const std::u32string fmt = text::ToU32(f);
  const std::u32string val = text::ToU32(value);
  size_t slots = 0;
  for (char32_t c : fmt) slots += c == U'@';
  std::u32string padded = val;
  if (padded.size() < slots) padded.insert(0, slots - padded.size(), U' ');
  // A longer text fills the first "@" with its surplus characters.
  const size_t surplus = padded.size() - slots;
  std::u32string out;
  size_t next = 0;
  bool first = true;
  for (char32_t c : fmt) {
    if (c != U'@') {
      out.push_back(c);
      continue;
    }
    if (first) {
      out.append(padded, 0, surplus);
      next = surplus;
      first = false;
    }
    out.push_back(padded[next++]);
  }
  return text::ToUtf8(out);
}

std::string Two(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

std::string FormatDate(Date d, std::string_view f) {
  if (f == "Short Date" || f == "dd.mm.yyyy") return ShortDate(d);
  if (f == "d/m/yy") {
    return std::to_string(d.Day()) + "." + std::to_string(d.Month()) + "." + Two(d.Year() % 100);
  }
  if (f == "hh:mm") return Two(d.Hour()) + ":" + Two(d.Minute());
  throw errors::InvalidProcedureCall();
}

bool IsDateFormat(std::string_view f) {
  return f == "Short Date" || f == "dd.mm.yyyy" || f == "d/m/yy" || f == "hh:mm";
}

}  // namespace

std::string ShortDate(Date date) {
  return Two(date.Day()) + "." + Two(date.Month()) + "." + std::to_string(date.Year());
}

std::string Format(double value, std::string_view format) {
  if (IsNumberFormat(format)) return FormatNumber(value, format);
  if (format.find('@') != std::string_view::npos) return FormatText(GeneralNumber(value), format);
  if (IsDateFormat(format)) return FormatDate(Date{value}, format);
  throw errors::InvalidProcedureCall();
}

std::string Format(const Variant& value, std::string_view format) {
  if (value.IsNull()) return "";
  if (format.find('@') != std::string_view::npos) return FormatText(ToText(value), format);
  if (value.Type() == VarType::Date) return FormatDate(value.AsDate(), format);
  if (IsDateFormat(format)) return FormatDate(ToDate(value), format);
  if (value.Type() == VarType::String && !IsLocaleNumber(value.AsString())) {
    return value.AsString();  // a text that is no number passes unformatted
  }
  return Format(ToDouble(value), format);
}

double Val(std::string_view s) {
  std::string plain;
  size_t i = 0;
  auto skip_blanks = [&] {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
  };
  skip_blanks();
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    if (s[i] == '-') plain.push_back('-');
    ++i;
  }
  bool point = false;
  bool digits = false;
  for (;; ++i) {
    skip_blanks();
    if (i >= s.size()) break;
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      plain.push_back(c);
      digits = true;
    } else if (c == '.' && !point) {
      plain.push_back('.');
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::string exponent = "e";
    size_t j = i + 1;
    while (j < s.size() && s[j] == ' ') ++j;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent.push_back(s[j++]);
    bool any = false;
    for (; j < s.size(); ++j) {
      if (s[j] == ' ') continue;
      if (s[j] < '0' || s[j] > '9') break;
      exponent.push_back(s[j]);
      any = true;
    }
    if (any) plain += exponent;
  }
  double value = 0;
  const auto res = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (res.ec == std::errc::result_out_of_range) throw errors::Overflow();
  return value;
}

}  // namespace korvax
