// The embedded SQLite back end: its workspace and database.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "platform/dao/dao.hpp"
#include "platform/dao/sqlite_connection.hpp"

namespace korvax::dao::sqlite {

class SqliteWorkspace : public Workspace {
 public:
  // How long a write waits for another process's lock before it fails with 3260.
  static constexpr std::chrono::milliseconds kDefaultBusyTimeout{2000};

  explicit SqliteWorkspace(std::chrono::milliseconds busy_timeout = kDefaultBusyTimeout)
      : busy_timeout_(busy_timeout) {}

  std::chrono::milliseconds BusyTimeout() const { return busy_timeout_; }
  void SetBusyTimeout(std::chrono::milliseconds timeout) { busy_timeout_ = timeout; }

 protected:
  std::shared_ptr<Database> DoOpenDatabase(const std::string& name, bool read_only) override;
  std::shared_ptr<Database> DoCreateDatabase(const std::string& name) override;

 private:
  std::chrono::milliseconds busy_timeout_;
};

class SqliteDatabase : public Database {
 public:
  explicit SqliteDatabase(std::shared_ptr<Connection> connection)
      : connection_(std::move(connection)) {}

  std::string Name() const override { return connection_->Path(); }
  bool Updatable() const override { return !connection_->ReadOnly(); }
  void Execute(const std::string& sql) override;
  int32_t RecordsAffected() const override { return records_affected_; }
  void Close() override { connection_->Close(); }
  int TransactionLevel() const override { return connection_->TransactionLevel(); }

 protected:
  std::shared_ptr<Recordset> DoOpenRecordset(const std::string& source, int type) override;
  void DoBeginTrans() override { connection_->BeginTransaction(); }
  void DoCommitTrans() override { connection_->CommitTransaction(); }
  void DoRollback() override { connection_->RollbackTransaction(); }

 private:
  std::shared_ptr<Connection> connection_;
  int32_t records_affected_ = 0;
};

}  // namespace korvax::dao::sqlite
