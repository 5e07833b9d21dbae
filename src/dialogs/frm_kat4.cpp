// frmKat4: design, input fields and the fee of a line.
#include "dialogs/frm_kat4.hpp"

#include <array>

#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/variant.hpp"
#include "dialogs/fee_document.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::dialogs {

namespace {

// Rates of 7.2 and 7.3 are 0.7 and 1.5 times the rate of 7.1, as listed.
constexpr std::array<Wertstufe, 6> kStufen{{
    {"0 bis 2,50", "  2", 25.56, 17.892, 38.34},
    {"2,51 bis 10,00", " 6", 35.79, 25.053, 53.685},
    {"10,01 bis 26,00", " 20", 46.02, 32.214, 69.03},
    {"26,01 bis 51,00", " 40", 61.36, 42.952, 92.04},
    {"51,01 bis 256,00", " 80", 76.69, 53.683, 115.035},
    {"größer 256,00", "320", 92.03, 64.421, 138.045},
}};

// A count or share as the user left it; a blank box fails with 13.
double Zahl(const std::string& text) {
  return ToDouble(Variant(text));
}

// An empty land-value cell, or a single blank, counts as 0.
std::string LeerAlsNull(const std::string& text) {
  return text.empty() || text == " " ? std::string("0") : text;
}

}  // namespace

int WertstufeVon(double v) {
  if (v <= 256) {
    if (v <= 51) {
      if (v <= 26) {
        if (v <= 10) return v <= 2.5 ? 1 : 2;
        return 3;
      }
      return 4;
    }
    return 5;
  }
  return 6;
}

const Wertstufe& Stufe(int nummer) {
  return kStufen.at(nummer - 1);
}

std::string_view BereichsText(double x) {
  if (x >= 0 && x <= 250) return kStufen[0].text;
  if (x >= 251 && x <= 1000) return kStufen[1].text;
  if (x >= 1001 && x <= 2600) return kStufen[2].text;
  if (x >= 2601 && x <= 5100) return kStufen[3].text;
  if (x >= 5101 && x <= 25600) return kStufen[4].text;
  return kStufen[5].text;
}

double GebührNr7(int stufe, double n71, double n72, double n73) {
  const Wertstufe& s = Stufe(stufe);
  return n71 * s.satz71 + n72 * s.satz72 + n73 * s.satz73;
}

double GebührNeueAufnahmepunkte74(int16_t n) {
  const double betrag = n * kSatz74;
  return betrag > kHöchstbetrag74 ? kHöchstbetrag74 : betrag;
}

std::string NeueAufnahmepunkteBetrag74(int16_t n) {
  return WertFormatieren(GeneralNumber(GebührNeueAufnahmepunkte74(n)), 7, 2) + " €";
}

FrmKat4::FrmKat4() : FeeDialog("frmKat4", "GridGebühren6") {
  SetCaption("Grenzfeststellung nach 7.");
  SetWidth(8040);
  SetHeight(5520);
  AddLabel("LabelÜberschrift", "Grenzfeststellung nach 7.", 120, 120, 3000, 255);
  AddLabel("LabelFlst", "Flst. Nr.", 120, 2760, 2370, 255);
  AddLabel("Label7_1", "7.1", 2600, 2760, 500, 255);
  AddLabel("Label7_2", "7.2", 3200, 2760, 500, 255);
  AddLabel("Label7_3", "7.3", 3800, 2760, 500, 255);
  AddLabel("LabelWert", "Bodenwert [€/m²]", 4400, 2760, 1400, 255);
  AddLabel("LabelAnteil", "Anteil in 1000", 5900, 2760, 1200, 255);
  AddLabel("LabelneueAP", "neue Aufnahmepunkte nach 7.4", 120, 3480, 2600, 255);

  AddParcelField(120, 3000, 2370, 315);
  auto& n71 = AddInputField("MaskEdBox7_1", "##", 2600, 3000, 500, 315);
  auto& n72 = AddInputField("MaskEdBox7_2", "##", 3200, 3000, 500, 315);
  AddInputField("MaskEdBox7_3", "##", 3800, 3000, 500, 315);
  auto& wert = AddInputField("MaskEdBoxWert", "#####,##", 4400, 3000, 1100, 315);
  auto& anteil = AddInputField("MaskEdBoxAnteil", "####", 5900, 3000, 800, 315);
  AddInputField("mskneueAP", "##", 2800, 3440, 500, 315);
  AddCheckBox("chkBereich", "Bereich bei Bodenwert", 4400, 3480, 2400, 255);
  AddFeeGrid(7, 120, 480, 7560, 2160);
  AddButtons(120, 4440);

  SetUpKeys(wert, kEnterApplies | kMoneyField);
  SetUpKeys(anteil, kEnterApplies);
  n71.OnLostFocus([this, &n71] { AnzahlFormatieren(n71, "MaskEdBox7_1_Exit"); });
  n72.OnLostFocus([this, &n72] { AnzahlFormatieren(n72, "MaskEdBox7_2_Exit"); });
}

