// Each quote runs the steps of its dialog's apply and finish paths on numbers
// instead of fields and cells: the same rules, the same texts in between
// (a fee is rounded where the dialog writes it into its grid), the same order.
#include "dialogs/quote.hpp"

#include <algorithm>

#include "billing/gebuehr_aus_tabelle.hpp"
#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat1.hpp"
#include "dialogs/frm_kat3.hpp"
#include "dialogs/frm_kat4.hpp"

namespace korvax::dialogs {

namespace {

std::string Euro(double amount) {
  return Format(amount, "#,##0.00") + " €";
}

std::string Whole(double value) {
  return Format(value, "#,##0");
}

// "Anteil 500/1000" for a partial share, nothing for the whole.
std::string ShareText(int share) {
  return share == 1000 ? std::string() : ", Anteil " + std::to_string(share) + "/1000";
}

// How the share scales a fee: a third for 333, else share/1000.
std::string ShareBasis(int share) {
  if (share == 1000) return {};
  if (share == 333) return ", davon ein Drittel (Anteil 333/1000)";
  return ", davon " + std::to_string(share) + "/1000";
}

void Add(Quote& quote, std::string text, std::string basis, std::string amount) {
  const double value = CVal(amount);
  quote.rows.push_back({std::move(text), std::move(basis), std::move(amount), value});
  quote.total += value;
}

// The row of a base-survey sub-table: n new survey points of the item at
// 204,52 € each, as the sub-table's text has it, up to `cap`.
void AddNewPoints(Quote& quote, const std::string& item, int16_t n, const std::string& rate,
                  const std::string& cap, std::string amount) {
  const std::string count = std::to_string(n);
  Add(quote,
      "Grundlagenvermessung nach Nr. " + item + ": " + count + " neue Aufnahmepunkte " + rate,
      count + " × 204,52 €, höchstens " + cap, std::move(amount));
}

std::string Line(size_t i) {
  return "Zeile " + std::to_string(i + 1) + ": ";
}

// "1 Punkt", "3 Punkte".
std::string Points(int n, const char* item) {
  return std::to_string(n) + (n == 1 ? " Punkt " : " Punkte ") + item;
}

}  // namespace

Quote QuoteNr2(const OrderNr2& order) {
  Quote quote;
  quote.title = "Flurstückszerlegung nach Nr. 2.1";
  float summe = 0;  // the running sum of the finish path, in single precision
  for (size_t i = 0; i < order.lines.size(); ++i) {
    const LineNr2& line = order.lines[i];
    const double tabelle = GebührAusTabelle(line.land_value, line.area);
    const std::string gebühr = GridFee(AnteilAnwenden(tabelle, line.share));
    Add(quote,
        Line(i) + Whole(line.area) + " m², Bodenwert " + Euro(line.land_value) + "/m²" +
            ShareText(line.share),
        "Gebührentabelle " + Euro(tabelle) + ShareBasis(line.share), gebühr + " ");
    summe = static_cast<float>(summe + CVal(gebühr));
  }
  if (order.unmarked_points > 0) {
    const auto n = static_cast<int16_t>(order.unmarked_points);
    const float betrag = AbmarkungsErmäßigung(n, summe);
    const bool gekappt = betrag < static_cast<float>(n * kSatzAbmarkung);
    Add(quote,
        "Ermäßigung durch nicht abgemarkte Grenzpunkte: " + std::to_string(n) +
            " mal 76,69 € (max. 20% aus 2.1)",
        gekappt ? "20 % von " + Euro(summe) : std::to_string(n) + " × 76,69 €", AbzugText(betrag));
    summe = summe - betrag;
  }
  if (order.reduction && order.lines.size() >= 4) {
    const auto p = static_cast<int16_t>(std::min<size_t>(order.lines.size(), kHöchstprozent));
    Add(quote, "Die Gebühr ist nach Nr. 2.2 um " + std::to_string(p) + "% ermäßigt",
        std::to_string(p) + " % von " + Euro(summe), AbzugText(ProzentErmäßigung(p, summe)));
  }
  if (order.new_points >= 1) {
    const auto n = static_cast<int16_t>(order.new_points);
    AddNewPoints(quote, "2.5", n, "je 204,52 € (max. 600 €)", "600,00 €",
                 NeueAufnahmepunkteBetrag(n));
  }
  return quote;
}

Quote QuoteNr3(const OrderNr3& order) {
  static const char* const kTitel[] = {"Gebäudeaufnahme nach Nr. 3.1",
                                       "Gebäudeaufnahme nach Nr. 3.2",
                                       "Gebäudeaufnahme nach Nr. 3.3"};
  Quote quote;
  quote.title = kTitel[static_cast<int>(order.basis)];
  const bool kosten = order.basis != Abrechnung::k33;
  for (size_t i = 0; i < order.lines.size(); ++i) {
    const LineNr3& line = order.lines[i];
    // The value as the field holds it after WertÜberprüfen: whole euros or m².
    const double wert = CVal(WertFormatieren(GeneralNumber(line.value), 8, 0));
    const auto teile = static_cast<int16_t>(line.parts);
    const double satz = SatzNr3(order.basis, wert, teile);
    std::string basis;
    if (kosten) {
      const Kostenstufe& stufe = KostenstufeVon(wert);
      const std::string bereich = text::Trim(stufe.bereich);
      basis = Euro(stufe.satz) + " (" + bereich.substr(0, bereich.size() - 1) + ")";
      if (Gebäudeteilfaktor(teile) != 1) basis += " × " + Format(Gebäudeteilfaktor(teile), "0.0");
      if (order.basis == Abrechnung::k32) basis += " × 0,4 (Nr. 3.2)";
    } else {
      basis = Euro(satz) + " für " + Whole(wert) + " m²";
    }
    Add(quote,
        Line(i) + (kosten ? "Baukosten " + Whole(wert) + " €" : "Fläche " + Whole(wert) + " m²") +
            ", " + std::to_string(line.parts) +
            (line.parts == 1 ? " Gebäudeteil" : " Gebäudeteile") + ShareText(line.share),
        basis + ShareBasis(line.share), " " + PaddedAmount(AnteilAnwenden(satz, line.share)));
  }
  return quote;
}

Quote QuoteNr45(const std::vector<LineNr45>& lines) {
  Quote quote;
  quote.title = "Vermessung nach Nr. 5";
  for (size_t i = 0; i < lines.size(); ++i) {
    const LineNr45& line = lines[i];
    const double achse = AchseDerZeile(GeneralNumber(line.axis));
    const double faktor = Positionsfaktor(line.item);
    const double grundpreis = Grundpreis(line.density);
    const std::string preis = PaddedAmount(faktor * grundpreis);  // the grid's price per metre
    const std::string gebühr = PaddedAmount(faktor * grundpreis * achse);
    const std::string dichte(kFlurstücksdichten[std::clamp(line.density, 1, 3) - 1]);
    Add(quote, Line(i) + "Nr. " + line.item + ", " + dichte + ", Achse " + Whole(achse) + " m",
        Format(faktor, "0.0") + " × " + Euro(grundpreis) + "/m = " + Euro(CVal(preis)) + "/m × " +
            Whole(achse) + " m",
        PaddedAmount(CVal(gebühr)) + " €");
    if (line.in_town != 0) {
      Add(quote, ImOrtText(line.in_town),
          Euro(CVal(preis)) + "/m × " + Whole(line.in_town) + " m / 5",
          PaddedAmount(ZuschlagImOrt(preis, line.in_town)) + " €");
    }
  }
  return quote;
}

Quote QuoteNr7(const OrderNr7& order) {
  Quote quote;
  quote.title = "Grenzfeststellung nach Nr. 7";
  double summe73 = 0;
  for (size_t i = 0; i < order.lines.size(); ++i) {
    const LineNr7& line = order.lines[i];
    const int stufe = WertstufeVon(line.land_value);
    const Wertstufe& s = Stufe(stufe);
    const double gebühr = GebührNr7(stufe, line.points71, line.points72, line.points73);
    std::string basis = "Wertstufe " + std::string(s.text) + " €/m²:";
    const std::pair<int, double> teile[] = {
        {line.points71, s.satz71}, {line.points72, s.satz72}, {line.points73, s.satz73}};
    const char* plus = " ";
    for (const auto& [anzahl, satz] : teile) {
      if (anzahl == 0) continue;
      basis += plus + std::to_string(anzahl) + " × " + Euro(satz);
      plus = " + ";
    }
    Add(quote,
        Line(i) + Points(line.points71, "7.1") + ", " + Points(line.points72, "7.2") + ", " +
            Points(line.points73, "7.3") + ", Bodenwert " + Euro(line.land_value) + "/m²" +
            ShareText(line.share),
        basis + ShareBasis(line.share), GridFee(AnteilAnwenden(gebühr, line.share)) + " €");
    summe73 += Gebühr73(GeneralNumber(line.land_value), std::to_string(line.points73));
  }
  if (MindestgebührFällig(summe73)) {
    Add(quote, "Mindestgebühr von 150 € bei 7.3",
        "150,00 € − " + Euro(summe73) + " (7.3 zusammen, ohne Anteile)",
        GridFee(kMindestgebühr73 - summe73) + " €");
  }
  if (order.new_points >= 1) {
    const auto n = static_cast<int16_t>(order.new_points);
    AddNewPoints(quote, "7.4", n, "je 204.52 € (max. 400 €)", "400,00 €",
                 NeueAufnahmepunkteBetrag74(n));
  }
  return quote;
}

}  // namespace korvax::dialogs
