#include "host/cli_numbers.hpp"

#include <charconv>
#include <cmath>

#include <CLI/CLI.hpp>

#include "common/format.hpp"

namespace korvax::host {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Digits behind the decimal comma, or -1 without one.
int DecimalsOf(std::string_view text) {
  const size_t comma = text.find(',');
  return comma == std::string_view::npos ? -1 : static_cast<int>(text.size() - comma - 1);
}

// "26.99" for "26,99": a single point with one, two or more than three digits
// behind it was meant as a decimal point.
std::string MeantAsDecimal(std::string_view text) {
  const size_t point = text.find('.');
  if (point == std::string_view::npos || text.find('.', point + 1) != std::string_view::npos ||
      text.find(',') != std::string_view::npos) {
    return {};
  }
  std::string fixed(text);
  fixed[point] = ',';
  if (text.size() - point - 1 == 3 || !GermanNumber(fixed)) return {};
  return fixed;
}

std::string Shown(double value) {
  return Format(value, value == std::floor(value) ? "#,##0" : "#,##0.00");
}

}  // namespace

std::optional<double> GermanNumber(std::string_view text) {
  std::string plain;  // digits, the minus and a decimal point, for from_chars
  size_t i = 0;
  if (i < text.size() && text[i] == '-') plain += text[i++];
  const size_t first_digit = i;
  int group = 0;         // digits since the last point
  bool grouped = false;  // a point has been seen
  for (; i < text.size() && text[i] != ','; ++i) {
    if (IsDigit(text[i])) {
      plain += text[i];
      ++group;
    } else if (text[i] == '.') {
      // Points only between whole groups of three, the first group 1 to 3.
      if ((grouped ? group != 3 : group < 1 || group > 3)) return std::nullopt;
      grouped = true;
      group = 0;
    } else {
      return std::nullopt;
    }
  }
  if (i == first_digit || (grouped && group != 3) || (!grouped && group == 0)) return std::nullopt;
  if (i < text.size()) {
    plain += '.';
    const size_t decimals = ++i;
    for (; i < text.size(); ++i) {
      if (!IsDigit(text[i])) return std::nullopt;
      plain += text[i];
    }
    if (i == decimals) return std::nullopt;
  }
  double value = 0;
  const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

double NumberOption(const std::string& text, const std::string& option, const NumberRange& range) {
  const std::optional<double> value = GermanNumber(text);
  if (!value) {
    std::string message = "\"" + text + "\" ist keine Zahl in deutscher Schreibweise";
    const std::string meant = MeantAsDecimal(text);
    if (!meant.empty()) {
      message += "; das Dezimalzeichen ist das Komma: " + meant;
    } else {
      message += " (Dezimalkomma, Punkt nur zwischen Tausendern: 1.234,5)";
    }
    throw CLI::ValidationError(option, message);
  }
  if (range.decimals == 0 && DecimalsOf(text) >= 0) {
    throw CLI::ValidationError(option, "\"" + text + "\" ist keine ganze Zahl");
  }
  if (DecimalsOf(text) > range.decimals) {
    throw CLI::ValidationError(option, "\"" + text + "\" hat mehr als " +
                                           std::to_string(range.decimals) + " Nachkommastellen");
  }
  if (*value < range.min && range.min == 0) {
    throw CLI::ValidationError(option, text + " ist negativ");
  }
  if (*value < range.min || *value > range.max) {
    throw CLI::ValidationError(
        option, text + " liegt nicht zwischen " + Shown(range.min) + " und " + Shown(range.max));
  }
  return *value;
}

}  // namespace korvax::host
