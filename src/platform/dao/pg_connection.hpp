// The libpq handles behind the PostgreSQL back end: a session with the
// server shared by every database object of one workspace opened with the
// same connection string, its results, the catalog's spelling of names and
// the transaction guard.
#pragma once

#include <libpq-fe.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/error.hpp"

namespace korvax::dao::pg {

struct ConnectionFinisher {
  void operator()(PGconn* connection) const noexcept { PQfinish(connection); }
};
struct ResultClearer {
  void operator()(PGresult* result) const noexcept { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultClearer>;

// How long the server may take. The office's own settings (in the
// connection string's options or the role's defaults) win over these.
struct Settings {
  std::chrono::milliseconds lock_timeout{2000};  // one wait for another seat's row lock
  int lock_attempts = 3;                         // waits before a write fails with 3260
  std::chrono::milliseconds statement_timeout{30000};
  std::chrono::seconds connect_timeout{10};
};

// A table or view as the catalog knows it.
struct TableInfo {
  std::string qualified_name;          // "schema"."Name", quoted for SQL
  bool writable = false;               // a table with a primary key
  std::map<int, std::string> columns;  // attribute number -> name
  std::vector<int> key;                // the primary key's attribute numbers
};

// Statement parameters as text; nullopt is Null.
using Parameters = std::vector<std::optional<std::string>>;

class Connection {
 public:
  // Connects (3151 unreachable, 3029 login refused) and sets the session up.
  static std::shared_ptr<Connection> Open(const std::string& name, bool read_only,
                                          const Settings& settings);

  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& Name() const { return name_; }
  bool ReadOnly() const { return read_only_; }
  // false once the server has gone away.
  bool Usable() const { return PQstatus(handle_.get()) == CONNECTION_OK; }
  bool InTransaction() const;

  // As deep as Jet let transactions nest.
  static constexpr int kMaxTransactionLevel = 5;

  // Runs one statement with its parameters; a failure raises its Jet error.
  // Inside a transaction the statement runs under a savepoint of its own, so
  // that its failure leaves the transaction as it was, as in Jet: the server
  // would otherwise refuse everything after it until the end.
  Result Run(const std::string& sql, const Parameters& parameters = {});
  // Runs a statement that begins, ends or marks a transaction, as it is.
  Result RunControl(const std::string& sql);
  // Runs one writing statement. A lock wait that runs out, a deadlock or a
  // serialisation failure is tried again a few times before it fails with
  // 3260.
  Result RunWrite(const std::string& sql, const Parameters& parameters);
  // Runs a script of statements, each with its own result; unless
  // rows_allowed, refuses a statement that returns rows (3065) after running
  // them all. The number of rows the statements changed.
  int64_t RunScript(const std::string& sql, bool rows_allowed = false);
  // Runs a statement whose failure does not matter (ROLLBACK in a destructor).
  void RunQuietly(const char* sql) noexcept;

  // The plug-in's SQL with its names spelt as the catalog spells them.
  std::string ServerSql(std::string_view sql);
  // The table or view of that name (any case), or nullptr.
  const std::string* FindTable(std::string_view name, bool* is_view);
  const TableInfo& Table(Oid table);
  // Schema changes (DDL through Execute, or by others) are read again.
  void ForgetCatalog();
  bool CatalogLoaded() const { return catalog_loaded_; }

  // The host's transactions (BeginTrans): the first is BEGIN, deeper ones
  // savepoints. A COMMIT the server refuses ends the transaction all the
  // same: its writes are undone, and the failure is raised.
  int TransactionLevel() const { return transaction_level_; }
  void BeginTransaction();
  void CommitTransaction();
  void RollbackTransaction();
  void RollbackAll() noexcept;

  // The first failure of this session that means the server's data could
  // not be reached (errors::IsServerUnavailable), or nullptr.
  const Error* Fault() const { return fault_ ? &*fault_ : nullptr; }

 private:
  Connection(std::string name, PGconn* handle, bool read_only, Settings settings);
  // Sends one statement; nullptr and the SQLSTATE (or "" when the
  // connection failed) when it fails, with the error in *error.
  Result Try(const std::string& sql, const Parameters& parameters, std::string* sqlstate,
             std::optional<Error>* error);
  // The same, under a savepoint, all in one round trip (libpq's pipeline).
  Result TryGuarded(const std::string& sql, const Parameters& parameters, std::string* sqlstate,
                    std::optional<Error>* error);
  Result Send(const std::string& sql, const Parameters& parameters);
  Error Failure(const PGresult* result, std::string_view sql);
  [[noreturn]] void Raise(Error error);
  void LoadCatalog();

  std::string name_;
  std::unique_ptr<PGconn, ConnectionFinisher> handle_;
  bool read_only_;
  Settings settings_;

  bool catalog_loaded_ = false;
  struct NamedTable {
    std::string spelling;
    bool is_view = false;
  };
  std::unordered_map<std::u32string, NamedTable> tables_;  // by folded name
  // Column names by folded name; "" where two spellings fold alike.
  std::unordered_map<std::u32string, std::string> columns_;
  std::map<Oid, TableInfo> table_info_;
  std::optional<Error> fault_;
  int transaction_level_ = 0;
};

// One write of the layer (an Execute): rolls back unless Commit ran; inside
// a transaction of the host it nests as a savepoint.
class WriteTransaction {
 public:
  explicit WriteTransaction(Connection& connection);
  ~WriteTransaction();
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  void Commit();

 private:
  Connection& connection_;
  bool nested_ = false;
  bool done_ = false;
};

// The Jet error for a server's SQLSTATE and message (pg_errors.cpp).
Error ServerError(std::string_view sqlstate, std::string_view message, std::string_view sql);
// The Jet error for a connection that could not be made.
Error ConnectError(const PGconn* connection);

}  // namespace korvax::dao::pg
