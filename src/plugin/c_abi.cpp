// The C ABI of libkorvax: objects behind opaque reference-counted handles,
// variants as a tagged union, failures as error number and description.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "common/error.hpp"
#include "common/error_log.hpp"
#include "common/operation.hpp"
#include "korvax/korvax.h"
#include "platform/dao/dao.hpp"
#include "platform/word/document.hpp"
#include "plugin/c_abi_errors.hpp"
#include "plugin/plugin_state.hpp"
#include "plugin/tarvo.hpp"

struct korvax_object {
  std::atomic<int> references{1};
  std::shared_ptr<korvax::Object> object;
  std::string type_name;
};

namespace {

using korvax::Variant;
using korvax::VarType;
using korvax::abi::Clear;
using korvax::abi::Fail;
using korvax::abi::FailWith;

korvax_object* Wrap(std::shared_ptr<korvax::Object> object) {
  if (!object) return nullptr;
  auto* handle = new korvax_object;
  handle->type_name = object->TypeName();
  handle->object = std::move(object);
  return handle;
}

Variant FromC(const korvax_variant& v) {
  switch (v.type) {
    case KORVAX_EMPTY:
      return Variant();
    case KORVAX_NULL:
      return Variant::Null();
    case KORVAX_INTEGER:
      return Variant(v.value.integer);
    case KORVAX_LONG:
      return Variant(v.value.long_value);
    case KORVAX_DOUBLE:
      return Variant(v.value.double_value);
    case KORVAX_BOOLEAN:
      return Variant(v.value.boolean != 0);
    case KORVAX_STRING:
      return Variant(std::string(v.value.string != nullptr ? v.value.string : ""));
    case KORVAX_DATE:
      return Variant(korvax::Date{v.value.date});
    case KORVAX_OBJECT:
      return Variant(v.value.object != nullptr ? v.value.object->object
                                               : std::shared_ptr<korvax::Object>());
    default:
      throw korvax::errors::TypeMismatch();
  }
}

korvax_variant ToC(const Variant& v) {
  korvax_variant out{};
  out.type = static_cast<int32_t>(v.Type());
  switch (v.Type()) {
    case VarType::Empty:
    case VarType::Null:
      break;
    case VarType::Integer:
      out.value.integer = v.AsInteger();
      break;
    case VarType::Long:
      out.value.long_value = v.AsLong();
      break;
    case VarType::Double:
      out.value.double_value = v.AsDouble();
      break;
    case VarType::Boolean:
      out.value.boolean = v.AsBoolean() ? 1 : 0;
      break;
    case VarType::String:
      out.value.string = strdup(v.AsString().c_str());
      break;
    case VarType::Date:
      out.value.date = v.AsDate().serial;
      break;
    case VarType::Object:
      out.value.object = Wrap(v.AsObject());
      break;
  }
  return out;
}

template <class T>
std::shared_ptr<T> As(korvax_object* handle) {
  if (handle == nullptr) throw korvax::errors::ObjectNotSet();
  auto typed = std::dynamic_pointer_cast<T>(handle->object);
  if (!typed) throw korvax::errors::TypeMismatch();
  return typed;
}

// Log entries written by this thread's last member call.
thread_local int32_t last_call_log_entries = 0;

korvax::DispatchKind KindOf(int32_t kind) {
  switch (kind) {
    case KORVAX_METHOD:
      return korvax::DispatchKind::Method;
    case KORVAX_PROPERTY_GET:
      return korvax::DispatchKind::PropertyGet;
    case KORVAX_PROPERTY_PUT:
      return korvax::DispatchKind::PropertyPut;
    default:
      throw korvax::errors::InvalidProcedureCall();
  }
}

template <class F>
int32_t OnDatabase(korvax_object* database, korvax_error* err, F&& action) {
  Clear(err);
  try {
    action(*As<korvax::dao::Database>(database));
    return 0;
  } catch (...) {
    return FailWith(err, std::current_exception());
  }
}

}  // namespace

