// The SQLite recordset. Scrolling recordsets read the whole result when they
// open (invoice-sized results); a forward-only one reads a row per MoveNext
// and lets go of the file once it reaches the end or is closed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dao/dao.hpp"
#include "platform/dao/sqlite_connection.hpp"
#include "platform/dao/sqlite_values.hpp"

namespace korvax::dao::sqlite {

class SqliteRecordset;

class SqliteFields : public dao::Fields {
 public:
  explicit SqliteFields(SqliteRecordset& owner) : owner_(owner) {}
  int32_t Count() const override;
  std::shared_ptr<dao::Field> Item(int32_t index) override;
  std::shared_ptr<dao::Field> Item(std::string_view name) override;

 private:
  SqliteRecordset& owner_;
};

class SqliteRecordset : public Recordset, public std::enable_shared_from_this<SqliteRecordset> {
 public:
  // source: a table or view name, or a SELECT text; type 0 for the default.
  static std::shared_ptr<SqliteRecordset> Open(std::shared_ptr<Connection> connection,
                                               const std::string& source, int type);

  struct Column {
    std::string name;    // as the query names it
    std::string origin;  // its column in the base table; empty when it cannot be written
    ColumnKind kind = ColumnKind::kAny;
  };

  SqliteRecordset(std::shared_ptr<Connection> connection, RecordsetType type,
                  std::vector<Column> columns, std::string base_table);

  RecordsetType Type() const override { return type_; }
  bool Updatable() const override { return !base_table_.empty(); }
  bool Bof() const override;
  bool Eof() const override;
  void MoveFirst() override;
  void MoveLast() override;
  void MoveNext() override;
  void MovePrevious() override;
  int32_t RecordCount() const override;
  dao::Fields& Fields() override { return fields_; }
  void Edit() override;
  void AddNew() override;
  void Update() override;
  void CancelUpdate() override;
  void Delete() override;
  dao::EditMode EditMode() const override { return edit_mode_; }
  void Close() override;

  // For the fields of this recordset.
  void CheckOpen() const;  // 3420 once it or its database is closed
  int32_t ColumnCount() const { return static_cast<int32_t>(columns_.size()); }
  int32_t FindColumn(std::string_view name) const;  // -1 when absent
  const std::string& ColumnName(int32_t i) const { return columns_[i].name; }
  Variant ValueAt(int32_t i) const;
  void SetValueAt(int32_t i, const Variant& value);

 private:
  struct Row {
    sqlite3_int64 rowid = 0;
    std::vector<Variant> values;
    bool deleted = false;
  };

  void ReadAll(Statement& statement, int first_column);
  void StartReading(Statement statement, int first_column);
  Row ReadRow(Statement& statement) const;
  void ReadNextStreamed();
  const Row* Current() const;
  // The first row from index on, in direction step, that is not deleted: -1
  // or rows_.size() when there is none.
  std::ptrdiff_t NextLive(std::ptrdiff_t index, int step) const;
  void EndEdit();
  void WriteEdit();
  void WriteNew();
  Row Reread(sqlite3_int64 rowid, Row fallback) const;

  std::shared_ptr<Connection> connection_;
  RecordsetType type_;
  std::vector<Column> columns_;
  std::string base_table_;  // empty when the recordset cannot be written
  int first_column_ = 0;    // 1 when column 0 is the rowid we added
  bool closed_ = false;

  // Scrolling: all rows. Forward-only: just the current one, while the
  // statement stays open for the rest.
  std::vector<Row> rows_;
  std::ptrdiff_t position_ = 0;  // -1 before the first row, rows_.size() after the last
  std::optional<Statement> statement_;
  int32_t rows_read_ = 0;

  dao::EditMode edit_mode_ = dbEditNone;
  std::vector<std::optional<Variant>> buffer_;
  SqliteFields fields_{*this};
};

}  // namespace korvax::dao::sqlite
