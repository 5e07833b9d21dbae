#include "platform/forms/grid.hpp"

#include <algorithm>

#include "platform/forms/form.hpp"

namespace korvax::forms {

namespace {
constexpr int kDefaultRowHeight = 240;
constexpr int kDefaultColWidth = 960;

Error InvalidArrayIndex() {
  return Error(381, "Index des Eigenschaftenfeldes ungültig");
}
}  // namespace

Error InvalidRowValue() {
  return Error(30009, "Ungültiger Zeilenwert");
}
Error InvalidColumnValue() {
  return Error(30010, "Ungültiger Spaltenwert");
}
Error CannotRemoveLastNonFixedRow() {
  return Error(30015, "Die letzte nicht feste Zeile kann nicht entfernt werden.");
}

Grid::Grid(Form& form, std::string_view name, int rows, int cols, const Geometry& geometry,
           Frame* container)
    : Control(form, name, geometry, container) {
  rows = std::max(rows, 1);
  cols = std::max(cols, 1);
  cols_ = cols;
  cells_.assign(rows, std::vector<std::string>(cols));
  row_heights_.assign(rows, kDefaultRowHeight);
  col_widths_.assign(cols, kDefaultColWidth);
  KeepSelectionInside();
}

int Grid::Rows() const {
  Touch();
  return static_cast<int>(cells_.size());
}

void Grid::SetRows(int rows) {
  Touch();
  if (rows < FixedRows()) throw errors::InvalidPropertyValue();
  cells_.resize(rows, std::vector<std::string>(cols_));
  row_heights_.resize(rows, kDefaultRowHeight);
  KeepSelectionInside();
  Changed();
}

int Grid::Cols() const {
  Touch();
  return cols_;
}

void Grid::SetCols(int cols) {
  Touch();
  if (cols < 1 || cols < fixed_cols_) throw errors::InvalidPropertyValue();
  cols_ = cols;
  for (auto& row : cells_) row.resize(cols);
  col_widths_.resize(cols, kDefaultColWidth);
  KeepSelectionInside();
  Changed();
}

int Grid::FixedCols() const {
  Touch();
  return fixed_cols_;
}

void Grid::SetFixedCols(int cols) {
  Touch();
  if (cols < 0 || cols >= cols_) throw errors::InvalidPropertyValue();
  fixed_cols_ = cols;
  KeepSelectionInside();
  Changed();
}

std::string Grid::TextMatrix(int row, int col) const {
  Touch();
  if (row < 0 || row >= static_cast<int>(cells_.size()) || col < 0 || col >= cols_) {
    throw InvalidArrayIndex();
  }
  return cells_[row][col];
}

void Grid::SetTextMatrix(int row, int col, std::string text) {
  Touch();
  if (row < 0 || row >= static_cast<int>(cells_.size()) || col < 0 || col >= cols_) {
    throw InvalidArrayIndex();
  }
  cells_[row][col] = std::move(text);
  Changed();
}

std::string Grid::Text() const {
  return TextMatrix(Row(), Col());
}

void Grid::SetText(std::string text) {
  SetTextMatrix(Row(), Col(), std::move(text));
}

int Grid::Row() const {
  Touch();
  return row_;
}

void Grid::SetRow(int row) {
  Touch();
  CheckRow(row);
  SetSelection(row, col_, row, col_, false);
}

int Grid::Col() const {
  Touch();
  return col_;
}

void Grid::SetCol(int col) {
  Touch();
  CheckCol(col);
  SetSelection(row_, col, row_, col, false);
}

int Grid::RowSel() const {
  Touch();
  return row_sel_;
}

void Grid::SetRowSel(int row) {
  Touch();
  CheckRow(row);
  SetSelection(row_, col_, row, col_sel_, false);
}

int Grid::ColSel() const {
  Touch();
  return col_sel_;
}

void Grid::SetColSel(int col) {
  Touch();
  CheckCol(col);
  SetSelection(row_, col_, row_sel_, col, false);
}

int Grid::SelStartRow() const {
  return std::min(Row(), RowSel());
}
int Grid::SelEndRow() const {
  return std::max(Row(), RowSel());
}
int Grid::SelStartCol() const {
  return std::min(Col(), ColSel());
}
int Grid::SelEndCol() const {
  return std::max(Col(), ColSel());
}

void Grid::Select(int row, int col, int row_sel, int col_sel) {
  Touch();
  CheckRow(row);
  CheckRow(row_sel);
  CheckCol(col);
  CheckCol(col_sel);
  SetSelection(row, col, row_sel, col_sel, false);
}

void Grid::AddItem(std::string_view item, int index) {
  Touch();
  int rows = static_cast<int>(cells_.size());
  if (index == -1) index = rows;
  if (index < FixedRows() || index > rows) throw InvalidRowValue();
  std::vector<std::string> cells(cols_);
  size_t col = 0;
  size_t begin = 0;
  while (col < cells.size()) {
    size_t tab = item.find('\t', begin);
    cells[col++] = std::string(item.substr(begin, tab - begin));
    if (tab == std::string_view::npos) break;
    begin = tab + 1;
  }
  cells_.insert(cells_.begin() + index, std::move(cells));
  row_heights_.insert(row_heights_.begin() + index, kDefaultRowHeight);
  Changed();
}

void Grid::RemoveItem(int index) {
  Touch();
  int rows = static_cast<int>(cells_.size());
  if (index < 0 || index >= rows) throw InvalidRowValue();
  if (index < FixedRows()) throw InvalidRowValue();
  if (rows - FixedRows() <= 1) throw CannotRemoveLastNonFixedRow();
  cells_.erase(cells_.begin() + index);
  row_heights_.erase(row_heights_.begin() + index);
  KeepSelectionInside();
  Changed();
}

int Grid::RowHeight(int row) const {
  Touch();
  if (row < 0 || row >= static_cast<int>(row_heights_.size())) throw InvalidRowValue();
  return row_heights_[row];
}

void Grid::SetRowHeight(int row, int twips) {
  Touch();
  if (twips < 0) throw errors::InvalidPropertyValue();
  if (row == -1) {
    std::fill(row_heights_.begin(), row_heights_.end(), twips);
  } else {
    CheckRow(row);
    row_heights_[row] = twips;
  }
  Changed();
}

int Grid::ColWidth(int col) const {
  Touch();
  if (col < 0 || col >= cols_) throw InvalidColumnValue();
  return col_widths_[col];
}

void Grid::SetColWidth(int col, int twips) {
  Touch();
  if (twips < 0) throw errors::InvalidPropertyValue();
  if (col == -1) {
    std::fill(col_widths_.begin(), col_widths_.end(), twips);
  } else {
    CheckCol(col);
    col_widths_[col] = twips;
  }
  Changed();
}

int Grid::TopRow() const {
  Touch();
  return top_row_;
}

void Grid::SetTopRow(int row) {
  Touch();
  CheckRow(row);
  top_row_ = std::clamp(row, std::min(FixedRows(), Rows() - 1), Rows() - 1);
  Changed();
}

void Grid::Refresh() {
  Touch();
  Changed();
}

void Grid::UserSelect(int row, int col, int row_sel, int col_sel) {
  Touch();
  CheckRow(row);
  CheckRow(row_sel);
  CheckCol(col);
  CheckCol(col_sel);
  if (IsUsable() && !HasFocus()) Parent().MoveFocus(this);
  SetSelection(row, col, row_sel, col_sel, true);
}

void Grid::CheckRow(int row) const {
  if (row < 0 || row >= static_cast<int>(cells_.size())) throw InvalidRowValue();
}

void Grid::CheckCol(int col) const {
  if (col < 0 || col >= cols_) throw InvalidColumnValue();
}

void Grid::SetSelection(int row, int col, int row_sel, int col_sel, bool always_fire) {
  bool changed = row != row_ || col != col_ || row_sel != row_sel_ || col_sel != col_sel_;
  row_ = row;
  col_ = col;
  row_sel_ = row_sel;
  col_sel_ = col_sel;
  if (!changed && !always_fire) return;
  Changed();
  if (sel_change_) sel_change_();
}

void Grid::KeepSelectionInside() {
  int last_row = static_cast<int>(cells_.size()) - 1;
  int first_row = std::min(FixedRows(), last_row);
  int last_col = cols_ - 1;
  row_ = std::clamp(row_, first_row, last_row);
  row_sel_ = std::clamp(row_sel_, first_row, last_row);
  col_ = std::clamp(col_, 0, last_col);
  col_sel_ = std::clamp(col_sel_, 0, last_col);
  top_row_ = std::clamp(top_row_, first_row, last_row);
}

std::unique_ptr<Control> Grid::Clone() const {
  return std::unique_ptr<Control>(new Grid(*this));
}

void Grid::AssignFrom(const Control& design) {
  // The selection handler is set by the dialog code and survives an unload.
  EventHandler sel_change = std::move(sel_change_);
  *this = static_cast<const Grid&>(design);
  sel_change_ = std::move(sel_change);
}

}  // namespace korvax::forms
