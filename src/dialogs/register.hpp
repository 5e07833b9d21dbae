// Makes the built fee dialogs known to Show (plugin/dialog_registry.hpp).
#pragma once

namespace korvax::dialogs {

// Registers every fee dialog under its Show index (3: frmKat4), and the
// invoice totals for Tarvo::SummeBilden. Each opener shows the one instance
// of its form modally.
void RegisterFeeDialogs();

}  // namespace korvax::dialogs
