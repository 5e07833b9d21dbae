// frmKat3: design, input fields and the fee of a line.
#include "dialogs/frm_kat3.hpp"

#include "common/error.hpp"
#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/variant.hpp"
#include "dialogs/fee_document.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::dialogs {

double Grundpreis(int kategorie) {
  switch (kategorie) {
    case 1:
      return 4.6;
    case 2:
      return 5.37;
    default:
      return 6.14;
  }
}

double Positionsfaktor(std::string_view position) {
  if (position == "5.1.1") return 5.0;
  if (position == "5.1.2") return 3.5;
  if (position == "5.1.3") return 2.5;
  return 1.0;
}

double Länge(std::string_view text) {
  double meter = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      meter = meter * 10 + (c - '0');
    } else if (c != ' ' && c != '.') {
      break;
    }
  }
  return meter;
}

double AchseDerZeile(std::string_view feld) {
  const double länge = Länge(feld);
  return länge < 1 ? 1 : länge;
}

double ZuschlagImOrt(std::string_view preis_je_meter, double länge) {
  return CVal(preis_je_meter) * länge / 5;
}

std::string ImOrtText(double länge) {
  return std::string(kImOrtAnfang) + GeneralNumber(länge) + std::string(kImOrtEnde);
}

bool IstImOrtZeile(std::string_view zelle, double& länge) {
  if (zelle.size() <= kImOrtAnfang.size() + kImOrtEnde.size()) return false;
  if (!zelle.starts_with(kImOrtAnfang) || !zelle.ends_with(kImOrtEnde)) return false;
  const std::string_view zahl =
      zelle.substr(kImOrtAnfang.size(), zelle.size() - kImOrtAnfang.size() - kImOrtEnde.size());
  for (char c : zahl) {
    if (c < '0' || c > '9') return false;
  }
  länge = Länge(zahl);
  return true;
}

FrmKat3::FrmKat3() : FeeDialog("frmKat3", "GridGebühren6") {
  forms::Font tahoma;
  tahoma.name = "Tahoma";
  SetFont(tahoma);
  SetCaption("Vermessung nach Nr. 5");
  SetWidth(10440);
  SetHeight(4560);
  AddLabel("LabelText", "Text", 120, 2640, 3000, 255);
  AddLabel("LabelNr", "Nr.", 3240, 2640, 900, 255);
  AddLabel("LabelDichte", "Fl. dichte", 4260, 2640, 2700, 255);
  AddLabel("LabelAchse", "Achslänge [m]", 7080, 2640, 1200, 255);
  AddLabel("LabelImOrt", "im Ort [m]", 8400, 2640, 1100, 255);

  AddParcelField(120, 2880, 3000, 315);
  AddComboBox("ComboBox4", 3240, 2880, 900, 315);
  AddComboBox("comFlurstücksdichte", 4260, 2880, 2700, 315);
  auto& achse = AddInputField("MaskEdBoxAchse", "", 7080, 2880, 1200, 315);
  auto& im_ort = AddInputField("MaskEdBoxImOrt", "", 8400, 2880, 1100, 315);
  achse.SetMaxLength(64);
  im_ort.SetMaxLength(64);
  AddFeeGrid(7, 120, 120, 10080, 2400);
  AddButtons(120, 3480, "CommandNeu");

  SetUpKeys(achse, kEnterApplies);
  achse.OnLostFocus([this] { MaskEdBoxAchse_LostFocus(); });
  im_ort.OnLostFocus([this] { MaskEdBoxImOrt_LostFocus(); });
}

void FrmKat3::ListenFüllen(Operation& op, int first) {
  op.Step(first, [&] {
    forms::ComboBox& positionen = Liste("ComboBox4");
    positionen.Clear();
    for (std::string_view p : kPositionen) positionen.AddItem(std::string(p));
    positionen.SetListIndex(0);
  });
  // Cleared as well, so that a form kept loaded never lists a category twice.
  op.Step(first + 1, [&] {
    forms::ComboBox& dichten = Liste("comFlurstücksdichte");
    dichten.Clear();
    for (std::string_view d : kFlurstücksdichten) dichten.AddItem(std::string(d));
    dichten.SetListIndex(0);
  });
}

void FrmKat3::MaskEdBoxAchse_LostFocus() {
  Operation op(Name(), "MaskEdBoxAchse_LostFocus");
  forms::MaskedEdit& box = Feld("MaskEdBoxAchse");
  op.Step(1, [&] { box.SetText(WertFormatieren(box.Text(), 5, 0) + " m"); });
}

