#include "host/fee_command.hpp"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <optional>

#include <nlohmann/json.hpp>

#include "common/format.hpp"
#include "common/text.hpp"
#include "dialogs/frm_kat3.hpp"
#include "dialogs/quote.hpp"
#include "host/cli_messages.hpp"
#include "host/cli_numbers.hpp"

namespace korvax::host {

namespace {

using dialogs::Quote;

// The texts of every option as given, by option name; the flags as set.
struct FeeOptions {
  std::map<std::string, std::vector<std::string>> values;  // once per line or once
  std::map<std::string, std::string> order;                // once for the whole order
  bool reduction = false;
  bool json = false;
};

// The ranges of the dialogs' input fields.
constexpr NumberRange kArea{0, 999999, 0};         // "######"
constexpr NumberRange kLandValue{0, 99999.99, 2};  // "#####,##"
constexpr NumberRange kShare{1, 1000, 0};          // thousandths; 0 leaves nothing to bill
constexpr NumberRange kCount{0, 99, 0};            // "##"
constexpr NumberRange kMetres{1, 999999, 0};
constexpr NumberRange kCost{0, 999999999, 0};
constexpr NumberRange kVat{0, 100, 0};

// The texts given for an option, none when it was not given.
const std::vector<std::string>& Given(const FeeOptions& o, const std::string& name) {
  static const std::vector<std::string> none;
  const auto it = o.values.find(name);
  return it == o.values.end() ? none : it->second;
}

// The options of one subcommand that hold one value per billing line.
class Lines {
 public:
  Lines(const FeeOptions& options, std::vector<std::string> line_options)
      : options_(options), line_options_(std::move(line_options)) {
    for (const std::string& name : line_options_) count_ = std::max(count_, Given(name).size());
    count_ = std::max<size_t>(count_, 1);
    for (const std::string& name : line_options_) {
      const size_t n = Given(name).size();
      if (n > 1 && n != count_) {
        throw CLI::ValidationError(
            name,
            std::to_string(n) + " Werte für " + std::to_string(count_) +
                " Zeilen; eine Zeilenoption steht einmal für alle Zeilen oder einmal je Zeile");
      }
    }
  }

  size_t Count() const { return count_; }

  // The text of the option for line i, or `fallback` when it is not given.
  std::string Text(const std::string& name, size_t i, const std::string& fallback) const {
    const std::vector<std::string>& given = Given(name);
    if (given.empty()) {
      if (fallback.empty()) throw CLI::ValidationError(name + " fehlt.");
      return fallback;
    }
    return given.size() == 1 ? given.front() : given[i];
  }
  double Number(const std::string& name, size_t i, const NumberRange& range,
                const std::string& fallback = "") const {
    return NumberOption(Text(name, i, fallback), name, range);
  }

 private:
  const std::vector<std::string>& Given(const std::string& name) const {
    return host::Given(options_, name);
  }

