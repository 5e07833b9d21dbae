// frmKat2: design, billing basis, input fields and the fee of a line.
#include "dialogs/frm_kat2.hpp"

#include <array>

#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "dialogs/fee_document.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::dialogs {

namespace {

constexpr std::array<Kostenstufe, 10> kKostenstufen{{
    {31000, 127.82, "  bis 31.000 €; ", "  15.000"},
    {72000, 204.52, "31.001 bis 72.000 €; ", "  50.000"},
    {153000, 306.78, "72.001 bis 153.000 €; ", " 100.000"},
    {307000, 434.60, "153.001 bis 307.000 €; ", " 200.000"},
    {511000, 562.42, "307.001 bis 511.000 €; ", " 400.000"},
    {1023000, 818.07, "511.001 bis 1.023.000 €; ", " 800.000"},
    {2045000, 1329.36, "1.023.001 bis 2.045.000 €; ", "1.500.000"},
    {4090000, 2198.56, "2.045.001 bis 4.090.000 €; ", "3.000.000"},
    {10226000, 4090.34, "4.090.001 bis 10.226.000 €; ", "8.000.000"},
    {0, 6135.50, "größer 10.226.000 €; ", "15.000.000"},
}};

// The grid columns of a line.
constexpr int kSpalteWert = 1;
constexpr int kSpalteTeile = 2;
constexpr int kSpalteAnteil = 3;
constexpr int kSpalteGebühr = 4;
constexpr int kSpalteBeschreibung = 5;

std::string_view OptionName(Abrechnung abrechnung) {
  switch (abrechnung) {
    case Abrechnung::k32:
      return "Option32";
    case Abrechnung::k33:
      return "Option33";
    default:
      return "Option31";
  }
}

}  // namespace

const Kostenstufe& KostenstufeVon(double x) {
  // The brackets join without gaps, so that a value between two whole
  // numbers cannot slip into the highest rate.
  for (std::size_t i = 0; i + 1 < kKostenstufen.size(); ++i) {
    if (x <= kKostenstufen[i].bis) return kKostenstufen[i];
  }
  return kKostenstufen.back();
}

const Kostenstufe* KostenstufeAusText(std::string_view text) {
  // The whole range text: a cost such as 1.023.000 begins like the range
  // "1.023.001 bis ..." for its first eight characters.
  for (const Kostenstufe& stufe : kKostenstufen) {
    if (text.starts_with(stufe.bereich)) return &stufe;
  }
  return nullptr;
}

double FlächenSatz(double x) {
  if (x <= 150) return 76.69;
  if (x <= 1000) return 153.39;
  if (x <= 3000) return 306.78;
  return 613.55;
}

double Gebäudeteilfaktor(int16_t teile) {
  if (teile >= 0 && teile <= 4) return 1;
  if (teile >= 5 && teile <= 10) return 1.3;
  return 1.5;
}

double SatzNr3(Abrechnung abrechnung, double wert, int16_t teile) {
  if (abrechnung == Abrechnung::k33) return FlächenSatz(wert);
  double satz = KostenstufeVon(wert).satz * Gebäudeteilfaktor(teile);
  if (abrechnung == Abrechnung::k32) satz *= 0.4;
  return satz;
}

