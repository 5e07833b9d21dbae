#include "host/fee_command.hpp"

#include <iostream>
#include <memory>
#include <string>

#include "billing/gebuehr_aus_tabelle.hpp"
#include "common/error.hpp"
#include "common/format.hpp"
#include "common/variant.hpp"

namespace korvax::host {

namespace {

struct FeeOptions {
  std::string area;
  std::string land_value;
  std::string share = "1000";
};

double Number(const std::string& text, const char* what) {
  try {
    return ParseLocaleNumber(text);
  } catch (const Error&) {
    throw CLI::ValidationError(what, "keine Zahl in deutscher Schreibweise: \"" + text + "\"");
  }
}

void RunNr2(const FeeOptions& o) {
  const double area = Number(o.area, "--area");
  const double land_value = Number(o.land_value, "--land-value");
  const double share = Number(o.share, "--share");
  if (share <= 0 || share > 1000) {
    throw CLI::ValidationError("--share", "der Anteil liegt zwischen 1 und 1000 Tausendsteln");
  }
  const double base = GebührAusTabelle(land_value, area);
  std::cout << Format(AnteilAnwenden(base, share), "#,##0.00") << '\n';
}

}  // namespace

void AddFeeCommand(CLI::App& app) {
  auto* fee = app.add_subcommand("fee", "Gebühr aus der Gebührentabelle");
  fee->require_subcommand(1);
  auto options = std::make_shared<FeeOptions>();
  auto* nr2 = fee->add_subcommand(
      "nr2", "Gebühr der Flurstückszerlegung nach Nr. 2.1 (Zahlen mit Dezimalkomma, z. B. 12,50)");
  nr2->add_option("--area", options->area, "Fläche in m²")->required();
  nr2->add_option("--land-value", options->land_value, "Bodenwert in €/m²")->required();
  nr2->add_option("--share", options->share, "Anteil in Tausendsteln (333 = ein Drittel)")
      ->capture_default_str();
  nr2->callback([options] { RunNr2(*options); });
}

}  // namespace korvax::host
