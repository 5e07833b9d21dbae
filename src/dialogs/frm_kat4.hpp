// frmKat4: the fee dialog of Nr. 7 of the fee schedule, boundary
// determination ("Grenzfeststellung"). A line counts boundary points under
// 7.1, 7.2 and 7.3, priced per point by the bracket of the land value and
// scaled by the client's share; a top-up row brings 7.3 fees under 150 € to
// the minimum fee; new survey points of 7.4 go into a sub-table. Its
// category table is Korvax_4, the sub-table Korvax_4A. Show opens it with
// index 3.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "dialogs/fee_dialog.hpp"

namespace korvax::dialogs {

// A land-value bracket with its rates per boundary point.
struct Wertstufe {
  std::string_view text;  // written in bracket mode
  std::string_view wert;  // representative value restored at load
  double satz71;
  double satz72;
  double satz73;
};

// The bracket (1 to 6) of a land value in €/m².
int WertstufeVon(double bodenwert);
const Wertstufe& Stufe(int nummer);
// The bracket text of a land value in whole cents (bracket mode).
std::string_view BereichsText(double cent);

// The minimum fee of 7.3, and the 7.4 rate with its cap.
inline constexpr double kMindestgebühr73 = 150;
// The top-up row is due when the 7.3 fees of all lines (full share) are
// above 0 and below the minimum fee.
inline bool MindestgebührFällig(double summe73) {
  return summe73 > 0 && summe73 < kMindestgebühr73;
}
inline constexpr double kSatz74 = 204.52;
inline constexpr double kHöchstbetrag74 = 400;

// The fee of a line before its share: the counts of 7.1, 7.2 and 7.3 at the
// rates of the bracket.
double GebührNr7(int stufe, double n71, double n72, double n73);
// The 7.3 fee of a line at full share, as its amount text gives it back:
// for the minimum-fee test over the grid's land value and 7.3 count texts.
double Gebühr73(const std::string& wert, const std::string& anzahl);
// The fee of 7.4 for n new survey points, at most 400 €, and the amount
// cell of the 7.4 sub-table with it.
double GebührNeueAufnahmepunkte74(int16_t n);
std::string NeueAufnahmepunkteBetrag74(int16_t n);

class FrmKat4 : public FeeDialog {
 public:
  FrmKat4();

  // The 7.4 sub-table found at load, or an empty table.
  const word::Table& Teiltabelle() const { return teiltabelle_; }

 protected:
  void LesenWerte() override;
  void NeuWerte() override;
  void ÜbernehmenWerte() override;
  void WertÜberprüfen() override;
  void TabelleFormatieren(word::Table& table) override;
  void LoadPath() override;    // UserForm_Activate
  void FinishPath() override;  // CommandEnde_Click

 private:
  void TabelleFormatiereneinsicht(word::Table& table);
  void neueAufnahmeLoad();
  void neueAufnahmeEnde();
  // Lost focus of a count box: its text right-aligned in two characters.
  void AnzahlFormatieren(forms::MaskedEdit& box, const std::string& report);
  // Load: grid row i from table row i + 1; bracket texts back to values.
  // erste_zelle: the text of the row's first cell when it has been read already.
  void ZeileAusTabelle(Operation& op, int row, int spalten,
                       const std::optional<std::string>& erste_zelle);
  // Finish: grid line i into table row i + 1.
  void ZeileInTabelle(Operation& op, const word::Table& table, int row);

  forms::MaskedEdit& Feld(std::string_view name) const { return Get<forms::MaskedEdit>(name); }

  word::Table teiltabelle_;
};

}  // namespace korvax::dialogs
