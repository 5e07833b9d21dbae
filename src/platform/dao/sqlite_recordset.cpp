#include "platform/dao/sqlite_recordset.hpp"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/dao/dao_errors.hpp"
#include "platform/dao/names.hpp"

namespace korvax::dao::sqlite {

namespace {

class SqliteField : public dao::Field {
 public:
  SqliteField(std::shared_ptr<SqliteRecordset> recordset, int32_t index)
      : recordset_(std::move(recordset)), index_(index) {}

  std::string Name() const override { return recordset_->ColumnName(index_); }
  Variant Value() const override { return recordset_->ValueAt(index_); }
  void SetValue(const Variant& value) override { recordset_->SetValueAt(index_, value); }

 private:
  // Keeps the recordset alive: a field may outlive the caller's recordset
  // variable, as it could in DAO.
  std::shared_ptr<SqliteRecordset> recordset_;
  int32_t index_;
};

}  // namespace

int32_t SqliteFields::Count() const {
  return owner_.ColumnCount();
}

std::shared_ptr<dao::Field> SqliteFields::Item(int32_t index) {
  owner_.CheckOpen();
  if (index < 0 || index >= owner_.ColumnCount()) throw errors::ItemNotFound();
  return std::make_shared<SqliteField>(owner_.shared_from_this(), index);
}

std::shared_ptr<dao::Field> SqliteFields::Item(std::string_view name) {
  owner_.CheckOpen();
  const int32_t index = owner_.FindColumn(name);
  if (index < 0) throw errors::ItemNotFound();
  return std::make_shared<SqliteField>(owner_.shared_from_this(), index);
}

SqliteRecordset::SqliteRecordset(std::shared_ptr<Connection> connection, RecordsetType type,
                                 std::vector<Column> columns, std::string base_table)
    : connection_(std::move(connection)),
      type_(type),
      columns_(std::move(columns)),
      base_table_(std::move(base_table)) {}

SqliteRecordset::Row SqliteRecordset::ReadRow(Statement& statement) const {
  Row row;
  if (first_column_ == 1) row.rowid = sqlite3_column_int64(statement.Get(), 0);
  row.values.reserve(columns_.size());
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    row.values.push_back(
        ReadColumn(statement.Get(), static_cast<int>(i) + first_column_, columns_[i].kind));
  }
  return row;
}

void SqliteRecordset::ReadAll(Statement& statement, int first_column) {
  first_column_ = first_column;
  while (statement.Step()) rows_.push_back(ReadRow(statement));
  position_ = 0;
}

void SqliteRecordset::StartReading(Statement statement, int first_column) {
  first_column_ = first_column;
  statement_.emplace(std::move(statement));
  position_ = 0;
  ReadNextStreamed();
}

void SqliteRecordset::ReadNextStreamed() {
  if (statement_ && statement_->Step()) {
    rows_.assign(1, ReadRow(*statement_));
    ++rows_read_;
    position_ = 0;
    return;
  }
  // Finishing the statement ends its read lock on the file at once.
  statement_.reset();
  position_ = static_cast<std::ptrdiff_t>(rows_.size());
}

void SqliteRecordset::CheckOpen() const {
  if (closed_ || !connection_->IsOpen()) throw errors::ObjectClosed();
}

const SqliteRecordset::Row* SqliteRecordset::Current() const {
  if (position_ < 0 || position_ >= static_cast<std::ptrdiff_t>(rows_.size())) return nullptr;
  return &rows_[static_cast<std::size_t>(position_)];
}

bool SqliteRecordset::Bof() const {
  CheckOpen();
  return rows_.empty() || position_ < 0;
}

bool SqliteRecordset::Eof() const {
  CheckOpen();
  return position_ >= static_cast<std::ptrdiff_t>(rows_.size());
}

std::ptrdiff_t SqliteRecordset::NextLive(std::ptrdiff_t index, int step) const {
  const auto size = static_cast<std::ptrdiff_t>(rows_.size());
  while (index >= 0 && index < size && rows_[static_cast<std::size_t>(index)].deleted) {
    index += step;
  }
  return index < 0 ? -1 : std::min(index, size);
}

void SqliteRecordset::MoveFirst() {
  CheckOpen();
  EndEdit();
  if (type_ == dbOpenForwardOnly) {
    if (rows_.empty()) throw errors::NoCurrentRecord();
    // Standing on the first row is the only place a forward-only set can "return" to.
    if (rows_read_ == 1 && position_ == 0) return;
    throw errors::InvalidOperation();
  }
  const std::ptrdiff_t first = NextLive(0, +1);
  if (first >= static_cast<std::ptrdiff_t>(rows_.size())) throw errors::NoCurrentRecord();
  position_ = first;
}

