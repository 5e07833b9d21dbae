// frmKat1: design, input fields, the fee of a line and the reductions.
#include "dialogs/frm_kat1.hpp"

#include <array>

#include "billing/gebuehr_aus_tabelle.hpp"
#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "dialogs/fee_document.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::dialogs {

namespace {

constexpr std::array<Wertbereich, 6> kBereiche{{
    {0, 10, "0 bis 10", "  5"},
    {11, 26, "11 bis 26", " 20"},
    {27, 51, "27 bis 51", " 40"},
    {52, 102, "52 bis 102", " 80"},
    {103, 256, "103 bis 256", "160"},
    {257, 0, "größer 256", "320"},
}};

// An area or land value as the user left it; a blank box fails with 13.
double Zahl(const std::string& text) {
  return ToDouble(Variant(text));
}

// The share of a line as the grid keeps it: right-aligned in four. A box
// left blank means no share was given, so the line counts whole.
std::string AnteilText(const std::string& typed) {
  if (text::Trim(typed).empty()) return "1000";
  return Format(Variant(Val(typed)), "@@@@");
}

}  // namespace

std::string_view BereichsTextNr2(double euro) {
  for (size_t i = 0; i + 1 < kBereiche.size(); ++i) {
    if (euro >= kBereiche[i].von && euro <= kBereiche[i].bis) return kBereiche[i].text;
  }
  return kBereiche.back().text;
}

std::string_view WertAusBereich(std::string_view text) {
  for (const Wertbereich& b : kBereiche) {
    if (text == b.text) return b.wert;
  }
  return {};
}

float AbmarkungsErmäßigung(int16_t n, float summe) {
  float betrag = static_cast<float>(n * kSatzAbmarkung);
  if (betrag > 0.2 * summe) betrag = static_cast<float>(0.2 * summe);
  return betrag;
}

float ProzentErmäßigung(int16_t p, float summe) {
  return static_cast<float>(p) * summe / 100.0f;
}

double GebührNeueAufnahmepunkte(int16_t n) {
  const double betrag = n * kSatz25;
  return betrag > kHöchstbetrag25 ? kHöchstbetrag25 : betrag;
}

std::string AbzugText(float betrag) {
  return " " + WertFormatieren(GeneralNumber(-betrag), 7, 2);
}

std::string NeueAufnahmepunkteBetrag(int16_t n) {
  return " " + WertFormatieren(GeneralNumber(GebührNeueAufnahmepunkte(n)), 7, 2);
}

FrmKat1::FrmKat1() : FeeDialog("frmKat1", "GridGebühren1") {
  SetCaption("Flurstückszerlegung nach Nr. 2.1");
  SetWidth(8160);
  SetHeight(5400);
  AddLabel("LabelÜberschrift", "Flurstückszerlegung nach Nr. 2.1", 120, 120, 3400, 255);
  AddLabel("LabelFlst", "Flst. Nr.", 120, 2760, 3000, 255);
  AddLabel("LabelFläche", "Fläche [m²]", 3240, 2760, 1000, 255);
  AddLabel("LabelWert", "Bodenwert [€/m²]", 4360, 2760, 1400, 255);
  AddLabel("LabelAnteil", "Anteil in 1000", 5880, 2760, 1200, 255);
  AddLabel("LabelAbmarkung", "Ausgesetzte Abmarkung", 120, 3480, 2000, 255);
  AddLabel("LabelneueAP", "neue Aufnahmepunkte nach 2.5", 2880, 3480, 2500, 255);

  AddFeeGrid(5, 120, 480, 7880, 2160);
  AddParcelField(120, 3000, 3000, 315);
  auto& fläche = AddInputField("MaskEdBoxFläche", "######", 3240, 3000, 1000, 315);
  auto& wert = AddInputField("MaskEdBoxWert", "#####,##", 4360, 3000, 1200, 315, 200);
  auto& anteil = AddInputField("MaskEdBoxAnteil", "####", 5880, 3000, 800, 315);
  AddInputField("MaskEdBoxAbmarkung", "##", 2200, 3440, 500, 315);
  AddInputField("mskneueAP", "##", 5400, 3440, 500, 315);
  auto& ermäßigung =
      AddCheckBox("CheckBoxErmäßigung", "Ermäßigung nach Nr. 2.2", 120, 3960, 2600, 255);
  AddCheckBox("chkBereich", "Bereich bei Bodenwert", 2880, 3960, 2400, 255);
  AddButtons(120, 4440);

  SetUpKeys(wert, kEnterApplies | kMoneyField);
  SetUpKeys(anteil, kEnterApplies);
  fläche.OnLostFocus([this] { FlächeFormatieren(); });
  ermäßigung.OnClick([this] { ErmäßigungTesten(); });
}

void FrmKat1::FlächeFormatieren() {
  Operation op(Name(), "MaskEdBoxFläche_Exit");
  op.Step(1, [&] {
    forms::MaskedEdit& box = Feld("MaskEdBoxFläche");
    box.SetText(Format(Variant(Val(box.Text())), "@@@@@@"));
  });
}

