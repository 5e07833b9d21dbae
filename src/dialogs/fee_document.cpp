#include "dialogs/fee_document.hpp"

#include "common/error.hpp"
#include "common/format.hpp"
#include "common/text.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::dialogs {

word::Document& Dokument() {
  const auto& doc = Library().order.Doc;
  if (!doc) throw errors::ObjectNotSet();
  return *doc;
}

word::Application& Anwendung() {
  const auto& application = Library().order.Application;
  if (!application) throw errors::ObjectNotSet();
  return *application;
}

word::Range Einfügebereich(word::Table& alte, bool absatz) {
  if (alte) {
    word::Range bereich = alte.Range();
    alte.Delete();
    bereich.Collapse(word::wdCollapseEnd);
    return bereich;
  }
  word::Range bereich = Dokument().Content();
  bereich.Collapse(word::wdCollapseEnd);
  if (absatz) {
    bereich.InsertParagraphAfter();
    bereich.Collapse(word::wdCollapseEnd);
  }
  return bereich;
}

word::Table TabelleAnlegen(const word::Range& bereich, int rows, int columns) {
  return Dokument().Tables().Add(bereich, rows, columns);
}

void ZelleSchreiben(const word::Table& table, int row, int col, std::string_view text) {
  table.Cell(row, col).Range().InsertAfter(text);
}

void ZelleRechtsbündig(const word::Table& table, int row, int col) {
  table.Cell(row, col).Range().ParagraphFormat().SetAlignment(word::wdAlignParagraphRight);
}

void KopfzelleSchreiben(const word::Table& table, int col, std::string_view text, bool rechts) {
  word::Range cell = table.Cell(1, col).Range();
  cell.InsertAfter(text);
  cell.Font().SetBold(true);
  if (rechts) cell.ParagraphFormat().SetAlignment(word::wdAlignParagraphRight);
}

void AmZellendeAnfügen(const word::Table& table, int row, int col, std::string_view text,
                       double punkte) {
  table.Cell(row, col).Select();
  word::Selection selection = Anwendung().Selection();
  selection.Collapse(word::wdCollapseEnd);
  selection.InsertAfter(text);
  selection.Font().SetSize(punkte);
}

void TextmarkeSetzen(const word::Table& table, std::string_view key) {
  table.Cell(1, 5).Select();
  word::Bookmarks marken = Dokument().Bookmarks();
  marken.Add(key, Anwendung().Selection().Range());
  marken.SetDefaultSorting(word::wdSortByName);
  marken.SetShowHidden(true);
}

void RahmenUndBreiten(const word::Table& table, std::initializer_list<double> zentimeter) {
  table.Select();
  for (int seite : {word::wdBorderTop, word::wdBorderLeft, word::wdBorderBottom,
                    word::wdBorderRight, word::wdBorderHorizontal, word::wdBorderVertical}) {
    table.Borders(seite).SetLineStyle(word::wdLineStyleNone);
  }
  int col = 1;
  for (double cm : zentimeter) {
    table.Columns().Item(col++).SetWidth(word::Application::CentimetersToPoints(cm));
  }
}

std::string ZellText(const word::Table& table, int row, int col) {
  const std::string text = table.Cell(row, col).Range().Text();
  return text::Left(text, text::Len(text) - 2);
}

std::string VorZeilenumbruch(std::string_view text) {
  const int at = text::InStr(text, kZeilenumbruch);
  return at == 0 ? std::string(text) : text::Left(text, at - 1);
}

double VolleGebühr(double gebühr, double anteil) {
  if (anteil == 333) return gebühr * 3;
  return CheckedDivide(gebühr * 1000, anteil);
}

std::string AnteilNotiz(double volle_gebühr, std::string_view anteil) {
  return std::string(kZeilenumbruch) + "Betrag :  € " +
         Format(Variant(Format(volle_gebühr, "0.00")), "@@@@@@@@") + " Ihr Anteil " +
         std::string(anteil) + "/1000";
}

std::string AnteilAusNotiz(std::string_view zelltext) {
  return Format(Variant(Val(text::Right(zelltext, 9))), "@@@@");
}

}  // namespace korvax::dialogs
