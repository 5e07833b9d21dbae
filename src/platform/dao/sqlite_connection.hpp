// The SQLite handles behind the embedded back end: a connection shared by a
// database and its recordsets, prepared statements, and the transaction guard
// that keeps a record from being half written.
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace korvax::dao::sqlite {

struct ConnectionCloser {
  void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};

// One open database file. Shared by the database object and its recordsets,
// so the handle lives as long as anything still reads from it; Close ends it
// for all of them at once.
class Connection {
 public:
  // As deep as Jet let transactions nest.
  static constexpr int kMaxTransactionLevel = 5;

  // Opens an existing file (3024 when missing, 3343 when it is no database).
  // busy_timeout: how long a write waits for another process's lock before 3260.
  static std::shared_ptr<Connection> Open(const std::string& path, bool read_only,
                                          std::chrono::milliseconds busy_timeout);

  // Creates a new empty file (3204 when the file exists).
  static std::shared_ptr<Connection> Create(const std::string& path,
                                            std::chrono::milliseconds busy_timeout);

  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& Path() const { return path_; }
  bool IsOpen() const { return handle_ != nullptr; }
  bool ReadOnly() const { return read_only_; }
  sqlite3* Handle() const;  // 3420 after Close
  // Closing rolls back a transaction still open.
  void Close() noexcept {
    handle_.reset();
    transaction_level_ = 0;
  }

  // The transactions of BeginTrans: the first is a deferred BEGIN, so that
  // the file is locked only from the first write on; deeper ones savepoints.
  int TransactionLevel() const { return transaction_level_; }
  void BeginTransaction();
  void CommitTransaction();
  void RollbackTransaction();

 private:
  Connection(std::string path, std::unique_ptr<sqlite3, ConnectionCloser> handle, bool read_only)
      : path_(std::move(path)), handle_(std::move(handle)), read_only_(read_only) {}
  static std::shared_ptr<Connection> OpenWithFlags(const std::string& path, int flags,
                                                   std::chrono::milliseconds busy_timeout);

  std::string path_;
  std::unique_ptr<sqlite3, ConnectionCloser> handle_;
  bool read_only_;
  int transaction_level_ = 0;
};

// A prepared statement. Keeps its connection alive; moves, does not copy.
class Statement {
 public:
  // A failing prepare raises the Jet error for the engine's message (3078
  // for an unknown table, 3061 for an unknown column, 3075 for syntax).
  Statement(std::shared_ptr<Connection> connection, std::string_view sql);
  // Prepares the first statement of sql and leaves the rest in *tail; an
  // empty remainder (blanks, comments) prepares nothing (Valid() false).
  Statement(std::shared_ptr<Connection> connection, std::string_view sql, std::string_view* tail);

  Statement(Statement&&) noexcept = default;
  Statement& operator=(Statement&&) noexcept = default;

  bool Valid() const { return stmt_ != nullptr; }
  sqlite3_stmt* Get() const { return stmt_.get(); }
  int ColumnCount() const { return sqlite3_column_count(stmt_.get()); }

  // true when a row is ready, false when done; errors are raised.
  bool Step();
  void Reset() noexcept { sqlite3_reset(stmt_.get()); }

 private:
  void Prepare(std::string_view sql, std::string_view* tail);

  std::shared_ptr<Connection> connection_;
  std::unique_ptr<sqlite3_stmt, StatementFinalizer> stmt_;
  std::string sql_;
};

// One write of the layer (an Update, a Delete, an Execute): rolls back
// unless Commit ran, so an exception between its statements leaves the file
// as it was. Takes the write lock at once (BEGIN IMMEDIATE), so a locked file
// fails before anything is written; inside a transaction of the host
// (BeginTrans) it nests as a savepoint and is stored with that transaction.
class WriteTransaction {
 public:
  explicit WriteTransaction(std::shared_ptr<Connection> connection);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  void Commit();

 private:
  std::shared_ptr<Connection> connection_;
  bool nested_ = false;
  bool done_ = false;
};

// Raises the Jet error that matches the engine's result code and message.
[[noreturn]] void ThrowEngineError(sqlite3* db, int rc, std::string_view sql = {});

// Runs one statement without results (BEGIN, COMMIT, SAVEPOINT...).
void Run(const std::shared_ptr<Connection>& connection, const char* sql);

}  // namespace korvax::dao::sqlite
