// The back-end neutral parts of the database layer.
#include "platform/dao/dao.hpp"

#include <memory>
#include <string>

#include "platform/dao/dao_errors.hpp"

namespace korvax::dao {

std::shared_ptr<Database> Workspace::DoCreateDatabase(const std::string&) {
  throw errors::NotSupported("CreateDatabase");
}

void Database::DoBeginTrans() {
  throw errors::NotSupported("BeginTrans");
}
void Database::DoCommitTrans() {
  throw errors::NotSupported("CommitTrans");
}
void Database::DoRollback() {
  throw errors::NotSupported("Rollback");
}

Transaction::Transaction(std::shared_ptr<Database> database) : database_(std::move(database)) {
  if (!database_) throw korvax::errors::ObjectNotSet();
  database_->BeginTrans();
}

Transaction::~Transaction() {
  if (committed_) return;
  try {
    database_->Rollback();
  } catch (...) {
    // A closed database has rolled back already; anything else leaves the
    // engine to undo the open transaction when the file is next opened.
  }
}

void Transaction::Commit() {
  database_->CommitTrans();
  committed_ = true;
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