FrmKat2::FrmKat2() : FeeDialog("frmKat2", "GridGebühren3") {
  SetCaption("Gebäudeaufnahme nach Nr. 3.");
  SetWidth(11520);
  SetHeight(5400);
  AddFeeGrid(6, 120, 120, 11160, 2400);
  AddLabel("LabelFlst", "Flst. Nr.", 120, 2640, 3000, 255);
  AddLabel("LabelWert", "Baukosten [€]", 3240, 2640, 1300, 255);
  AddLabel("LabelTeile", "Gebäudeteile", 4680, 2640, 1200, 255);
  AddLabel("LabelAnteil", "Anteil in 1000", 6000, 2640, 1200, 255);
  AddLabel("LabelBeschreibung", "Gebäudebeschreibung", 7320, 2640, 3960, 255);

  AddParcelField(120, 2880, 3000, 315);
  auto& wert = AddInputField("MaskEdBoxWert", "", 3240, 2880, 1300, 315);
  auto& teile = AddInputField("MaskEdBoxTeile", "##", 4680, 2880, 600, 315);
  auto& anteil = AddInputField("MaskEdBoxAnteil", "####", 6000, 2880, 800, 315);
  auto& beschreibung = AddTextBox("TextBoxBeschreibung", 7320, 2880, 3960, 315);

  auto& rahmen = AddFrame("FrameAbrechnung", "Abrechnung nach", 120, 3360, 3600, 735);
  auto& o31 = AddOptionButton("Option31", "3.1", 240, 300, 900, 255, &rahmen);
  auto& o32 = AddOptionButton("Option32", "3.2", 1320, 300, 900, 255, &rahmen);
  auto& o33 = AddOptionButton("Option33", "3.3", 2400, 300, 900, 255, &rahmen);
  o31.SetValue(true);
  AddCheckBox("chkBereich", "Bereich bei Baukosten", 4680, 3600, 2600, 255);
  AddButtons(120, 4320);

  o31.OnClick([this] { OptionKlick(Abrechnung::k31); });
  o32.OnClick([this] { OptionKlick(Abrechnung::k32); });
  o33.OnClick([this] { OptionKlick(Abrechnung::k33); });
  SetUpKeys(wert, kEnterApplies);
  SetUpKeys(anteil, kEnterApplies);
  SetUpKeys(beschreibung, kEnterApplies);
  anteil.OnLostFocus(
      [this, &anteil] { ZahlFormatieren(anteil, "@@@@", "MaskEdBoxAnteil_LostFocus"); });
  teile.OnLostFocus([this, &teile] { ZahlFormatieren(teile, "@@", "MaskEdBoxTeile_LostFocus"); });
}

Abrechnung FrmKat2::GewählteAbrechnung() const {
  if (Get<forms::OptionButton>("Option32").Value()) return Abrechnung::k32;
  if (Get<forms::OptionButton>("Option33").Value()) return Abrechnung::k33;
  return Abrechnung::k31;
}

void FrmKat2::OptionKlick(Abrechnung abrechnung) {
  Operation op(Name(), std::string(OptionName(abrechnung)) + "_Click");
  const bool kosten = abrechnung != Abrechnung::k33;
  op.Step(1, [&] {
    Get<forms::Label>("LabelWert").SetCaption(kosten ? "Baukosten [€]" : "Fläche [m²]");
  });
  op.Step(2, [&] { FeeGrid().SetTextMatrix(0, kSpalteWert, kosten ? "Baukosten" : "Fläche"); });
  op.Step(3, [&] { kostenmodus_ = kosten; });
}

void FrmKat2::OptionWählen(Abrechnung abrechnung) {
  auto& option = Get<forms::OptionButton>(OptionName(abrechnung));
  // Choosing fires the click handler only when the option was not chosen.
  if (option.Value()) {
    OptionKlick(abrechnung);
  } else {
    option.SetValue(true);
  }
}

void FrmKat2::ZahlFormatieren(forms::MaskedEdit& box, std::string_view format,
                              const std::string& report) {
  Operation op(Name(), report);
  op.Step(1, [&] { box.SetText(Format(Variant(Val(box.Text())), format)); });
}

void FrmKat2::NeuWerte() {
  Operation op(Name(), "NeuWerte");
  const OrderContext& auftrag = Library().order;
  op.Step(1, [&] { TextBoxFlst().SetText(std::string(kParcelPrefix) + auftrag.Flurstücksnummer); });
  op.Step(2, [&] { Feld("MaskEdBoxTeile").SetText(" 0"); });
  op.Step(3, [&] {
    Feld("MaskEdBoxWert").SetText(WertFormatieren(GeneralNumber(auftrag.Baukosten), 8, 0));
  });
  op.Step(4, [&] { Feld("MaskEdBoxAnteil").SetText("1000"); });
}

void FrmKat2::LesenWerte() {
  Operation op(Name(), "LesenWerte");
  forms::Grid& grid = FeeGrid();
  auto zelle = [&](int col) { return grid.TextMatrix(current_row_, col); };
  op.Step(1, [&] { CheckCurrentRow(); });
  op.Step(2, [&] { TextBoxFlst().SetText(zelle(0)); });
  op.Step(3, [&] { Feld("MaskEdBoxWert").SetText(WertFormatieren(zelle(kSpalteWert), 8, 0)); });
  op.Step(4,
          [&] { Feld("MaskEdBoxTeile").SetText(Format(Variant(Val(zelle(kSpalteTeile))), "@@")); });
  op.Step(5, [&] {
    Feld("MaskEdBoxAnteil").SetText(Format(Variant(Val(zelle(kSpalteAnteil))), "@@@@"));
  });
  op.Step(6, [&] { TextBoxBeschreibung().SetText(zelle(kSpalteBeschreibung)); });
  op.Step(7, [&] { SelectCurrentRow(5); });
}

