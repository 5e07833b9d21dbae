#include "platform/dao/values.hpp"

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "common/error.hpp"
#include "platform/dao/dao_errors.hpp"

namespace korvax::dao {

namespace {

// A whole number keeps the integer type when it fits, as Jet's Long fields do.
Variant FromWholeDouble(double d) {
  if (d >= std::numeric_limits<int32_t>::min() && d <= std::numeric_limits<int32_t>::max()) {
    return Variant(static_cast<int32_t>(d));
  }
  return Variant(d);
}

Variant Convert(const Variant& value, ColumnKind kind) {
  switch (kind) {
    case ColumnKind::kDate:
      return Variant(ToDate(value));
    case ColumnKind::kBoolean:
      return Variant(ToBoolean(value));
    case ColumnKind::kInteger: {
      if (value.Type() == VarType::Integer || value.Type() == VarType::Long) return value;
      const double d = CheckedFinite(std::nearbyint(ToDouble(value)));
      if (std::fabs(d) > 9.2e18) throw korvax::errors::Overflow();
      return FromWholeDouble(d);
    }
    case ColumnKind::kReal:
      if (value.Type() == VarType::Integer || value.Type() == VarType::Long) return value;
      return Variant(ToDouble(value));
    case ColumnKind::kText:
      return Variant(ToText(value));
    case ColumnKind::kAny:
      if (value.Type() == VarType::Integer) return Variant(static_cast<int32_t>(value.AsInteger()));
      return value;
  }
  return value;
}

}  // namespace

Variant FromInteger(int64_t n) {
  if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max()) {
    return Variant(static_cast<int32_t>(n));
  }
  return Variant(static_cast<double>(n));
}

Variant ConvertForColumn(const Variant& value, ColumnKind kind) {
  if (value.IsNull() || value.IsEmpty()) return Variant::Null();
  if (value.Type() == VarType::Object) {
    // rs!A = other!B: a field is written through its value.
    if (auto field = std::dynamic_pointer_cast<ValueObject>(value.AsObject())) {
      return ConvertForColumn(field->Value(), kind);
    }
    throw errors::ConversionError();
  }
  try {
    return Convert(value, kind);
  } catch (const Error& e) {
    if (e.number() == 13 || e.number() == 6) throw errors::ConversionError();
    throw;
  }
}

std::string IsoDateText(const Date& date) {
  char buffer[32];
  const int seconds = date.Hour() * 3600 + date.Minute() * 60 + date.Second();
  if (seconds == 0) {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", date.Year(), date.Month(), date.Day());
  } else {
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", date.Year(), date.Month(),
                  date.Day(), date.Hour(), date.Minute(), date.Second());
  }
  return buffer;
}

bool ParseIsoDate(std::string_view text, Date& date) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
  const std::string s(text);
  if (std::sscanf(s.c_str(), "%4d-%2d-%2d%n", &year, &month, &day, &used) != 3 || used != 10) {
    return false;
  }
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  std::string_view rest = std::string_view(s).substr(10);
  if (!rest.empty()) {
    if (rest[0] != ' ' && rest[0] != 'T') return false;
    const std::string time(rest.substr(1));
    int time_used = 0;
    if (std::sscanf(time.c_str(), "%2d:%2d%n", &hour, &minute, &time_used) != 2) return false;
    // Seconds and fractions of them are optional; fractions are dropped.
    std::sscanf(time.c_str() + time_used, ":%2d", &second);
    if (hour > 23 || minute > 59 || second > 59) return false;
  }
  date = Date::FromYmdHms(year, month, day, hour, minute, second);
  return true;
}

}  // namespace korvax::dao
