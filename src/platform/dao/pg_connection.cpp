#include "platform/dao/pg_connection.hpp"

#include <charconv>
#include <thread>
#include <utility>

#include "platform/dao/dao_errors.hpp"
#include "platform/dao/names.hpp"
#include "platform/dao/pg_names.hpp"

namespace korvax::dao::pg {

namespace {

std::string Milliseconds(std::chrono::milliseconds ms) {
  return std::to_string(ms.count()) + "ms";
}

std::string Field(const PGresult* result, int row, int column) {
  return PQgetisnull(result, row, column) != 0 ? std::string()
                                               : std::string(PQgetvalue(result, row, column));
}

}  // namespace

std::shared_ptr<Connection> Connection::Open(const std::string& name, bool read_only,
                                             const Settings& settings) {
  // Defaults first, so that the office's connection string overrides them;
  // the encoding last, since every text is read and written as UTF-8.
  const std::string timeout = std::to_string(settings.connect_timeout.count());
  const char* keywords[] = {"connect_timeout", "application_name", "dbname", "client_encoding",
                            nullptr};
  const char* values[] = {timeout.c_str(), "korvax", name.c_str(), "UTF8", nullptr};
  PGconn* raw = PQconnectdbParams(keywords, values, 1);
  if (raw == nullptr) throw korvax::errors::OutOfMemory();
  if (PQstatus(raw) != CONNECTION_OK) {
    const Error error = ConnectError(raw);
    PQfinish(raw);
    throw error;
  }
  auto connection = std::shared_ptr<Connection>(new Connection(name, raw, read_only, settings));

  // Dates and numbers as the readers expect them; the waits bounded unless
  // the office set its own.
  std::string setup =
      "SET DateStyle = 'ISO, YMD'; SET extra_float_digits = 1; "
      "SELECT set_config('lock_timeout', '" +
      Milliseconds(settings.lock_timeout) +
      "', false) WHERE current_setting('lock_timeout') = '0'; "
      "SELECT set_config('statement_timeout', '" +
      Milliseconds(settings.statement_timeout) +
      "', false) WHERE current_setting('statement_timeout') = '0';";
  if (read_only) setup += " SET default_transaction_read_only = on;";
  connection->RunScript(setup, /*rows_allowed=*/true);
  return connection;
}

Connection::Connection(std::string name, PGconn* handle, bool read_only, Settings settings)
    : name_(std::move(name)), handle_(handle), read_only_(read_only), settings_(settings) {
  // Notices (a savepoint released twice, an implicit index) are no failures.
  PQsetNoticeProcessor(
      handle, [](void*, const char*) {}, nullptr);
}

bool Connection::InTransaction() const {
  return PQtransactionStatus(handle_.get()) != PQTRANS_IDLE;
}

Error Connection::Failure(const PGresult* result, std::string_view sql) {
  const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  const char* message =
      result != nullptr ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  if (state == nullptr || !Usable()) {
    // No answer from the server: the connection itself failed.
    return errors::ConnectionLost(message != nullptr ? message : PQerrorMessage(handle_.get()));
  }
  return ServerError(state, message != nullptr ? message : "", sql);
}

void Connection::Raise(Error error) {
  if (errors::IsServerUnavailable(error) && !fault_) fault_ = error;
  throw error;
}

Result Connection::Send(const std::string& sql, const Parameters& parameters) {
  std::vector<const char*> values;
  values.reserve(parameters.size());
  for (const auto& p : parameters) values.push_back(p ? p->c_str() : nullptr);
  return Result(PQexecParams(handle_.get(), sql.c_str(), static_cast<int>(values.size()), nullptr,
                             values.data(), nullptr, nullptr, 0));
}

Result Connection::Try(const std::string& sql, const Parameters& parameters, std::string* sqlstate,
                       std::optional<Error>* error) {
  if (InTransaction()) return TryGuarded(sql, parameters, sqlstate, error);
  Result result = Send(sql, parameters);
  const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
  if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) return result;
  const char* state = result ? PQresultErrorField(result.get(), PG_DIAG_SQLSTATE) : nullptr;
  *sqlstate = state != nullptr && Usable() ? state : "";
  error->emplace(Failure(result.get(), sql));
  return nullptr;
}

