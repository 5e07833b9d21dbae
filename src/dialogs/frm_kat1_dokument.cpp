// frmKat1 and the invoice document: the load path that reads the Korvax_1
// table and its 2.5 sub-table back, the finish path that writes both, and
// the rebuilding of the invoice totals.
#include <algorithm>
#include <string>

#include "billing/gebuehr_aus_tabelle.hpp"
#include "billing/summe_bilden.hpp"
#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat1.hpp"
#include "document/tk_word_auto.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::dialogs {

namespace {

constexpr int kSpalten = 5;
// The fee of an empty line, as the finish path recognises it.
constexpr std::string_view kOhneBetrag = "    0,00";

double Zentimeter(double cm) {
  return word::Application::CentimetersToPoints(cm);
}

// A number with the leading sign blank of the classic Str.
std::string MitVorzeichenstelle(int n) {
  return n < 0 ? std::to_string(n) : " " + std::to_string(n);
}

// The text written into the cell, in bold as a whole.
void FettSchreiben(const word::Table& table, int row, int col, std::string_view text) {
  WriteCell(table, row, col, text);
  table.Cell(row, col).Range().Font().SetBold(true);
}

// The first `zeichen` characters of the cell in bold.
void AnfangFett(const word::Table& table, int row, int col, int zeichen) {
  const int start = table.Cell(row, col).Range().Start();
  InvoiceDocument().Range(start, start + zeichen).Font().SetBold(true);
}

// Every cell of the column right-aligned, as selecting the column and
// aligning the selection's paragraphs does.
void SpalteRechtsbündig(const word::Table& table, int col) {
  const int zeilen = table.Rows().Count();
  for (int row = 1; row <= zeilen; ++row) AlignCellRight(table, row, col);
}

// A reduction row: cells 1 to 4 of 10, 1, 1 and 1 cm.
void ErmäßigungsbreitenSetzen(const word::Table& table, int row) {
  const double breiten[] = {10.0, 1.0, 1.0, 1.0};
  for (int col = 1; col <= 4; ++col) table.Cell(row, col).SetWidth(Zentimeter(breiten[col - 1]));
}

// The amount cell of a reduction row: a blank and the negative amount.
void AbzugSchreiben(const word::Table& table, int row, float betrag) {
  AlignCellRight(table, row, 5);
  WriteCell(table, row, 5, AbzugText(betrag));
}

}  // namespace

void FrmKat1::LoadPath() {
  Operation op(Name(), "UserForm_Activate");
  int tabellenzeilen = 0;
  int zeilen = 0;
  int spalten = 0;
  op.Step(1, [&] { suppressed_ = true; });
  op.Step(2, [&] { category_table_ = TabelleErmitteln(kKeyNr2, false); });
  op.Step(3, [&] { SetMousePointer(forms::kMousePointerHourglass); });
  op.Step(4, [&] { Kästchen("CheckBoxErmäßigung").SetValue(0); });
  if (op.If(5, [&] { return !category_table_; })) {
    op.Step(6, [&] { StartEmpty(kSpalten); });
    op.Step(7, [&] { NeuWerte(); });
  } else {
    op.Step(8, [&] { zeilen = tabellenzeilen = category_table_.Rows().Count(); });
    op.Step(9, [&] { spalten = category_table_.Columns().Count(); });
    // The grid first holds every table row, so that the check box, set
    // while the reduction rows are counted out, stays available.
    op.Step(10, [&] { ResetRows(tabellenzeilen, kSpalten); });
    zeilen = SonderzeilenLesen(op, tabellenzeilen);
    // A table without lines (only its header) opens with one blank line.
    op.Step(13, [&] { FeeGrid().SetRows(std::max(zeilen, 2)); });
    for (int row = 1; row < zeilen; ++row) ZeileAusTabelle(op, row, spalten);
    for (int row = 1; row < zeilen; ++row) {
      op.Step(16, [&] {
        forms::Grid& grid = FeeGrid();
        const std::string_view wert = WertAusBereich(grid.TextMatrix(row, 2));
        if (!wert.empty()) {
          grid.SetTextMatrix(row, 2, std::string(wert));
          Kästchen("chkBereich").SetValue(1);
        }
      });
    }
    op.Step(17, [&] { current_row_ = 1; });
    if (op.If(18, [&] { return zeilen > 1; })) {
      op.Step(19, [&] { LesenWerte(); });
    } else {
      op.Step(20, [&] { NeuWerte(); });
    }
  }
  op.Step(21, [&] {
    SetHeader({{"", 3400},
               {" Fläche [m²]", 1000},
               {" Wert [€/m²]", 1200},
               {" Anteil ", 1000},
               {"", 1000}});
  });
  op.Step(22, [&] { ErmäßigungTesten(); });
  op.Step(23, [&] { neueAufnahmeLoad(); });
  op.Step(24, [&] { suppressed_ = false; });
  op.Step(25, [&] { SetMousePointer(forms::kMousePointerDefault); });
}

