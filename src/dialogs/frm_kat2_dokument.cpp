// frmKat2 and the invoice document: the load path that reads the Korvax_2
// table back and the finish path that writes it.
#include <string>
#include <vector>

#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat2.hpp"
#include "document/tk_word_auto.hpp"

namespace korvax::dialogs {

namespace {

constexpr int kSpalten = 6;
constexpr std::string_view kÜberschrift = "Gebäudeaufnahme nach Nr. ";
// The labels of the second line of a billing line, 14 characters each.
constexpr std::string_view kBaukosten = "Baukosten:    ";
constexpr std::string_view kFläche = "Fläche:       ";

// The lines of a cell text, split at the manual line breaks.
std::vector<std::string> Zeilen(const std::string& zelle) {
  std::vector<std::string> zeilen;
  int von = 1;
  for (int bei = text::InStr(zelle, kLineBreak); bei > 0;
       bei = text::InStr(zelle, kLineBreak, von)) {
    zeilen.push_back(text::Mid(zelle, von, bei - von));
    von = bei + 1;
  }
  zeilen.push_back(text::Mid(zelle, von));
  return zeilen;
}

// The cost or area of a second line: the text behind its 14-character label
// up to the "; ". Read from the label's end, a value of fewer than three
// digits would lose its digits to the amount formatter and come back as 0.
std::string WertAusZeile(const std::string& zeile) {
  std::string wert = text::Mid(zeile, 15);
  const int semikolon = text::InStr(wert, ";");
  if (semikolon > 0) wert = text::Left(wert, semikolon - 1);
  return WertFormatieren(text::Trim(wert), 8, 0);
}

// The fee of a cell without its leading blanks: the amount formatter keeps
// the digits in front of its fifth position only, so " " + "    5,00"
// would come back as 0,00.
std::string GebührAusZelle(const std::string& zelle) {
  const std::string gebühr = text::Trim(zelle);
  return gebühr.empty() ? std::string() : WertFormatieren(gebühr, 8, 2);
}

Abrechnung AbrechnungAusKopf(const std::string& kopf) {
  const std::string nummer = text::Mid(kopf, 26, 3);
  if (nummer == "3.2") return Abrechnung::k32;
  if (nummer == "3.3") return Abrechnung::k33;
  return Abrechnung::k31;
}

std::string_view Nummer(Abrechnung abrechnung) {
  switch (abrechnung) {
    case Abrechnung::k32:
      return "3.2";
    case Abrechnung::k33:
      return "3.3";
    default:
      return "3.1";
  }
}

}  // namespace

void FrmKat2::LoadPath() {
  Operation op(Name(), "UserForm_Activate");
  int zeilen = 0;
  op.Step(1, [&] { suppressed_ = true; });
  op.Step(2, [&] { category_table_ = TabelleErmitteln(kKeyNr3, false); });
  op.Step(3, [&] { SetMousePointer(forms::kMousePointerHourglass); });
  // The flag follows the option the form opens with, whatever the last
  // opening left in it.
  op.Step(4, [&] { kostenmodus_ = GewählteAbrechnung() != Abrechnung::k33; });
  if (op.If(5, [&] { return !category_table_; })) {
    op.Step(6, [&] { StartEmpty(kSpalten); });
    op.Step(7, [&] { NeuWerte(); });
  } else {
    op.Step(8, [&] { OptionWählen(AbrechnungAusKopf(CellText(category_table_, 1, 1))); });
    op.Step(9, [&] { zeilen = category_table_.Rows().Count(); });
    op.Step(10, [&] { ResetRows(zeilen, kSpalten); });
    for (int row = 1; row < zeilen; ++row) ZeileAusTabelle(op, row);
    op.Step(18, [&] { current_row_ = 1; });
    op.Step(19, [&] { LesenWerte(); });
  }
  op.Step(20, [&] {
    SetHeader({{"Flurstücksnummer", 3000},
               {kostenmodus_ ? " Baukosten" : "Fläche", 1300},
               {" Gebäudeteile", 1500},
               {" Anteil", 1000},
               {"", 1000},
               {" Gebäudebeschreibung", 3000}});
  });
  op.Step(21, [&] { suppressed_ = false; });
  op.Step(22, [&] { SetMousePointer(forms::kMousePointerDefault); });
}

void FrmKat2::ZeileAusTabelle(Operation& op, int row) {
  forms::Grid& grid = FeeGrid();
  std::vector<std::string> zeilen;
  std::string zelle;
  op.Step(11, [&] { grid.SetTextMatrix(row, 3, "1000"); });
  op.Step(12, [&] {
    zelle = CellText(category_table_, row + 1, 1);
    zeilen = Zeilen(zelle);
  });
  // A blank line was written as an empty row and stays blank.
  if (!zelle.empty()) {
    op.Step(13, [&] { grid.SetTextMatrix(row, 0, zeilen.at(0)); });
    op.Step(14, [&] {
      const std::string zweite = zeilen.size() > 1 ? zeilen[1] : std::string();
      if (const Kostenstufe* stufe = KostenstufeAusText(text::Mid(zweite, 15))) {
        grid.SetTextMatrix(row, 1, std::string(stufe->wert));
        Get<forms::CheckBox>("chkBereich").SetValue(1);
      } else {
        grid.SetTextMatrix(row, 1, WertAusZeile(zweite));
      }
    });
    op.Step(15, [&] {
      const std::string zweite = zeilen.size() > 1 ? zeilen[1] : std::string();
      const int semikolon = text::InStr(zweite, ";");
      grid.SetTextMatrix(row, 2,
                         semikolon > 0
                             ? Format(Variant(Val(text::Mid(zweite, semikolon + 3))), "@@")
                             : std::string(" 1"));
    });
    op.Step(16, [&] {
      if (zeilen.size() > 2) grid.SetTextMatrix(row, 5, zeilen[2]);
      if (zeilen.size() > 3) grid.SetTextMatrix(row, 3, ShareFromNote(zelle));
    });
  }
  op.Step(17, [&] {
    grid.SetTextMatrix(row, 4, GebührAusZelle(CellText(category_table_, row + 1, 5)));
  });
}

void FrmKat2::FinishPath() {
  Operation op(Name(), "CommandEnde_Click");
  forms::Grid& grid = FeeGrid();
  word::Range bereich;
  word::Table tabelle;
  int zeilen = 0;
  op.Step(1, [&] { SetMousePointer(forms::kMousePointerHourglass); });
  op.Step(2, [&] { bereich = InsertionRange(category_table_, true); });
  op.Step(3, [&] { zeilen = grid.Rows(); });
  op.Step(4, [&] { tabelle = AddTable(bereich, zeilen, 5); });
  op.Step(5, [&] {
    WriteHeaderCell(tabelle, 1,
                    std::string(kÜberschrift) + std::string(Nummer(GewählteAbrechnung())));
  });
  op.Step(6, [&] { AddBookmark(tabelle, kKeyNr3); });
  for (int row = 1; row < zeilen; ++row) ZeileInTabelle(op, tabelle, row);
  op.Step(16, [&] { AppendParagraph(); });
  op.Step(17, [&] { TabelleFormatieren(tabelle); });
  op.Step(18, [&] { BookmarkSetzen(tabelle, kKeyNr3); });
  op.Step(19, [&] { SetMousePointer(forms::kMousePointerDefault); });
  op.Step(20, [&] { Unload(); });
}

void FrmKat2::ZeileInTabelle(Operation& op, const word::Table& tabelle, int row) {
  forms::Grid& grid = FeeGrid();
  auto zelle = [&](int col) { return grid.TextMatrix(row, col); };
  const int t = row + 1;
  // A blank line (a deleted only line, an inserted one never applied) has
  // nothing to bill: its row stays empty instead of carrying labels without
  // values and a share note without a share.
  if (op.If(7, [&] { return LeereZeile(row); })) return;
  op.Step(8, [&] { WriteCell(tabelle, t, 1, zelle(0)); });
  op.Step(9, [&] {
    std::string zweite(kLineBreak);
    zweite += kostenmodus_ ? kBaukosten : kFläche;
    if (kostenmodus_ && Get<forms::CheckBox>("chkBereich").Value() == 1) {
      zweite += KostenstufeVon(CVal(zelle(1))).bereich;
    } else {
      zweite += zelle(1) + "; ";
    }
    WriteCell(tabelle, t, 1, zweite);
  });
  op.Step(10, [&] {
    WriteCell(tabelle, t, 1,
              " " + zelle(2) + (Val(zelle(2)) <= 1 ? " Gebäudeteil" : " Gebäudeteile"));
  });
  op.Step(11, [&] { WriteCell(tabelle, t, 1, std::string(kLineBreak) + zelle(5)); });
  if (op.If(12, [&] { return zelle(3) != "1000"; })) {
    op.Step(13, [&] {
      const double voll = FullFee(CVal(zelle(4)), Val(zelle(3)));
      AppendToCell(tabelle, t, 1, ShareNote(voll, zelle(3)), 8);
    });
  }
  op.Step(14, [&] { AlignCellRight(tabelle, t, 5); });
  op.Step(15, [&] { WriteCell(tabelle, t, 5, " " + zelle(4)); });
}

void FrmKat2::TabelleFormatieren(word::Table& table) {
  Operation op(Name(), "TabelleFormatieren");
  op.Step(1, [&] { ClearBordersSetWidths(table, {12.0, 1.0, 1.0, 1.0, 2.5}); });
}

}  // namespace korvax::dialogs
