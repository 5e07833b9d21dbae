// Opening a recordset: what the source is (a table or a query), whether its
// rows can be written back, and how each row is found again for the write.
#include <cctype>
#include <utility>

#include "platform/dao/dao_errors.hpp"
#include "platform/dao/names.hpp"
#include "platform/dao/sql_text.hpp"
#include "platform/dao/sqlite_recordset.hpp"

namespace korvax::dao::sqlite {

namespace {

struct TableInfo {
  std::string name;  // as the schema spells it
  bool is_view = false;
};

TableInfo LookUpTable(const std::shared_ptr<Connection>& connection, const std::string& name) {
  Statement statement(connection,
                      "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view')");
  while (statement.Step()) {
    const auto* found = reinterpret_cast<const char*>(sqlite3_column_text(statement.Get(), 0));
    const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(statement.Get(), 1));
    if (found != nullptr && SameName(found, name)) {
      return TableInfo{found, type != nullptr && std::string_view(type) == "view"};
    }
  }
  throw errors::TableNotFound(name);
}

// "SELECT a FROM t" becomes "SELECT _rowid_, a FROM t": the rowid finds the
// row again for Update. Only for plain SELECTs; others stay read-only.
std::string WithRowid(std::string_view sql) {
  std::size_t start = 0;
  while (start < sql.size() && std::isspace(static_cast<unsigned char>(sql[start])) != 0) ++start;
  if (sql.size() < start + 7) return "";
  std::string keyword(sql.substr(start, 6));
  for (char& c : keyword) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (keyword != "SELECT" || std::isspace(static_cast<unsigned char>(sql[start + 6])) == 0) {
    return "";
  }
  return std::string(sql.substr(0, start + 6)) + " _rowid_," + std::string(sql.substr(start + 6));
}

const char* OrEmpty(const char* s) {
  return s != nullptr ? s : "";
}

// The one table all columns that come from a table come from, or "".
std::string BaseTableOf(const Statement& statement) {
  std::string base;
  for (int i = 0; i < statement.ColumnCount(); ++i) {
    const char* table = sqlite3_column_table_name(statement.Get(), i);
    if (table == nullptr) continue;
    if (std::string_view(OrEmpty(sqlite3_column_database_name(statement.Get(), i))) != "main") {
      return "";
    }
    if (base.empty()) {
      base = table;
    } else if (!SameName(base, table)) {
      return "";
    }
  }
  return base;
}

}  // namespace

std::shared_ptr<SqliteRecordset> SqliteRecordset::Open(std::shared_ptr<Connection> connection,
                                                       const std::string& source, int type) {
  if (type != 0 && type != dbOpenTable && type != dbOpenDynaset && type != dbOpenSnapshot &&
      type != dbOpenForwardOnly) {
    throw errors::InvalidArgument();
  }
  std::string sql = source;
  const std::string table_name = TableNameOf(source);
  if (!table_name.empty()) {
    const TableInfo table = LookUpTable(connection, table_name);
    if (type == 0) type = table.is_view ? dbOpenDynaset : dbOpenTable;
    if (type == dbOpenTable && table.is_view) throw errors::InvalidOperation();
    sql = "SELECT * FROM " + QuoteIdentifier(table.name);
  } else {
    if (type == dbOpenTable) throw errors::InvalidOperation();  // a table type needs a table
    if (type == 0) type = dbOpenDynaset;
  }

  Statement statement(connection, sql);
  if (statement.ColumnCount() == 0 || sqlite3_stmt_readonly(statement.Get()) == 0) {
    throw errors::InvalidOperation();  // an action query has no rows to open
  }

  std::string base_table;
  int first_column = 0;
  if ((type == dbOpenTable || type == dbOpenDynaset) && !connection->ReadOnly() &&
      !HasRowMergingClause(sql)) {
    base_table = BaseTableOf(statement);
    const std::string with_rowid = base_table.empty() ? "" : WithRowid(sql);
    if (with_rowid.empty()) {
      base_table.clear();
    } else {
      try {
        Statement rewritten(connection, with_rowid);
        if (rewritten.ColumnCount() == statement.ColumnCount() + 1 &&
            SameName(OrEmpty(sqlite3_column_table_name(rewritten.Get(), 0)), base_table)) {
          statement = std::move(rewritten);
          first_column = 1;
        } else {
          base_table.clear();
        }
      } catch (const Error&) {
        base_table.clear();  // a table without rowid, or a rowid that is ambiguous
      }
    }
  }

  std::vector<Column> columns;
  for (int i = first_column; i < statement.ColumnCount(); ++i) {
    Column column;
    column.name = OrEmpty(sqlite3_column_name(statement.Get(), i));
    column.kind = KindOfDeclaredType(sqlite3_column_decltype(statement.Get(), i));
    const char* table = sqlite3_column_table_name(statement.Get(), i);
    if (!base_table.empty() && table != nullptr && SameName(table, base_table)) {
      column.origin = OrEmpty(sqlite3_column_origin_name(statement.Get(), i));
    }
    columns.push_back(std::move(column));
  }

  auto recordset = std::make_shared<SqliteRecordset>(
      std::move(connection), static_cast<RecordsetType>(type), std::move(columns), base_table);
  if (type == dbOpenForwardOnly) {
    recordset->StartReading(std::move(statement), first_column);
  } else {
    recordset->ReadAll(statement, first_column);
  }
  return recordset;
}

}  // namespace korvax::dao::sqlite