void FrmKat3::MaskEdBoxImOrt_LostFocus() {
  Operation op(Name(), "MaskEdBoxImOrt_LostFocus");
  forms::MaskedEdit& box = Feld("MaskEdBoxImOrt");
  op.Step(1, [&] { box.SetText(WertFormatieren(box.Text(), 4, 0) + " m"); });
}

void FrmKat3::NeuWerte() {
  Operation op(Name(), "NeuWerte");
  op.Step(1, [&] { TextBoxFlst().SetText(""); });
  op.Step(2, [&] { Feld("MaskEdBoxImOrt").SetText("   0 m"); });
  op.Step(3, [&] {
    Feld("MaskEdBoxAchse").SetText(Format(Variant(Library().order.Achslänge), "@@@@@ m"));
  });
}

void FrmKat3::LesenWerte() {
  Operation op(Name(), "LesenWerte");
  forms::Grid& grid = FeeGrid();
  auto zelle = [&](int col) { return grid.TextMatrix(current_row_, col); };
  op.Step(1, [&] { CheckCurrentRow(); });
  op.Step(2, [&] { TextBoxFlst().SetText(zelle(0)); });
  op.Step(3, [&] { Liste("ComboBox4").SetText(zelle(1)); });
  op.Step(4, [&] { Liste("comFlurstücksdichte").SetText(zelle(2)); });
  op.Step(5, [&] { Feld("MaskEdBoxAchse").SetText(Format(Variant(Länge(zelle(3))), "@@@@@ m")); });
  op.Step(6, [&] { Feld("MaskEdBoxImOrt").SetText(Format(Variant(Länge(zelle(4))), "@@@@ m")); });
  op.Step(7, [&] { SelectCurrentRow(6); });
}

void FrmKat3::ÜbernehmenWerte() {
  Operation op(Name(), "ÜbernehmenWerte");
  forms::Grid& grid = FeeGrid();
  auto setze = [&](int col, std::string text) {
    grid.SetTextMatrix(current_row_, col, std::move(text));
  };
  double achse = 1;
  double preis = 0;
  op.Step(1, [&] { AppendRowIfNew(); });
  op.Step(2, [&] { setze(0, TextBoxFlst().Text()); });
  op.Step(3, [&] { setze(1, Liste("ComboBox4").Text()); });
  op.Step(4, [&] { setze(2, Liste("comFlurstücksdichte").Text()); });
  op.Step(5, [&] { setze(3, Feld("MaskEdBoxAchse").Text()); });
  op.Step(6, [&] { setze(4, Feld("MaskEdBoxImOrt").Text()); });
  op.Step(7,
          [&] { kategorie_ = static_cast<int16_t>(Liste("comFlurstücksdichte").ListIndex() + 1); });
  op.Step(8, [&] { achse = AchseDerZeile(Feld("MaskEdBoxAchse").Text()); });
  // The order context holds at most 32767 m. A longer axis is priced in
  // full; the context keeps the most it can hold, and the overflow is
  // reported so that nobody takes that for the axis of the line.
  op.Step(9, [&] {
    if (achse > INT16_MAX) {
      Library().order.Achslänge = INT16_MAX;
      throw errors::Overflow();
    }
    Library().order.Achslänge = static_cast<int16_t>(achse);
  });
  op.Step(10, [&] { preis = Positionsfaktor(Liste("ComboBox4").Text()) * Grundpreis(kategorie_); });
  op.Step(11, [&] { setze(5, PaddedAmount(preis)); });
  op.Step(12, [&] { setze(6, PaddedAmount(preis * achse)); });
  AdvanceLine(op, 13);
}

void FrmKat3::RowInserted(int row) {
  forms::Grid& grid = FeeGrid();
  grid.SetTextMatrix(row, 1, std::string(kPosition411));
  grid.SetRowHeight(row, kRowHeight);
  // The item box shows 4.1.1, which is no entry of its list, so that the
  // next apply keeps it; and that apply fills the inserted row, not the line
  // the input fields were editing before.
  Liste("ComboBox4").SetText(kPosition411);
  current_row_ = static_cast<int16_t>(row);
}

bool FrmKat3::CanDelete() {
  return FeeGrid().Rows() >= 3;
}

int FrmKat3::AfterDelete(Operation& op, int first) {
  forms::Grid& grid = FeeGrid();
  op.Step(first, [&] { suppressed_ = true; });
  op.Step(first + 1, [&] { current_row_ = 1; });
  op.Step(first + 2, [&] { grid.SetRow(1); });
  op.Step(first + 3, [&] { grid.SetTopRow(1); });
  op.Step(first + 4, [&] { LesenWerte(); });
  op.Step(first + 5, [&] { suppressed_ = false; });
  op.Step(first + 6, [&] { grid.Refresh(); });
  return first + 7;
}

}  // namespace korvax::dialogs
