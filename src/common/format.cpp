#include "common/format.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/error.hpp"
#include "common/short_decimal.hpp"
#include "common/text.hpp"

namespace korvax {

namespace {

// |value| rounded half away from zero to `decimals` places, taken from the
// value's 15 significant digits: the digits without a decimal point, `point`
// of them before it. An integer part of zero may come back as zeros.
std::string RoundDecimal(double value, int decimals, int& point) {
  int64_t exact = 0;  // a value with no more places than kept has nothing to round
  if (decimals <= 15 && detail::ShortDecimal(value, decimals, exact)) {
    char buf[24];
    std::string digits(buf, std::to_chars(buf, buf + sizeof buf, exact).ptr);
    if (static_cast<int>(digits.size()) < decimals) digits.insert(0, decimals - digits.size(), '0');
    point = static_cast<int>(digits.size()) - decimals;
    return digits;
  }
  char sci[40];  // d.ddddddddddddddde[+-]xx[x]
  const auto res =
      std::to_chars(sci, sci + sizeof sci, std::fabs(value), std::chars_format::scientific, 14);
  constexpr int kSignificant = 15;
  constexpr int kSign = 17;  // behind "d.dddddddddddddde"
  int exponent = 0;
  for (const char* c = sci + kSign + 1; c < res.ptr; ++c) exponent = exponent * 10 + (*c - '0');
  if (sci[kSign] == '-') exponent = -exponent;
  // value = 0.digits * 10^(exponent + 1); zeros go in front when it is below 0.1
  point = exponent + 1;
  const int lead = point < 0 ? -point : 0;
  if (point < 0) point = 0;
  auto digit = [&](int k) {  // the k-th digit of the unrounded value, '0' beyond the 15
    const int at = k - lead;
    if (at < 0 || at >= kSignificant) return '0';
    return sci[at == 0 ? 0 : at + 1];
  };
  const int keep = point + decimals;  // digits kept after rounding
  std::string digits(static_cast<size_t>(keep), '0');
  for (int k = 0; k < keep; ++k) digits[k] = digit(k);
  if (digit(keep) >= '5') {
    int i = keep - 1;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits.insert(digits.begin(), '1');
      ++point;
    }
  }
  return digits;
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
  int point = 0;
  const std::string digits = RoundDecimal(value, decimals, point);
  const std::string_view all(digits);
  const std::string_view fraction = all.substr(point);
  std::string_view integer = all.substr(0, point);
  integer.remove_prefix(std::min(integer.size(), integer.find_first_not_of('0')));
  const bool zero = integer.empty() && fraction.find_first_not_of('0') == std::string_view::npos;
  const int padding = std::max(0, min_int_digits - static_cast<int>(integer.size()));
  const int n = padding + static_cast<int>(integer.size());  // integer digits written
  std::string out;
  out.reserve(n + n / 3 + fraction.size() + 2);
  if (value < 0 && !zero) out.push_back('-');
  for (int i = 0; i < n; ++i) {
    out.push_back(i < padding ? '0' : integer[i - padding]);
    const int left = n - 1 - i;
    if (grouping && left > 0 && left % 3 == 0) out.push_back('.');
  }
  if (decimals > 0) {
    out.push_back(',');
    out.append(fraction);
  }
  return out;
}

// The text right-aligned in the "@" of the format; a longer text fills the
// first "@" with its surplus characters. One element of View is one character.
template <class View>
std::basic_string<typename View::value_type> FillAtSigns(View value, View fmt) {
  using Char = typename View::value_type;
  size_t slots = 0;
  for (Char c : fmt) slots += c == Char('@');
  const size_t pad = value.size() < slots ? slots - value.size() : 0;
  if (slots == fmt.size()) {  // nothing but "@": the value behind its blanks
    std::basic_string<Char> out(pad, Char(' '));
    out.append(value);
    return out;
  }
  const size_t surplus = pad + value.size() - slots;
  // The value behind `pad` blanks goes into the "@" in order, the first "@"
  // taking the surplus as well.
  std::basic_string<Char> out(fmt.size() + surplus, Char(' '));
  Char* p = out.data();
  size_t taken = 0;
  for (Char c : fmt) {
    if (c != Char('@')) {
      *p++ = c;
      continue;
    }
    const size_t upto = taken == 0 ? surplus + 1 : taken + 1;
    for (; taken < upto; ++taken) *p++ = taken < pad ? Char(' ') : value[taken - pad];
  }
  return out;
}

std::string FormatText(std::string_view value, std::string_view f) {
  if (text::IsAscii(value) && text::IsAscii(f)) return FillAtSigns(value, f);
  const std::u32string fmt = text::ToU32(f);
  const std::u32string val = text::ToU32(value);
  return text::ToUtf8(FillAtSigns(std::u32string_view(val), std::u32string_view(fmt)));
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
  if (format.find('@') != std::string_view::npos) {
    if (value.Type() == VarType::String) return FormatText(value.AsString(), format);
    return FormatText(ToText(value), format);
  }
  if (value.Type() == VarType::Date) return FormatDate(value.AsDate(), format);
  if (IsDateFormat(format)) return FormatDate(ToDate(value), format);
  if (value.Type() == VarType::String && !IsLocaleNumber(value.AsString())) {
    return value.AsString();  // a text that is no number passes unformatted
  }
  return Format(ToDouble(value), format);
}

double Val(std::string_view s) {
  // Every character written stands for one of s, so s.size() is room enough.
  std::string plain(s.size(), '\0');
  char* p = plain.data();
  size_t i = 0;
  auto skip_blanks = [&] {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
  };
  skip_blanks();
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    if (s[i] == '-') *p++ = '-';
    ++i;
  }
  bool point = false;
  bool digits = false;
  for (;; ++i) {
    skip_blanks();
    if (i >= s.size()) break;
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      *p++ = c;
      digits = true;
    } else if (c == '.' && !point) {
      *p++ = '.';
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    char* const mantissa_end = p;
    *p++ = 'e';
    size_t j = i + 1;
    while (j < s.size() && s[j] == ' ') ++j;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) *p++ = s[j++];
    bool any = false;
    for (; j < s.size(); ++j) {
      if (s[j] == ' ') continue;
      if (s[j] < '0' || s[j] > '9') break;
      *p++ = s[j];
      any = true;
    }
    if (!any) p = mantissa_end;
  }
  double value = 0;
  if (detail::ParseShortDecimal(plain.data(), p, value)) return value;
  const auto res = std::from_chars(plain.data(), p, value);
  if (res.ec == std::errc::result_out_of_range) throw errors::Overflow();
  return value;
}

}  // namespace korvax
