#include "platform/dao/pg_values.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "platform/dao/dao_errors.hpp"

namespace korvax::dao::pg {

namespace {

// The built-in types' numbers (pg_type.dat); they never change.
enum : Oid {
  kOidBool = 16,
  kOidInt8 = 20,
  kOidInt2 = 21,
  kOidInt4 = 23,
  kOidText = 25,
  kOidOid = 26,
  kOidFloat4 = 700,
  kOidFloat8 = 701,
  kOidBpchar = 1042,
  kOidVarchar = 1043,
  kOidDate = 1082,
  kOidTimestamp = 1114,
  kOidTimestampTz = 1184,
  kOidNumeric = 1700,
};

std::string NumberText(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
  char buffer[64];
  // Whole numbers without an exponent, so that integer columns read them too.
  const auto [end, ec] =
      std::fabs(d) < 1e18 && d == std::trunc(d)
          ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<int64_t>(d))
          : std::to_chars(buffer, buffer + sizeof buffer, d);
  return std::string(buffer, end);
}

}  // namespace

ColumnKind KindOfType(Oid type) {
  switch (type) {
    case kOidBool:
      return ColumnKind::kBoolean;
    case kOidInt2:
    case kOidInt4:
    case kOidInt8:
    case kOidOid:
      return ColumnKind::kInteger;
    case kOidFloat4:
    case kOidFloat8:
    case kOidNumeric:
      return ColumnKind::kReal;
    case kOidText:
    case kOidBpchar:
    case kOidVarchar:
      return ColumnKind::kText;
    case kOidDate:
    case kOidTimestamp:
    case kOidTimestampTz:
      return ColumnKind::kDate;
    default:
      return ColumnKind::kAny;  // money, time, bytea...: the server's text
  }
}

Variant ReadValue(const PGresult* result, int row, int column, ColumnKind kind) {
  if (PQgetisnull(result, row, column) != 0) return Variant::Null();
  const char* text = PQgetvalue(result, row, column);
  const int length = PQgetlength(result, row, column);
  switch (kind) {
    case ColumnKind::kBoolean:
      return Variant(text[0] == 't');
    case ColumnKind::kInteger: {
      int64_t n = 0;
      const auto [end, ec] = std::from_chars(text, text + length, n);
      if (ec == std::errc() && end == text + length) return FromInteger(n);
      break;
    }
    case ColumnKind::kReal: {
      char* end = nullptr;
      const double d = std::strtod(text, &end);  // "NaN" and "Infinity" included
      if (end == text + length) return Variant(d);
      break;
    }
    case ColumnKind::kDate: {
      Date date;
      if (ParseIsoDate(std::string_view(text, static_cast<std::size_t>(length)), date)) {
        return Variant(date);
      }
      break;  // infinity, dates BC: as the server wrote them
    }
    case ColumnKind::kText:
    case ColumnKind::kAny:
      break;
  }
  return Variant(std::string(text, static_cast<std::size_t>(length)));
}

std::optional<std::string> ParameterText(const Variant& value) {
  switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null:
      return std::nullopt;
    case VarType::Integer:
      return std::to_string(value.AsInteger());
    case VarType::Long:
      return std::to_string(value.AsLong());
    case VarType::Double:
      return NumberText(value.AsDouble());
    case VarType::Boolean:
      return std::string(value.AsBoolean() ? "true" : "false");
    case VarType::String:
      // A parameter ends at its first zero byte: the rest would be lost unseen.
      if (value.AsString().find('\0') != std::string::npos) throw errors::ConversionError();
      return value.AsString();
    case VarType::Date:
      return IsoDateText(value.AsDate());
    case VarType::Object:
      break;
  }
  throw errors::ConversionError();
}

}  // namespace korvax::dao::pg