int FrmKat1::SonderzeilenLesen(Operation& op, int tabellenzeilen) {
  int zeilen = tabellenzeilen;
  for (int r = 2; r <= tabellenzeilen; ++r) {
    op.Step(11, [&] {
      if (text::Left(CellText(category_table_, r, 1), 27) == kProzentZeile) {
        --zeilen;
        Kästchen("CheckBoxErmäßigung").SetValue(1);
      }
    });
  }
  for (int r = 2; r <= tabellenzeilen; ++r) {
    op.Step(12, [&] {
      const std::string zelle = CellText(category_table_, r, 1);
      if (text::Left(zelle, 45) == kAbmarkungsZeile) {
        --zeilen;
        Feld("MaskEdBoxAbmarkung").SetText(WertFormatieren(text::Mid(zelle, 48), 2, 0));
      }
    });
  }
  return zeilen;
}

void FrmKat1::ZeileAusTabelle(Operation& op, int row, int spalten) {
  forms::Grid& grid = FeeGrid();
  op.Step(14, [&] { grid.SetTextMatrix(row, 3, "1000"); });
  for (int col = 1; col <= spalten; ++col) {
    op.Step(15, [&] {
      std::string zelle = CellText(category_table_, row + 1, col);
      if (text::InStr(zelle, kLineBreak) > 0) {
        if (col == 1) grid.SetTextMatrix(row, 3, ShareFromNote(zelle));
        zelle = BeforeLineBreak(zelle);
      }
      switch (col) {
        case 1:
          grid.SetTextMatrix(row, 0, zelle);
          break;
        case 3:
          grid.SetTextMatrix(row, 1, zelle);
          break;
        case 4:
          grid.SetTextMatrix(row, 2, zelle);
          break;
        case 5:
          grid.SetTextMatrix(row, 4, WertFormatieren(zelle.empty() ? "0" : zelle, 8, 2));
          break;
        default:
          break;
      }
    });
  }
}

