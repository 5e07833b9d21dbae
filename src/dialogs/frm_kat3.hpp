// frmKat3: the fee dialog of Nr. 4/5 of the fee schedule, linear survey
// ("Vermessung nach Nr. 5"). A line prices a survey along an axis: price per
// metre by fee item and parcel-density category, times the axis length; the
// metres inside a closed built-up area add a surcharge row of a fifth of the
// price per metre. Its category table is Korvax_3. Show opens it with index 2.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dialogs/fee_dialog.hpp"

namespace korvax::dialogs {

// The fee items of the item box, and the item that only "&Einfügen" brings.
inline constexpr std::string_view kPositionen[] = {"5.1.1", "5.1.2", "5.1.3", "5.1.4"};
inline constexpr std::string_view kPosition411 = "4.1.1";
// The parcel-density categories, list position + 1 is the category.
inline constexpr std::string_view kFlurstücksdichten[] = {
    "Kategorie I   (bis 5)", "Kategorie II  (über 5 bis 15)", "Kategorie III (über 15)"};

// Base price in €/m of a category (1 to 3; any other as 3).
double Grundpreis(int kategorie);
// Factor of a fee item text (5.1.1 to 5.1.3; any other 1.0).
double Positionsfaktor(std::string_view position);

// The whole metres a length field or cell shows: its digits before any
// comma; blanks, thousands points and the unit " m" do not count. "1.234 m"
// gives 1234, "  120 m" 120, the empty text 0. Reading stops at any other
// character, so a sign gives 0.
double Länge(std::string_view text);

// The axis length of a line: the length of its field, at least 1 m (an
// empty or non-numeric field gives 1).
double AchseDerZeile(std::string_view feld);
// The in-town surcharge: a fifth of the price per metre, as the grid shows
// it, for every metre in town.
double ZuschlagImOrt(std::string_view preis_je_meter, double länge);

// The fixed text of an in-town row around its length.
inline constexpr std::string_view kImOrtAnfang = "Davon ";
inline constexpr std::string_view kImOrtEnde =
    " m innerhalb geschlossener Ortslage ergibt einen Zuschlag von ";
// Cell 1 of the in-town row of a line with `länge` metres in town.
std::string ImOrtText(double länge);
// Whether a cell 1 text is that of an in-town row: the full fixed text with
// whole metres between. A line's own text that merely starts with "Davon "
// is none. `länge` receives the metres.
bool IstImOrtZeile(std::string_view zelle, double& länge);

class FrmKat3 : public FeeDialog {
 public:
  FrmKat3();

  // The density category of the last applied line (1 to 3; 0 when the box
  // held no entry of its list).
  int16_t Kategorie() const { return kategorie_; }

 protected:
  void LesenWerte() override;
  void NeuWerte() override;
  void ÜbernehmenWerte() override;
  void TabelleFormatieren(word::Table& table) override;
  void LoadPath() override;    // Form_Load
  void FinishPath() override;  // CommandEnde_Click

  void RowInserted(int row) override;
  bool CanDelete() override;
  int32_t DeleteQuestionButtons() const override { return 36; }
  int AfterDelete(Operation& op, int first) override;

 private:
  void MaskEdBoxAchse_LostFocus();
  void MaskEdBoxImOrt_LostFocus();
  // Load: both lists filled and preset to their first entry, as checkpoints
  // first and first + 1.
  void ListenFüllen(Operation& op, int first);
  // Load: the table's rows into the grid, in-town rows folded into the line above.
  void TabelleLesen(Operation& op, int first);
  // Finish: one grid line into table row t + 1 (and its in-town row); returns
  // the table row counter for the next line.
  int ZeileInTabelle(Operation& op, const word::Table& table, int row, int t);

  forms::MaskedEdit& Feld(std::string_view name) const { return Get<forms::MaskedEdit>(name); }
  forms::ComboBox& Liste(std::string_view name) const { return Get<forms::ComboBox>(name); }

  int16_t kategorie_ = 1;
};

}  // namespace korvax::dialogs
