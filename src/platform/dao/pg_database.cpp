#include "platform/dao/pg_database.hpp"

#include <algorithm>
#include <utility>

#include "platform/dao/dao_errors.hpp"
#include "platform/dao/names.hpp"
#include "platform/dao/pg_names.hpp"
#include "platform/dao/pg_values.hpp"
#include "platform/dao/sql_text.hpp"

namespace korvax::dao::pg {

std::shared_ptr<Database> PgWorkspace::DoOpenDatabase(const std::string& name, bool read_only) {
  std::weak_ptr<Connection>& session = sessions_[{name, read_only}];
  std::shared_ptr<Connection> connection = session.lock();
  // A session whose server went away is not handed out again.
  if (!connection || !connection->Usable()) {
    connection = Connection::Open(name, read_only, settings_);
    session = connection;
  }
  return std::make_shared<PgDatabase>(std::move(connection));
}

Connection& Link::Session() const {
  if (!connection) throw errors::ObjectClosed();
  return *connection;
}

void PgDatabase::Close() {
  if (link_->connection) link_->connection->RollbackAll();
  link_->connection.reset();
}

void PgDatabase::Execute(const std::string& sql) {
  Connection& session = link_->Session();
  if (session.ReadOnly()) throw errors::ReadOnly();
  const std::string server_sql = session.ServerSql(sql);
  // All statements of one call in one transaction: a failing one undoes the
  // ones before it.
  WriteTransaction transaction(session);
  const int64_t changed = session.RunScript(server_sql);
  transaction.Commit();
  session.ForgetCatalog();  // it may have made or dropped tables
  records_affected_ = static_cast<int32_t>(std::min<int64_t>(changed, INT32_MAX));
}

std::shared_ptr<Recordset> PgDatabase::DoOpenRecordset(const std::string& source, int type) {
  link_->Session();  // 3420 once closed
  return PgRecordset::Open(link_, source, type);
}

namespace {

// Runs a query; a name the catalog did not know when it was read may be a
// table made since, so the catalog is read once more.
Result RunQuery(Connection& session, const std::string& source, bool whole_table,
                const std::string& table_spelling) {
  const bool had_catalog = session.CatalogLoaded();
  try {
    return session.Run(whole_table ? "SELECT * FROM " + QuoteIdentifier(table_spelling)
                                   : session.ServerSql(source));
  } catch (const Error& e) {
    if ((e.number() != 3078 && e.number() != 3061) || !had_catalog || session.InTransaction()) {
      throw;
    }
  }
  session.ForgetCatalog();
  return session.Run(session.ServerSql(source));
}

}  // namespace

std::shared_ptr<PgRecordset> PgRecordset::Open(std::shared_ptr<Link> link,
                                               const std::string& source, int type) {
  if (type != 0 && type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot &&
      type != dbOpenForwardOnly) {
    throw errors::InvalidArgument();
  }
  Connection& session = link->Session();
  const std::string table_name = TableNameOf(source);
  std::string spelling;
  if (!table_name.empty()) {
    bool is_view = false;
    const std::string* found = session.FindTable(table_name, &is_view);
    if (found == nullptr && session.CatalogLoaded()) {
      session.ForgetCatalog();
      found = session.FindTable(table_name, &is_view);
    }
    if (found == nullptr) throw errors::TableNotFound(table_name);
    spelling = *found;
    if (type == 0) type = is_view ? dbOpenDynaset : dbOpenTable;
    if (type == dbOpenTable && is_view) throw errors::InvalidOperation();
  } else {
    if (type == dbOpenTable) throw errors::InvalidOperation();  // a table type needs a table
    if (type == 0) type = dbOpenDynaset;
    // An action query has no rows to open, and must not run.
    if (ChangesData(source)) throw errors::InvalidOperation();
  }
  Result result = RunQuery(session, source, !table_name.empty(), spelling);
  const PGresult* r = result.get();
  const int count = PQnfields(r);
  if (count == 0) throw errors::InvalidOperation();

  // The one table all columns that come from a table come from.
  Oid base = InvalidOid;
  bool one_table = true;
  for (int i = 0; i < count; ++i) {
    const Oid table = PQftable(r, i);
    if (table == InvalidOid) continue;
    if (base == InvalidOid) base = table;
    one_table = one_table && table == base;
  }
  std::optional<TableInfo> table;
  if ((type == dbOpenTable || type == dbOpenDynaset) && !session.ReadOnly() && one_table &&
      base != InvalidOid && (!table_name.empty() || !HasRowMergingClause(source))) {
    table = session.Table(base);
    if (!table->writable) table.reset();
  }

  std::vector<Column> columns;
  for (int i = 0; i < count; ++i) {
    Column column;
    column.name = PQfname(r, i);
    column.kind = KindOfType(PQftype(r, i));
    if (table && PQftable(r, i) == base) {
      const auto at = table->columns.find(PQftablecol(r, i));
      if (at != table->columns.end()) column.origin = at->second;
    }
    columns.push_back(std::move(column));
  }
  // Each key column exactly once, or the rows cannot be told apart.
  std::vector<int> key_columns;
  if (table) {
    for (const int number : table->key) {
      int found = -1;
      for (int i = 0; i < count; ++i) {
        if (PQftable(r, i) != base || PQftablecol(r, i) != number) continue;
        found = found < 0 ? i : -2;
      }
      if (found < 0) {
        table.reset();
        break;
      }
      key_columns.push_back(found);
    }
  }
  if (!table) {
    for (Column& column : columns) column.origin.clear();
    key_columns.clear();
  }

  auto recordset =
      std::make_shared<PgRecordset>(std::move(link), static_cast<RecordsetType>(type),
                                    std::move(columns), std::move(table), std::move(key_columns));
  if (type == dbOpenForwardOnly) {
    recordset->result_ = std::move(result);
    recordset->StartFetching();
  } else {
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(PQntuples(r)));
    for (int row = 0; row < PQntuples(r); ++row) rows.push_back(recordset->ReadRow(r, row));
    recordset->SetRows(std::move(rows));
  }
  return recordset;
}

