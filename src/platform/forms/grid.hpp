// The grid of billing lines, modelled on the classic flex grid. Row 0 is
// the fixed header row (FixedRows 1); every cell holds text. The current
// cell is (Row, Col); the selection spans from it to (RowSel, ColSel).
// Setting Row or Col collapses the selection onto the new current cell;
// setting RowSel or ColSel extends it. SelChange fires whenever the selection
// actually changes, whether the user or the program changed it; adding and
// removing rows keep the selection inside the grid without firing it.
#pragma once

#include <string>
#include <vector>

#include "common/error.hpp"
#include "platform/forms/control.hpp"

namespace korvax::forms {

// The grid's own failures, with the classic numbers.
Error InvalidRowValue();              // 30009
Error InvalidColumnValue();           // 30010
Error CannotRemoveLastNonFixedRow();  // 30015

class Grid : public Control {
 public:
  Grid(Form& form, std::string_view name, int rows, int cols, const Geometry& geometry,
       Frame* container);
  ControlKind Kind() const override { return ControlKind::kGrid; }
  std::string DisplayText() const override { return Text(); }

  int Rows() const;
  void SetRows(int rows);  // growing adds blank rows, shrinking drops the last
  int Cols() const;
  void SetCols(int cols);
  int FixedRows() const { return 1; }
  int FixedCols() const;
  void SetFixedCols(int cols);

  std::string TextMatrix(int row, int col) const;  // 381 outside the grid
  void SetTextMatrix(int row, int col, std::string text);
  std::string Text() const;  // the current cell
  void SetText(std::string text);

  int Row() const;
  void SetRow(int row);  // 30009 outside the grid
  int Col() const;
  void SetCol(int col);  // 30010 outside the grid
  int RowSel() const;
  void SetRowSel(int row);
  int ColSel() const;
  void SetColSel(int col);
  // The selection as a range, whichever corner the current cell is.
  int SelStartRow() const;
  int SelEndRow() const;
  int SelStartCol() const;
  int SelEndCol() const;
  // Current cell (row, col) and the other corner in one change: one SelChange.
  void Select(int row, int col, int row_sel, int col_sel);

  // Inserts a row at index (-1 appends); tab-separated parts fill its cells.
  void AddItem(std::string_view item, int index = -1);
  // Removes a row; the last non-fixed row cannot be removed (30015).
  void RemoveItem(int index);

  int RowHeight(int row) const;
  void SetRowHeight(int row, int twips);  // row -1 sets every row
  int ColWidth(int col) const;
  void SetColWidth(int col, int twips);  // col -1 sets every column
  int TopRow() const;
  void SetTopRow(int row);  // kept between the fixed rows and the last row

  // Repaints; the back end observes the change, the model has nothing to do.
  void Refresh();

  void OnSelChange(EventHandler handler) { sel_change_ = std::move(handler); }

  // The user clicks a cell, or drags from one cell to another: the grid takes
  // the focus, the selection is set and SelChange fires (even for the same
  // cell, as a click always reports the selection).
  void UserSelect(int row, int col, int row_sel, int col_sel);

 private:
  void CheckRow(int row) const;
  void CheckCol(int col) const;
  void SetSelection(int row, int col, int row_sel, int col_sel, bool always_fire);
  void KeepSelectionInside();

  std::vector<std::vector<std::string>> cells_;  // [row][col]
  std::vector<int> row_heights_;
  std::vector<int> col_widths_;
  int cols_ = 0;
  int fixed_cols_ = 0;
  int row_ = 1;
  int col_ = 0;
  int row_sel_ = 1;
  int col_sel_ = 0;
  int top_row_ = 1;
  EventHandler sel_change_;

  Grid(const Grid&) = default;
  Grid& operator=(const Grid&) = default;
  std::unique_ptr<Control> Clone() const override;
  void AssignFrom(const Control& design) override;
};

}  // namespace korvax::forms
