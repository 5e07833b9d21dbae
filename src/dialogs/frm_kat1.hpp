// frmKat1: the fee dialog of Nr. 2 of the fee schedule, parcel subdivision
// ("Flurstückszerlegung"). A line is one parcel with its area, land value
// and the client's share in thousandths; its fee comes from the fee table
// (GebührAusTabelle). Below the lines the table gets up to two reduction
// rows of Nr. 2.2 (boundary points left unmarked, and a percentage for many
// parcels); new survey points of Nr. 2.5 go into a sub-table. Its category
// table is Korvax_1, the sub-table Korvax_1A. It is the one dialog that
// rebuilds the invoice totals when it finishes. Show opens it with index 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dialogs/fee_dialog.hpp"

namespace korvax::dialogs {

// A land-value range, as written instead of the value when chkBereich is set.
struct Wertbereich {
  int von;                // whole euros per m², inclusive
  int bis;                // inclusive
  std::string_view text;  // written into the table
  std::string_view wert;  // representative value restored at load
};

// The range text of a land value in whole euros per m² (the numeric value
// of the grid text, so the cents never count); "größer 256" beyond the
// ranges, negative values included.
std::string_view BereichsTextNr2(double euro);
// The value restored at load for a range text; empty when the text is none.
std::string_view WertAusBereich(std::string_view text);

// Nr. 2.2, boundary points left unmarked: 76.69 € each, at most 20 % of the
// sum of the lines.
inline constexpr double kSatzAbmarkung = 76.69;
// Nr. 2.2 for many parcels: one per cent per line, at most 30.
inline constexpr int16_t kHöchstprozent = 30;
// Nr. 2.5, new survey points: 204.52 € each, at most 600 €.
inline constexpr double kSatz25 = 204.52;
inline constexpr double kHöchstbetrag25 = 600;

// The reduction for n unmarked points on lines summing to `summe`, in single
// precision as the running sum is kept.
float AbmarkungsErmäßigung(int16_t n, float summe);
// The percentage reduction of p per cent on `summe` (single precision).
float ProzentErmäßigung(int16_t p, float summe);
// The fee of Nr. 2.5 for n new survey points.
double GebührNeueAufnahmepunkte(int16_t n);
// The amount cells of a reduction row (a blank and the negative amount)
// and of the 2.5 sub-table (a blank and the fee), width 7 behind the blank.
std::string AbzugText(float betrag);
std::string NeueAufnahmepunkteBetrag(int16_t n);

// The starts of the two reduction rows, by which the load finds them.
inline constexpr std::string_view kProzentZeile = "Die Gebühr ist nach Nr. 2.2";
inline constexpr std::string_view kAbmarkungsZeile =
    "Ermäßigung durch nicht abgemarkte Grenzpunkte";

class FrmKat1 : public FeeDialog {
 public:
  FrmKat1();

  // The 2.5 sub-table found at load, or an empty table.
  const word::Table& Teiltabelle() const { return teiltabelle_; }

 protected:
  void LesenWerte() override;
  void NeuWerte() override;
  void ÜbernehmenWerte() override;
  void WertÜberprüfen() override;
  void TabelleFormatieren(word::Table& table) override;
  void LoadPath() override;    // UserForm_Activate
  void FinishPath() override;  // CommandEnde_Click

  void RowInserted(int row) override;
  int AfterDelete(Operation& op, int first) override;

 private:
  void ErmäßigungTesten();
  void TabelleFormatiereneinsicht(word::Table& table);
  void neueAufnahmeLoad();
  void neueAufnahmeEnde();
  // Lost focus of the area box: its numeric value right-aligned in six.
  void FlächeFormatieren();

  // Load: grid row i from table row i + 1.
  void ZeileAusTabelle(Operation& op, int row, int spalten);
  // Load: the reduction rows counted out of the lines and put back into
  // their check box and count; returns the grid's row count without them.
  int SonderzeilenLesen(Operation& op, int tabellenzeilen);
  // Finish: grid line i into table row i + 1, its fee added to the sum.
  void ZeileInTabelle(Operation& op, const word::Table& table, int row, float& summe);
  // Finish: the two reduction rows from table row `zeile` on.
  void ErmäßigungenSchreiben(Operation& op, const word::Table& table, int zeile, float& summe);

  // The grid holds a single line without a fee ("" or "    0,00").
  bool OhneGebühr() const;
  // The full fee of a line before its share, for the share note.
  double VolleGebührDerZeile(int row) const;

  forms::MaskedEdit& Feld(std::string_view name) const { return Get<forms::MaskedEdit>(name); }
  forms::CheckBox& Kästchen(std::string_view name) const { return Get<forms::CheckBox>(name); }

  word::Table teiltabelle_;
  int16_t prozent_ = 0;  // the percentage of the last finish
};

}  // namespace korvax::dialogs