  const FeeOptions& options_;
  std::vector<std::string> line_options_;
  size_t count_ = 0;
};

// The text of an option of the whole order, or `fallback`.
std::string OrderText(const FeeOptions& o, const std::string& name, const std::string& fallback) {
  const auto it = o.order.find(name);
  return it == o.order.end() || it->second.empty() ? fallback : it->second;
}

double OrderNumber(const FeeOptions& o, const std::string& name, const NumberRange& range,
                   const std::string& fallback) {
  return NumberOption(OrderText(o, name, fallback), name, range);
}

Quote Nr2(const FeeOptions& o) {
  const Lines lines(o, {"--area", "--land-value", "--share"});
  dialogs::OrderNr2 order;
  for (size_t i = 0; i < lines.Count(); ++i) {
    order.lines.push_back({lines.Number("--area", i, kArea),
                           lines.Number("--land-value", i, kLandValue),
                           static_cast<int>(lines.Number("--share", i, kShare, "1000"))});
  }
  order.unmarked_points = static_cast<int>(OrderNumber(o, "--unmarked", kCount, "0"));
  order.new_points = static_cast<int>(OrderNumber(o, "--new-points", kCount, "0"));
  if (o.reduction && order.lines.size() < 4) {
    throw CLI::ValidationError("--reduction", "die Ermäßigung nach Nr. 2.2 gilt ab 4 Flurstücken");
  }
  order.reduction = o.reduction;
  return dialogs::QuoteNr2(order);
}

Quote Nr3(const FeeOptions& o) {
  dialogs::OrderNr3 order;
  const std::string basis = OrderText(o, "--basis", "3.1");
  if (basis == "3.1") {
    order.basis = dialogs::Abrechnung::k31;
  } else if (basis == "3.2") {
    order.basis = dialogs::Abrechnung::k32;
  } else if (basis == "3.3") {
    order.basis = dialogs::Abrechnung::k33;
  } else {
    throw CLI::ValidationError("--basis",
                               "\"" + basis + "\" ist keine der Abrechnungen 3.1, 3.2, 3.3");
  }
  const bool kosten = order.basis != dialogs::Abrechnung::k33;
  const std::string wert = kosten ? "--cost" : "--area";
  if (!Given(o, kosten ? "--area" : "--cost").empty()) {
    throw CLI::ValidationError(kosten ? "--area" : "--cost",
                               kosten ? "Nr. 3.1 und 3.2 rechnen nach Baukosten (--cost)"
                                      : "Nr. 3.3 rechnet nach der Fläche (--area)");
  }
  const Lines lines(o, {wert, "--parts", "--share"});
  for (size_t i = 0; i < lines.Count(); ++i) {
    order.lines.push_back({lines.Number(wert, i, kosten ? kCost : kArea),
                           static_cast<int>(lines.Number("--parts", i, kCount, "0")),
                           static_cast<int>(lines.Number("--share", i, kShare, "1000"))});
  }
  return dialogs::QuoteNr3(order);
}

// "5.1.1" to "5.1.4" and "4.1.1", as the item box and "&Einfügen" give them.
std::string Item(const std::string& text) {
  for (std::string_view item : dialogs::kPositionen) {
    if (text == item) return text;
  }
  if (text == dialogs::kPosition411) return text;
  throw CLI::ValidationError("--item",
                             "\"" + text + "\" ist keine der Nummern 5.1.1 bis 5.1.4, 4.1.1");
}

// Density category: 1 to 3, or I, II, III.
int Density(const std::string& text) {
  const std::string names[] = {"I", "II", "III"};
  for (int k = 1; k <= 3; ++k) {
    if (text == std::to_string(k) || text == names[k - 1]) return k;
  }
  throw CLI::ValidationError("--density",
                             "\"" + text + "\" ist keine Kategorie (I, II, III oder 1 bis 3)");
}

Quote Nr45(const FeeOptions& o) {
  const Lines lines(o, {"--item", "--density", "--axis", "--in-town"});
  std::vector<dialogs::LineNr45> order;
  for (size_t i = 0; i < lines.Count(); ++i) {
    dialogs::LineNr45 line;
    line.item = Item(lines.Text("--item", i, "5.1.1"));
    line.density = Density(lines.Text("--density", i, "I"));
    line.axis = lines.Number("--axis", i, kMetres);
    line.in_town = lines.Number("--in-town", i, {0, kMetres.max, 0}, "0");
    if (line.in_town > line.axis) {
      throw CLI::ValidationError("--in-town", lines.Text("--in-town", i, "0") +
                                                  " m im Ort sind mehr als die Achse von " +
                                                  lines.Text("--axis", i, "") + " m");
    }
    order.push_back(line);
  }
  return dialogs::QuoteNr45(order);
}

Quote Nr7(const FeeOptions& o) {
  const Lines lines(o, {"--7.1", "--7.2", "--7.3", "--land-value", "--share"});
  dialogs::OrderNr7 order;
  for (size_t i = 0; i < lines.Count(); ++i) {
    dialogs::LineNr7 line;
    line.points71 = static_cast<int>(lines.Number("--7.1", i, kCount, "0"));
    line.points72 = static_cast<int>(lines.Number("--7.2", i, kCount, "0"));
    line.points73 = static_cast<int>(lines.Number("--7.3", i, kCount, "0"));
    line.land_value = lines.Number("--land-value", i, kLandValue);
    line.share = static_cast<int>(lines.Number("--share", i, kShare, "1000"));
    order.lines.push_back(line);
  }
  order.new_points = static_cast<int>(OrderNumber(o, "--new-points", kCount, "0"));
  return dialogs::QuoteNr7(order);
}

double Cents(double euros) {
  return std::round(euros * 100) / 100;
}

// The VAT of the net total as the totals block computes it, rounded half up to cents.
double Vat(double net, double rate) {
  return std::floor(rate * net + 0.5) / 100;
}

std::string Amount(double euros) {
  const std::string text = Format(euros, "#,##0.00") + " €";
  return std::string(static_cast<size_t>(std::max(0, 14 - text::Len(text))), ' ') + text;
}

// A row of the breakdown: the text, the amount in a column of its own.
void PrintRow(const std::string& text, double amount) {
  constexpr int kWidth = 64;
  const int length = text::Len(text);
  std::cout << text << std::string(static_cast<size_t>(std::max(1, kWidth - length)), ' ')
            << Amount(amount) << '\n';
}

void Print(const std::string& category, const Quote& quote, const FeeOptions& o,
           const std::optional<double>& vat) {
  const double net = Cents(quote.total);
  if (o.json) {
    nlohmann::json out = {{"category", category}, {"title", quote.title}};
    out["rows"] = nlohmann::json::array();
    for (const dialogs::QuoteRow& row : quote.rows) {
      out["rows"].push_back({{"text", row.text}, {"basis", row.basis}, {"amount", row.value}});
    }
    out["net"] = net;
    if (vat) {
      out["vat_rate"] = *vat;
      out["vat"] = Vat(net, *vat);
      out["gross"] = Cents(net + Vat(net, *vat));
    }
    std::cout << out.dump(2) << '\n';
    return;
  }
  std::cout << quote.title << '\n';
  for (const dialogs::QuoteRow& row : quote.rows) {
    PrintRow("  " + row.text, row.value);
    std::cout << "      " << row.basis << '\n';
  }
  PrintRow("  Summe (netto)", net);
  if (vat) {
    PrintRow("  Umsatzsteuer " + Format(*vat, "0") + " %", Vat(net, *vat));
    PrintRow("  Gesamtbetrag", Cents(net + Vat(net, *vat)));
  }
}

// Adds an option of billing lines: one value per occurrence, kept as text.
void Option(CLI::App* command, FeeOptions& o, const std::string& name, const std::string& type,
            const std::string& description) {
  command->add_option(name, o.values[name], description)->type_name(type)->allow_extra_args(false);
}

// Adds an option of the whole order; given twice, the last counts.
void OrderOption(CLI::App* command, FeeOptions& o, const std::string& name, const std::string& type,
                 const std::string& description) {
  command->add_option(name, o.order[name], description)
      ->type_name(type)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

}  // namespace

void AddFeeCommand(CLI::App& app) {
  auto* fee =
      AddCommand(app, "fee", "Gebühr eines Auftrags vorab, nach den Regeln der Gebührendialoge");
  fee->require_subcommand(1);
  fee->footer(
      "Zahlen in deutscher Schreibweise: Dezimalkomma, Punkt nur zwischen Tausendern (1.234,5).\n"
      "Zeilenoptionen (...) einmal je Zeile oder einmal für alle Zeilen. Rückgabewerte: korvax "
      "--help.");
  auto options = std::make_shared<FeeOptions>();
  FeeOptions& o = *options;
  auto category = [&](const std::string& name, const std::string& title,
                      Quote (*compute)(const FeeOptions&)) {
    CLI::App* command = AddCommand(*fee, name, title, "Gebührenarten");
    command->add_flag("--json", o.json, "Ergebnis als JSON (für Programme)");
    OrderOption(command, o, "--vat", "SATZ",
                "Umsatzsteuer in Prozent: mit Steuer und Gesamtbetrag");
    command->callback([options, name, compute] {
      const Quote quote = compute(*options);
      std::optional<double> vat;
      if (!OrderText(*options, "--vat", "").empty()) vat = OrderNumber(*options, "--vat", kVat, "");
      Print(name, quote, *options, vat);
    });
    return command;
  };

  CLI::App* nr2 = category("nr2", "Flurstückszerlegung nach Nr. 2 (Gebührentabelle)", Nr2);
  Option(nr2, o, "--area", "M2", "Fläche in m², ganze Zahl (je Zeile)");
  Option(nr2, o, "--land-value", "EURO", "Bodenwert in €/m², z. B. 26,99 (je Zeile)");
  Option(nr2, o, "--share", "N", "Anteil in Tausendsteln, 333 = ein Drittel (je Zeile; 1000)");
  OrderOption(nr2, o, "--unmarked", "N", "nicht abgemarkte Grenzpunkte, Ermäßigung nach Nr. 2.2");
  nr2->add_flag("--reduction", o.reduction, "Ermäßigung nach Nr. 2.2 in Prozent (ab 4 Zeilen)");
  OrderOption(nr2, o, "--new-points", "N", "neue Aufnahmepunkte nach Nr. 2.5");

  CLI::App* nr3 = category("nr3", "Gebäudeaufnahme nach Nr. 3", Nr3);
  OrderOption(nr3, o, "--basis", "3.1|3.2|3.3",
              "Abrechnung nach 3.1, 3.2 (40 %) oder 3.3 (Fläche); 3.1");
  Option(nr3, o, "--cost", "EURO", "Baukosten in ganzen Euro, 3.1 und 3.2 (je Zeile)");
  Option(nr3, o, "--area", "M2", "Fläche in m², 3.3 (je Zeile)");
  Option(nr3, o, "--parts", "N", "Gebäudeteile (je Zeile; 0)");
  Option(nr3, o, "--share", "N", "Anteil in Tausendsteln (je Zeile; 1000)");

  CLI::App* nr45 = category("nr45", "Vermessung nach Nr. 4/5 (Achslänge)", Nr45);
  Option(nr45, o, "--item", "NR", "5.1.1, 5.1.2, 5.1.3, 5.1.4 oder 4.1.1 (je Zeile; 5.1.1)");
  Option(nr45, o, "--density", "KAT", "Flurstücksdichte I, II oder III (je Zeile; I)");
  Option(nr45, o, "--axis", "M", "Achslänge in ganzen Metern (je Zeile)");
  Option(nr45, o, "--in-town", "M",
         "davon innerhalb geschlossener Ortslage, Zuschlag (je Zeile; 0)");

  CLI::App* nr7 = category("nr7", "Grenzfeststellung nach Nr. 7 (Grenzpunkte)", Nr7);
  Option(nr7, o, "--7.1", "N", "Grenzpunkte nach 7.1 (je Zeile; 0)");
  Option(nr7, o, "--7.2", "N", "Grenzpunkte nach 7.2 (je Zeile; 0)");
  Option(nr7, o, "--7.3", "N", "Grenzpunkte nach 7.3 (je Zeile; 0)");
  Option(nr7, o, "--land-value", "EURO", "Bodenwert in €/m² (je Zeile)");
  Option(nr7, o, "--share", "N", "Anteil in Tausendsteln (je Zeile; 1000)");
  OrderOption(nr7, o, "--new-points", "N", "neue Aufnahmepunkte nach Nr. 7.4");
}

}  // namespace korvax::host
