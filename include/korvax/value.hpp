// Korvax C++ API: failures, object references and values. Inline over the C
// ABI of korvax.h, so that a host needs only libkorvax.so (C++17).
#ifndef KORVAX_VALUE_HPP
#define KORVAX_VALUE_HPP

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

#include "korvax/korvax.h"

namespace korvax::api {

// A failure of a call: the error number and the German description.
class Error : public std::runtime_error {
 public:
  Error(int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}
  int32_t number() const noexcept { return number_; }

 private:
  int32_t number_;
};

namespace detail {
inline void Check(int32_t result, const korvax_error& err) {
  if (result != 0) throw Error(err.number != 0 ? err.number : result, err.description);
}
inline korvax_object* Check(korvax_object* object, const korvax_error& err) {
  if (object == nullptr) throw Error(err.number, err.description);
  return object;
}
}  // namespace detail

// A reference to an object of the plug-in; copies share the object, which
// lives until the last reference goes.
class Object {
 public:
  Object() = default;
  // Takes over a reference that the C ABI handed out.
  explicit Object(korvax_object* adopted) noexcept : handle_(adopted) {}
  Object(const Object& other) noexcept : handle_(other.handle_) {
    if (handle_ != nullptr) korvax_addref(handle_);
  }
  Object(Object&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Object& operator=(Object other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  ~Object() {
    if (handle_ != nullptr) korvax_release(handle_);
  }

  korvax_object* get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return handle_ != nullptr; }
  // "Tarvo", "Workspace", "Database", "Recordset", "Document", ...
  std::string TypeName() const { return handle_ != nullptr ? korvax_type_name(handle_) : ""; }

 private:
  korvax_object* handle_ = nullptr;
};

// A value as properties and fields hold it (the C ABI's korvax_variant).
class Variant {
 public:
  Variant() = default;  // Empty
  Variant(int16_t value) : type_(KORVAX_INTEGER), integer_(value) {}
  Variant(int32_t value) : type_(KORVAX_LONG), integer_(value) {}
  Variant(double value) : type_(KORVAX_DOUBLE), number_(value) {}
  Variant(bool value) : type_(KORVAX_BOOLEAN), integer_(value ? 1 : 0) {}
  Variant(std::string value) : type_(KORVAX_STRING), text_(std::move(value)) {}
  Variant(const char* value) : type_(KORVAX_STRING), text_(value) {}
  Variant(Object value) : type_(KORVAX_OBJECT), object_(std::move(value)) {}
  static Variant Null() { return Variant(KORVAX_NULL); }
  // Days since 30.12.1899, the fraction being the time.
  static Variant Date(double serial) {
    Variant v(KORVAX_DATE);
    v.number_ = serial;
    return v;
  }

  korvax_vartype Type() const noexcept { return type_; }
  bool IsEmpty() const noexcept { return type_ == KORVAX_EMPTY; }
  bool IsNull() const noexcept { return type_ == KORVAX_NULL; }
  // Exact access; another type fails with 13 as the classic runtime did.
  int16_t Integer() const { return static_cast<int16_t>(Expect(KORVAX_INTEGER).integer_); }
  int32_t Long() const { return Expect(KORVAX_LONG).integer_; }
  double Double() const { return Expect(KORVAX_DOUBLE).number_; }
  bool Boolean() const { return Expect(KORVAX_BOOLEAN).integer_ != 0; }
  const std::string& String() const { return Expect(KORVAX_STRING).text_; }
  double DateSerial() const { return Expect(KORVAX_DATE).number_; }
  const Object& AsObject() const { return Expect(KORVAX_OBJECT).object_; }

  // The value for a call of the C ABI; it borrows text and object from this one.
  korvax_variant Borrow() const {
    korvax_variant v = korvax_empty();
    switch (type_) {
      case KORVAX_NULL:
        v = korvax_null();
        break;
      case KORVAX_INTEGER:
        v = korvax_int16(static_cast<int16_t>(integer_));
        break;
      case KORVAX_LONG:
        v = korvax_int32(integer_);
        break;
      case KORVAX_DOUBLE:
        v = korvax_double(number_);
        break;
      case KORVAX_BOOLEAN:
        v = korvax_bool(integer_);
        break;
      case KORVAX_STRING:
        v = korvax_string(text_.c_str());
        break;
      case KORVAX_DATE:
        v.type = KORVAX_DATE;
        v.value.date = number_;
        break;
      case KORVAX_OBJECT:
        v = korvax_object_value(object_.get());
        break;
      default:
        break;
    }
    return v;
  }
  // Takes over a value that the C ABI handed out, and clears it there.
  static Variant Take(korvax_variant& v) {
    Variant out(static_cast<korvax_vartype>(v.type));
    switch (v.type) {
      case KORVAX_INTEGER:
        out.integer_ = v.value.integer;
        break;
      case KORVAX_LONG:
        out.integer_ = v.value.long_value;
        break;
      case KORVAX_DOUBLE:
        out.number_ = v.value.double_value;
        break;
      case KORVAX_BOOLEAN:
        out.integer_ = v.value.boolean != 0;
        break;
      case KORVAX_STRING:
        out.text_ = v.value.string != nullptr ? v.value.string : "";
        break;
      case KORVAX_DATE:
        out.number_ = v.value.date;
        break;
      case KORVAX_OBJECT:
        out.object_ = Object(v.value.object);
        v.type = KORVAX_EMPTY;  // the reference now belongs to out
        break;
      default:
        break;
    }
    korvax_variant_clear(&v);
    return out;
  }

 private:
  explicit Variant(korvax_vartype type) : type_(type) {}
  const Variant& Expect(korvax_vartype type) const {
    if (type_ != type) throw Error(13, "Typen unverträglich");
    return *this;
  }

  korvax_vartype type_ = KORVAX_EMPTY;
  int32_t integer_ = 0;
  double number_ = 0;
  std::string text_;
  Object object_;
};

}  // namespace korvax::api

#endif  // KORVAX_VALUE_HPP
