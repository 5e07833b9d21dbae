#include "platform/dao/sqlite_values.hpp"

#include <cctype>

#include "common/error.hpp"
#include "platform/dao/dao_errors.hpp"
#include "platform/dao/sqlite_connection.hpp"

namespace korvax::dao::sqlite {

namespace {

bool Contains(const std::string& upper, const char* part) {
  return upper.find(part) != std::string::npos;
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

}  // namespace korvax::dao::sqlite
