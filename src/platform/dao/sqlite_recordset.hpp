// The SQLite recordset. Scrolling recordsets read the whole result when they
// open (invoice-sized results); a forward-only one reads a row per MoveNext
// and lets go of the file once it reaches the end or is closed.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/dao/buffered_recordset.hpp"
#include "platform/dao/sqlite_connection.hpp"
#include "platform/dao/sqlite_values.hpp"

namespace korvax::dao::sqlite {

class SqliteRecordset : public BufferedRecordset {
 public:
  // source: a table or view name, or a SELECT text; type 0 for the default.
  static std::shared_ptr<SqliteRecordset> Open(std::shared_ptr<Connection> connection,
                                               const std::string& source, int type);

  SqliteRecordset(std::shared_ptr<Connection> connection, RecordsetType type,
                  std::vector<Column> columns, std::string base_table);

 protected:
  bool Connected() const override { return connection_->IsOpen(); }
  bool FetchNext(Row& row) override;
  void StopFetching() override { statement_.reset(); }
  Row StoreEdit(const Row& row, const Changes& changed, Row fallback) override;
  Row StoreNew(const Changes& changed, Row fallback) override;
  bool DeleteStored(const Row& row) override;

 private:
  void ReadAll(Statement& statement, int first_column);
  void StartReading(Statement statement, int first_column);
  Row ReadRow(Statement& statement) const;
  Row Reread(sqlite3_int64 rowid, Row fallback) const;

  std::shared_ptr<Connection> connection_;
  std::string base_table_;              // empty when the recordset cannot be written
  int first_column_ = 0;                // 1 when column 0 is the rowid we added
  std::optional<Statement> statement_;  // forward-only: the rest of the result
};

}  // namespace korvax::dao::sqlite