void SqliteRecordset::MoveLast() {
  CheckOpen();
  EndEdit();
  if (type_ == dbOpenForwardOnly) {
    if (rows_.empty()) throw errors::NoCurrentRecord();
    if (Eof()) throw errors::InvalidOperation();
    while (statement_ && statement_->Step()) {
      rows_.assign(1, ReadRow(*statement_));
      ++rows_read_;
    }
    statement_.reset();
    position_ = 0;
    return;
  }
  const std::ptrdiff_t last = NextLive(static_cast<std::ptrdiff_t>(rows_.size()) - 1, -1);
  if (last < 0) throw errors::NoCurrentRecord();
  position_ = last;
}

void SqliteRecordset::MoveNext() {
  CheckOpen();
  EndEdit();
  if (Eof()) throw errors::NoCurrentRecord();
  if (type_ == dbOpenForwardOnly) {
    ReadNextStreamed();
  } else {
    position_ = NextLive(position_ + 1, +1);
  }
}

void SqliteRecordset::MovePrevious() {
  CheckOpen();
  EndEdit();
  if (type_ == dbOpenForwardOnly) throw errors::InvalidOperation();
  if (Bof()) throw errors::NoCurrentRecord();
  position_ = NextLive(position_ - 1, -1);
}

int32_t SqliteRecordset::RecordCount() const {
  CheckOpen();
  if (type_ == dbOpenForwardOnly) return rows_read_;
  int32_t live = 0;
  for (const Row& row : rows_) live += row.deleted ? 0 : 1;
  return live;
}

int32_t SqliteRecordset::FindColumn(std::string_view name) const {
  const std::u32string wanted = FoldCase(name);
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (FoldCase(columns_[i].name) == wanted) return static_cast<int32_t>(i);
  }
  return -1;
}

Variant SqliteRecordset::ValueAt(int32_t i) const {
  CheckOpen();
  const auto index = static_cast<std::size_t>(i);
  if (edit_mode_ != dbEditNone && buffer_[index]) return *buffer_[index];
  if (edit_mode_ == dbEditAdd) return Variant::Null();
  const Row* row = Current();
  if (row == nullptr) throw errors::NoCurrentRecord();
  if (row->deleted) throw errors::RecordDeleted();
  return row->values[index];
}

void SqliteRecordset::SetValueAt(int32_t i, const Variant& value) {
  CheckOpen();
  if (edit_mode_ == dbEditNone) throw errors::UpdateWithoutEdit();
  const Column& column = columns_[static_cast<std::size_t>(i)];
  if (column.origin.empty()) throw errors::FieldNotUpdatable(column.name);
  buffer_[static_cast<std::size_t>(i)] = ConvertForColumn(value, column.kind);
}

void SqliteRecordset::Edit() {
  CheckOpen();
  if (!Updatable()) throw errors::ReadOnly();
  const Row* row = Current();
  if (row == nullptr) throw errors::NoCurrentRecord();
  if (row->deleted) throw errors::RecordDeleted();
  buffer_.assign(columns_.size(), std::nullopt);
  edit_mode_ = dbEditInProgress;
}

void SqliteRecordset::AddNew() {
  CheckOpen();
  if (!Updatable()) throw errors::ReadOnly();
  buffer_.assign(columns_.size(), std::nullopt);
  edit_mode_ = dbEditAdd;
}

void SqliteRecordset::Update() {
  CheckOpen();
  if (edit_mode_ == dbEditNone) throw errors::UpdateWithoutEdit();
  // A failed write keeps the buffer, so the caller may retry or cancel.
  if (edit_mode_ == dbEditInProgress) {
    WriteEdit();
  } else {
    WriteNew();
  }
  EndEdit();
}

void SqliteRecordset::CancelUpdate() {
  CheckOpen();
  if (edit_mode_ == dbEditNone) throw errors::UpdateWithoutEdit();
  EndEdit();
}

void SqliteRecordset::Delete() {
  CheckOpen();
  if (!Updatable()) throw errors::ReadOnly();
  if (Current() == nullptr) throw errors::NoCurrentRecord();
  Row& row = rows_[static_cast<std::size_t>(position_)];
  if (row.deleted) throw errors::RecordDeleted();
  EndEdit();

  WriteTransaction transaction(connection_);
  Statement statement(connection_,
                      "DELETE FROM " + QuoteIdentifier(base_table_) + " WHERE _rowid_ = ?");
  sqlite3_bind_int64(statement.Get(), 1, row.rowid);
  statement.Step();
  const bool gone_already = sqlite3_changes(connection_->Handle()) == 0;
  transaction.Commit();
  row.deleted = true;
  if (gone_already) throw errors::RecordDeleted();
}

