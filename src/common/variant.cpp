#include "common/variant.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/error.hpp"
#include "common/short_decimal.hpp"
#include "common/text.hpp"

namespace korvax {

bool Variant::IsNumeric() const {
  switch (Type()) {
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
    case VarType::Boolean:
      return true;
    default:
      return false;
  }
}

int16_t Variant::AsInteger() const {
  if (auto p = std::get_if<int16_t>(&value_)) return *p;
  throw errors::TypeMismatch();
}
int32_t Variant::AsLong() const {
  if (auto p = std::get_if<int32_t>(&value_)) return *p;
  throw errors::TypeMismatch();
}
double Variant::AsDouble() const {
  if (auto p = std::get_if<double>(&value_)) return *p;
  throw errors::TypeMismatch();
}
bool Variant::AsBoolean() const {
  if (auto p = std::get_if<bool>(&value_)) return *p;
  throw errors::TypeMismatch();
}
const std::string& Variant::AsString() const {
  if (auto p = std::get_if<std::string>(&value_)) return *p;
  throw errors::TypeMismatch();
}
Date Variant::AsDate() const {
  if (auto p = std::get_if<Date>(&value_)) return *p;
  throw errors::TypeMismatch();
}
const std::shared_ptr<Object>& Variant::AsObject() const {
  if (auto p = std::get_if<std::shared_ptr<Object>>(&value_)) return *p;
  throw errors::TypeMismatch();
}

namespace {

// Parses the German-notation number; nullopt-like failure through `ok`.
bool TryParseLocaleNumber(std::string_view input, double& out) {
  std::string_view s = input;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  while (!s.empty() && s.front() == '\t') s.remove_prefix(1);
  while (!s.empty() && s.back() == '\t') s.remove_suffix(1);
  if (s.empty()) return false;
  // The digits with '.' as decimal point, for from_chars; every character
  // written stands for one of s, so s.size() is room enough.
  std::string plain(s.size(), '\0');
  char* p = plain.data();
  size_t i = 0;
  if (s[i] == '+' || s[i] == '-') {
    if (s[i] == '-') *p++ = '-';
    ++i;
    while (i < s.size() && s[i] == ' ') ++i;
  }
  bool digits = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c >= '0' && c <= '9') {
      *p++ = c;
      digits = true;
    } else if (c == '.') {
      continue;  // thousands separator, allowed anywhere in the integer part
    } else {
      break;
    }
  }
  if (i < s.size() && s[i] == ',') {
    *p++ = '.';
    ++i;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
      *p++ = s[i];
      digits = true;
    }
  }
  if (!digits) return false;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    *p++ = 'e';
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) *p++ = s[j++];
    const size_t first = j;
    for (; j < s.size() && s[j] >= '0' && s[j] <= '9'; ++j) *p++ = s[j];
    if (j == first) return false;
    i = j;
  }
  if (i != s.size()) return false;
  double value = 0;
  if (detail::ParseShortDecimal(plain.data(), p, value)) {
    out = value;
    return true;
  }
  const auto [ptr, ec] = std::from_chars(plain.data(), p, value);
  if (ec == std::errc::result_out_of_range) throw errors::Overflow();
  if (ec != std::errc() || ptr != p) return false;
  out = value;
  return true;
}

std::string ToCharsGeneral(double d, int precision) {
  char buf[64];
  const auto [ptr, ec] =
      std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, precision);
  std::string s(buf, ec == std::errc() ? ptr : buf);
  // "1e+15" -> "1E+15", "1e-05" -> "1E-05", "0.3" -> "0,3"
  for (char& c : s) {
    if (c == 'e') c = 'E';
    if (c == '.') c = ',';
  }
  return s;
}

// The general format of a value from 1e-4 up to 1e15 that is the double
// nearest to a decimal of 15 digits: that decimal in fixed notation, trailing
// zeros of the fraction dropped, as to_chars writes it.
bool ShortGeneralNumber(double d, std::string& out) {
  const double magnitude = std::fabs(d);
  if (!(magnitude >= 1e-4 && magnitude < 1e15)) return false;
  // Places for 15 significant digits; a wrong guess at a power of ten only
  // fails the test below.
  int places = 18;
  while (places > 0 && magnitude >= detail::kPowersOfTen[19 - places] * 1e-4) --places;
  int64_t digits = 0;
  if (!detail::ShortDecimal(d, places, digits)) return false;
  char buf[24];
  char* const end = std::to_chars(buf, buf + sizeof buf, digits).ptr;
  const int size = static_cast<int>(end - buf);
  const int integer = size > places ? size - places : 0;  // digits before the comma
  // The fraction is the last `places` digits, zeros in front where too few.
  int fraction = places;
  const char* last = end;
  while (fraction > 0 && last[-1] == '0') {
    --last;
    --fraction;
  }
  if (d < 0) out.push_back('-');
  if (integer == 0) {
    out.push_back('0');
  } else {
    out.append(buf, static_cast<size_t>(integer));
  }
  if (fraction > 0) {
    out.push_back(',');
    out.append(static_cast<size_t>(std::max(0, places - size)), '0');
    const char* first = end - std::min(size, places);
    out.append(first, static_cast<size_t>(last - first));
  }
  return true;
}

}  // namespace

