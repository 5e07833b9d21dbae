// What the totals block, the final-invoice section and the payment due note
// share: their module name, the amount text of the totals table and cell writes.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/error.hpp"
#include "platform/word/table.hpp"

namespace korvax::billing {

// The module name under which all three report their failures.
inline constexpr std::string_view kModule = "GebührenTabelle";

// An object the step needs; 91 (object not set) when there is none.
template <class T>
const std::shared_ptr<T>& Required(const std::shared_ptr<T>& object) {
  if (!object) throw errors::ObjectNotSet();
  return object;
}
template <class T>
T& Required(std::optional<T>& object) {
  if (!object) throw errors::ObjectNotSet();
  return *object;
}

// An amount of the totals table: the number in general format put through
// WertFormatieren (width 11, 2 decimals), then " €".
std::string AmountText(double amount);

// Half a cent rounds up: Int(x + 0.5) / 100 for x in hundredths.
double CentsHalfUp(double hundredths);

// Appends text to a cell of the table, bold when asked.
void WriteCell(const word::Table& table, int row, int column, std::string_view text,
               bool bold = false);

// Replaces a cell's content (its end-of-cell mark stays).
void ReplaceCell(const word::Table& table, int row, int column, std::string_view text,
                 bool bold = false);

}  // namespace korvax::billing
