// frmKat2: the fee dialog of Nr. 3 of the fee schedule, building survey
// ("Gebäudeaufnahme"). A line is one building with its construction cost
// (3.1, 3.2) or floor area (3.3), its number of building parts, the client's
// share in thousandths and a description; the fee comes from the fixed
// brackets below. Its category table is Korvax_2. Show opens it with index 1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dialogs/fee_dialog.hpp"

namespace korvax::dialogs {

// A construction-cost bracket of 3.1 and 3.2.
struct Kostenstufe {
  double bis;                // upper bound in €, inclusive
  double satz;               // rate in €
  std::string_view bereich;  // written instead of the cost with chkBereich
  std::string_view wert;     // representative cost restored at load
};

// The bracket of a construction cost; above 10,226,000 € the last one.
// Costs below 0 have no bracket: the dialog does not take them.
const Kostenstufe& KostenstufeVon(double baukosten);
// The bracket whose whole range text the text starts with, or null.
const Kostenstufe* KostenstufeAusText(std::string_view text);
// The rate of 3.3 by floor area in m².
double FlächenSatz(double fläche);
// The factor of 3.1 and 3.2 for a number of building parts.
double Gebäudeteilfaktor(int16_t teile);

// The billing basis of the frame "Abrechnung nach".
enum class Abrechnung { k31, k32, k33 };
// The rate of a building before the share: by area for 3.3, else by cost
// with the building-part factor, 3.2 at 40 %.
double SatzNr3(Abrechnung abrechnung, double wert, int16_t teile);

class FrmKat2 : public FeeDialog {
 public:
  FrmKat2();

  // True while 3.1 or 3.2 is selected.
  bool Kostenmodus() const { return kostenmodus_; }
  // The selected billing basis.
  Abrechnung GewählteAbrechnung() const;

 protected:
  void LesenWerte() override;
  void NeuWerte() override;
  void ÜbernehmenWerte() override;
  void WertÜberprüfen() override;
  void TabelleFormatieren(word::Table& table) override;
  void LoadPath() override;    // UserForm_Activate
  void FinishPath() override;  // CommandEnde_Click
  int AfterDelete(Operation& op, int first) override;

 private:
  // Option31_Click, Option32_Click, Option33_Click.
  void OptionKlick(Abrechnung abrechnung);
  // Selects the option of the basis and runs its click handler.
  void OptionWählen(Abrechnung abrechnung);
  // Lost focus of a count box: its numeric value right-aligned in `format`.
  void ZahlFormatieren(forms::MaskedEdit& box, std::string_view format, const std::string& report);
  // Load: grid row `row` from table row row + 1.
  void ZeileAusTabelle(Operation& op, int row);
  // Finish: grid line `row` into table row row + 1.
  void ZeileInTabelle(Operation& op, const word::Table& table, int row);
  // A line without parcel, value and fee, as a deleted only line leaves it.
  bool LeereZeile(int row) const;

  forms::MaskedEdit& Feld(std::string_view name) const { return Get<forms::MaskedEdit>(name); }
  forms::TextBox& TextBoxBeschreibung() const { return Get<forms::TextBox>("TextBoxBeschreibung"); }

  bool kostenmodus_ = true;
};

}  // namespace korvax::dialogs