void FrmKat1::FinishPath() {
  Operation op(Name(), "CommandEnde_Click");
  forms::Grid& grid = FeeGrid();
  word::Range bereich;
  word::Table tabelle;
  bool leer = false;
  bool alte = false;
  int zeilen = 0;
  int tabellenzeilen = 0;
  float summe = 0;
  op.Step(1, [&] { SetMousePointer(forms::kMousePointerHourglass); });
  op.Step(2, [&] { leer = OhneGebühr(); });
  op.Step(3, [&] { alte = static_cast<bool>(category_table_); });
  // Finishing without a line and without a table leaves the document as it
  // was; no empty paragraph is left behind at its end.
  if (op.If(4, [&] { return alte || !leer; })) {
    op.Step(5, [&] { bereich = InsertionRange(category_table_, true); });
  }
  op.Step(6, [&] { WordApplication().Selection().Font().SetSize(10); });
  if (op.If(7, [&] { return leer; })) {
    // The old table is gone: the totals are rebuilt, so that the invoice
    // total no longer counts its lines.
    if (op.If(8, [&] { return alte; })) {
      op.Step(9, [&] { SummeBilden(Library().settings.Zahlungsziel); });
    }
    op.Step(10, [&] { SetMousePointer(forms::kMousePointerDefault); });
    op.Step(11, [&] { Unload(); });
    return;
  }
  op.Step(12, [&] { zeilen = tabellenzeilen = grid.Rows(); });
  op.Step(13, [&] {
    if (Kästchen("CheckBoxErmäßigung").Value() == 1) ++tabellenzeilen;
  });
  op.Step(14, [&] {
    if (Val(Feld("MaskEdBoxAbmarkung").Text()) > 0) ++tabellenzeilen;
  });
  op.Step(15, [&] { tabelle = AddTable(bereich, tabellenzeilen, kSpalten); });
  op.Step(16, [&] { TabelleFormatieren(tabelle); });
  op.Step(17, [&] { WriteHeaderCell(tabelle, 1, "Flurstückszerlegung nach Nr. 2.1"); });
  op.Step(18, [&] { WriteHeaderCell(tabelle, 3, "Fläche [m²]", true); });
  op.Step(19, [&] { WriteHeaderCell(tabelle, 4, "Wert €/m²"); });
  op.Step(20, [&] { AddBookmark(tabelle, kKeyNr2); });
  for (int row = 1; row < zeilen; ++row) ZeileInTabelle(op, tabelle, row, summe);
  ErmäßigungenSchreiben(op, tabelle, zeilen + 1, summe);
  op.Step(41, [&] { BookmarkSetzen(tabelle, kKeyNr2); });
  op.Step(42, [&] { neueAufnahmeEnde(); });
  op.Step(43, [&] { SummeBilden(Library().settings.Zahlungsziel); });
  op.Step(44, [&] { SetMousePointer(forms::kMousePointerDefault); });
  op.Step(45, [&] { Unload(); });
}

void FrmKat1::ZeileInTabelle(Operation& op, const word::Table& tabelle, int row, float& summe) {
  forms::Grid& grid = FeeGrid();
  auto zelle = [&](int col) { return grid.TextMatrix(row, col); };
  const int t = row + 1;
  op.Step(21, [&] { WriteCell(tabelle, t, 1, zelle(0)); });
  op.Step(22, [&] { WriteCell(tabelle, t, 3, zelle(1)); });
  op.Step(23, [&] {
    if (Kästchen("chkBereich").Value() == 1) {
      WriteCell(tabelle, t, 4, BereichsTextNr2(Val(zelle(2))));
    } else {
      WriteCell(tabelle, t, 4, zelle(2));
    }
  });
  op.Step(24, [&] {
    AlignCellRight(tabelle, t, 5);
    tabelle.Cell(t, 5).Range().ParagraphFormat().TabStops().Add(Zentimeter(2),
                                                                word::wdAlignTabDecimal, 0);
  });
  op.Step(25, [&] { WriteCell(tabelle, t, 5, zelle(4) + " "); });
  op.Step(26, [&] { summe = static_cast<float>(summe + CVal(zelle(4))); });
  if (op.If(27, [&] { return zelle(3) != "1000" && !zelle(3).empty(); })) {
    op.Step(28,
            [&] { AppendToCell(tabelle, t, 1, ShareNote(VolleGebührDerZeile(row), zelle(3)), 8); });
  }
}

double FrmKat1::VolleGebührDerZeile(int row) const {
  const forms::Grid& grid = FeeGrid();
  const double anteil = Val(grid.TextMatrix(row, 3));
  // A share of 0 leaves nothing to scale back: the note shows the fee of
  // the table for the line's land value and area.
  if (anteil == 0) {
    const double wert = CVal(grid.TextMatrix(row, 2));
    const double fläche = CVal(grid.TextMatrix(row, 1));
    return GebührAusTabelle(wert, fläche);
  }
  return FullFee(CVal(grid.TextMatrix(row, 4)), anteil);
}

