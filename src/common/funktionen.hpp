// The shared helpers every part of the plug-in calls: field readers, the
// amount formatter, the number reader, window positions and the message box.
// Each reports its own failures and returns normally.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/ports.hpp"
#include "common/variant.hpp"

namespace korvax {

// Null gives 0 (false); anything else passes unchanged.
Variant BoolDatensatzLesen(const Variant& field);
// Null or the empty text gives 0; anything else passes unchanged.
Variant ZahlDatensatzLesen(const Variant& field);

// An amount text: German notation, right-aligned in `width` characters.
std::string WertFormatieren(std::string_view text, int16_t width, int16_t decimals);

// Every occurrence of `search` replaced, case-sensitive.
std::string Tausche(std::string_view text, std::string_view search, std::string_view replacement);

// Reads a number out of a text that may carry units or signs behind it.
double CVal(std::string_view text);

// Restores and stores a window's state and position (application
// "VaroVerwaltung", section = the form's name).
void GetWindowReg(WindowPlacement& form);
void SetWindowReg(WindowPlacement& form);

// The message-box utility: 6 when the user chose Yes; 0 when no component.
int32_t MsgBox(const MessageBoxRequest& request);

}  // namespace korvax
