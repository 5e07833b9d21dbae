// Names of fields and tables compare as Jet compared them: without regard to
// case, umlauts included ("MEßTRUPPZUSAMMENFASSEN" finds "Meßtruppzusammenfassen").
#pragma once

#include <string>
#include <string_view>

namespace korvax::dao {

std::u32string FoldCase(std::string_view utf8_name);
bool SameName(std::string_view a, std::string_view b);

// "name" with embedded quotes doubled, for names in SQL a back end writes.
std::string QuoteIdentifier(std::string_view name);

}  // namespace korvax::dao