void FrmKat1::ErmäßigungenSchreiben(Operation& op, const word::Table& tabelle, int zeile,
                                    float& summe) {
  int16_t anzahl = 0;
  float betrag = 0;
  op.Step(29, [&] { anzahl = RoundToInteger(Val(Feld("MaskEdBoxAbmarkung").Text())); });
  if (op.If(30, [&] { return anzahl > 0; })) {
    op.Step(31, [&] {
      WriteCell(tabelle, zeile, 1,
                std::string(kAbmarkungsZeile) + " " + std::string(kLineBreak) +
                    MitVorzeichenstelle(anzahl) + " mal 76,69 € (max. 20% aus 2.1)");
    });
    op.Step(32, [&] { AnfangFett(tabelle, zeile, 1, text::Len(kAbmarkungsZeile) + 2); });
    op.Step(33, [&] {
      betrag = AbmarkungsErmäßigung(anzahl, summe);
      summe = summe - betrag;
    });
    op.Step(34, [&] { AbzugSchreiben(tabelle, zeile, betrag); });
    op.Step(35, [&] { ErmäßigungsbreitenSetzen(tabelle, zeile); });
    ++zeile;
  }
  op.Step(36, [&] {
    prozent_ = static_cast<int16_t>(std::min(FeeGrid().Rows() - 1, int{kHöchstprozent}));
  });
  if (op.If(37, [&] { return Kästchen("CheckBoxErmäßigung").Value() == 1; })) {
    op.Step(38, [&] {
      FettSchreiben(
          tabelle, zeile, 1,
          std::string(kProzentZeile) + " um " + MitVorzeichenstelle(prozent_) + "% ermäßigt");
    });
    op.Step(39, [&] { AbzugSchreiben(tabelle, zeile, ProzentErmäßigung(prozent_, summe)); });
    op.Step(40, [&] { ErmäßigungsbreitenSetzen(tabelle, zeile); });
  }
}

void FrmKat1::TabelleFormatieren(word::Table& table) {
  Operation op(Name(), "TabelleFormatieren");
  op.Step(1, [&] { ClearBordersSetWidths(table, {6.5, 2.5, 3.0, 3.0, 2.5}); });
  op.Step(2, [&] { SpalteRechtsbündig(table, 4); });
}

void FrmKat1::TabelleFormatiereneinsicht(word::Table& table) {
  Operation op(Name(), "TabelleFormatiereneinsicht");
  op.Step(1, [&] { ClearBordersSetWidths(table, {10.0, 1.0, 1.0, 1.0, 3.0}); });
}

void FrmKat1::neueAufnahmeLoad() {
  Operation op(Name(), "neueAufnahmeLoad");
  op.Step(1, [&] { teiltabelle_ = TabelleErmitteln(kKeyNr2Grundlagen, true); });
  if (op.If(2, [&] { return !teiltabelle_; })) {
    op.Step(3, [&] { Feld("mskneueAP").SetText("  "); });
  } else {
    op.Step(
        4, [&] { Feld("mskneueAP").SetText(WertFormatieren(CellText(teiltabelle_, 2, 1), 2, 0)); });
  }
}

void FrmKat1::neueAufnahmeEnde() {
  Operation op(Name(), "neueAufnahmeEnde");
  int16_t anzahl = 0;
  word::Range bereich;
  word::Table tabelle;
  op.Step(1, [&] { anzahl = RoundToInteger(Val(Feld("mskneueAP").Text())); });
  op.Step(2, [&] { bereich = InsertionRange(teiltabelle_, true); });
  if (op.If(3, [&] { return anzahl >= 1; })) {
    op.Step(4, [&] { tabelle = AddTable(bereich, 2, kSpalten); });
    op.Step(5, [&] { WriteHeaderCell(tabelle, 1, "Grundlagenvermessung nach Nr. 2.5"); });
    op.Step(6, [&] {
      WriteCell(tabelle, 2, 1,
                MitVorzeichenstelle(anzahl) + " neue Aufnahmepunkte je 204,52 € (max. 600 €)");
    });
    op.Step(7, [&] { AlignCellRight(tabelle, 2, 5); });
    op.Step(8, [&] { WriteCell(tabelle, 2, 5, NeueAufnahmepunkteBetrag(anzahl)); });
    op.Step(9, [&] { BookmarkSetzen(tabelle, kKeyNr2Grundlagen); });
    op.Step(10, [&] { TabelleFormatiereneinsicht(tabelle); });
  }
}

}  // namespace korvax::dialogs
