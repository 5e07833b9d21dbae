#include "dialogs/fee_dialog.hpp"

#include "common/error.hpp"
#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/text.hpp"
#include "document/tk_word_auto.hpp"

namespace korvax::dialogs {

namespace {

// The next value of a 16-bit row index; overflow 6 as the classic runtime.
int16_t NextRow(int16_t row) {
  if (row == INT16_MAX) throw errors::Overflow();
  return static_cast<int16_t>(row + 1);
}

int16_t RowIndex(int row) {
  if (row < INT16_MIN || row > INT16_MAX) throw errors::Overflow();
  return static_cast<int16_t>(row);
}

}  // namespace

std::string AlignDecimals(std::string_view typed) {
  std::string value(typed);
  for (int pass = 0; pass < 4 && text::Mid(value, 5, 1) == " "; ++pass) {
    value = " " + text::Left(value, 4);
  }
  return value;
}

FeeDialog::FeeDialog(std::string name, std::string grid_name)
    : Form(std::move(name)), grid_name_(std::move(grid_name)) {
  OnActivate([this] { UserForm_Activate(); });
  OnUnload([this](int& cancel) { UserForm_QueryClose(cancel); });
}

void FeeDialog::UserForm_Activate() {
  leaving_ = false;
  LoadPath();
  Operation op(Name(), "UserForm_Activate");
  if (op.If(100, [&] { return TabellenwahlAbgebrochen(); })) {
    op.Step(110, [&] {
      leaving_ = true;
      Unload();
    });
    return;
  }
  op.Step(120, [&] { loaded_lines_ = GridLines(); });
}

void FeeDialog::UserForm_QueryClose(int& cancel) {
  if (leaving_) return;
  Operation op(Name(), "UserForm_QueryClose");
  op.Step(1, [&] {
    if (LinesChanged() && !DiscardConfirmed()) cancel = 1;
  });
}

std::vector<std::string> FeeDialog::GridLines() const {
  const forms::Grid& grid = FeeGrid();
  std::vector<std::string> lines;
  for (int row = 1; row < grid.Rows(); ++row) {
    std::string line;
    for (int col = 0; col < grid.Cols(); ++col) line += grid.TextMatrix(row, col) + '\t';
    lines.push_back(std::move(line));
  }
  return lines;
}

bool FeeDialog::LinesChanged() const {
  return GridLines() != loaded_lines_;
}

bool FeeDialog::DiscardConfirmed() {
  MessageBoxRequest question;
  question.prompt = "Die geänderten Zeilen verwerfen?";
  question.buttons = 36;  // Yes and No, with the question mark
  question.value8 = -2;
  return MsgBox(question) == 6;
}

std::string FeeDialog::DeleteQuestion(int row) const {
  const std::string text = text::Trim(FeeGrid().TextMatrix(row, 0));
  return "Zeile " + std::to_string(row) + (text.empty() ? "" : " (" + text + ")") + " löschen?";
}

forms::Grid& FeeDialog::AddFeeGrid(int cols, int left, int top, int width, int height) {
  forms::Grid& grid = AddGrid(grid_name_, 2, cols, left, top, width, height);
  grid.OnSelChange([this] { Grid_SelChange(); });
  return grid;
}

forms::TextBox& FeeDialog::AddParcelField(int left, int top, int width, int height) {
  forms::TextBox& box = AddTextBox("TextBoxFlst", left, top, width, height);
  box.OnGotFocus([&box] { Operation::Quietly([&] { box.SetSelStart(9); }); });
  return box;
}

forms::MaskedEdit& FeeDialog::AddInputField(std::string_view name, std::string_view mask, int left,
                                            int top, int width, int height, int selection_length) {
  forms::MaskedEdit& field = AddMaskedEdit(name, mask, left, top, width, height);
  field.OnGotFocus([&field, selection_length] {
    Operation::Quietly([&] {
      field.SetSelStart(0);
      field.SetSelLength(selection_length);
    });
  });
  return field;
}

void FeeDialog::SetUpKeys(forms::EditControl& field, int rules) {
  const std::string report = field.FullName() + "_KeyPress";
  field.OnKeyPress([this, &field, rules, report](int& key) {
    Operation op(Name(), report);
    if ((rules & kEnterApplies) != 0 && key == forms::kKeyEnter) {
      op.Step(1, [&] { Apply(); });
      op.Step(2, [&] { key = 0; });
    }
    if ((rules & kMoneyField) != 0 && (key == ',' || key == '.')) {
      op.Step(3, [&] { field.SetText(text::Left(AlignDecimals(field.Text()), 5) + ",  "); });
      op.Step(4, [&] { field.SetSelStart(6); });
      op.Step(5, [&] { key = 0; });
    }
  });
  if ((rules & kMoneyField) != 0) field.OnLostFocus([this] { WertÜberprüfen(); });
}

void FeeDialog::AddButtons(int left, int top, std::string_view insert_name) {
  constexpr int kWidth = 1100;
  constexpr int kHeight = 375;
  constexpr int kSpacing = 1200;
  auto& abbruch = AddCommandButton("CommandAbbruch", "&Abbruch", left, top, kWidth, kHeight);
  abbruch.OnClick([this] { CommandAbbruch_Click(); });
  abbruch.SetCancel(true);  // Escape
  AddCommandButton("CommandEnde", "&OK", left + kSpacing, top, kWidth, kHeight).OnClick([this] {
    leaving_ = true;
    FinishPath();
    leaving_ = false;
  });
  AddCommandButton("CommandÜbernehmen", "&Übernehmen", left + 2 * kSpacing, top, kWidth, kHeight)
      .OnClick([this] { CommandÜbernehmen_Click(); });
  AddCommandButton("CommandButtonNeu", "&Neu", left + 3 * kSpacing, top, kWidth, kHeight)
      .OnClick([this] { CommandButtonNeu_Click(); });
  AddCommandButton("CommandLöschen", "&Löschen", left + 4 * kSpacing, top, kWidth, kHeight)
      .OnClick([this] { CommandLöschen_Click(); });
  AddCommandButton(insert_name, "&Einfügen", left + 5 * kSpacing, top, kWidth, kHeight)
      .OnClick([this] { Commandneu_Click(); });
}

void FeeDialog::CommandButtonNeu_Click() {
  Operation op(Name(), "CommandButtonNeu_Click");
  op.Step(1, [&] { current_row_ = RowIndex(FeeGrid().Rows()); });
  op.Step(2, [&] { NeuWerte(); });
  op.Step(3, [&] { suppressed_ = true; });
  op.Step(4, [&] { FeeGrid().SetRow(1); });
  op.Step(5, [&] { FeeGrid().SetCol(1); });
  op.Step(6, [&] { suppressed_ = false; });
  op.Step(7, [&] { TextBoxFlst().SetFocus(); });
}

void FeeDialog::Commandneu_Click() {
  Operation op(Name(), "Commandneu_Click");
  int row = 0;
  op.Step(1, [&] { row = FeeGrid().SelStartRow(); });
  op.Step(2, [&] { FeeGrid().AddItem(" ", row); });
  op.Step(3, [&] { RowInserted(row); });
  op.Step(4, [&] { NeuWerte(); });
}

void FeeDialog::RemoveRow(int row) {
  forms::Grid& grid = FeeGrid();
  if (grid.Rows() <= 2) {
    for (int col = 0; col < grid.Cols(); ++col) grid.SetTextMatrix(row, col, "");
  } else {
    grid.RemoveItem(row);
  }
}

int FeeDialog::AfterDelete(Operation& op, int first) {
  op.Step(first, [&] { current_row_ = RowIndex(FeeGrid().SelStartRow()); });
  op.Step(first + 1, [&] { LesenWerte(); });
  op.Step(first + 2, [&] { FeeGrid().Refresh(); });
  return first + 3;
}

void FeeDialog::CommandLöschen_Click() {
  Operation op(Name(), "CommandLöschen_Click");
  if (!op.If(1, [&] { return CanDelete(); })) return;
  int32_t answer = 0;
  op.Step(2, [&] {
    MessageBoxRequest question;
    question.prompt = DeleteQuestion(FeeGrid().SelStartRow());
    question.buttons = DeleteQuestionButtons();
    question.value8 = -2;
    answer = MsgBox(question);
  });
  if (op.If(3, [&] { return answer == 6; })) {
    op.Step(4, [&] { RemoveRow(FeeGrid().SelStartRow()); });
    AfterDelete(op, 5);
  }
}

void FeeDialog::CommandÜbernehmen_Click() {
  Operation op(Name(), "CommandÜbernehmen_Click");
  op.Step(1, [&] { Apply(); });
}

void FeeDialog::CommandAbbruch_Click() {
  Operation op(Name(), "CommandAbbruch_Click");
  bool discard = false;
  op.Step(1, [&] { discard = !LinesChanged() || DiscardConfirmed(); });
  if (op.If(2, [&] { return discard; })) {
    op.Step(3, [&] {
      leaving_ = true;
      Unload();
    });
  }
}

void FeeDialog::Grid_SelChange() {
  if (suppressed_) return;
  Operation op(Name(), grid_name_ + "_SelChange");
  op.Step(1, [&] { current_row_ = RowIndex(FeeGrid().SelStartRow()); });
  op.Step(2, [&] { LesenWerte(); });
}

void FeeDialog::ResetRows(int rows, int cols) {
  forms::Grid& grid = FeeGrid();
  grid.SetRows(1);
  grid.SetCols(cols);
  grid.SetRows(rows);
  grid.SetRowHeight(-1, kRowHeight);
}

void FeeDialog::StartEmpty(int cols) {
  ResetRows(2, cols);
  TextBoxFlst().SetText(kParcelPrefix);
  current_row_ = 1;
}

void FeeDialog::SetHeader(std::initializer_list<std::pair<std::string_view, int>> columns) {
  forms::Grid& grid = FeeGrid();
  int col = 0;
  for (const auto& [text, width] : columns) {
    grid.SetTextMatrix(0, col, std::string(text));
    grid.SetColWidth(col, width);
    ++col;
  }
  grid.SetRowHeight(0, kRowHeight);
}

void FeeDialog::CheckCurrentRow() {
  if (current_row_ == 0) current_row_ = 1;
}

void FeeDialog::SelectCurrentRow(int last_col) {
  SuppressionScope quiet(*this);
  FeeGrid().Select(current_row_, 0, current_row_, last_col);
}

void FeeDialog::AppendRowIfNew() {
  forms::Grid& grid = FeeGrid();
  if (current_row_ == grid.Rows()) {
    grid.AddItem("", current_row_);
    grid.SetRowHeight(current_row_, kRowHeight);
  }
}

int FeeDialog::AdvanceLine(Operation& op, int first) {
  op.Step(first, [&] { current_row_ = NextRow(current_row_); });
  if (op.If(first + 1, [&] { return current_row_ == FeeGrid().Rows(); })) {
    op.Step(first + 2, [&] { NeuWerte(); });
    op.Step(first + 3, [&] {
      SuppressionScope quiet(*this);
      FeeGrid().SetRow(1);
      FeeGrid().SetCol(1);
    });
  } else {
    op.Step(first + 4, [&] { LesenWerte(); });
  }
  op.Step(first + 5, [&] { TextBoxFlst().SetFocus(); });
  return first + 6;
}

void FeeDialog::CheckMoneyField(forms::MaskedEdit& field) {
  // The mask "#####,##" has no place for a thousands point: 1.948,00 goes
  // in as 1948,00 instead of being refused.
  const std::string betrag = WertFormatieren(AlignDecimals(field.Text()), 8, 2);
  field.SetText(Format(Variant(Tausche(betrag, ".", "")), "@@@@@@@@"));
}

void FeeDialog::Apply() {
  WertÜberprüfen();
  ÜbernehmenWerte();
}

}  // namespace korvax::dialogs
