// G_frmTabelle, the table selection dialog ("Tabellenwahl"): the user picks
// which category table a fee dialog is to edit: a new one, one of up to five
// existing ones, or the unmarked table the Word cursor stands in. The dialog
// only offers the choices and remembers its window position; the table
// lookup (document/tk_word_auto.hpp) prepares it, shows it and reads it.
//
// One instance lives as long as the library: forms::FormInstance<G_frmTabelle>().
// OK only hides it, so the chosen option and the availability of the entries
// stay until the next use; the close box and Escape unload it, which cancels
// the fee dialog's call, and the next access loads it again with "neuer
// Abrechnungspunkt" chosen.
#pragma once

#include "platform/forms/form.hpp"

namespace korvax {

class G_frmTabelle : public forms::Form {
 public:
  static constexpr const char* kName = "G_frmTabelle";
  static constexpr int kEntries = 5;  // optTabelle(0) to optTabelle(4)

  G_frmTabelle();

  forms::Frame& sevFrame1() const { return Get<forms::Frame>("sevFrame1"); }
  forms::OptionButton& optNeu() const { return Get<forms::OptionButton>("optNeu"); }
  // An element of the option array; an index without an element fails with
  // 340, as a missing control array element does.
  forms::OptionButton& optTabelle(int index) const;
  forms::OptionButton& optAktTabelle() const { return Get<forms::OptionButton>("optAktTabelle"); }
  forms::CommandButton& cmdEnde() const { return Get<forms::CommandButton>("cmdEnde"); }

  // The event handlers; each reports its failures under module "G_frmTabelle".
  void Form_Load();
  void cmdEnde_Click();
  void Form_Unload(int& cancel);
};

}  // namespace korvax
