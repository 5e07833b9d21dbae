// Category tables of the invoice document (module TK_WordAuto): a table is
// found through the marker comment in its cell (1,5) that carries its
// category key, and a freshly written table is marked the same way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/word/table.hpp"

namespace korvax {

class Operation;

// The category keys.
inline constexpr std::string_view kKeyNr2 = "Korvax_1";
inline constexpr std::string_view kKeyNr2Grundlagen = "Korvax_1A";
inline constexpr std::string_view kKeyNr3 = "Korvax_2";
inline constexpr std::string_view kKeyNr45 = "Korvax_3";
inline constexpr std::string_view kKeyNr7 = "Korvax_4";
inline constexpr std::string_view kKeyNr7Grundlagen = "Korvax_4A";

// The category table for the key in the document of the order context, or
// an empty table (none yet, or the user wants a new one). With subTable false
// it may ask the user through the table selection dialog; with subTable true
// it searches on from the table chosen last, without asking.
word::Table TabelleErmitteln(std::string_view key, bool subTable);
// Whether the user left the table selection of the last main-table lookup
// with its close box or Escape, without a choice: the fee dialog's call is
// cancelled then, and nothing is written.
bool TabellenwahlAbgebrochen();

// Marks the table with a comment carrying the key on its cell (1,5).
void BookmarkSetzen(word::Table table, std::string_view key);

// The Word bookmark a dialog adds to a main table it has written: named after
// the key, on cell (1,5), the document's bookmarks then sorted by name with
// hidden ones shown. The selection stays on cell (1,5). Nothing looks tables
// up by it; the marker comment of BookmarkSetzen alone identifies a table.
// This form reports its failures under "TK_WordAuto.TabellenBookmarkSetzen";
// the other one under the caller's operation at the caller's checkpoint, as a
// step of the dialog's own finish.
void TabellenBookmarkSetzen(word::Table table, std::string_view key);
void TabellenBookmarkSetzen(Operation& op, int checkpoint, word::Table table, std::string_view key);

// The marker of a table that is no category table of this system; it ends
// the search for a sub-table.
inline constexpr std::string_view kForeignMarker = "RE_HOAI_Kosten";

// The 1-based position of the table chosen last among all tables; 0 for none.
// Library-wide, as long as the library is loaded.
int16_t RememberedTableIndex();
void SetRememberedTableIndex(int16_t index);

}  // namespace korvax
