#include "platform/dao/sqlite_values.hpp"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

#include "common/error.hpp"
#include "platform/dao/dao_errors.hpp"
#include "platform/dao/sqlite_connection.hpp"

namespace korvax::dao::sqlite {

namespace {

bool Contains(const std::string& upper, const char* part) {
  return upper.find(part) != std::string::npos;
}

Variant FromInteger(sqlite3_int64 n) {
  if (n >= std::numeric_limits<int32_t>::min() && n <= std::numeric_limits<int32_t>::max()) {
    return Variant(static_cast<int32_t>(n));
  }
  return Variant(static_cast<double>(n));
}

// A whole number keeps the integer type when it fits, as Jet's Long fields do.
Variant FromWholeDouble(double d) {
  if (d >= std::numeric_limits<int32_t>::min() && d <= std::numeric_limits<int32_t>::max()) {
    return Variant(static_cast<int32_t>(d));
  }
  return Variant(d);
}

std::string ColumnText(sqlite3_stmt* stmt, int i) {
  const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
  return p != nullptr ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i)))
                      : std::string();
}

Variant DateFromText(const std::string& text) {
  Date date;
  if (ParseIsoDate(text, date)) return Variant(date);
  // Dates typed by hand in German notation ("01.03.2024") still read as dates.
  try {
    return Variant(ToDate(Variant(text)));
  } catch (const Error&) {
    return Variant(text);
  }
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

ColumnKind KindOfDeclaredType(const char* declared_type) {
  if (declared_type == nullptr) return ColumnKind::kAny;
  std::string upper(declared_type);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (Contains(upper, "DATE") || Contains(upper, "TIME")) return ColumnKind::kDate;
  if (Contains(upper, "BOOL") || upper == "BIT" || Contains(upper, "YESNO") ||
      Contains(upper, "LOGICAL")) {
    return ColumnKind::kBoolean;
  }
  // SQLite's own affinity rules, in their order.
  if (Contains(upper, "INT")) return ColumnKind::kInteger;
  if (Contains(upper, "CHAR") || Contains(upper, "CLOB") || Contains(upper, "TEXT") ||
      Contains(upper, "MEMO")) {
    return ColumnKind::kText;
  }
  if (upper.empty() || Contains(upper, "BLOB")) return ColumnKind::kAny;
  return ColumnKind::kReal;
}

Variant ReadColumn(sqlite3_stmt* stmt, int i, ColumnKind kind) {
  switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_NULL:
      return Variant::Null();
    case SQLITE_INTEGER: {
      const sqlite3_int64 n = sqlite3_column_int64(stmt, i);
      if (kind == ColumnKind::kBoolean) return Variant(n != 0);
      if (kind == ColumnKind::kDate) return Variant(Date{static_cast<double>(n)});
      return FromInteger(n);
    }
    case SQLITE_FLOAT: {
      const double d = sqlite3_column_double(stmt, i);
      if (kind == ColumnKind::kBoolean) return Variant(d != 0);
      if (kind == ColumnKind::kDate) return Variant(Date{d});
      return Variant(d);
    }
    default: {  // TEXT, and BLOB as its bytes
      std::string text = ColumnText(stmt, i);
      if (kind == ColumnKind::kDate) return DateFromText(text);
      if (kind == ColumnKind::kBoolean) {
        try {
          return Variant(ToBoolean(Variant(text)));
        } catch (const Error&) {
        }
      }
      return Variant(std::move(text));
    }
  }
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

void BindValue(sqlite3_stmt* stmt, int index, const Variant& value) {
  int rc = SQLITE_OK;
  switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null:
      rc = sqlite3_bind_null(stmt, index);
      break;
    case VarType::Integer:
      rc = sqlite3_bind_int(stmt, index, value.AsInteger());
      break;
    case VarType::Long:
      rc = sqlite3_bind_int(stmt, index, value.AsLong());
      break;
    case VarType::Double:
      rc = sqlite3_bind_double(stmt, index, value.AsDouble());
      break;
    case VarType::Boolean:
      rc = sqlite3_bind_int(stmt, index, value.AsBoolean() ? 1 : 0);
      break;
    case VarType::String:
      rc = sqlite3_bind_text(stmt, index, value.AsString().data(),
                             static_cast<int>(value.AsString().size()), SQLITE_TRANSIENT);
      break;
    case VarType::Date: {
      const std::string text = IsoDateText(value.AsDate());
      rc = sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT);
      break;
    }
    case VarType::Object:
      throw errors::ConversionError();
  }
  if (rc != SQLITE_OK) ThrowEngineError(sqlite3_db_handle(stmt), rc);
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

}  // namespace korvax::dao::sqlite
