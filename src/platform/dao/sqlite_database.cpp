#include "platform/dao/sqlite_database.hpp"

#include <string_view>

#include "platform/dao/dao_errors.hpp"
#include "platform/dao/sqlite_recordset.hpp"

namespace korvax::dao::sqlite {

std::shared_ptr<Database> SqliteWorkspace::DoOpenDatabase(const std::string& name, bool read_only) {
  return std::make_shared<SqliteDatabase>(Connection::Open(name, read_only, busy_timeout_));
}

std::shared_ptr<Database> SqliteWorkspace::DoCreateDatabase(const std::string& name) {
  return std::make_shared<SqliteDatabase>(Connection::Create(name, busy_timeout_));
}

std::shared_ptr<Recordset> SqliteDatabase::DoOpenRecordset(const std::string& source, int type) {
  connection_->Handle();  // 3420 once closed
  return SqliteRecordset::Open(connection_, source, type);
}

void SqliteDatabase::Execute(const std::string& sql) {
  sqlite3* db = connection_->Handle();
  if (connection_->ReadOnly()) throw errors::ReadOnly();
  // All statements of one call in one transaction: a failing one undoes the
  // ones before it.
  WriteTransaction transaction(connection_);
  int32_t changes = 0;
  std::string_view rest = sql;
  while (true) {
    Statement statement(connection_, rest, &rest);
    if (!statement.Valid()) break;
    if (statement.ColumnCount() > 0 && sqlite3_stmt_readonly(statement.Get()) != 0) {
      throw errors::SelectCannotBeExecuted();
    }
    while (statement.Step()) {
    }
    changes += sqlite3_changes(db);
  }
  transaction.Commit();
  records_affected_ = changes;
}

}  // namespace korvax::dao::sqlite