void SqliteRecordset::EndEdit() {
  edit_mode_ = dbEditNone;
  buffer_.clear();
}

void SqliteRecordset::Close() {
  EndEdit();
  statement_.reset();
  rows_.clear();
  closed_ = true;
}

namespace {

// The changed base columns in buffer order; a column selected twice is
// written once, with its last value.
std::map<std::u32string, std::pair<std::string, Variant>> ChangedColumns(
    const std::vector<SqliteRecordset::Column>& columns,
    const std::vector<std::optional<Variant>>& buffer) {
  std::map<std::u32string, std::pair<std::string, Variant>> changed;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (buffer[i]) changed[FoldCase(columns[i].origin)] = {columns[i].origin, *buffer[i]};
  }
  return changed;
}

}  // namespace

void SqliteRecordset::WriteEdit() {
  Row& row = rows_[static_cast<std::size_t>(position_)];
  const auto changed = ChangedColumns(columns_, buffer_);
  if (changed.empty()) return;

  std::string sql = "UPDATE " + QuoteIdentifier(base_table_) + " SET ";
  for (auto it = changed.begin(); it != changed.end(); ++it) {
    if (it != changed.begin()) sql += ", ";
    sql += QuoteIdentifier(it->second.first) + " = ?";
  }
  sql += " WHERE _rowid_ = ?";

  WriteTransaction transaction(connection_);
  Statement statement(connection_, sql);
  int index = 1;
  for (const auto& entry : changed) BindValue(statement.Get(), index++, entry.second.second);
  sqlite3_bind_int64(statement.Get(), index, row.rowid);
  statement.Step();
  if (sqlite3_changes(connection_->Handle()) == 0) throw errors::RecordDeleted();
  Row fresh = Reread(row.rowid, row);
  transaction.Commit();
  row = std::move(fresh);
}

void SqliteRecordset::WriteNew() {
  const auto changed = ChangedColumns(columns_, buffer_);
  std::string sql = "INSERT INTO " + QuoteIdentifier(base_table_);
  if (changed.empty()) {
    sql += " DEFAULT VALUES";
  } else {
    std::string names;
    std::string marks;
    for (const auto& entry : changed) {
      names += (names.empty() ? "" : ", ") + QuoteIdentifier(entry.second.first);
      marks += marks.empty() ? "?" : ", ?";
    }
    sql += " (" + names + ") VALUES (" + marks + ")";
  }

  WriteTransaction transaction(connection_);
  Statement statement(connection_, sql);
  int index = 1;
  for (const auto& entry : changed) BindValue(statement.Get(), index++, entry.second.second);
  statement.Step();
  Row fallback;
  fallback.values.assign(columns_.size(), Variant::Null());
  Row fresh = Reread(sqlite3_last_insert_rowid(connection_->Handle()), std::move(fallback));
  transaction.Commit();

  // As in a DAO dynaset the new row joins the end and the current row stays.
  const bool was_after_last = position_ >= static_cast<std::ptrdiff_t>(rows_.size());
  rows_.push_back(std::move(fresh));
  if (was_after_last) position_ = static_cast<std::ptrdiff_t>(rows_.size());
}

// The row as now stored, so defaults, triggers and type affinity show just as
// a fresh query would show them. Columns that are not base columns keep the
// fallback's values, overlaid with what the buffer wrote.
SqliteRecordset::Row SqliteRecordset::Reread(sqlite3_int64 rowid, Row fallback) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (buffer_[i]) fallback.values[i] = *buffer_[i];
  }
  fallback.rowid = rowid;

  std::string select;
  std::vector<std::size_t> base_columns;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].origin.empty()) continue;
    select += (select.empty() ? "" : ", ") + QuoteIdentifier(columns_[i].origin);
    base_columns.push_back(i);
  }
  if (base_columns.empty()) return fallback;

  Statement statement(connection_, "SELECT " + select + " FROM " + QuoteIdentifier(base_table_) +
                                       " WHERE _rowid_ = ?");
  sqlite3_bind_int64(statement.Get(), 1, rowid);
  if (!statement.Step()) return fallback;
  for (std::size_t k = 0; k < base_columns.size(); ++k) {
    const std::size_t i = base_columns[k];
    fallback.values[i] = ReadColumn(statement.Get(), static_cast<int>(k), columns_[i].kind);
  }
  return fallback;
}

}  // namespace korvax::dao::sqlite
