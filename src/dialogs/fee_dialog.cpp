#include "dialogs/fee_dialog.hpp"

#include "common/error.hpp"
#include "common/funktionen.hpp"
#include "common/text.hpp"

namespace korvax::dialogs {

namespace {

// The next value of a 16-bit row index; overflow 6 as the classic runtime.
int16_t Nächste(int16_t row) {
  if (row == INT16_MAX) throw errors::Overflow();
  return static_cast<int16_t>(row + 1);
}

int16_t Zeilenindex(int row) {
  if (row < INT16_MIN || row > INT16_MAX) throw errors::Overflow();
  return static_cast<int16_t>(row);
}

}  // namespace

std::string DezimalAusrichten(std::string_view typed) {
  std::string value(typed);
  for (int pass = 0; pass < 4 && text::Mid(value, 5, 1) == " "; ++pass) {
    value = " " + text::Left(value, 4);
  }
  return value;
}

FeeDialog::FeeDialog(std::string name, std::string grid_name)
    : Form(std::move(name)), grid_name_(std::move(grid_name)) {
  OnActivate([this] { Laden(); });
}

forms::Grid& FeeDialog::AddGebührenGrid(int cols, int left, int top, int width, int height) {
  forms::Grid& grid = AddGrid(grid_name_, 2, cols, left, top, width, height);
  grid.OnSelChange([this] { Grid_SelChange(); });
  return grid;
}

forms::TextBox& FeeDialog::AddFlurstücksfeld(int left, int top, int width, int height) {
  forms::TextBox& box = AddTextBox("TextBoxFlst", left, top, width, height);
  box.OnGotFocus([&box] { Operation::Quietly([&] { box.SetSelStart(9); }); });
  return box;
}

forms::MaskedEdit& FeeDialog::AddEingabefeld(std::string_view name, std::string_view mask, int left,
                                             int top, int width, int height, int auswahl) {
  forms::MaskedEdit& field = AddMaskedEdit(name, mask, left, top, width, height);
  field.OnGotFocus([&field, auswahl] {
    Operation::Quietly([&] {
      field.SetSelStart(0);
      field.SetSelLength(auswahl);
    });
  });
  return field;
}

void FeeDialog::TastenEinrichten(forms::EditControl& field, int regeln) {
  const std::string report = field.FullName() + "_KeyPress";
  field.OnKeyPress([this, &field, regeln, report](int& key) {
    Operation op(Name(), report);
    if ((regeln & kEnterÜbernimmt) != 0 && key == forms::kKeyEnter) {
      op.Step(1, [&] { Übernehmen(); });
      op.Step(2, [&] { key = 0; });
    }
    if ((regeln & kBetragsfeld) != 0 && (key == ',' || key == '.')) {
      op.Step(3, [&] { field.SetText(text::Left(DezimalAusrichten(field.Text()), 5) + ",  "); });
      op.Step(4, [&] { field.SetSelStart(6); });
      op.Step(5, [&] { key = 0; });
    }
  });
  if ((regeln & kBetragsfeld) != 0) field.OnLostFocus([this] { WertÜberprüfen(); });
}

void FeeDialog::AddSchaltflächen(int left, int top, std::string_view einfügen_name) {
  constexpr int kBreite = 1100;
  constexpr int kHöhe = 375;
  constexpr int kAbstand = 1200;
  AddCommandButton("CommandAbbruch", "&Abbruch", left, top, kBreite, kHöhe).OnClick([this] {
    CommandAbbruch_Click();
  });
  AddCommandButton("CommandEnde", "&OK", left + kAbstand, top, kBreite, kHöhe).OnClick([this] {
    Beenden();
  });
  AddCommandButton("CommandÜbernehmen", "&Übernehmen", left + 2 * kAbstand, top, kBreite, kHöhe)
      .OnClick([this] { CommandÜbernehmen_Click(); });
  AddCommandButton("CommandButtonNeu", "&Neu", left + 3 * kAbstand, top, kBreite, kHöhe)
      .OnClick([this] { CommandButtonNeu_Click(); });
  AddCommandButton("CommandLöschen", "&Löschen", left + 4 * kAbstand, top, kBreite, kHöhe)
      .OnClick([this] { CommandLöschen_Click(); });
  AddCommandButton(einfügen_name, "&Einfügen", left + 5 * kAbstand, top, kBreite, kHöhe)
      .OnClick([this] { Commandneu_Click(); });
}

void FeeDialog::CommandButtonNeu_Click() {
  Operation op(Name(), "CommandButtonNeu_Click");
  op.Step(1, [&] { aktuelle_zeile_ = Zeilenindex(GebührenGrid().Rows()); });
  op.Step(2, [&] { NeuWerte(); });
  op.Step(3, [&] { unterdrückt_ = true; });
  op.Step(4, [&] { GebührenGrid().SetRow(1); });
  op.Step(5, [&] { GebührenGrid().SetCol(1); });
  op.Step(6, [&] { unterdrückt_ = false; });
  op.Step(7, [&] { TextBoxFlst().SetFocus(); });
}

void FeeDialog::Commandneu_Click() {
  Operation op(Name(), "Commandneu_Click");
  int row = 0;
  op.Step(1, [&] { row = GebührenGrid().SelStartRow(); });
  op.Step(2, [&] { GebührenGrid().AddItem(" ", row); });
  op.Step(3, [&] { ZeileEingefügt(row); });
  op.Step(4, [&] { NeuWerte(); });
}

void FeeDialog::ZeileEntfernen(int row) {
  forms::Grid& grid = GebührenGrid();
  if (grid.Rows() <= 2) {
    for (int col = 0; col < grid.Cols(); ++col) grid.SetTextMatrix(row, col, "");
  } else {
    grid.RemoveItem(row);
  }
}

int FeeDialog::NachLöschen(Operation& op, int first) {
  op.Step(first, [&] { aktuelle_zeile_ = Zeilenindex(GebührenGrid().SelStartRow()); });
  op.Step(first + 1, [&] { LesenWerte(); });
  op.Step(first + 2, [&] { GebührenGrid().Refresh(); });
  return first + 3;
}

void FeeDialog::CommandLöschen_Click() {
  Operation op(Name(), "CommandLöschen_Click");
  if (!op.If(1, [&] { return LöschenMöglich(); })) return;
  int32_t antwort = 0;
  op.Step(2, [&] {
    MessageBoxRequest frage;
    frage.prompt = "Zeile löschen?";
    frage.buttons = LöschenSchaltflächen();
    frage.value8 = -2;
    antwort = MsgBox(frage);
  });
  if (op.If(3, [&] { return antwort == 6; })) {
    op.Step(4, [&] { ZeileEntfernen(GebührenGrid().SelStartRow()); });
    NachLöschen(op, 5);
  }
}

void FeeDialog::CommandÜbernehmen_Click() {
  Operation op(Name(), "CommandÜbernehmen_Click");
  op.Step(1, [&] { Übernehmen(); });
}

void FeeDialog::CommandAbbruch_Click() {
  Operation op(Name(), "CommandAbbruch_Click");
  op.Step(1, [&] { Unload(); });
}

void FeeDialog::Grid_SelChange() {
  if (unterdrückt_) return;
  Operation op(Name(), grid_name_ + "_SelChange");
  op.Step(1, [&] { aktuelle_zeile_ = Zeilenindex(GebührenGrid().SelStartRow()); });
  op.Step(2, [&] { LesenWerte(); });
}

void FeeDialog::ZeilenSetzen(int rows, int cols) {
  forms::Grid& grid = GebührenGrid();
  grid.SetRows(1);
  grid.SetCols(cols);
  grid.SetRows(rows);
  grid.SetRowHeight(-1, kZeilenhöhe);
}

void FeeDialog::LeerBeginnen(int cols) {
  ZeilenSetzen(2, cols);
  TextBoxFlst().SetText(kFlstPräfix);
  aktuelle_zeile_ = 1;
}

void FeeDialog::KopfSetzen(std::initializer_list<std::pair<std::string_view, int>> spalten) {
  forms::Grid& grid = GebührenGrid();
  int col = 0;
  for (const auto& [text, breite] : spalten) {
    grid.SetTextMatrix(0, col, std::string(text));
    grid.SetColWidth(col, breite);
    ++col;
  }
  grid.SetRowHeight(0, kZeilenhöhe);
}

void FeeDialog::AktuelleZeilePrüfen() {
  if (aktuelle_zeile_ == 0) aktuelle_zeile_ = 1;
}

void FeeDialog::ZeileMarkieren(int letzte_spalte) {
  Unterdrückung ruhig(*this);
  GebührenGrid().Select(aktuelle_zeile_, 0, aktuelle_zeile_, letzte_spalte);
}

void FeeDialog::ZeileAnhängenWennNeu() {
  forms::Grid& grid = GebührenGrid();
  if (aktuelle_zeile_ == grid.Rows()) {
    grid.AddItem("", aktuelle_zeile_);
    grid.SetRowHeight(aktuelle_zeile_, kZeilenhöhe);
  }
}

int FeeDialog::Weiterschalten(Operation& op, int first) {
  op.Step(first, [&] { aktuelle_zeile_ = Nächste(aktuelle_zeile_); });
  if (op.If(first + 1, [&] { return aktuelle_zeile_ == GebührenGrid().Rows(); })) {
    op.Step(first + 2, [&] { NeuWerte(); });
    op.Step(first + 3, [&] {
      Unterdrückung ruhig(*this);
      GebührenGrid().SetRow(1);
      GebührenGrid().SetCol(1);
    });
  } else {
    op.Step(first + 4, [&] { LesenWerte(); });
  }
  op.Step(first + 5, [&] { TextBoxFlst().SetFocus(); });
  return first + 6;
}

void FeeDialog::BetragsfeldPrüfen(forms::MaskedEdit& field) {
  field.SetText(WertFormatieren(DezimalAusrichten(field.Text()), 8, 2));
}

void FeeDialog::Übernehmen() {
  WertÜberprüfen();
  ÜbernehmenWerte();
}

}  // namespace korvax::dialogs
