// The PostgreSQL back end: its workspace, database and recordset.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/dao/buffered_recordset.hpp"
#include "platform/dao/dao.hpp"
#include "platform/dao/pg_connection.hpp"

namespace korvax::dao::pg {

// A workspace is one session per connection string, as a DAO workspace was
// one session: every database opened with the same string shares it (so the
// database Show opens sees the host's transaction) while any of them is open.
class PgWorkspace : public Workspace {
 public:
  explicit PgWorkspace(Settings settings = {}) : settings_(settings) {}

 protected:
  std::shared_ptr<Database> DoOpenDatabase(const std::string& name, bool read_only) override;

 private:
  Settings settings_;
  std::map<std::pair<std::string, bool>, std::weak_ptr<Connection>> sessions_;
};

// What a database and its recordsets share: the session until Close.
struct Link {
  std::shared_ptr<Connection> connection;
  Connection& Session() const;  // 3420 after Close
};

class PgDatabase : public Database {
 public:
  explicit PgDatabase(std::shared_ptr<Connection> connection)
      : name_(connection->Name()), link_(std::make_shared<Link>(Link{std::move(connection)})) {}

  std::string Name() const override { return name_; }
  bool Updatable() const override { return !link_->Session().ReadOnly(); }
  void Execute(const std::string& sql) override;
  int32_t RecordsAffected() const override { return records_affected_; }
  // Rolls back a transaction still open, also one another database object
  // of the same session began.
  void Close() override;
  int TransactionLevel() const override {
    return link_->connection ? link_->connection->TransactionLevel() : 0;
  }
  const Error* ServerFault() const override {
    return link_->connection ? link_->connection->Fault() : nullptr;
  }

 protected:
  std::shared_ptr<Recordset> DoOpenRecordset(const std::string& source, int type) override;
  void DoBeginTrans() override { link_->Session().BeginTransaction(); }
  void DoCommitTrans() override { link_->Session().CommitTransaction(); }
  void DoRollback() override { link_->Session().RollbackTransaction(); }

 private:
  std::string name_;
  std::shared_ptr<Link> link_;
  int32_t records_affected_ = 0;
};

// Reads the whole result when it opens; a forward-only one converts a row
// per MoveNext. Writable when all its columns that come from a table come
// from one table with a primary key, and the key's columns are among them:
// the key finds the row again, even after another seat changed it.
class PgRecordset : public BufferedRecordset {
 public:
  static std::shared_ptr<PgRecordset> Open(std::shared_ptr<Link> link, const std::string& source,
                                           int type);

  PgRecordset(std::shared_ptr<Link> link, RecordsetType type, std::vector<Column> columns,
              std::optional<TableInfo> table, std::vector<int> key_columns)
      : BufferedRecordset(type, std::move(columns), table.has_value()),
        link_(std::move(link)),
        table_(std::move(table)),
        key_columns_(std::move(key_columns)) {}

 protected:
  bool Connected() const override { return link_->connection != nullptr; }
  bool FetchNext(Row& row) override;
  void StopFetching() override { result_.reset(); }
  Row StoreEdit(const Row& row, const Changes& changed, Row fallback) override;
  Row StoreNew(const Changes& changed, Row fallback) override;
  bool DeleteStored(const Row& row) override;

 private:
  Row ReadRow(const PGresult* result, int row) const;
  // " WHERE key = $n AND ..." for the row, its values added to parameters.
  std::string KeyCondition(const Row& row, Parameters& parameters) const;
  std::string Returning() const;
  Row Stored(const PGresult* result, Row fallback) const;

  std::shared_ptr<Link> link_;
  std::optional<TableInfo> table_;  // the base table; none when not writable
  std::vector<int> key_columns_;    // the columns that hold its primary key
  Result result_;                   // forward-only: the rows still to convert
  int next_row_ = 0;
};

}  // namespace korvax::dao::pg
