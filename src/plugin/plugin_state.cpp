#include "plugin/plugin_state.hpp"

#include <map>

#include "common/error.hpp"
#include "common/variant.hpp"
#include "platform/dao/dao.hpp"
#include "plugin/dialog_registry.hpp"

namespace korvax {

PluginState& Library() {
  static PluginState state;
  return state;
}

void ResetLibrary() {
  Library() = PluginState{};
}

Variant BillingSettingValue(const BillingSettings& s, std::string_view field) {
  if (field == "ID_Auftragsnummer") return Variant(s.ID_Auftragsnummer);
  if (field == "MeßtruppZusammenfassen") return Variant(s.MeßtruppZusammenfassen);
  if (field == "ID_Lieferschein") return Variant(s.ID_Lieferschein);
  if (field == "AbschlagAbsolut") return Variant(s.AbschlagAbsolut);
  if (field == "AbschlagProzent") return Variant(s.AbschlagProzent);
  if (field == "Zahlungsziel") return Variant(s.Zahlungsziel);
  if (field == "Mehrwertsteuersatz") return Variant(s.Mehrwertsteuersatz);
  if (field == "Preisgruppe1") return Variant(s.Preisgruppe1);
  if (field == "Preisgruppe2") return Variant(s.Preisgruppe2);
  if (field == "Preisgruppe3") return Variant(s.Preisgruppe3);
  if (field == "Preisgruppe4") return Variant(s.Preisgruppe4);
  if (field == "Mehrwertsteuer") return Variant(s.Mehrwertsteuer);
  if (field == "MwStErmäßigt") return Variant(s.MwStErmäßigt);
  if (field == "Rabatt") return Variant(s.Rabatt);
  throw Error(3265, "Element in dieser Auflistung nicht gefunden.");
}

namespace {
std::map<int, DialogOpener>& Dialogs() {
  static std::map<int, DialogOpener> dialogs;
  return dialogs;
}
}  // namespace

void RegisterDialog(int index, DialogOpener open) {
  Dialogs()[index] = std::move(open);
}

DialogOpener RegisteredDialog(int index) {
  const auto it = Dialogs().find(index);
  return it == Dialogs().end() ? DialogOpener{} : it->second;
}

namespace {
TotalsBuilder& Totals() {
  static TotalsBuilder totals;
  return totals;
}
}  // namespace

void RegisterTotals(TotalsBuilder build) {
  Totals() = std::move(build);
}

TotalsBuilder RegisteredTotals() {
  return Totals();
}

}  // namespace korvax
