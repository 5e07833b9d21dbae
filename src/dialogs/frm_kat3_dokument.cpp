// frmKat3 and the invoice document: the load path that reads the Korvax_3
// table back and the finish path that writes it with its in-town rows.
#include <string>
#include <vector>

#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat3.hpp"
#include "document/tk_word_auto.hpp"
#include "platform/word/word.hpp"

namespace korvax::dialogs {

namespace {

constexpr int kSpalten = 7;

// One table row as the load path finds it.
struct Tabellenzeile {
  std::string zellen[5];
  bool im_ort = false;
  double länge = 0;
};

double Zentimeter(double cm) {
  return word::Application::CentimetersToPoints(cm);
}

// Cells 3 and 4 of a line row carry decimal tab stops at 1.0 and 2.8 cm.
void Dezimaltabs(const word::Table& table, int row) {
  for (int col : {3, 4}) {
    word::TabStops stops = table.Cell(row, col).Range().ParagraphFormat().TabStops();
    stops.Add(Zentimeter(1.0), word::wdAlignTabDecimal, 0);
    stops.Add(Zentimeter(2.8), word::wdAlignTabDecimal, 0);
  }
}

// A header cell whose text lines up at a left tab stop at 1.8 cm.
void KopfzelleMitTab(const word::Table& table, int col, std::string_view text) {
  WriteHeaderCell(table, col, text);
  table.Cell(1, col).Range().ParagraphFormat().TabStops().Add(Zentimeter(1.8), word::wdAlignTabLeft,
                                                              0);
}

// The cell selected and the text put behind its text. Written through the
// cell's range: inserting after a collapsed selection at the start of an
// empty cell other than the first of its row would land in the cell before.
void AnAuswahlAnfügen(const word::Table& table, int row, int col, std::string_view text) {
  table.Cell(row, col).Select();
  WriteCell(table, row, col, text);
}

}  // namespace

void FrmKat3::LoadPath() {
  Operation op(Name(), "Form_Load");
  ListenFüllen(op, 1);
  op.Step(3, [&] { suppressed_ = true; });
  op.Step(4, [&] { category_table_ = TabelleErmitteln(kKeyNr45, false); });
  op.Step(5, [&] { SetMousePointer(forms::kMousePointerHourglass); });
  if (op.If(6, [&] { return !category_table_; })) {
    op.Step(7, [&] { ResetRows(2, kSpalten); });
    op.Step(8, [&] { TextBoxFlst().SetText(""); });
    op.Step(9, [&] { current_row_ = 1; });
    op.Step(10, [&] { NeuWerte(); });
  } else {
    TabelleLesen(op, 11);
    op.Step(16, [&] { current_row_ = 1; });
    op.Step(17, [&] { LesenWerte(); });
  }
  op.Step(18, [&] {
    SetHeader({{"Vermessung nach Nr. 5", 3000},
               {" Nr.", 700},
               {" Flurstücksdichte", 2055},
               {" Achslänge", 1020},
               {" im Ort", 930},
               {" Preis [€/m]", 1000},
               {" Preis [€]", 945}});
  });
  op.Step(19, [&] { suppressed_ = false; });
  op.Step(20, [&] { SetMousePointer(forms::kMousePointerDefault); });
}

// Checkpoints first to first + 4. The header row is left to the header
// texts. An in-town row is known by its whole fixed text, and only below a
// line; a line whose own text starts with "Davon " stays a line.
void FrmKat3::TabelleLesen(Operation& op, int first) {
  forms::Grid& grid = FeeGrid();
  int tabellenzeilen = 0;
  std::vector<Tabellenzeile> zeilen;
  op.Step(first, [&] { tabellenzeilen = category_table_.Rows().Count(); });
  int linien = 0;
  for (int r = 2; r <= tabellenzeilen; ++r) {
    op.Step(first + 1, [&] {
      Tabellenzeile zeile;
      zeile.zellen[0] = CellText(category_table_, r, 1);
      zeile.im_ort = linien > 0 && IstImOrtZeile(zeile.zellen[0], zeile.länge);
      if (!zeile.im_ort) {
        for (int col = 2; col <= 5; ++col) {
          zeile.zellen[col - 1] = CellText(category_table_, r, col);
        }
        ++linien;
      }
      zeilen.push_back(std::move(zeile));
    });
  }
  // A table without lines (only its header) opens with one blank line.
  op.Step(first + 2, [&] { ResetRows(linien > 0 ? linien + 1 : 2, kSpalten); });
  int g = 0;
  for (const Tabellenzeile& zeile : zeilen) {
    if (zeile.im_ort) {
      op.Step(first + 3, [&] { grid.SetTextMatrix(g, 4, GeneralNumber(zeile.länge) + " m"); });
      continue;
    }
    ++g;
    op.Step(first + 4, [&] {
      grid.SetTextMatrix(g, 0, zeile.zellen[0]);
      grid.SetTextMatrix(g, 1, zeile.zellen[1]);
      grid.SetTextMatrix(g, 2, zeile.zellen[2]);
      // The axis is everything in front of the tab, so that "1.234 m" keeps
      // its first digit; the price per metre follows the tab.
      const std::string& achse = zeile.zellen[3];
      const int tab = text::InStr(achse, "\t");
      const std::string länge = tab == 0 ? achse : text::Left(achse, tab - 1);
      grid.SetTextMatrix(g, 3, Format(Variant(länge), "@@@@@@@"));
      grid.SetTextMatrix(g, 5, tab == 0 ? std::string() : text::Mid(achse, tab + 1));
      grid.SetTextMatrix(g, 6, Tausche(Tausche(zeile.zellen[4], "D", ""), "M", ""));
    });
  }
}

void FrmKat3::FinishPath() {
  Operation op(Name(), "CommandEnde_Click");
  forms::Grid& grid = FeeGrid();
  word::Range bereich;
  word::Table tabelle;
  int zeilen = 0;
  int t = 1;
  op.Step(1, [&] { SetMousePointer(forms::kMousePointerHourglass); });
  op.Step(2, [&] { bereich = InsertionRange(category_table_, false); });
  op.Step(3, [&] { WordApplication().Selection().Font().SetSize(10); });
  op.Step(4, [&] { zeilen = grid.Rows(); });
  op.Step(5, [&] { tabelle = AddTable(bereich, zeilen, 5); });
  op.Step(6, [&] { TabelleFormatieren(tabelle); });
  op.Step(7, [&] { WriteHeaderCell(tabelle, 1, "Vermessung nach Nr. 5"); });
  op.Step(8, [&] { WriteHeaderCell(tabelle, 2, "Nr."); });
  op.Step(9, [&] { KopfzelleMitTab(tabelle, 3, " Flurstücksdichte"); });
  op.Step(10, [&] { KopfzelleMitTab(tabelle, 4, " Achse\tPreis/lfdm"); });
  op.Step(11, [&] { AddBookmark(tabelle, kKeyNr45); });
  for (int row = 1; row < zeilen; ++row) t = ZeileInTabelle(op, tabelle, row, t);
  op.Step(25, [&] { AppendParagraph(); });
  op.Step(26, [&] { BookmarkSetzen(tabelle, kKeyNr45); });
  op.Step(27, [&] { SetMousePointer(forms::kMousePointerDefault); });
  op.Step(28, [&] { Unload(); });
}

// Checkpoints 12 to 24. The in-town row appends one row at the end of the
// table and takes the next row, so every later line moves down by one and
// all rows stay filled in order.
int FrmKat3::ZeileInTabelle(Operation& op, const word::Table& tabelle, int row, int t) {
  forms::Grid& grid = FeeGrid();
  auto zelle = [&](int col) { return grid.TextMatrix(row, col); };
  const int z = t + 1;
  auto schreiben = [&](int col, const std::string& text) {
    WriteCell(tabelle, z, col, text);
    Dezimaltabs(tabelle, z);
    AlignCellRight(tabelle, z, 5);
  };
  bool im_ort = false;
  double länge = 0;
  op.Step(12, [&] { schreiben(1, zelle(0)); });
  op.Step(13, [&] { schreiben(2, zelle(1)); });
  op.Step(14, [&] { schreiben(3, zelle(2)); });
  op.Step(15, [&] { schreiben(4, zelle(3)); });
  op.Step(16, [&] { länge = Länge(zelle(4)); });
  if (op.If(17, [&] { return länge != 0; })) {
    const int o = t + 2;
    op.Step(18, [&] {
      im_ort = true;
      tabelle.Rows().Add();
    });
    op.Step(19, [&] { AnAuswahlAnfügen(tabelle, o, 1, ImOrtText(länge)); });
    op.Step(20, [&] {
      AnAuswahlAnfügen(tabelle, o, 5, PaddedAmount(ZuschlagImOrt(zelle(5), länge)));
      WriteCell(tabelle, o, 5, " €");
    });
    op.Step(21, [&] { AlignCellRight(tabelle, o, 5); });
    op.Step(22, [&] {
      int col = 1;
      for (double cm : {12.1, 0.3, 0.3, 0.3, 3.0}) tabelle.Cell(o, col++).SetWidth(Zentimeter(cm));
    });
  }
  op.Step(23, [&] { schreiben(4, "\t" + zelle(5)); });
  op.Step(24, [&] { schreiben(5, PaddedAmount(CVal(zelle(6))) + " €"); });
  return im_ort ? t + 2 : t + 1;
}

void FrmKat3::TabelleFormatieren(word::Table& table) {
  Operation op(Name(), "TabelleFormatieren");
  op.Step(1, [&] { ClearBordersSetWidths(table, {5.0, 2.0, 4.0, 4.0, 2.5}); });
}

}  // namespace korvax::dialogs