void FrmKat1::NeuWerte() {
  Operation op(Name(), "NeuWerte");
  const OrderContext& auftrag = Library().order;
  op.Step(1, [&] { TextBoxFlst().SetText(std::string(kParcelPrefix) + auftrag.Flurstücksnummer); });
  op.Step(2, [&] { Feld("MaskEdBoxFläche").SetText(Format(Variant(auftrag.Fläche), "@@@@@@")); });
  op.Step(3, [&] {
    Feld("MaskEdBoxWert").SetText(Format(Variant(Format(auftrag.Bodenwert, "0.00")), "@@@@@@@@"));
  });
  op.Step(4, [&] { Feld("MaskEdBoxAnteil").SetText("1000"); });
}

void FrmKat1::LesenWerte() {
  Operation op(Name(), "LesenWerte");
  forms::Grid& grid = FeeGrid();
  auto zelle = [&](int col) { return grid.TextMatrix(current_row_, col); };
  op.Step(1, [&] { CheckCurrentRow(); });
  op.Step(2, [&] { TextBoxFlst().SetText(zelle(0)); });
  op.Step(3, [&] { Feld("MaskEdBoxFläche").SetText(Format(Variant(Val(zelle(1))), "@@@@@@")); });
  op.Step(4, [&] {
    const std::string zelltext = zelle(2);
    const double wert = CVal(zelltext.empty() ? std::string_view("0") : std::string_view(zelltext));
    Feld("MaskEdBoxWert").SetText(Format(Variant(Format(wert, "####0.00")), "@@@@@@@@"));
  });
  op.Step(5, [&] { Feld("MaskEdBoxAnteil").SetText(Format(Variant(Val(zelle(3))), "@@@@")); });
  op.Step(6, [&] { SelectCurrentRow(4); });
}

void FrmKat1::ÜbernehmenWerte() {
  Operation op(Name(), "ÜbernehmenWerte");
  forms::Grid& grid = FeeGrid();
  OrderContext& auftrag = Library().order;
  auto setze = [&](int col, std::string text) {
    grid.SetTextMatrix(current_row_, col, std::move(text));
  };
  double wert = 0;
  double fläche = 0;
  double anteil = 0;
  double gebühr = 0;
  op.Step(1, [&] { AppendRowIfNew(); });
  op.Step(2, [&] { setze(0, TextBoxFlst().Text()); });
  op.Step(3, [&] { setze(1, Feld("MaskEdBoxFläche").Text()); });
  op.Step(4, [&] { setze(2, Feld("MaskEdBoxWert").Text()); });
  op.Step(5, [&] { setze(3, AnteilText(Feld("MaskEdBoxAnteil").Text())); });
  // A box left blank is reported and counts as 0, and the fee below is
  // still written, so that it always belongs to the line's inputs.
  op.Step(6, [&] {
    wert = Zahl(Feld("MaskEdBoxWert").Text());
    auftrag.Bodenwert = wert;
  });
  op.Step(7, [&] {
    fläche = Zahl(Feld("MaskEdBoxFläche").Text());
    auftrag.Fläche = fläche;
  });
  op.Step(8, [&] { gebühr = GebührAusTabelle(wert, fläche); });
  op.Step(9, [&] { anteil = Val(grid.TextMatrix(current_row_, 3)); });
  op.Step(10, [&] { gebühr = AnteilAnwenden(gebühr, anteil); });
  op.Step(11, [&] { setze(4, GridFee(gebühr)); });
  const int weiter = AdvanceLine(op, 12);
  op.Step(weiter, [&] { ErmäßigungTesten(); });
}

void FrmKat1::WertÜberprüfen() {
  Operation op(Name(), "WertÜberprüfen");
  op.Step(1, [&] { CheckMoneyField(Feld("MaskEdBoxWert")); });
}

void FrmKat1::ErmäßigungTesten() {
  Operation op(Name(), "ErmäßigungTesten");
  bool genug = false;
  op.Step(1, [&] { genug = FeeGrid().Rows() > 4; });
  if (op.If(2, [&] { return genug; })) {
    op.Step(3, [&] { Kästchen("CheckBoxErmäßigung").SetEnabled(true); });
  } else {
    op.Step(4, [&] { Kästchen("CheckBoxErmäßigung").SetEnabled(false); });
    op.Step(5, [&] { Kästchen("CheckBoxErmäßigung").SetValue(0); });
  }
}

void FrmKat1::RowInserted(int row) {
  FeeGrid().SetRowHeight(row, kRowHeight);
}

bool FrmKat1::OhneGebühr() const {
  const forms::Grid& grid = FeeGrid();
  if (grid.Rows() != 2) return false;
  const std::string gebühr = grid.TextMatrix(1, 4);
  return gebühr.empty() || gebühr == "    0,00";
}

int FrmKat1::AfterDelete(Operation& op, int first) {
  forms::Grid& grid = FeeGrid();
  bool geleert = false;
  op.Step(first, [&] { current_row_ = static_cast<int16_t>(grid.SelStartRow()); });
  // The only line was emptied: the fields offer a new line with its
  // defaults rather than the blank row's zeros (a share of 0 bills nothing).
  op.Step(first + 1, [&] {
    geleert = grid.Rows() == 2;
    for (int col = 0; geleert && col < grid.Cols(); ++col) {
      geleert = grid.TextMatrix(1, col).empty();
    }
  });
  if (op.If(first + 2, [&] { return geleert; })) {
    op.Step(first + 3, [&] { NeuWerte(); });
  } else {
    op.Step(first + 4, [&] { LesenWerte(); });
  }
  op.Step(first + 5, [&] { grid.Refresh(); });
  op.Step(first + 6, [&] { ErmäßigungTesten(); });
  return first + 7;
}

}  // namespace korvax::dialogs
