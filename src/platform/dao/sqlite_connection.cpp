#include "platform/dao/sqlite_connection.hpp"

#include <filesystem>
#include <utility>

#include "platform/dao/dao_errors.hpp"

namespace korvax::dao::sqlite {

namespace {

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// The engine's message with the offending query, so the log shows both.
std::string Detail(std::string_view message, std::string_view sql) {
  std::string detail(message);
  if (!sql.empty()) detail += " in '" + std::string(sql) + "'";
  return detail;
}

}  // namespace

[[noreturn]] void ThrowEngineError(sqlite3* db, int rc, std::string_view sql) {
  const std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  const char* file = db != nullptr ? sqlite3_db_filename(db, "main") : nullptr;
  const std::string path = file != nullptr ? file : "";
  switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      throw errors::Locked("die Datenbank wird von einem anderen Prozess bearbeitet: " + message);
    case SQLITE_READONLY:
      throw errors::ReadOnly();
    case SQLITE_NOTADB:
      throw errors::UnrecognizedFormat(path);
    case SQLITE_CANTOPEN:
      throw errors::CannotOpen(path);
    case SQLITE_CONSTRAINT:
      throw errors::DuplicateOrConstraint(message);
    case SQLITE_MISMATCH:
      throw errors::ConversionError();
    case SQLITE_NOMEM:
      throw korvax::errors::OutOfMemory();
    default:
      break;
  }
  if (StartsWith(message, "no such table: ")) {
    std::string_view name = std::string_view(message).substr(15);
    if (const auto dot = name.find('.'); StartsWith(name, "main.") && dot != name.npos) {
      name = name.substr(dot + 1);
    }
    throw errors::TableNotFound(name);
  }
  if (StartsWith(message, "no such column: ")) throw errors::TooFewParameters(Detail(message, sql));
  if (message.find("syntax error") != std::string::npos ||
      message.find("incomplete input") != std::string::npos ||
      message.find("unrecognized token") != std::string::npos) {
    throw errors::SyntaxError(Detail(message, sql));
  }
  throw errors::EngineError(Detail(message, sql));
}

std::shared_ptr<Connection> Connection::Open(const std::string& path, bool read_only,
                                             std::chrono::milliseconds busy_timeout) {
  // SQLite would create a missing file; the host expects a missing database
  // to be a failure, never a fresh empty one.
  std::error_code ec;
  if (path.empty() || !std::filesystem::exists(path, ec)) throw errors::FileNotFound(path);
  return OpenWithFlags(path, read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE,
                       busy_timeout);
}

std::shared_ptr<Connection> Connection::Create(const std::string& path,
                                               std::chrono::milliseconds busy_timeout) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) throw errors::DatabaseExists(path);
  if (path.empty()) throw errors::CannotOpen(path);
  return OpenWithFlags(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, busy_timeout);
}

std::shared_ptr<Connection> Connection::OpenWithFlags(const std::string& path, int flags,
                                                      std::chrono::milliseconds busy_timeout) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  std::unique_ptr<sqlite3, ConnectionCloser> handle(raw);
  if (rc != SQLITE_OK) {
    if ((rc & 0xff) == SQLITE_CANTOPEN) throw errors::CannotOpen(path);
    ThrowEngineError(raw, rc);
  }
  sqlite3_extended_result_codes(raw, 1);
  sqlite3_busy_timeout(raw, static_cast<int>(busy_timeout.count()));

  // A file that is no database opens without complaint; reading the schema
  // finds out now rather than at the first query.
  auto connection = std::shared_ptr<Connection>(new Connection(path, std::move(handle), false));
  Statement probe(connection, "SELECT count(*) FROM sqlite_master");
  probe.Step();
  // A file the process may not write is opened read-only by SQLite.
  connection->read_only_ =
      (flags & SQLITE_OPEN_READONLY) != 0 || sqlite3_db_readonly(raw, "main") == 1;
  return connection;
}

sqlite3* Connection::Handle() const {
  if (!handle_) throw errors::ObjectClosed();
  return handle_.get();
}