void FrmKat4::AnzahlFormatieren(forms::MaskedEdit& box, const std::string& report) {
  Operation op(Name(), report);
  op.Step(1, [&] { box.SetText(Format(Variant(box.Text()), "@@")); });
}

void FrmKat4::NeuWerte() {
  Operation op(Name(), "NeuWerte");
  const OrderContext& auftrag = Library().order;
  op.Step(1, [&] { TextBoxFlst().SetText(std::string(kParcelPrefix) + auftrag.Flurstücksnummer); });
  op.Step(2,
          [&] { Feld("MaskEdBox7_1").SetText(Format(Variant(auftrag.AnzahlGrenzpunkte), "@@")); });
  op.Step(3, [&] { Feld("MaskEdBox7_2").SetText(" 0"); });
  op.Step(4, [&] { Feld("MaskEdBox7_3").SetText(" 0"); });
  op.Step(5, [&] {
    Feld("MaskEdBoxWert").SetText(Format(Variant(Format(auftrag.Bodenwert, "0.00")), "@@@@@@@@"));
  });
  op.Step(6, [&] { Feld("MaskEdBoxAnteil").SetText("1000"); });
}

void FrmKat4::LesenWerte() {
  Operation op(Name(), "LesenWerte");
  forms::Grid& grid = FeeGrid();
  auto zelle = [&](int col) { return grid.TextMatrix(current_row_, col); };
  op.Step(1, [&] { CheckCurrentRow(); });
  op.Step(2, [&] { TextBoxFlst().SetText(zelle(0)); });
  op.Step(3, [&] { Feld("MaskEdBox7_1").SetText(Format(Variant(Val(zelle(1))), "@@")); });
  op.Step(4, [&] { Feld("MaskEdBox7_2").SetText(Format(Variant(Val(zelle(2))), "@@")); });
  op.Step(5, [&] { Feld("MaskEdBox7_3").SetText(Format(Variant(Val(zelle(3))), "@@")); });
  op.Step(6, [&] {
    const double wert = ToDouble(Variant(LeerAlsNull(zelle(4))));
    Feld("MaskEdBoxWert").SetText(Format(Variant(Format(wert, "####0.00")), "@@@@@@@@"));
  });
  op.Step(7, [&] { Feld("MaskEdBoxAnteil").SetText(Format(Variant(Val(zelle(5))), "@@@@")); });
  op.Step(8, [&] { SelectCurrentRow(5); });
}

void FrmKat4::ÜbernehmenWerte() {
  Operation op(Name(), "ÜbernehmenWerte");
  forms::Grid& grid = FeeGrid();
  auto setze = [&](int col, std::string text) {
    grid.SetTextMatrix(current_row_, col, std::move(text));
  };
  double wert = 0;
  int stufe = 1;
  double n71 = 0;
  double n72 = 0;
  double n73 = 0;
  double anteil = 0;
  double gebühr = 0;
  op.Step(1, [&] { AppendRowIfNew(); });
  op.Step(2, [&] { setze(0, TextBoxFlst().Text()); });
  op.Step(3, [&] { setze(1, Feld("MaskEdBox7_1").Text()); });
  op.Step(4, [&] { setze(2, Feld("MaskEdBox7_2").Text()); });
  op.Step(5, [&] { setze(3, Feld("MaskEdBox7_3").Text()); });
  op.Step(6, [&] { setze(4, Feld("MaskEdBoxWert").Text()); });
  // The share right-aligned, as the share note gives it back at load; typed
  // into the box it stands left ("500 ").
  op.Step(7, [&] { setze(5, Format(Variant(Val(Feld("MaskEdBoxAnteil").Text())), "@@@@")); });
  op.Step(8, [&] { wert = Zahl(Feld("MaskEdBoxWert").Text()); });
  op.Step(9, [&] { Library().order.Bodenwert = wert; });
  op.Step(10, [&] { stufe = WertstufeVon(wert); });
  // A count or share left blank is reported and counts as 0, so that the
  // fee written below always matches the line's inputs.
  op.Step(11, [&] { n71 = Zahl(Feld("MaskEdBox7_1").Text()); });
  op.Step(12, [&] { n72 = Zahl(Feld("MaskEdBox7_2").Text()); });
  op.Step(13, [&] { n73 = Zahl(Feld("MaskEdBox7_3").Text()); });
  op.Step(14, [&] { gebühr = GebührNr7(stufe, n71, n72, n73); });
  op.Step(15, [&] { anteil = Zahl(Feld("MaskEdBoxAnteil").Text()); });
  op.Step(16, [&] { gebühr = AnteilAnwenden(gebühr, anteil); });
  op.Step(17, [&] { setze(6, GridFee(gebühr)); });
  AdvanceLine(op, 18);
}

void FrmKat4::WertÜberprüfen() {
  Operation op(Name(), "WertÜberprüfen");
  op.Step(1, [&] { CheckMoneyField(Feld("MaskEdBoxWert")); });
}

}  // namespace korvax::dialogs