Result Connection::TryGuarded(const std::string& sql, const Parameters& parameters,
                              std::string* sqlstate, std::optional<Error>* error) {
  PGconn* h = handle_.get();
  std::vector<const char*> values;
  for (const auto& p : parameters) values.push_back(p ? p->c_str() : nullptr);
  const bool sent = PQenterPipelineMode(h) != 0 &&
                    PQsendQueryParams(h, "SAVEPOINT korvax_statement", 0, nullptr, nullptr, nullptr,
                                      nullptr, 0) != 0 &&
                    PQsendQueryParams(h, sql.c_str(), static_cast<int>(values.size()), nullptr,
                                      values.data(), nullptr, nullptr, 0) != 0 &&
                    PQsendQueryParams(h, "RELEASE SAVEPOINT korvax_statement", 0, nullptr, nullptr,
                                      nullptr, nullptr, 0) != 0 &&
                    PQpipelineSync(h) != 0;
  // Each statement's result, then the end of the pipeline.
  Result results[3];
  for (int q = 0; sent && q < 3; ++q) {
    results[q].reset(PQgetResult(h));
    if (!results[q]) break;
    while (PGresult* rest = PQgetResult(h)) PQclear(rest);
  }
  while (PGresult* rest = PQgetResult(h)) {
    const bool synced = PQresultStatus(rest) == PGRES_PIPELINE_SYNC;
    PQclear(rest);
    if (synced) break;
  }
  PQexitPipelineMode(h);

  const auto ok = [](const Result& r) {
    return r && (PQresultStatus(r.get()) == PGRES_COMMAND_OK ||
                 PQresultStatus(r.get()) == PGRES_TUPLES_OK);
  };
  if (ok(results[0]) && ok(results[1]) && ok(results[2])) return std::move(results[1]);
  const Result& failed = !ok(results[0]) ? results[0] : results[1];
  const char* state = failed ? PQresultErrorField(failed.get(), PG_DIAG_SQLSTATE) : nullptr;
  *sqlstate = state != nullptr && Usable() ? state : "";
  error->emplace(Failure(failed.get(), sql));
  // Back to where the statement began; the transaction goes on.
  if (ok(results[0]) && Usable()) {
    RunQuietly("ROLLBACK TO SAVEPOINT korvax_statement");
    RunQuietly("RELEASE SAVEPOINT korvax_statement");
  }
  return nullptr;
}

Result Connection::Run(const std::string& sql, const Parameters& parameters) {
  std::string sqlstate;
  std::optional<Error> error;
  Result result = Try(sql, parameters, &sqlstate, &error);
  if (!result) Raise(*error);
  return result;
}

Result Connection::RunControl(const std::string& sql) {
  Result result = Send(sql, {});
  const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Raise(Failure(result.get(), sql));
  return result;
}

Result Connection::RunWrite(const std::string& sql, const Parameters& parameters) {
  const int attempts = std::max(1, settings_.lock_attempts);
  for (int attempt = 1;; ++attempt) {
    std::string sqlstate;
    std::optional<Error> error;
    Result result = Try(sql, parameters, &sqlstate, &error);
    if (result) return result;
    const bool contended = sqlstate == "55P03" || sqlstate == "40P01" || sqlstate == "40001";
    if (!contended || attempt >= attempts) Raise(*error);
    // A deadlock's victim waits a moment before it asks again.
    if (sqlstate != "55P03") std::this_thread::sleep_for(std::chrono::milliseconds(20 * attempt));
  }
}

int64_t Connection::RunScript(const std::string& sql, bool rows_allowed) {
  if (PQsendQuery(handle_.get(), sql.c_str()) == 0) Raise(Failure(nullptr, sql));
  int64_t changed = 0;
  std::optional<Error> error;
  bool returned_rows = false;
  while (Result result{PQgetResult(handle_.get())}) {
    switch (PQresultStatus(result.get())) {
      case PGRES_COMMAND_OK: {
        const char* tuples = PQcmdTuples(result.get());
        int64_t n = 0;
        std::from_chars(tuples, tuples + std::char_traits<char>::length(tuples), n);
        changed += n;
        break;
      }
      case PGRES_TUPLES_OK:
        returned_rows = true;
        break;
      default:
        if (!error) error.emplace(Failure(result.get(), sql));
    }
  }
  if (error) Raise(*error);
  if (!Usable()) Raise(Failure(nullptr, sql));
  if (returned_rows && !rows_allowed) throw errors::SelectCannotBeExecuted();
  return changed;
}

void Connection::RunQuietly(const char* sql) noexcept {
  PQclear(PQexec(handle_.get(), sql));
}

void Connection::LoadCatalog() {
  tables_.clear();
  columns_.clear();
  // Tables and views on the search path, the first schema's first.
  Result result =
      Run("SELECT c.relname, c.relkind IN ('v', 'm'), a.attname "
          "FROM pg_catalog.pg_class c "
          "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
          "LEFT JOIN pg_catalog.pg_attribute a "
          "  ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
          "WHERE c.relkind IN ('r', 'p', 'v', 'm', 'f') "
          "  AND n.nspname = ANY (pg_catalog.current_schemas(false)) "
          "ORDER BY pg_catalog.array_position(pg_catalog.current_schemas(false), n.nspname)");
  for (int row = 0; row < PQntuples(result.get()); ++row) {
    const std::string table = Field(result.get(), row, 0);
    tables_.try_emplace(FoldCase(table), NamedTable{table, Field(result.get(), row, 1) == "t"});
    if (PQgetisnull(result.get(), row, 2) != 0) continue;
    const std::string column = Field(result.get(), row, 2);
    auto [at, added] = columns_.try_emplace(FoldCase(column), column);
    if (!added && at->second != column) at->second.clear();  // two spellings: leave it alone
  }
  catalog_loaded_ = true;
}

