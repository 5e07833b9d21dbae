#include "billing/totals_cells.hpp"

#include <cmath>

#include "common/funktionen.hpp"
#include "common/variant.hpp"

namespace korvax::billing {

std::string AmountText(double amount) {
  return WertFormatieren(GeneralNumber(CheckedFinite(amount)), 11, 2) + " €";
}

double CentsHalfUp(double hundredths) {
  return std::floor(hundredths + 0.5) / 100;
}

void WriteCell(const word::Table& table, int row, int column, std::string_view text, bool bold) {
  word::Range range = table.Cell(row, column).Range();
  range.InsertAfter(text);
  if (bold) table.Cell(row, column).Range().Font().SetBold(true);
}

void ReplaceCell(const word::Table& table, int row, int column, std::string_view text, bool bold) {
  word::Range content = table.Cell(row, column).Range();
  content.MoveEnd(word::wdCharacter, -2);  // not the end-of-cell mark
  content.SetText(text);
  if (bold) table.Cell(row, column).Range().Font().SetBold(true);
}

}  // namespace korvax::billing