void FrmKat2::ÜbernehmenWerte() {
  Operation op(Name(), "ÜbernehmenWerte");
  forms::Grid& grid = FeeGrid();
  auto setze = [&](int col, std::string text) {
    grid.SetTextMatrix(current_row_, col, std::move(text));
  };
  double wert = 0;
  double anteil = 0;
  int16_t teile = 0;
  double gebühr = 0;
  op.Step(1, [&] { wert = CVal(Feld("MaskEdBoxWert").Text()); });
  op.Step(2, [&] { anteil = Val(Feld("MaskEdBoxAnteil").Text()); });
  // A negative cost or area has no bracket, and a share of 0 (or none) has
  // no full fee for the share note: such a line is not taken; the user is
  // told why, and the field in question gets the focus with its text selected.
  if (op.If(3, [&] { return !(wert >= 0) || !(anteil > 0); })) {
    op.Step(4, [&] {
      MessageBoxRequest hinweis;
      hinweis.prompt = std::string(wert < 0 ? kostenmodus_ ? "Baukosten können nicht negativ sein"
                                                           : "Eine Fläche kann nicht negativ sein"
                                            : "Der Anteil muss über 0 liegen (in Tausendsteln, "
                                              "1000 = ganz)") +
                       "; die Zeile wurde nicht übernommen.";
      hinweis.buttons = 48;  // OK, with the exclamation mark
      hinweis.value8 = -2;
      MsgBox(hinweis);
      forms::MaskedEdit& feld = Feld(wert >= 0 ? "MaskEdBoxAnteil" : "MaskEdBoxWert");
      feld.SetFocus();
      feld.SetSelStart(0);
      feld.SetSelLength(255);
    });
    return;
  }
  op.Step(5, [&] { AppendRowIfNew(); });
  op.Step(6, [&] { setze(0, TextBoxFlst().Text()); });
  op.Step(7,
          [&] { setze(kSpalteWert, Format(Variant(Feld("MaskEdBoxWert").Text()), "@@@@@@@@")); });
  op.Step(8, [&] { setze(kSpalteTeile, Feld("MaskEdBoxTeile").Text()); });
  // The share right-aligned, as the share note gives it back at load; applied
  // with Enter it would still stand left ("500 ").
  op.Step(9, [&] { setze(kSpalteAnteil, Format(Variant(anteil), "@@@@")); });
  op.Step(10, [&] { setze(kSpalteBeschreibung, TextBoxBeschreibung().Text()); });
  op.Step(11, [&] { teile = RoundToInteger(CVal(Feld("MaskEdBoxTeile").Text())); });
  op.Step(12, [&] { gebühr = AnteilAnwenden(SatzNr3(GewählteAbrechnung(), wert, teile), anteil); });
  op.Step(13, [&] { setze(kSpalteGebühr, PaddedAmount(gebühr)); });
  AdvanceLine(op, 14);
}

void FrmKat2::WertÜberprüfen() {
  Operation op(Name(), "WertÜberprüfen");
  op.Step(1, [&] {
    forms::MaskedEdit& feld = Feld("MaskEdBoxWert");
    feld.SetText(WertFormatieren(feld.Text(), 8, 0));
  });
}

int FrmKat2::AfterDelete(Operation& op, int first) {
  const int next = FeeDialog::AfterDelete(op, first);
  // The only line was emptied: the fields get the defaults of a new line,
  // as an empty dialog shows them.
  if (op.If(next, [&] { return FeeGrid().Rows() == 2 && LeereZeile(1); })) {
    op.Step(next + 1, [&] { NeuWerte(); });
  }
  return next + 2;
}

bool FrmKat2::LeereZeile(int row) const {
  forms::Grid& grid = FeeGrid();
  for (int col : {0, kSpalteWert, kSpalteGebühr}) {
    if (!text::Trim(grid.TextMatrix(row, col)).empty()) return false;
  }
  return true;
}

}  // namespace korvax::dialogs
