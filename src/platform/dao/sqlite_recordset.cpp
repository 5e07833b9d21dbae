#include "platform/dao/sqlite_recordset.hpp"

#include <utility>

#include "platform/dao/dao_errors.hpp"
#include "platform/dao/names.hpp"

namespace korvax::dao::sqlite {

SqliteRecordset::SqliteRecordset(std::shared_ptr<Connection> connection, RecordsetType type,
                                 std::vector<Column> columns, std::string base_table)
    : BufferedRecordset(type, std::move(columns), !base_table.empty()),
      connection_(std::move(connection)),
      base_table_(std::move(base_table)) {}

SqliteRecordset::Row SqliteRecordset::ReadRow(Statement& statement) const {
  Row row;
  if (first_column_ == 1) row.rowid = sqlite3_column_int64(statement.Get(), 0);
  row.values.reserve(Columns().size());
  for (std::size_t i = 0; i < Columns().size(); ++i) {
    row.values.push_back(
        ReadColumn(statement.Get(), static_cast<int>(i) + first_column_, Columns()[i].kind));
  }
  return row;
}

void SqliteRecordset::ReadAll(Statement& statement, int first_column) {
  first_column_ = first_column;
  std::vector<Row> rows;
  while (statement.Step()) rows.push_back(ReadRow(statement));
  SetRows(std::move(rows));
}

void SqliteRecordset::StartReading(Statement statement, int first_column) {
  first_column_ = first_column;
  statement_.emplace(std::move(statement));
  StartFetching();
}

bool SqliteRecordset::FetchNext(Row& row) {
  if (!statement_ || !statement_->Step()) return false;
  row = ReadRow(*statement_);
  return true;
}

bool SqliteRecordset::DeleteStored(const Row& row) {
  WriteTransaction transaction(connection_);
  Statement statement(connection_,
                      "DELETE FROM " + QuoteIdentifier(base_table_) + " WHERE _rowid_ = ?");
  sqlite3_bind_int64(statement.Get(), 1, row.rowid);
  statement.Step();
  const bool deleted = sqlite3_changes(connection_->Handle()) != 0;
  transaction.Commit();
  return deleted;
}

SqliteRecordset::Row SqliteRecordset::StoreEdit(const Row& row, const Changes& changed,
                                                Row fallback) {
  std::string sql = "UPDATE " + QuoteIdentifier(base_table_) + " SET ";
  for (auto it = changed.begin(); it != changed.end(); ++it) {
    if (it != changed.begin()) sql += ", ";
    sql += QuoteIdentifier(it->second.first) + " = ?";
  }
  sql += " WHERE _rowid_ = ?";

  WriteTransaction transaction(connection_);
  Statement statement(connection_, sql);
  int index = 1;
  for (const auto& entry : changed) BindValue(statement.Get(), index++, entry.second.second);
  sqlite3_bind_int64(statement.Get(), index, row.rowid);
  statement.Step();
  if (sqlite3_changes(connection_->Handle()) == 0) throw errors::RecordDeleted();
  Row fresh = Reread(row.rowid, std::move(fallback));
  transaction.Commit();
  return fresh;
}

SqliteRecordset::Row SqliteRecordset::StoreNew(const Changes& changed, Row fallback) {
  std::string sql = "INSERT INTO " + QuoteIdentifier(base_table_);
  if (changed.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    std::string names;
    std::string marks;
    for (const auto& entry : changed) {
      names += (names.empty() ? "" : ", ") + QuoteIdentifier(entry.second.first);
      marks += marks.empty() ? "?" : ", ?";
    }
    sql += " (" + names + ") VALUES (" + marks + ")";
  }

  WriteTransaction transaction(connection_);
  Statement statement(connection_, sql);
  int index = 1;
  for (const auto& entry : changed) BindValue(statement.Get(), index++, entry.second.second);
  statement.Step();
  Row fresh = Reread(sqlite3_last_insert_rowid(connection_->Handle()), std::move(fallback));
  transaction.Commit();
  return fresh;
}

// The row as now stored, so defaults, triggers and type affinity show just as
// a fresh query would show them.
SqliteRecordset::Row SqliteRecordset::Reread(sqlite3_int64 rowid, Row fallback) const {
  fallback.rowid = rowid;
  std::string select;
  std::vector<std::size_t> base_columns;
  for (std::size_t i = 0; i < Columns().size(); ++i) {
    if (Columns()[i].origin.empty()) continue;
    select += (select.empty() ? "" : ", ") + QuoteIdentifier(Columns()[i].origin);
    base_columns.push_back(i);
  }
  if (base_columns.empty()) return fallback;

  Statement statement(connection_, "SELECT " + select + " FROM " + QuoteIdentifier(base_table_) +
                                       " WHERE _rowid_ = ?");
  sqlite3_bind_int64(statement.Get(), 1, rowid);
  if (!statement.Step()) return fallback;
  for (std::size_t k = 0; k < base_columns.size(); ++k) {
    const std::size_t i = base_columns[k];
    fallback.values[i] = ReadColumn(statement.Get(), static_cast<int>(k), Columns()[i].kind);
  }
  return fallback;
}

}  // namespace korvax::dao::sqlite
