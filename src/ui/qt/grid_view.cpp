#include "ui/qt/grid_view.hpp"

#include <QHeaderView>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <algorithm>

namespace korvax::ui {

namespace {
constexpr Qt::ItemDataRole kModelTextRole = Qt::UserRole;
}  // namespace

bool LooksNumeric(const QString& text) {
  static const QRegularExpression kNumber(
      QStringLiteral(R"(^[-+]?([0-9]{1,3}(\.[0-9]{3})+|[0-9]+)(,[0-9 ]*)?\s*(m|m²|€|%)?$)"));
  return kNumber.match(text.trimmed()).hasMatch();
}

GridTable::GridTable(ControlRouter& router, forms::Grid& grid, QWidget* parent)
    : Routed<QTableWidget>(router, grid, parent), grid_(grid) {
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setWordWrap(false);
  setTextElideMode(Qt::ElideRight);
  setAlternatingRowColors(true);
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  verticalHeader()->setVisible(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(false);

  // Keyboard moves of the current cell report at once; a mouse press and drag
  // reports once, at the release, as a click always reports the selection.
  connect(this, &QTableWidget::itemSelectionChanged, this, [this] {
    if (!updating_ && !mouse_down_) ReportSelection();
  });
}

QString GridTable::ModelText(int model_row, int col) const {
  if (model_row == 0) {
    const QTableWidgetItem* header = horizontalHeaderItem(col);
    return header != nullptr ? header->data(kModelTextRole).toString() : QString();
  }
  const QTableWidgetItem* cell = item(model_row - 1, col);
  return cell != nullptr ? cell->data(kModelTextRole).toString() : QString();
}

bool GridTable::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) mouse_down_ = true;
  bool handled = QTableWidget::viewportEvent(event);
  if (event->type() == QEvent::MouseButtonRelease && mouse_down_) {
    mouse_down_ = false;
    if (!updating_) ReportSelection();
  }
  return handled;
}

void GridTable::ReportSelection() {
  if (!on_select_) return;
  const int row = currentRow();
  const int col = currentColumn();
  if (row < 0 || col < 0) return;
  int row_sel = row;
  int col_sel = col;
  // The other corner is the far corner of the range that holds the current cell.
  for (const QTableWidgetSelectionRange& range : selectedRanges()) {
    if (row < range.topRow() || row > range.bottomRow() || col < range.leftColumn() ||
        col > range.rightColumn()) {
      continue;
    }
    row_sel = row == range.topRow() ? range.bottomRow() : range.topRow();
    col_sel = col == range.leftColumn() ? range.rightColumn() : range.leftColumn();
  }
  on_select_(row + 1, col, row_sel + 1, col_sel);
}

void GridTable::Update() {
  // A dialog's every keystroke ends in a full sync; reading a grid that has
  // not changed would only cost time and scroll it back to the current line.
  if (!changed_) return;
  changed_ = false;
  updating_ = true;
  QSignalBlocker block(this);
  const int rows = grid_.Rows();
  const int cols = grid_.Cols();
  const int fixed_cols = grid_.FixedCols();
  if (columnCount() != cols) setColumnCount(cols);
  if (rowCount() != rows - 1) setRowCount(rows - 1);

  const int min_row_height = fontMetrics().height() + 4;
  for (int c = 0; c < cols; ++c) {
    bool numeric = false;
    for (int r = 1; r < rows; ++r) {
      const QString text = ToQt(grid_.TextMatrix(r, c));
      QTableWidgetItem* cell = item(r - 1, c);
      if (cell == nullptr) {
        cell = new QTableWidgetItem;
        setItem(r - 1, c, cell);
      }
      if (cell->data(kModelTextRole).toString() != text ||
          cell->text().isEmpty() != text.trimmed().isEmpty()) {
        cell->setData(kModelTextRole, text);
        cell->setText(text.trimmed());
      }
      const bool right = LooksNumeric(text);
      numeric = numeric || right;
      cell->setTextAlignment(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
      if (c < fixed_cols) cell->setBackground(palette().button());
    }
    const QString header_text = ToQt(grid_.TextMatrix(0, c));
    QTableWidgetItem* header = horizontalHeaderItem(c);
    if (header == nullptr) {
      header = new QTableWidgetItem;
      setHorizontalHeaderItem(c, header);
    }
    header->setData(kModelTextRole, header_text);
    header->setText(header_text.trimmed());
    header->setTextAlignment(Qt::AlignVCenter | (numeric ? Qt::AlignRight : Qt::AlignLeft));

    const int width = scale_.X(grid_.ColWidth(c));
    setColumnHidden(c, width == 0);
    if (width > 0 && columnWidth(c) != width) setColumnWidth(c, width);
  }
  for (int r = 1; r < rows; ++r) {
    const int height = scale_.Y(grid_.RowHeight(r));
    setRowHidden(r - 1, height == 0);
    if (height > 0) setRowHeight(r - 1, std::max(height, min_row_height));
  }
  horizontalHeader()->setFixedHeight(std::max(scale_.Y(grid_.RowHeight(0)), min_row_height));
  UpdateSelection();
  updating_ = false;
}

void GridTable::UpdateSelection() {
  clearSelection();
  if (rowCount() == 0) return;
  const int row = grid_.Row() - 1;
  const int col = grid_.Col();
  if (row < 0) return;
  setCurrentCell(row, col, QItemSelectionModel::NoUpdate);
  const int top = std::min(row, grid_.RowSel() - 1);
  const int bottom = std::max(row, grid_.RowSel() - 1);
  const int left = std::min(col, grid_.ColSel());
  const int right = std::max(col, grid_.ColSel());
  if (top >= 0) setRangeSelected(QTableWidgetSelectionRange(top, left, bottom, right), true);

  const int top_row = grid_.TopRow();
  if (top_row != shown_top_row_ && top_row >= 1 && top_row - 1 < rowCount()) {
    scrollToItem(item(top_row - 1, 0), QAbstractItemView::PositionAtTop);
    shown_top_row_ = top_row;
  } else if (QTableWidgetItem* current = item(row, col)) {
    scrollToItem(current, QAbstractItemView::EnsureVisible);
  }
}

}  // namespace korvax::ui
