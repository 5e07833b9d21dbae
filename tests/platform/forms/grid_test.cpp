#include <gtest/gtest.h>

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

TEST_F(GridTest, StartsWithAHeaderRowAndOneBlankLineAndGrowsAndShrinksAtTheEnd) {
  EXPECT_EQ(grid_.FixedRows(), 1);
  EXPECT_EQ(grid_.Row(), 1);
  EXPECT_EQ(grid_.TextMatrix(1, 4), "");
  grid_.SetTextMatrix(1, 0, "Flst.Nr. 12");
  grid_.SetRows(4);
  EXPECT_EQ(grid_.TextMatrix(3, 4), "");
  grid_.SetTextMatrix(3, 4, "x");
  grid_.SetRows(3);
  grid_.SetRows(4);
  EXPECT_EQ(grid_.TextMatrix(3, 4), "");
  EXPECT_EQ(grid_.TextMatrix(1, 0), "Flst.Nr. 12");
  grid_.SetCols(2);
  EXPECT_EQ(ErrorNumber([&] { grid_.TextMatrix(1, 2); }), 381);
  grid_.SetCols(3);
  EXPECT_EQ(grid_.TextMatrix(1, 2), "");
  EXPECT_EQ(grid_.TextMatrix(1, 0), "Flst.Nr. 12");
}

TEST_F(GridTest, AddItemInsertsATabSeparatedRow) {
  grid_.SetTextMatrix(1, 0, "erste");
  grid_.AddItem("zweite\t100\t  5,00");
  grid_.AddItem(" ", 1);
  ASSERT_EQ(grid_.Rows(), 4);
  EXPECT_EQ(grid_.TextMatrix(1, 0), " ");
  EXPECT_EQ(grid_.TextMatrix(2, 0), "erste");
  EXPECT_EQ(grid_.TextMatrix(3, 0), "zweite");
  EXPECT_EQ(grid_.TextMatrix(3, 1), "100");
  EXPECT_EQ(grid_.TextMatrix(3, 2), "  5,00");
  EXPECT_EQ(grid_.TextMatrix(3, 3), "");
  EXPECT_EQ(grid_.RowHeight(1), grid_.RowHeight(0));
}

TEST_F(GridTest, RemoveItemRemovesTheRowAndRefusesTheLastDataRow) {
  grid_.AddItem("zweite");
  grid_.AddItem("dritte");
  grid_.RemoveItem(2);
  ASSERT_EQ(grid_.Rows(), 3);
  EXPECT_EQ(grid_.TextMatrix(2, 0), "dritte");
  grid_.RemoveItem(1);
  EXPECT_EQ(grid_.Rows(), 2);
  try {
    grid_.RemoveItem(1);
    ADD_FAILURE() << "removed the last non-fixed row";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 30015);
    EXPECT_EQ(e.description(), "Die letzte nicht feste Zeile kann nicht entfernt werden.");
  }
  EXPECT_EQ(grid_.Rows(), 2);
  EXPECT_EQ(grid_.TextMatrix(1, 0), "dritte");
  EXPECT_EQ(ErrorNumber([&] { grid_.RemoveItem(5); }), 30009);
  // Removing the current last row keeps the selection inside.
  grid_.SetRows(4);
  grid_.SetRow(3);
  grid_.RemoveItem(3);
  EXPECT_EQ(grid_.Row(), 2);
  EXPECT_EQ(grid_.RowSel(), 2);
}

TEST_F(GridTest, SettingRowCollapsesTheSelectionAndRowSelExtendsIt) {
  grid_.SetRows(5);
  grid_.SetRow(2);
  grid_.SetCol(0);
  grid_.SetRowSel(4);
  grid_.SetColSel(4);
  EXPECT_EQ(grid_.SelStartRow(), 2);
  EXPECT_EQ(grid_.SelEndRow(), 4);
  EXPECT_EQ(grid_.SelEndCol(), 4);
  grid_.SetRow(3);
  EXPECT_EQ(grid_.RowSel(), 3);
  EXPECT_EQ(grid_.ColSel(), 0);
  grid_.SetRowSel(1);
  EXPECT_EQ(grid_.SelStartRow(), 1);
  EXPECT_EQ(grid_.SelEndRow(), 3);
  EXPECT_EQ(ErrorNumber([&] { grid_.SetRow(5); }), 30009);
  EXPECT_EQ(ErrorNumber([&] { grid_.SetCol(5); }), 30010);
}

TEST_F(GridTest, SelChangeFiresWhenTheSelectionChangesOrTheUserClicks) {
  grid_.SetRows(4);
  int before = form_->sel_changes;
  grid_.SetRow(2);
  EXPECT_EQ(form_->sel_changes, before + 1);
  grid_.SetRow(2);  // no change, no event
  EXPECT_EQ(form_->sel_changes, before + 1);
  grid_.SetColSel(4);
  EXPECT_EQ(form_->sel_changes, before + 2);
  grid_.Select(3, 0, 3, 4);
  EXPECT_EQ(form_->sel_changes, before + 3);
  grid_.AddItem("neu", 1);  // structural changes stay quiet
  EXPECT_EQ(form_->sel_changes, before + 3);
  grid_.UserSelect(2, 0, 2, 4);  // a user's click always reports, even unchanged
  grid_.UserSelect(2, 0, 2, 4);
  EXPECT_EQ(form_->sel_changes, before + 5);
  EXPECT_EQ(grid_.Row(), 2);
  EXPECT_EQ(grid_.ColSel(), 4);
}

TEST_F(GridTest, HeightsWidthsAndTopRow) {
  grid_.SetRows(6);
  grid_.SetRowHeight(-1, 300);
  grid_.SetColWidth(0, 3400);
  EXPECT_EQ(grid_.RowHeight(5), 300);
  EXPECT_EQ(grid_.ColWidth(0), 3400);
  grid_.SetTopRow(4);
  EXPECT_EQ(grid_.TopRow(), 4);
  grid_.SetRows(3);
  EXPECT_EQ(grid_.TopRow(), 2);
}

TEST_F(GridTest, UnloadResetsTheGridToItsDesign) {
  grid_.SetRows(5);
  grid_.SetTextMatrix(0, 1, " Fläche [m²]");
  form_->Unload();
  EXPECT_FALSE(form_->IsLoaded());
  EXPECT_EQ(grid_.Rows(), 2);  // access loads the form again
  EXPECT_TRUE(form_->IsLoaded());
  EXPECT_EQ(grid_.TextMatrix(0, 1), "");
  int before = form_->sel_changes;
  grid_.SetRow(0);
  EXPECT_EQ(form_->sel_changes, before + 1);  // the handler survived
}

}  // namespace
}  // namespace korvax::forms