double ParseLocaleNumber(std::string_view s) {
  double value = 0;
  if (!TryParseLocaleNumber(s, value)) throw errors::TypeMismatch();
  return value;
}

bool IsLocaleNumber(std::string_view s) {
  double value = 0;
  try {
    return TryParseLocaleNumber(s, value);
  } catch (const Error&) {
    return true;  // a number, but too large: converting it overflows
  }
}

std::string GeneralNumber(double d) {
  if (d == 0) return "0";
  std::string out;
  if (ShortGeneralNumber(d, out)) return out;
  return ToCharsGeneral(d, 15);
}

std::string GeneralNumber(float f) {
  if (f == 0) return "0";
  return ToCharsGeneral(static_cast<double>(f), 7);
}

int16_t RoundToInteger(double d) {
  if (std::isnan(d)) throw errors::Overflow();
  const double r = std::nearbyint(d);
  if (r < -32768.0 || r > 32767.0) throw errors::Overflow();
  return static_cast<int16_t>(r);
}

int32_t RoundToLong(double d) {
  if (std::isnan(d)) throw errors::Overflow();
  const double r = std::nearbyint(d);
  if (r < -2147483648.0 || r > 2147483647.0) throw errors::Overflow();
  return static_cast<int32_t>(r);
}

double ToDouble(const Variant& v) {
  switch (v.Type()) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      throw errors::InvalidUseOfNull();
    case VarType::Integer:
      return v.AsInteger();
    case VarType::Long:
      return v.AsLong();
    case VarType::Double:
      return v.AsDouble();
    case VarType::Boolean:
      return v.AsBoolean() ? -1 : 0;
    case VarType::String:
      return ParseLocaleNumber(v.AsString());
    case VarType::Date:
      return v.AsDate().serial;
    case VarType::Object:
      break;
  }
  throw errors::TypeMismatch();
}

float ToSingle(const Variant& v) {
  const double d = ToDouble(v);
  if (std::fabs(d) > std::numeric_limits<float>::max()) throw errors::Overflow();
  return static_cast<float>(d);
}

int16_t ToInteger(const Variant& v) {
  return RoundToInteger(ToDouble(v));
}
int32_t ToLong(const Variant& v) {
  return RoundToLong(ToDouble(v));
}

bool ToBoolean(const Variant& v) {
  if (v.Type() == VarType::String) {
    const std::string t = text::Trim(v.AsString());
    if (t == "Wahr" || t == "True" || t == "wahr" || t == "true") return true;
    if (t == "Falsch" || t == "False" || t == "falsch" || t == "false") return false;
  }
  if (v.Type() == VarType::Boolean) return v.AsBoolean();
  return ToDouble(v) != 0;
}

std::string ToText(const Variant& v) {
  switch (v.Type()) {
    case VarType::Empty:
      return "";
    case VarType::Null:
      throw errors::InvalidUseOfNull();
    case VarType::Integer:
      return std::to_string(v.AsInteger());
    case VarType::Long:
      return std::to_string(v.AsLong());
    case VarType::Double:
      return GeneralNumber(v.AsDouble());
    case VarType::Boolean:
      return v.AsBoolean() ? "Wahr" : "Falsch";
    case VarType::String:
      return v.AsString();
    case VarType::Date: {
      const Date d = v.AsDate();
      char buf[32];
      std::snprintf(buf, sizeof buf, "%02d.%02d.%04d", d.Day(), d.Month(), d.Year());
      std::string out = buf;
      if (d.serial != std::floor(d.serial)) {
        std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", d.Hour(), d.Minute(), d.Second());
        out += buf;
      }
      return out;
    }
    case VarType::Object:
      break;
  }
  throw errors::TypeMismatch();
}

Date ToDate(const Variant& v) {
  switch (v.Type()) {
    case VarType::Date:
      return v.AsDate();
    case VarType::Null:
      throw errors::InvalidUseOfNull();
    case VarType::String: {
      const std::string s = text::Trim(v.AsString());
      int a = 0, b = 0, c = 0, h = 0, mi = 0, se = 0;
      char tail = 0;
      if (std::sscanf(s.c_str(), "%d.%d.%d %d:%d:%d", &a, &b, &c, &h, &mi, &se) >= 3 ||
          std::sscanf(s.c_str(), "%d.%d.%d%c", &a, &b, &c, &tail) == 3) {
        if (c < 100) c += c < 30 ? 2000 : 1900;
        if (b >= 1 && b <= 12 && a >= 1 && a <= 31) return Date::FromYmdHms(c, b, a, h, mi, se);
      }
      if (std::sscanf(s.c_str(), "%d-%d-%d %d:%d:%d", &a, &b, &c, &h, &mi, &se) >= 3 ||
          std::sscanf(s.c_str(), "%d-%d-%dT%d:%d:%d", &a, &b, &c, &h, &mi, &se) >= 3) {
        if (b >= 1 && b <= 12 && c >= 1 && c <= 31) return Date::FromYmdHms(a, b, c, h, mi, se);
      }
      break;
    }
    case VarType::Object:
    case VarType::Empty:
      break;
    default:
      return Date{ToDouble(v)};
  }
  throw errors::TypeMismatch();
}

}  // namespace korvax