extern "C" {

korvax_object* korvax_create(const char* progid, korvax_error* err) {
  Clear(err);
  if (progid == nullptr || std::strcmp(progid, korvax::Tarvo::kProgId) != 0) {
    Fail(err, 429, "Objekterstellung durch ActiveX-Komponente nicht möglich.");
    return nullptr;
  }
  try {
    return Wrap(std::make_shared<korvax::Tarvo>());
  } catch (...) {
    FailWith(err, std::current_exception());
    return nullptr;
  }
}

void korvax_addref(korvax_object* object) {
  if (object != nullptr) object->references.fetch_add(1);
}

void korvax_release(korvax_object* object) {
  if (object != nullptr && object->references.fetch_sub(1) == 1) delete object;
}

const char* korvax_type_name(korvax_object* object) {
  return object != nullptr ? object->type_name.c_str() : "";
}

int32_t korvax_dispatch_id(korvax_object* object, const char* name) {
  if (object == nullptr || name == nullptr) return 0;
  if (!std::dynamic_pointer_cast<korvax::Tarvo>(object->object)) return 0;
  return korvax::Tarvo::DispatchId(name);
}

int32_t korvax_invoke(korvax_object* object, int32_t dispid, int32_t kind, korvax_variant* args,
                      int32_t arg_count, korvax_variant* result, korvax_error* err) {
  Clear(err);
  if (result != nullptr) *result = korvax_variant{};
  korvax::FailureCapture logged;
  struct Count {
    const korvax::FailureCapture& logged;
    ~Count() { last_call_log_entries = static_cast<int32_t>(logged.Count()); }
  } count{logged};
  try {
    auto tarvo = As<korvax::Tarvo>(object);
    std::vector<Variant> arguments;
    for (int32_t i = 0; i < arg_count; ++i) arguments.push_back(FromC(args[i]));
    const Variant value = tarvo->Invoke(dispid, KindOf(kind), arguments);
    // By-reference integers (Show's Index) go back to the caller's variant.
    for (int32_t i = 0; i < arg_count; ++i) {
      if (args[i].type == KORVAX_INTEGER && arguments[i].Type() == VarType::Integer) {
        args[i].value.integer = arguments[i].AsInteger();
      }
    }
    if (result != nullptr) *result = ToC(value);
    return 0;
  } catch (...) {
    return FailWith(err, std::current_exception());
  }
}

int32_t korvax_get(korvax_object* object, const char* property, korvax_variant* result,
                   korvax_error* err) {
  return korvax_invoke(object, korvax_dispatch_id(object, property), KORVAX_PROPERTY_GET, nullptr,
                       0, result, err);
}

int32_t korvax_put(korvax_object* object, const char* property, const korvax_variant* value,
                   korvax_error* err) {
  if (value == nullptr) return Fail(err, 5, korvax::errors::InvalidProcedureCall().description());
  korvax_variant copy = *value;  // a put never writes back
  return korvax_invoke(object, korvax_dispatch_id(object, property), KORVAX_PROPERTY_PUT, &copy, 1,
                       nullptr, err);
}

int32_t korvax_call(korvax_object* object, const char* method, korvax_variant* args,
                    int32_t arg_count, korvax_variant* result, korvax_error* err) {
  return korvax_invoke(object, korvax_dispatch_id(object, method), KORVAX_METHOD, args, arg_count,
                       result, err);
}

int32_t korvax_last_call_log_entries(void) {
  return last_call_log_entries;
}

korvax_variant korvax_empty(void) {
  return korvax_variant{};
}
korvax_variant korvax_null(void) {
  korvax_variant v{};
  v.type = KORVAX_NULL;
  return v;
}
korvax_variant korvax_int16(int16_t value) {
  korvax_variant v{};
  v.type = KORVAX_INTEGER;
  v.value.integer = value;
  return v;
}
korvax_variant korvax_int32(int32_t value) {
  korvax_variant v{};
  v.type = KORVAX_LONG;
  v.value.long_value = value;
  return v;
}
korvax_variant korvax_double(double value) {
  korvax_variant v{};
  v.type = KORVAX_DOUBLE;
  v.value.double_value = value;
  return v;
}
korvax_variant korvax_bool(int32_t value) {
  korvax_variant v{};
  v.type = KORVAX_BOOLEAN;
  v.value.boolean = value != 0;
  return v;
}
korvax_variant korvax_string(const char* utf8) {
  korvax_variant v{};
  v.type = KORVAX_STRING;
  v.value.string = const_cast<char*>(utf8);
  return v;
}
korvax_variant korvax_object_value(korvax_object* object) {
  korvax_variant v{};
  v.type = KORVAX_OBJECT;
  v.value.object = object;
  return v;
}

void korvax_variant_clear(korvax_variant* variant) {
  if (variant == nullptr) return;
  if (variant->type == KORVAX_STRING) std::free(variant->value.string);
  if (variant->type == KORVAX_OBJECT) korvax_release(variant->value.object);
  *variant = korvax_variant{};
}

korvax_object* korvax_open_workspace(korvax_error* err) {
  Clear(err);
  try {
    return Wrap(korvax::dao::CreateWorkspace());
  } catch (...) {
    FailWith(err, std::current_exception());
    return nullptr;
  }
}

korvax_object* korvax_open_database(korvax_object* workspace, const char* path, korvax_error* err) {
  Clear(err);
  try {
    return Wrap(As<korvax::dao::Workspace>(workspace)->OpenDatabase(path != nullptr ? path : ""));
  } catch (...) {
    FailWith(err, std::current_exception());
    return nullptr;
  }
}

korvax_object* korvax_open_recordset(korvax_object* database, const char* sql, korvax_error* err) {
  Clear(err);
  try {
    return Wrap(As<korvax::dao::Database>(database)->OpenRecordset(sql != nullptr ? sql : ""));
  } catch (...) {
    FailWith(err, std::current_exception());
    return nullptr;
  }
}

korvax_object* korvax_open_document(const char* path, korvax_error* err) {
  Clear(err);
  try {
    return Wrap(korvax::word::Document::Open(path != nullptr ? path : ""));
  } catch (...) {
    FailWith(err, std::current_exception());
    return nullptr;
  }
}

int32_t korvax_begin_trans(korvax_object* database, korvax_error* err) {
  return OnDatabase(database, err, [](korvax::dao::Database& db) { db.BeginTrans(); });
}

int32_t korvax_commit_trans(korvax_object* database, korvax_error* err) {
  return OnDatabase(database, err, [](korvax::dao::Database& db) { db.CommitTrans(); });
}

int32_t korvax_rollback(korvax_object* database, korvax_error* err) {
  return OnDatabase(database, err, [](korvax::dao::Database& db) { db.Rollback(); });
}

int32_t korvax_save_document(korvax_object* document, const char* path, korvax_error* err) {
  Clear(err);
  try {
    auto doc = As<korvax::word::Document>(document);
    if (path == nullptr) {
      doc->Save();
    } else {
      doc->SaveAs(path);
    }
    return 0;
  } catch (...) {
    return FailWith(err, std::current_exception());
  }
}

int32_t korvax_field_value(korvax_object* recordset, const char* field, korvax_variant* result,
                           korvax_error* err) {
  Clear(err);
  if (result != nullptr) *result = korvax_variant{};
  try {
    auto rs = As<korvax::dao::Recordset>(recordset);
    const Variant value = rs->Field(field != nullptr ? field : "")->Value();
    if (result != nullptr) *result = ToC(value);
    return 0;
  } catch (...) {
    return FailWith(err, std::current_exception());
  }
}

int32_t korvax_billing_setting(const char* field, korvax_variant* result, korvax_error* err) {
  Clear(err);
  if (result != nullptr) *result = korvax_variant{};
  try {
    const Variant value =
        korvax::BillingSettingValue(korvax::Library().settings, field != nullptr ? field : "");
    if (result != nullptr) *result = ToC(value);
    return 0;
  } catch (...) {
    return FailWith(err, std::current_exception());
  }
}

int32_t korvax_einvoice(korvax_object* tarvo, const char* format, const char* file,
                        korvax_variant* result, korvax_error* err) {
  korvax_variant args[2] = {korvax_string(format != nullptr ? format : "xrechnung"),
                            korvax_string(file != nullptr ? file : "")};
  return korvax_invoke(tarvo, korvax_dispatch_id(tarvo, "ERechnung"), KORVAX_METHOD, args, 2,
                       result, err);
}

size_t korvax_trim_memory(void) {
  return 0;  // the Word layer keeps no memory between documents
}

const char* korvax_error_log_path(void) {
  static thread_local std::string path;
  path = korvax::ErrorLogPath().string();
  return path.c_str();
}

}  // extern "C"
