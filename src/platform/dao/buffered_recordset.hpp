// The back-end neutral part of a recordset: its rows held in memory (all of
// them for a scrolling recordset, the current one for a forward-only one),
// navigation, the edit buffer and the fields. A back end adds how rows are
// read and how an edit, a new row and a deletion reach the base table.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/dao/dao.hpp"
#include "platform/dao/values.hpp"

namespace korvax::dao {

class BufferedRecordset;

class BufferedFields : public dao::Fields {
 public:
  explicit BufferedFields(BufferedRecordset& owner) : owner_(owner) {}
  int32_t Count() const override;
  std::shared_ptr<dao::Field> Item(int32_t index) override;
  std::shared_ptr<dao::Field> Item(std::string_view name) override;

 private:
  BufferedRecordset& owner_;
};

class BufferedRecordset : public Recordset, public std::enable_shared_from_this<BufferedRecordset> {
 public:
  struct Column {
    std::string name;    // as the query names it
    std::string origin;  // its column in the base table; empty when it cannot be written
    ColumnKind kind = ColumnKind::kAny;
  };
  struct Row {
    int64_t rowid = 0;  // the back end's own row number, where it has one
    std::vector<Variant> values;
    bool deleted = false;
  };
  // The changed base columns by folded name: (name as the table spells it, value).
  using Changes = std::map<std::u32string, std::pair<std::string, Variant>>;

  BufferedRecordset(RecordsetType type, std::vector<Column> columns, bool updatable);

  RecordsetType Type() const override { return type_; }
  bool Updatable() const override { return updatable_; }
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

 protected:
  // false once the database behind it is closed.
  virtual bool Connected() const = 0;
  // Forward-only: the next row of the result into row; false at its end.
  virtual bool FetchNext(Row& row) = 0;
  // Forward-only: the result is done with (at its end, on MoveLast, on Close).
  virtual void StopFetching() {}
  // Writes the changes to the stored row; returns the row as now stored,
  // starting from fallback (the row with the edit buffer laid over it).
  // 3167 when the stored row is gone.
  virtual Row StoreEdit(const Row& row, const Changes& changed, Row fallback) = 0;
  // Appends a row with the changes; returns it as stored, as StoreEdit.
  virtual Row StoreNew(const Changes& changed, Row fallback) = 0;
  // Deletes the stored row; false when it was gone already.
  virtual bool DeleteStored(const Row& row) = 0;

  // Scrolling: every row of the result, read when it opens.
  void SetRows(std::vector<Row> rows);
  // Forward-only: reads the first row through FetchNext.
  void StartFetching();
  const std::vector<Column>& Columns() const { return columns_; }

 private:
  void FetchOne();
  const Row* Current() const;
  // The first row from index on, in direction step, that is not deleted: -1
  // or rows_.size() when there is none.
  std::ptrdiff_t NextLive(std::ptrdiff_t index, int step) const;
  Changes ChangedColumns() const;
  Row WithBuffer(Row row) const;
  void EndEdit();

  RecordsetType type_;
  std::vector<Column> columns_;
  bool updatable_;
  bool closed_ = false;

  // Scrolling: all rows. Forward-only: just the current one.
  std::vector<Row> rows_;
  std::ptrdiff_t position_ = 0;  // -1 before the first row, rows_.size() after the last
  bool fetching_ = false;        // forward-only: rows are left to fetch
  int32_t rows_read_ = 0;

  dao::EditMode edit_mode_ = dbEditNone;
  std::vector<std::optional<Variant>> buffer_;
  BufferedFields fields_{*this};
};

}  // namespace korvax::dao
