// The library-wide state of the plug-in: the order context the host writes
// through the properties of Tarvo, the billing settings Show reads, and the
// invoice recordset. It starts empty when the library is loaded, is shared by
// every instance and lives until the library is unloaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/variant.hpp"

namespace korvax::word {
class Document;
class Application;
}  // namespace korvax::word

namespace korvax::dao {
class Workspace;
class Database;
class Recordset;
}  // namespace korvax::dao

namespace korvax {

struct OrderContext {
  std::string Flurstücksnummer;
  double Fläche = 0;
  double Bodenwert = 0;
  std::shared_ptr<word::Document> Doc;
  std::shared_ptr<word::Application> Application;  // taken from Doc
  std::string Lage;
  double Baukosten = 0;
  int16_t Achslänge = 0;
  int32_t Grenzlänge = 0;
  int16_t Flurstücke = 0;
  int16_t AnzahlGrenzpunkte = 0;
  std::shared_ptr<dao::Workspace> VaroWorkspace;
  std::string DatenbankPfad;
  int32_t ID_Benutzer = 0;
  std::shared_ptr<dao::Database> NeueAbfrage;
};

// The user's billing settings from the host table TempDoc.
struct BillingSettings {
  int32_t ID_Auftragsnummer = 0;
  bool MeßtruppZusammenfassen = false;
  int32_t ID_Lieferschein = 0;
  double AbschlagAbsolut = 0;
  int16_t AbschlagProzent = 0;
  bool Zahlungsziel = false;
  int16_t Mehrwertsteuersatz = 0;
  int16_t Preisgruppe1 = 0;
  int16_t Preisgruppe2 = 0;
  int16_t Preisgruppe3 = 0;
  int16_t Preisgruppe4 = 0;
  int16_t Mehrwertsteuer = 0;
  int16_t MwStErmäßigt = 0;
  int16_t Rabatt = 0;
};

// What became of the invoice record's totals in the last SummeBilden: a host
// that saves the invoice keeps the two in step by it.
enum class TotalsRecord { kUntouched, kWritten, kFailed };

struct PluginState {
  OrderContext order;
  BillingSettings settings;
  // The last Show could not read the settings the totals are computed from
  // (TempDoc missing or unreadable, no row for the user, a bad value).
  bool settings_unreadable = false;
  TotalsRecord totals_record = TotalsRecord::kUntouched;
  std::shared_ptr<dao::Recordset> Rechnung;  // the invoice record of the last Show
  int32_t host_window = 0;                   // kept, not used
};

// A billing setting by its TempDoc field name, as a variant of its held
// type; for hosts and support tools that check what Show read. 3265 when unknown.
Variant BillingSettingValue(const BillingSettings& settings, std::string_view field);

// The one library-wide state.
PluginState& Library();

// Back to the state of a freshly loaded library (tests and hosts that reload).
void ResetLibrary();

}  // namespace korvax