PgRecordset::Row PgRecordset::ReadRow(const PGresult* result, int row) const {
  Row read;
  read.values.reserve(Columns().size());
  for (std::size_t i = 0; i < Columns().size(); ++i) {
    read.values.push_back(ReadValue(result, row, static_cast<int>(i), Columns()[i].kind));
  }
  return read;
}

bool PgRecordset::FetchNext(Row& row) {
  if (!result_ || next_row_ >= PQntuples(result_.get())) return false;
  row = ReadRow(result_.get(), next_row_++);
  return true;
}

std::string PgRecordset::KeyCondition(const Row& row, Parameters& parameters) const {
  std::string condition = " WHERE ";
  for (std::size_t k = 0; k < key_columns_.size(); ++k) {
    const auto i = static_cast<std::size_t>(key_columns_[k]);
    parameters.push_back(ParameterText(row.values[i]));
    if (k > 0) condition += " AND ";
    condition += QuoteIdentifier(Columns()[i].origin) + " = $" + std::to_string(parameters.size());
  }
  return condition;
}

std::string PgRecordset::Returning() const {
  std::string list;
  for (const Column& column : Columns()) {
    if (column.origin.empty()) continue;
    list += (list.empty() ? " RETURNING " : ", ") + QuoteIdentifier(column.origin);
  }
  return list;
}

// The row as now stored, so defaults, triggers and the column's type show
// just as a fresh query would show them.
PgRecordset::Row PgRecordset::Stored(const PGresult* result, Row fallback) const {
  int k = 0;
  for (std::size_t i = 0; i < Columns().size(); ++i) {
    if (Columns()[i].origin.empty()) continue;
    fallback.values[i] = ReadValue(result, 0, k++, Columns()[i].kind);
  }
  return fallback;
}

PgRecordset::Row PgRecordset::StoreEdit(const Row& row, const Changes& changed, Row fallback) {
  Connection& session = link_->Session();
  Parameters parameters;
  std::string sql = "UPDATE " + table_->qualified_name + " SET ";
  for (const auto& entry : changed) {
    parameters.push_back(ParameterText(entry.second.second));
    if (parameters.size() > 1) sql += ", ";
    sql += QuoteIdentifier(entry.second.first) + " = $" + std::to_string(parameters.size());
  }
  sql += KeyCondition(row, parameters) + Returning();
  Result result = session.RunWrite(sql, parameters);
  if (PQntuples(result.get()) == 0) throw errors::RecordDeleted();
  return Stored(result.get(), std::move(fallback));
}

PgRecordset::Row PgRecordset::StoreNew(const Changes& changed, Row fallback) {
  Connection& session = link_->Session();
  Parameters parameters;
  std::string sql = "INSERT INTO " + table_->qualified_name;
  if (changed.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    std::string names;
    std::string marks;
    for (const auto& entry : changed) {
      parameters.push_back(ParameterText(entry.second.second));
      names += (names.empty() ? "" : ", ") + QuoteIdentifier(entry.second.first);
      marks += (marks.empty() ? "$" : ", $") + std::to_string(parameters.size());
    }
    sql += " (" + names + ") VALUES (" + marks + ")";
  }
  Result result = session.RunWrite(sql + Returning(), parameters);
  return Stored(result.get(), std::move(fallback));
}

bool PgRecordset::DeleteStored(const Row& row) {
  Connection& session = link_->Session();
  Parameters parameters;
  const std::string sql = "DELETE FROM " + table_->qualified_name + KeyCondition(row, parameters);
  Result result = session.RunWrite(sql, parameters);
  return std::string_view(PQcmdTuples(result.get())) != "0";
}

}  // namespace korvax::dao::pg
