// The back-end neutral parts of the database layer.
#include "platform/dao/dao.hpp"

#include <memory>
#include <string>

#include "platform/dao/dao_errors.hpp"

namespace korvax::dao {

std::shared_ptr<Database> Workspace::DoCreateDatabase(const std::string&) {
  throw errors::NotSupported("CreateDatabase");
}

std::string SqlInteger(const Variant& value) {
  // A field (or any object with a value) counts by its value, as CLng(rs!ID) did.
  if (value.Type() == VarType::Object) {
    if (auto field = std::dynamic_pointer_cast<ValueObject>(value.AsObject())) {
      return SqlInteger(field->Value());
    }
  }
  return std::to_string(ToLong(value));
}

}  // namespace korvax::dao
