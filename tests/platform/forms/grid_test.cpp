#include <gtest/gtest.h>

#include <functional>

#include "platform/forms/form.hpp"

namespace korvax::forms {
namespace {

class GridForm : public Form {
 public:
  GridForm() : Form("frmGitter") {
    grid = &AddGrid("GridGebühren1", 2, 5, 120, 120, 7600, 2400);
    grid->OnSelChange([this] { ++sel_changes; });
  }
  Grid* grid;
  int sel_changes = 0;
};

class GridTest : public ::testing::Test {
 protected:
  std::unique_ptr<GridForm> form_ = Form::Create<GridForm>();
  Grid& grid_ = *form_->grid;
};

int ErrorNumber(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST_F(GridTest, GrowsAndShrinksAtTheEndAndAddItemInsertsATabSeparatedRow) {
  EXPECT_EQ(grid_.FixedRows(), 1);
  EXPECT_EQ(grid_.Row(), 1);
  grid_.SetTextMatrix(1, 0, "erste");
  grid_.SetRows(4);
  grid_.SetTextMatrix(3, 4, "x");
  grid_.SetRows(3);
  grid_.SetRows(4);
  EXPECT_EQ(grid_.TextMatrix(3, 4), "");  // a row given up comes back blank
  grid_.SetCols(2);
  grid_.SetCols(3);
  EXPECT_EQ(grid_.TextMatrix(1, 2), "");
  EXPECT_EQ(grid_.TextMatrix(1, 0), "erste");

  grid_.SetRows(2);
  grid_.AddItem("zweite\t100\t  5,00", 1);  // split at the tabs, inserted before row 1
  EXPECT_EQ(grid_.TextMatrix(1, 2), "  5,00");
  EXPECT_EQ(grid_.TextMatrix(2, 0), "erste");
  EXPECT_EQ(grid_.RowHeight(1), grid_.RowHeight(0));
  form_->Unload();  // back to the design; the next access loads it again
  EXPECT_EQ(grid_.Rows(), 2);
  EXPECT_EQ(grid_.TextMatrix(1, 0), "");
}

TEST_F(GridTest, RemoveItemKeepsTheLastDataRowAndTheSelectionInside) {
  grid_.AddItem("zweite");
  grid_.AddItem("dritte");
  grid_.RemoveItem(2);
  EXPECT_EQ(grid_.TextMatrix(2, 0), "dritte");
  grid_.RemoveItem(1);
  EXPECT_EQ(ErrorNumber([&] { grid_.RemoveItem(1); }), 30015);
  EXPECT_EQ(grid_.TextMatrix(1, 0), "dritte");
  grid_.SetRows(4);
  grid_.SetRow(3);
  grid_.RemoveItem(3);
  EXPECT_EQ(grid_.Row(), 2);
  EXPECT_EQ(grid_.RowSel(), 2);
  grid_.SetRows(5);
  grid_.SetTopRow(4);
  grid_.SetRows(3);  // the top row follows
  EXPECT_EQ(grid_.TopRow(), 2);
}

TEST_F(GridTest, OutOfRangeCellsAndRowsFailWithTheirNumbers) {
  const std::pair<int, std::function<void()>> cases[] = {
      {381, [&] { grid_.TextMatrix(1, 5); }},
      {30009, [&] { grid_.RemoveItem(5); }},
      {30009, [&] { grid_.SetRow(2); }},
      {30010, [&] { grid_.SetCol(5); }},
  };
  for (const auto& [number, call] : cases) EXPECT_EQ(ErrorNumber(call), number);
  EXPECT_EQ(grid_.Rows(), 2);
}

TEST_F(GridTest, SettingRowCollapsesTheSelectionAndSelChangeFiresOnlyOnChange) {
  grid_.SetRows(5);
  int before = form_->sel_changes;
  grid_.SetRow(2);
  grid_.SetRow(2);  // no change, no event
  EXPECT_EQ(form_->sel_changes, before + 1);
  grid_.SetCol(0);
  grid_.SetRowSel(4);
  grid_.SetColSel(4);
  EXPECT_EQ(grid_.SelEndCol(), 4);
  grid_.SetRow(3);
  EXPECT_EQ(grid_.RowSel(), 3);
  EXPECT_EQ(grid_.ColSel(), 0);
  grid_.SetRowSel(1);
  EXPECT_EQ(grid_.SelStartRow(), 1);
  EXPECT_EQ(grid_.SelEndRow(), 3);
  before = form_->sel_changes;
  grid_.AddItem("neu", 1);  // structural changes stay quiet
  EXPECT_EQ(form_->sel_changes, before);
}

}  // namespace
}  // namespace korvax::forms
