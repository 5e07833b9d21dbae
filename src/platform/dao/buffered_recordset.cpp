#include "platform/dao/buffered_recordset.hpp"

#include <algorithm>
#include <utility>

#include "platform/dao/dao_errors.hpp"
#include "platform/dao/names.hpp"

namespace korvax::dao {

namespace {

class BufferedField : public dao::Field {
 public:
  BufferedField(std::shared_ptr<BufferedRecordset> recordset, int32_t index)
      : recordset_(std::move(recordset)), index_(index) {}

  std::string Name() const override { return recordset_->ColumnName(index_); }
  Variant Value() const override { return recordset_->ValueAt(index_); }
  void SetValue(const Variant& value) override { recordset_->SetValueAt(index_, value); }

 private:
  // Keeps the recordset alive: a field may outlive the caller's recordset
  // variable, as it could in DAO.
  std::shared_ptr<BufferedRecordset> recordset_;
  int32_t index_;
};

}  // namespace

int32_t BufferedFields::Count() const {
  return owner_.ColumnCount();
}

std::shared_ptr<dao::Field> BufferedFields::Item(int32_t index) {
  owner_.CheckOpen();
  if (index < 0 || index >= owner_.ColumnCount()) throw errors::ItemNotFound();
  return std::make_shared<BufferedField>(owner_.shared_from_this(), index);
}

std::shared_ptr<dao::Field> BufferedFields::Item(std::string_view name) {
  owner_.CheckOpen();
  const int32_t index = owner_.FindColumn(name);
  if (index < 0) throw errors::ItemNotFound();
  return std::make_shared<BufferedField>(owner_.shared_from_this(), index);
}

BufferedRecordset::BufferedRecordset(RecordsetType type, std::vector<Column> columns,
                                     bool updatable)
    : type_(type), columns_(std::move(columns)), updatable_(updatable) {}

void BufferedRecordset::SetRows(std::vector<Row> rows) {
  rows_ = std::move(rows);
  position_ = 0;
}

void BufferedRecordset::StartFetching() {
  fetching_ = true;
  position_ = 0;
  FetchOne();
}

void BufferedRecordset::FetchOne() {
  Row row;
  if (fetching_ && FetchNext(row)) {
    rows_.assign(1, std::move(row));
    ++rows_read_;
    position_ = 0;
    return;
  }
  // At its end the result is let go at once (SQLite: the read lock on the file).
  fetching_ = false;
  StopFetching();
  position_ = static_cast<std::ptrdiff_t>(rows_.size());
}

void BufferedRecordset::CheckOpen() const {
  if (closed_ || !Connected()) throw errors::ObjectClosed();
}

const BufferedRecordset::Row* BufferedRecordset::Current() const {
  if (position_ < 0 || position_ >= static_cast<std::ptrdiff_t>(rows_.size())) return nullptr;
  return &rows_[static_cast<std::size_t>(position_)];
}

bool BufferedRecordset::Bof() const {
  CheckOpen();
  return rows_.empty() || position_ < 0;
}

bool BufferedRecordset::Eof() const {
  CheckOpen();
  return position_ >= static_cast<std::ptrdiff_t>(rows_.size());
}

std::ptrdiff_t BufferedRecordset::NextLive(std::ptrdiff_t index, int step) const {
  const auto size = static_cast<std::ptrdiff_t>(rows_.size());
  while (index >= 0 && index < size && rows_[static_cast<std::size_t>(index)].deleted) {
    index += step;
  }
  return index < 0 ? -1 : std::min(index, size);
}

void BufferedRecordset::MoveFirst() {
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

void BufferedRecordset::MoveLast() {
  CheckOpen();
  EndEdit();
  if (type_ == dbOpenForwardOnly) {
    if (rows_.empty()) throw errors::NoCurrentRecord();
    if (Eof()) throw errors::InvalidOperation();
    Row row;
    while (fetching_ && FetchNext(row)) {
      rows_.assign(1, std::move(row));
      ++rows_read_;
    }
    fetching_ = false;
    StopFetching();
    position_ = 0;
    return;
  }
  const std::ptrdiff_t last = NextLive(static_cast<std::ptrdiff_t>(rows_.size()) - 1, -1);
  if (last < 0) throw errors::NoCurrentRecord();
  position_ = last;
}

void BufferedRecordset::MoveNext() {
  CheckOpen();
  EndEdit();
  if (Eof()) throw errors::NoCurrentRecord();
  if (type_ == dbOpenForwardOnly) {
    FetchOne();
  } else {
    position_ = NextLive(position_ + 1, +1);
  }
}

void BufferedRecordset::MovePrevious() {
  CheckOpen();
  EndEdit();
  if (type_ == dbOpenForwardOnly) throw errors::InvalidOperation();
  if (Bof()) throw errors::NoCurrentRecord();
  position_ = NextLive(position_ - 1, -1);
}

int32_t BufferedRecordset::RecordCount() const {
  CheckOpen();
  if (type_ == dbOpenForwardOnly) return rows_read_;
  int32_t live = 0;
  for (const Row& row : rows_) live += row.deleted ? 0 : 1;
  return live;
}

int32_t BufferedRecordset::FindColumn(std::string_view name) const {
  const std::u32string wanted = FoldCase(name);
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (FoldCase(columns_[i].name) == wanted) return static_cast<int32_t>(i);
  }
  return -1;
}

Variant BufferedRecordset::ValueAt(int32_t i) const {
  CheckOpen();
  const auto index = static_cast<std::size_t>(i);
  if (edit_mode_ != dbEditNone && buffer_[index]) return *buffer_[index];
  if (edit_mode_ == dbEditAdd) return Variant::Null();
  const Row* row = Current();
  if (row == nullptr) throw errors::NoCurrentRecord();
  if (row->deleted) throw errors::RecordDeleted();
  return row->values[index];
}

void BufferedRecordset::SetValueAt(int32_t i, const Variant& value) {
  CheckOpen();
  if (edit_mode_ == dbEditNone) throw errors::UpdateWithoutEdit();
  const Column& column = columns_[static_cast<std::size_t>(i)];
  if (column.origin.empty()) throw errors::FieldNotUpdatable(column.name);
  buffer_[static_cast<std::size_t>(i)] = ConvertForColumn(value, column.kind);
}

void BufferedRecordset::Edit() {
  CheckOpen();
  if (!Updatable()) throw errors::ReadOnly();
  const Row* row = Current();
  if (row == nullptr) throw errors::NoCurrentRecord();
  if (row->deleted) throw errors::RecordDeleted();
  buffer_.assign(columns_.size(), std::nullopt);
  edit_mode_ = dbEditInProgress;
}

void BufferedRecordset::AddNew() {
  CheckOpen();
  if (!Updatable()) throw errors::ReadOnly();
  buffer_.assign(columns_.size(), std::nullopt);
  edit_mode_ = dbEditAdd;
}

void BufferedRecordset::Update() {
  CheckOpen();
  if (edit_mode_ == dbEditNone) throw errors::UpdateWithoutEdit();
  // A failed write keeps the buffer, so the caller may retry or cancel.
  const Changes changed = ChangedColumns();
  if (edit_mode_ == dbEditInProgress) {
    Row& row = rows_[static_cast<std::size_t>(position_)];
    if (!changed.empty()) row = StoreEdit(row, changed, WithBuffer(row));
  } else {
    Row fallback;
    fallback.values.assign(columns_.size(), Variant::Null());
    Row fresh = StoreNew(changed, WithBuffer(std::move(fallback)));
    // As in a DAO dynaset the new row joins the end and the current row stays.
    const bool was_after_last = position_ >= static_cast<std::ptrdiff_t>(rows_.size());
    rows_.push_back(std::move(fresh));
    if (was_after_last) position_ = static_cast<std::ptrdiff_t>(rows_.size());
  }
  EndEdit();
}

void BufferedRecordset::CancelUpdate() {
  CheckOpen();
  if (edit_mode_ == dbEditNone) throw errors::UpdateWithoutEdit();
  EndEdit();
}

void BufferedRecordset::Delete() {
  CheckOpen();
  if (!Updatable()) throw errors::ReadOnly();
  if (Current() == nullptr) throw errors::NoCurrentRecord();
  Row& row = rows_[static_cast<std::size_t>(position_)];
  if (row.deleted) throw errors::RecordDeleted();
  EndEdit();
  const bool gone_already = !DeleteStored(row);
  row.deleted = true;
  if (gone_already) throw errors::RecordDeleted();
}

void BufferedRecordset::EndEdit() {
  edit_mode_ = dbEditNone;
  buffer_.clear();
}

void BufferedRecordset::Close() {
  EndEdit();
  if (fetching_) StopFetching();
  fetching_ = false;
  rows_.clear();
  closed_ = true;
}

// A column selected twice is written once, with its last value.
BufferedRecordset::Changes BufferedRecordset::ChangedColumns() const {
  Changes changed;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (buffer_[i]) changed[FoldCase(columns_[i].origin)] = {columns_[i].origin, *buffer_[i]};
  }
  return changed;
}

// Columns that are not base columns keep the values they had, overlaid with
// what the buffer wrote; a back end then puts in the base columns as stored.
BufferedRecordset::Row BufferedRecordset::WithBuffer(Row row) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (buffer_[i]) row.values[i] = *buffer_[i];
  }
  return row;
}

}  // namespace korvax::dao
