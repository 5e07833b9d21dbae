#include "dialogs/fee_document.hpp"

#include "common/error.hpp"
#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/text.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::dialogs {

word::Document& InvoiceDocument() {
  const auto& doc = Library().order.Doc;
  if (!doc) throw errors::ObjectNotSet();
  return *doc;
}

word::Application& WordApplication() {
  const auto& application = Library().order.Application;
  if (!application) throw errors::ObjectNotSet();
  return *application;
}

word::Range InsertionRange(word::Table& old_table, bool paragraph) {
  if (old_table) {
    word::Range range = old_table.Range();
    old_table.Delete();
    range.Collapse(word::wdCollapseEnd);
    return range;
  }
  word::Range range = InvoiceDocument().Content();
  range.Collapse(word::wdCollapseEnd);
  if (paragraph) {
    range.InsertParagraphAfter();
    range.Collapse(word::wdCollapseEnd);
    range.ClearParagraphAllFormatting();
  }
  return range;
}

void AppendParagraph() {
  word::Range end = InvoiceDocument().Content();
  end.InsertParagraphAfter();
  end.Collapse(word::wdCollapseEnd);
  end.ClearParagraphAllFormatting();
}

word::Table AddTable(const word::Range& range, int rows, int columns) {
  return InvoiceDocument().Tables().Add(range, rows, columns);
}

void WriteCell(const word::Table& table, int row, int col, std::string_view text) {
  table.Cell(row, col).Range().InsertAfter(text);
}

void AlignCellRight(const word::Table& table, int row, int col) {
  table.Cell(row, col).Range().ParagraphFormat().SetAlignment(word::wdAlignParagraphRight);
}

void WriteHeaderCell(const word::Table& table, int col, std::string_view text, bool right) {
  word::Range cell = table.Cell(1, col).Range();
  cell.InsertAfter(text);
  cell.Font().SetBold(true);
  if (right) cell.ParagraphFormat().SetAlignment(word::wdAlignParagraphRight);
}

void AppendToCell(const word::Table& table, int row, int col, std::string_view text,
                  double points) {
  table.Cell(row, col).Select();
  word::Selection selection = WordApplication().Selection();
  selection.Collapse(word::wdCollapseEnd);
  selection.InsertAfter(text);
  selection.Font().SetSize(points);
}

void AddBookmark(const word::Table& table, std::string_view key) {
  table.Cell(1, 5).Select();
  word::Bookmarks bookmarks = InvoiceDocument().Bookmarks();
  bookmarks.Add(key, WordApplication().Selection().Range());
  bookmarks.SetDefaultSorting(word::wdSortByName);
  bookmarks.SetShowHidden(true);
}

void ClearBordersSetWidths(const word::Table& table, std::initializer_list<double> centimetres) {
  table.Select();
  for (int side : {word::wdBorderTop, word::wdBorderLeft, word::wdBorderBottom, word::wdBorderRight,
                   word::wdBorderHorizontal, word::wdBorderVertical}) {
    table.Borders(side).SetLineStyle(word::wdLineStyleNone);
  }
  int col = 1;
  for (double cm : centimetres) {
    table.Columns().Item(col++).SetWidth(word::Application::CentimetersToPoints(cm));
  }
}

std::string CellText(const word::Table& table, int row, int col) {
  return table.Cell(row, col).Text();
}

std::string BeforeLineBreak(std::string_view text) {
  const int at = text::InStr(text, kLineBreak);
  return at == 0 ? std::string(text) : text::Left(text, at - 1);
}

std::string GridFee(double fee) {
  return WertFormatieren(GeneralNumber(fee), 8, 2);
}

std::string PaddedAmount(double amount) {
  return Format(Variant(Format(amount, "0.00")), "@@@@@@@@");
}

double FullFee(double fee, double share) {
  if (share == 333) return fee * 3;
  return CheckedDivide(fee * 1000, share);
}

std::string ShareNote(double full_fee, std::string_view share) {
  return std::string(kLineBreak) + "Betrag :  € " + PaddedAmount(full_fee) + " Ihr Anteil " +
         std::string(share) + "/1000";
}

std::string ShareFromNote(std::string_view cell_text) {
  return Format(Variant(Val(text::Right(cell_text, 9))), "@@@@");
}

}  // namespace korvax::dialogs