void Connection::ForgetCatalog() {
  catalog_loaded_ = false;
  tables_.clear();
  columns_.clear();
  table_info_.clear();
}

std::string Connection::ServerSql(std::string_view sql) {
  if (!catalog_loaded_) LoadCatalog();
  return RewriteNames(sql, [this](std::string_view name) -> const std::string* {
    const std::u32string folded = FoldCase(name);
    if (auto t = tables_.find(folded); t != tables_.end()) return &t->second.spelling;
    if (auto c = columns_.find(folded); c != columns_.end() && !c->second.empty()) {
      return &c->second;
    }
    return nullptr;
  });
}

const std::string* Connection::FindTable(std::string_view name, bool* is_view) {
  if (!catalog_loaded_) LoadCatalog();
  const auto found = tables_.find(FoldCase(name));
  if (found == tables_.end()) return nullptr;
  *is_view = found->second.is_view;
  return &found->second.spelling;
}

const TableInfo& Connection::Table(Oid table) {
  if (auto found = table_info_.find(table); found != table_info_.end()) return found->second;
  Result result =
      Run("SELECT n.nspname, c.relname, c.relkind, a.attnum, a.attname, "
          "  COALESCE(a.attnum = ANY (i.indkey), false) "
          "FROM pg_catalog.pg_class c "
          "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
          "JOIN pg_catalog.pg_attribute a "
          "  ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
          "LEFT JOIN pg_catalog.pg_index i ON i.indrelid = c.oid AND i.indisprimary "
          "WHERE c.oid = $1",
          {std::to_string(table)});
  TableInfo info;
  for (int row = 0; row < PQntuples(result.get()); ++row) {
    if (row == 0) {
      info.qualified_name = QuoteIdentifier(Field(result.get(), row, 0)) + "." +
                            QuoteIdentifier(Field(result.get(), row, 1));
      const std::string kind = Field(result.get(), row, 2);
      info.writable = kind == "r" || kind == "p";
    }
    const int number = std::stoi(Field(result.get(), row, 3));
    info.columns[number] = Field(result.get(), row, 4);
    if (Field(result.get(), row, 5) == "t") info.key.push_back(number);
  }
  if (info.key.empty()) info.writable = false;  // no key finds a row again
  return table_info_.emplace(table, std::move(info)).first->second;
}

namespace {

std::string SavepointName(int level) {
  return "korvax_trans_" + std::to_string(level);
}

}  // namespace

void Connection::BeginTransaction() {
  if (transaction_level_ >= kMaxTransactionLevel) throw errors::TooManyTransactions();
  RunControl(transaction_level_ == 0 ? std::string("BEGIN")
                                     : "SAVEPOINT " + SavepointName(transaction_level_ + 1));
  ++transaction_level_;
}

void Connection::CommitTransaction() {
  if (transaction_level_ == 0) throw errors::NoTransaction();
  if (transaction_level_ > 1) {
    RunControl("RELEASE SAVEPOINT " + SavepointName(transaction_level_));
    --transaction_level_;
    return;
  }
  // A COMMIT that fails has ended the transaction on the server too.
  transaction_level_ = 0;
  Result result = RunControl("COMMIT");
  if (std::string_view(PQcmdStatus(result.get())) == "ROLLBACK") {
    throw errors::EngineError("der Datenbankserver hat die Transaktion zurückgesetzt");
  }
}

void Connection::RollbackTransaction() {
  if (transaction_level_ == 0) throw errors::NoTransaction();
  const std::string name = SavepointName(transaction_level_);
  --transaction_level_;
  if (transaction_level_ > 0) {
    RunControl("ROLLBACK TO SAVEPOINT " + name);
    RunControl("RELEASE SAVEPOINT " + name);
  } else {
    RunControl("ROLLBACK");
  }
}

void Connection::RollbackAll() noexcept {
  if (transaction_level_ == 0) return;
  transaction_level_ = 0;
  RunQuietly("ROLLBACK");
}

WriteTransaction::WriteTransaction(Connection& connection) : connection_(connection) {
  nested_ = connection_.InTransaction();
  connection_.RunControl(nested_ ? "SAVEPOINT korvax_write" : "BEGIN");
}

WriteTransaction::~WriteTransaction() {
  if (done_ || !connection_.Usable()) return;
  if (nested_) {
    connection_.RunQuietly("ROLLBACK TO SAVEPOINT korvax_write");
    connection_.RunQuietly("RELEASE SAVEPOINT korvax_write");
  } else {
    connection_.RunQuietly("ROLLBACK");
  }
}

void WriteTransaction::Commit() {
  // A transaction that failed would end in a silent ROLLBACK.
  if (!connection_.InTransaction()) throw errors::InvalidOperation();
  Result result = connection_.RunControl(nested_ ? "RELEASE SAVEPOINT korvax_write" : "COMMIT");
  done_ = true;
  if (std::string_view(PQcmdStatus(result.get())) == "ROLLBACK") {
    throw errors::EngineError("der Datenbankserver hat die Transaktion zurückgesetzt");
  }
}

}  // namespace korvax::dao::pg
