// frmKat4 and the invoice document: the load path that reads the Korvax_4
// table back, the finish path that writes it, and the 7.4 sub-table.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat4.hpp"
#include "document/tk_word_auto.hpp"

namespace korvax::dialogs {

namespace {

constexpr int kSpalten = 7;
constexpr std::string_view kMindestText = "Mindestgebühr von 150 € bei 7.3";

// Rows at the end of the table that are no billing lines.
bool IstSonderzeile(std::string_view erste_zelle) {
  const std::string anfang = text::Left(erste_zelle, 13);
  return anfang == "Mindestgebühr" || anfang == "20% Ermäßigun" || anfang == "40% Ermäßigun";
}

}  // namespace

double Gebühr73(const std::string& wert, const std::string& anzahl) {
  const double v = ToDouble(Variant(wert));
  const double gebühr = ToDouble(Variant(anzahl)) * Stufe(WertstufeVon(v)).satz73;
  return ToDouble(Variant(GridFee(gebühr)));
}

void FrmKat4::LoadPath() {
  Operation op(Name(), "UserForm_Activate");
  int tabellenzeilen = 0;
  int zeilen = 0;
  int spalten = 0;
  op.Step(1, [&] { suppressed_ = true; });
  op.Step(2, [&] { category_table_ = TabelleErmitteln(kKeyNr7, false); });
  op.Step(3, [&] { SetMousePointer(forms::kMousePointerHourglass); });
  if (op.If(4, [&] { return !category_table_; })) {
    op.Step(5, [&] { StartEmpty(kSpalten); });
    op.Step(6, [&] { NeuWerte(); });
  } else {
    op.Step(7, [&] { zeilen = tabellenzeilen = category_table_.Rows().Count(); });
    op.Step(8, [&] { spalten = category_table_.Columns().Count(); });
    // The first cells read here are kept for loading the rows.
    std::vector<std::optional<std::string>> erste_zellen(std::max(tabellenzeilen, 0) + 1);
    for (int r = 2; r <= tabellenzeilen; ++r) {
      op.Step(9, [&] {
        erste_zellen[r] = CellText(category_table_, r, 1);
        if (IstSonderzeile(*erste_zellen[r])) --zeilen;
      });
    }
    op.Step(10, [&] { ResetRows(zeilen, kSpalten); });
    for (int row = 1; row < zeilen; ++row) {
      ZeileAusTabelle(op, row, spalten, erste_zellen[row + 1]);
    }
    op.Step(14, [&] { current_row_ = 1; });
    op.Step(15, [&] { LesenWerte(); });
  }
  op.Step(16, [&] {
    SetHeader({{"Grenzfeststellung nach", 2370},
               {" Nr.7.1", 615},
               {" Nr.7.2", 615},
               {" Nr.7.3", 615},
               {" Wert [€/m²]", 1080},
               {" Anteil ", 800},
               {"", 1200}});
  });
  op.Step(17, [&] { suppressed_ = false; });
  op.Step(18, [&] { neueAufnahmeLoad(); });
  op.Step(19, [&] { SetMousePointer(forms::kMousePointerDefault); });
}

void FrmKat4::ZeileAusTabelle(Operation& op, int row, int spalten,
                              const std::optional<std::string>& erste_zelle) {
  forms::Grid& grid = FeeGrid();
  op.Step(11, [&] { grid.SetTextMatrix(row, 5, "1000"); });
  for (int col = 1; col <= spalten; ++col) {
    op.Step(12, [&] {
      // The grid takes nothing of the text of column 2 or of columns past 5:
      // such a cell is only looked up, so that a row short of cells fails as
      // it always did.
      std::string zelle;
      if (col == 2 || col > 5) {
        static_cast<void>(category_table_.Cell(row + 1, col));
      } else {
        zelle = col == 1 && erste_zelle ? *erste_zelle : CellText(category_table_, row + 1, col);
      }
      if (text::InStr(zelle, kLineBreak) > 0) {
        if (col == 1) grid.SetTextMatrix(row, 5, ShareFromNote(zelle));
        zelle = BeforeLineBreak(zelle);
      }
      switch (col) {
        case 1:
          grid.SetTextMatrix(row, 0, zelle);
          break;
        case 2:
          grid.SetTextMatrix(row, 2, "");
          break;
        case 3:
          grid.SetTextMatrix(row, 1, text::Mid(zelle, 2, 2));
          grid.SetTextMatrix(row, 2, text::Mid(zelle, 5, 2));
          grid.SetTextMatrix(row, 3, text::Mid(zelle, 8, 2));
          break;
        case 4:
          grid.SetTextMatrix(row, 4, zelle);
          break;
        case 5:
          grid.SetTextMatrix(row, 6, WertFormatieren(zelle, 8, 2));
          break;
        default:
          break;
      }
    });
  }
  op.Step(13, [&] {
    std::string wert = grid.TextMatrix(row, 4);  // the cell's text, kept up to date
    for (int stufe = 1; stufe <= 6; ++stufe) {
      if (wert == Stufe(stufe).text) {
        wert = Stufe(stufe).wert;
        grid.SetTextMatrix(row, 4, wert);
        Get<forms::CheckBox>("chkBereich").SetValue(1);
      }
    }
  });
}

void FrmKat4::FinishPath() {
  Operation op(Name(), "CommandEnde_Click");
  forms::Grid& grid = FeeGrid();
  word::Range bereich;
  word::Table tabelle;
  int zeilen = 0;
  double summe73 = 0;
  bool mindestgebühr = false;
  op.Step(1, [&] { SetMousePointer(forms::kMousePointerHourglass); });
  op.Step(2, [&] { bereich = InsertionRange(category_table_, false); });
  op.Step(3, [&] { zeilen = grid.Rows(); });
  for (int row = 1; row < zeilen; ++row) {
    op.Step(4, [&] { summe73 += Gebühr73(grid.TextMatrix(row, 4), grid.TextMatrix(row, 3)); });
  }
  op.Step(5, [&] { mindestgebühr = MindestgebührFällig(summe73); });
  op.Step(6, [&] { tabelle = AddTable(bereich, zeilen + (mindestgebühr ? 1 : 0), 5); });
  op.Step(7, [&] { TabelleFormatieren(tabelle); });
  op.Step(8, [&] { WriteHeaderCell(tabelle, 1, "Grenzfeststellung nach"); });
  op.Step(9, [&] { WriteHeaderCell(tabelle, 3, "Nr. 7.1\tNr. 7.2\tNr. 7.3"); });
  op.Step(10, [&] { WriteHeaderCell(tabelle, 4, "Wert €/m²", true); });
  op.Step(11, [&] { AddBookmark(tabelle, kKeyNr7); });
  for (int row = 1; row < zeilen; ++row) ZeileInTabelle(op, tabelle, row);
  if (op.If(20, [&] { return mindestgebühr; })) {
    op.Step(21, [&] {
      const int letzte = tabelle.Rows().Count();
      tabelle.Cell(letzte, 1).SetWidth(word::Application::CentimetersToPoints(9.12));
      tabelle.Cell(letzte, 2).SetWidth(word::Application::CentimetersToPoints(0.5));
      tabelle.Cell(letzte, 3).SetWidth(word::Application::CentimetersToPoints(0.38));
    });
    op.Step(22, [&] { WriteCell(tabelle, tabelle.Rows().Count(), 1, kMindestText); });
    op.Step(23, [&] { AlignCellRight(tabelle, tabelle.Rows().Count(), 5); });
    op.Step(24, [&] {
      WriteCell(tabelle, tabelle.Rows().Count(), 5,
                WertFormatieren(GeneralNumber(kMindestgebühr73 - summe73), 8, 2) + " €");
    });
  }
  op.Step(25, [&] { AppendParagraph(); });
  op.Step(26, [&] { BookmarkSetzen(tabelle, kKeyNr7); });
  op.Step(27, [&] { neueAufnahmeEnde(); });
  op.Step(28, [&] { SetMousePointer(forms::kMousePointerDefault); });
  op.Step(29, [&] { Unload(); });
}

void FrmKat4::ZeileInTabelle(Operation& op, const word::Table& tabelle, int row) {
  forms::Grid& grid = FeeGrid();
  auto zelle = [&](int col) { return grid.TextMatrix(row, col); };
  const int t = row + 1;
  op.Step(12, [&] { WriteCell(tabelle, t, 1, zelle(0)); });
  op.Step(13, [&] {
    word::TabStops stops = tabelle.Cell(t, 3).Range().ParagraphFormat().TabStops();
    for (double cm : {1.0, 2.0, 3.0}) {
      stops.Add(word::Application::CentimetersToPoints(cm), word::wdAlignTabDecimal, 0);
    }
    WriteCell(tabelle, t, 3, "\t" + zelle(1) + "\t" + zelle(2) + "\t" + zelle(3));
  });
  op.Step(14, [&] {
    if (Get<forms::CheckBox>("chkBereich").Value() == 1) {
      const double cent = ToDouble(Variant(GeneralNumber(ToDouble(Variant(zelle(4))) * 100)));
      WriteCell(tabelle, t, 4, BereichsText(cent));
    } else {
      WriteCell(tabelle, t, 4, zelle(4));
    }
  });
  op.Step(15, [&] { AlignCellRight(tabelle, t, 4); });
  if (op.If(16, [&] { return zelle(5) != "1000"; })) {
    // A share of 0 has no full fee: the note is left out (reported), never
    // written with a division by zero in it.
    op.Step(17, [&] {
      const double voll = FullFee(ToDouble(Variant(zelle(6))), Val(zelle(5)));
      AppendToCell(tabelle, t, 1, ShareNote(voll, zelle(5)), 8);
    });
  }
  op.Step(18, [&] { WriteCell(tabelle, t, 5, zelle(6) + " €"); });
  op.Step(19, [&] { AlignCellRight(tabelle, t, 5); });
}

void FrmKat4::TabelleFormatieren(word::Table& table) {
  Operation op(Name(), "TabelleFormatieren");
  op.Step(1, [&] { ClearBordersSetWidths(table, {5.0, 1.0, 6.0, 3.0, 2.5}); });
}

void FrmKat4::TabelleFormatiereneinsicht(word::Table& table) {
  Operation op(Name(), "TabelleFormatiereneinsicht");
  op.Step(1, [&] { ClearBordersSetWidths(table, {10.0, 1.0, 1.0, 1.0, 3.0}); });
}

void FrmKat4::neueAufnahmeLoad() {
  Operation op(Name(), "neueAufnahmeLoad");
  op.Step(1, [&] { teiltabelle_ = TabelleErmitteln(kKeyNr7Grundlagen, true); });
  if (op.If(2, [&] { return !teiltabelle_; })) {
    op.Step(3, [&] { Feld("mskneueAP").SetText("  "); });
  } else {
    op.Step(
        4, [&] { Feld("mskneueAP").SetText(WertFormatieren(CellText(teiltabelle_, 2, 1), 2, 0)); });
  }
}

void FrmKat4::neueAufnahmeEnde() {
  Operation op(Name(), "neueAufnahmeEnde");
  int16_t anzahl = 0;
  std::string betrag;
  word::Range bereich;
  word::Table tabelle;
  op.Step(1, [&] { anzahl = RoundToInteger(Val(Feld("mskneueAP").Text())); });
  op.Step(2, [&] { bereich = InsertionRange(teiltabelle_, true); });
  op.Step(3, [&] { WordApplication().Selection().Font().SetSize(10); });
  if (op.If(4, [&] { return anzahl >= 1; })) {
    op.Step(5, [&] { betrag = NeueAufnahmepunkteBetrag74(anzahl); });
    op.Step(6, [&] { tabelle = AddTable(bereich, 2, 5); });
    op.Step(7, [&] { WriteHeaderCell(tabelle, 1, "Grundlagenvermessung nach Nr. 7.4"); });
    op.Step(8, [&] {
      WriteCell(tabelle, 2, 1,
                std::to_string(anzahl) + " neue Aufnahmepunkte je 204.52 € (max. 400 €)");
    });
    op.Step(9, [&] { AlignCellRight(tabelle, 2, 5); });
    op.Step(10, [&] { WriteCell(tabelle, 2, 5, betrag); });
    op.Step(11, [&] { TabelleFormatiereneinsicht(tabelle); });
    op.Step(12, [&] { BookmarkSetzen(tabelle, kKeyNr7Grundlagen); });
  }
}

}  // namespace korvax::dialogs
