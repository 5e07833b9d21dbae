// The value type of the plug-in: what properties, fields and helpers pass
// around, with the conversions of the classic runtime under German rules
// (decimal comma, point for thousands) whatever the machine's locale.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "common/date.hpp"

namespace korvax {

class Variant;

// Base of every object a variant can hold (documents, workspaces, recordsets...).
class Object {
 public:
  virtual ~Object() = default;
  virtual std::string TypeName() const = 0;  // "Document", "Recordset", ...
};

// An object with a default value, as a database field has: the field readers
// examine a variant holding one by reading its value.
class ValueObject : public Object {
 public:
  virtual Variant Value() const = 0;
};

enum class VarType { Empty, Null, Integer, Long, Double, Boolean, String, Date, Object };

struct NullValue {
  bool operator==(const NullValue&) const = default;
};

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(NullValue) : value_(NullValue{}) {}
  Variant(int16_t v) : value_(v) {}
  Variant(int32_t v) : value_(v) {}
  Variant(double v) : value_(v) {}
  Variant(bool v) : value_(v) {}
  Variant(std::string v) : value_(std::move(v)) {}
  Variant(std::string_view v) : value_(std::string(v)) {}
  Variant(const char* v) : value_(std::string(v)) {}
  Variant(Date v) : value_(v) {}
  Variant(std::shared_ptr<Object> v) : value_(std::move(v)) {}

  static Variant Null() { return Variant(NullValue{}); }

  VarType Type() const { return static_cast<VarType>(value_.index()); }
  bool IsEmpty() const { return Type() == VarType::Empty; }
  bool IsNull() const { return Type() == VarType::Null; }
  bool IsNumeric() const;  // Integer, Long, Double, Boolean

  // Exact access; a wrong kind is a type mismatch (13).
  int16_t AsInteger() const;
  int32_t AsLong() const;
  double AsDouble() const;
  bool AsBoolean() const;
  const std::string& AsString() const;
  Date AsDate() const;
  const std::shared_ptr<Object>& AsObject() const;

  bool operator==(const Variant&) const = default;

 private:
  std::variant<std::monostate, NullValue, int16_t, int32_t, double, bool, std::string, Date,
               std::shared_ptr<Object>>
      value_;
};

// Conversions with the classic rules. Null fails with 94, a text that is no
// number with 13, a value outside the target's range with 6; conversion to
// integers rounds halves to the even neighbour.
int16_t ToInteger(const Variant& v);
int32_t ToLong(const Variant& v);
double ToDouble(const Variant& v);
float ToSingle(const Variant& v);
bool ToBoolean(const Variant& v);
std::string ToText(const Variant& v);  // CStr: general number format, decimal comma
Date ToDate(const Variant& v);

// Halves to even, overflow 6 outside the range.
int16_t RoundToInteger(double d);
int32_t RoundToLong(double d);

// A text read as a number by German rules (blanks trimmed, sign, thousands
// points, decimal comma, exponent). Fails with 13 when it is no number.
double ParseLocaleNumber(std::string_view s);
bool IsLocaleNumber(std::string_view s);

// General number format: at most 15 significant digits, decimal comma, no
// thousands separators (0.1 + 0.2 gives "0,3", 1/3 "0,333333333333333").
std::string GeneralNumber(double d);
std::string GeneralNumber(float f);  // 7 significant digits, as a Single prints

}  // namespace korvax
