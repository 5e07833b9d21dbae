// Numbers given on the command line, read strictly in German notation: a
// point typed where a decimal comma belongs ("26.99") is refused instead of
// being read as a thousands point (2.699).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvax::host {

// The value of a text in German notation: an optional minus, digits with
// points only between groups of three ("1.234.567"), a decimal comma with at
// least one digit behind it. Blanks, a plus sign, exponents and anything
// after the number make it none (empty).
std::optional<double> GermanNumber(std::string_view text);

// What an option's number may be.
struct NumberRange {
  double min = 0;
  double max = 0;
  int decimals = 0;  // digits allowed behind the comma
};

// The number of an option, or CLI::ValidationError with a German message
// naming the option, the text and the rule it breaks.
double NumberOption(const std::string& text, const std::string& option, const NumberRange& range);

}  // namespace korvax::host