Statement::Statement(std::shared_ptr<Connection> connection, std::string_view sql)
    : connection_(std::move(connection)) {
  Prepare(sql, nullptr);
  if (!stmt_) throw errors::InvalidOperation();  // blanks or a comment only
}

Statement::Statement(std::shared_ptr<Connection> connection, std::string_view sql,
                     std::string_view* tail)
    : connection_(std::move(connection)) {
  Prepare(sql, tail);
}

void Statement::Prepare(std::string_view sql, std::string_view* tail) {
  sqlite3* db = connection_->Handle();
  sqlite3_stmt* raw = nullptr;
  const char* rest = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, &rest);
  stmt_.reset(raw);
  if (rc != SQLITE_OK) ThrowEngineError(db, rc, sql);
  const std::size_t used =
      rest != nullptr ? static_cast<std::size_t>(rest - sql.data()) : sql.size();
  sql_ = std::string(sql.substr(0, used));
  if (tail != nullptr) *tail = sql.substr(used);
}

bool Statement::Step() {
  sqlite3* db = connection_->Handle();
  const int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  // The step's own code can be the generic one; the handle knows the detail.
  const int code = sqlite3_extended_errcode(db);
  sqlite3_reset(stmt_.get());
  ThrowEngineError(db, code != SQLITE_OK ? code : rc, sql_);
}

void Run(const std::shared_ptr<Connection>& connection, const char* sql) {
  Statement statement(connection, sql);
  while (statement.Step()) {
  }
}

WriteTransaction::WriteTransaction(std::shared_ptr<Connection> connection)
    : connection_(std::move(connection)) {
  nested_ = sqlite3_get_autocommit(connection_->Handle()) == 0;
  Run(connection_, nested_ ? "SAVEPOINT korvax_write" : "BEGIN IMMEDIATE");
}

WriteTransaction::~WriteTransaction() {
  if (done_ || !connection_->IsOpen()) return;
  // Destructors never throw: a failing rollback leaves SQLite to undo the
  // journal when the file is next opened.
  sqlite3* db = connection_->Handle();
  if (nested_) {
    sqlite3_exec(db, "ROLLBACK TO korvax_write; RELEASE korvax_write", nullptr, nullptr, nullptr);
  } else if (sqlite3_get_autocommit(db) == 0) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

void WriteTransaction::Commit() {
  Run(connection_, nested_ ? "RELEASE korvax_write" : "COMMIT");
  done_ = true;
}

namespace {

std::string SavepointName(int level) {
  return "korvax_trans_" + std::to_string(level);
}

void Exec(sqlite3* db, const std::string& sql) {
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) ThrowEngineError(db, sqlite3_extended_errcode(db), sql);
}

}  // namespace

void Connection::BeginTransaction() {
  sqlite3* db = Handle();
  if (transaction_level_ >= kMaxTransactionLevel) throw errors::TooManyTransactions();
  Exec(db, transaction_level_ == 0 ? std::string("BEGIN")
                                   : "SAVEPOINT " + SavepointName(transaction_level_ + 1));
  ++transaction_level_;
}

void Connection::CommitTransaction() {
  sqlite3* db = Handle();
  if (transaction_level_ == 0) throw errors::NoTransaction();
  // A failing COMMIT (another process still reading) leaves the transaction
  // open: the caller may try again or roll back.
  Exec(db, transaction_level_ == 1 ? std::string("COMMIT")
                                   : "RELEASE " + SavepointName(transaction_level_));
  --transaction_level_;
}

void Connection::RollbackTransaction() {
  sqlite3* db = Handle();
  if (transaction_level_ == 0) throw errors::NoTransaction();
  const std::string name = SavepointName(transaction_level_);
  --transaction_level_;
  if (transaction_level_ > 0) {
    Exec(db, "ROLLBACK TO " + name + "; RELEASE " + name);
  } else if (sqlite3_get_autocommit(db) == 0) {
    // Otherwise SQLite rolled back by itself already (a full disk, an I/O error).
    Exec(db, "ROLLBACK");
  }
}

}  // namespace korvax::dao::sqlite
