#include "plugin/g_frm_tabelle.hpp"

#include <string>

#include "common/error.hpp"
#include "common/funktionen.hpp"
#include "common/operation.hpp"

namespace korvax {

namespace {

constexpr const char* kEntryCaptions[G_frmTabelle::kEntries] = {
    "1. vorhandener Eintrag", "2. vorhandener Eintrag", "3. vorhandener Eintrag",
    "4. vorhandener Eintrag", "5. vorhandener Eintrag"};

std::string EntryName(int index) {
  return "optTabelle(" + std::to_string(index) + ")";
}

}  // namespace

G_frmTabelle::G_frmTabelle() : Form(kName) {
  SetCaption("Tabellenwahl");
  // Option positions are relative to the frame; the button lies below it.
  auto& frame = AddFrame("sevFrame1", "zu bearbeitende Tabelle auswählen", 480, 120, 3255, 3015);
  AddOptionButton("optNeu", "neuer Abrechnungspunkt", 480, 360, 2055, 255, &frame);
  for (int i = 0; i < kEntries; ++i) {
    AddOptionButton(EntryName(i), kEntryCaptions[i], 480, 720 + 360 * i, 2055, 255, &frame);
  }
  AddOptionButton("optAktTabelle", "aktuelle Cursorposition als Abrechnungspunkt interpretieren",
                  480, 2520, 2655, 375, &frame);
  auto& ok = AddCommandButton("cmdEnde", "&OK", 2400, 3240, 1335, 375);
  ok.OnClick([this] { cmdEnde_Click(); });
  // Escape, like the close box, leaves without a choice: the fee dialog's
  // call is cancelled then (TabelleErmitteln).
  SetEscapeCloses(true);
  OnLoad([this] { Form_Load(); });
  OnUnload([this](int& cancel) { Form_Unload(cancel); });
}

forms::OptionButton& G_frmTabelle::optTabelle(int index) const {
  auto* entry = dynamic_cast<forms::OptionButton*>(Find(EntryName(index)));
  if (entry == nullptr) {
    throw Error(340, "Steuerelementfeld-Element '" + EntryName(index) + "' existiert nicht");
  }
  return *entry;
}

void G_frmTabelle::Form_Load() {
  Operation op(kName, "Form_Load");
  op.Step(100, [&] { GetWindowReg(*this); });
  // The window keeps the icon it was laid out with: the plug-in carries no
  // icon resources, and the toolkit-neutral form has no icon to set.
  op.Step(110, [&] { optNeu().SetValue(true); });
  // The OK button shows its caption only; the forms have no button pictures.
}

void G_frmTabelle::cmdEnde_Click() {
  Operation op(kName, "cmdEnde_Click");
  op.Step(100, [&] { Hide(); });
}

void G_frmTabelle::Form_Unload(int& /*cancel*/) {
  Operation op(kName, "Form_Unload");
  op.Step(100, [&] { SetWindowReg(*this); });
}

}  // namespace korvax
