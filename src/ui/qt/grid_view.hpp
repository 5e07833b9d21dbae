// The grid of billing lines as a QTableWidget. Row 0 of the model, the fixed
// header row, is the table's horizontal header; model row r is table row r-1.
// Cells are read-only, as on the classic grid: the dialogs edit a line through
// their input fields.
#pragma once

#include <QTableWidget>
#include <functional>

#include "platform/forms/grid.hpp"
#include "ui/qt/control_widgets.hpp"
#include "ui/qt/form_layout.hpp"

namespace korvax::ui {

class GridTable : public Routed<QTableWidget> {
 public:
  // The user clicked a cell or moved the selection (model coordinates: current
  // cell, then the other corner).
  using SelectHandler = std::function<void(int row, int col, int row_sel, int col_sel)>;

  GridTable(ControlRouter& router, forms::Grid& grid, QWidget* parent);

  void OnUserSelect(SelectHandler handler) { on_select_ = std::move(handler); }
  // Column widths and row heights follow the form's design scale.
  void SetScale(const DesignScale& scale) { scale_ = scale; }
  // The model has changed; the next Update reads it again.
  void MarkChanged() { changed_ = true; }
  // Brings the table up to date with the model (size, header, cells, widths,
  // heights and the selection) when it changed since the last update.
  void Update();
  // The model's text of a cell as this table holds it (untrimmed).
  QString ModelText(int model_row, int col) const;

 protected:
  bool viewportEvent(QEvent* event) override;

 private:
  void ReportSelection();
  void UpdateSelection();

  forms::Grid& grid_;
  SelectHandler on_select_;
  DesignScale scale_;
  bool updating_ = false;
  bool mouse_down_ = false;
  bool changed_ = true;
  int shown_top_row_ = -1;
};

// Whether a cell text reads as a number or amount in German notation
// ("   12,00", "1.234 m", " 6"), which the table right-aligns; a fee item
// such as "5.1.1" is text.
bool LooksNumeric(const QString& text);

}  // namespace korvax::ui
