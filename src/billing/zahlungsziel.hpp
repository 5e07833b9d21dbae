// The payment due note of the invoice (module GebührenTabelle).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/date.hpp"

namespace korvax::word {
class Document;
}

namespace korvax {

// Removes the note (the text box named "Zahlungsziel") and, when `zahlungsziel`
// is on, writes it anew from the template of the host table Version, with the
// due date counted from the invoice date in place of the day count "<n>".
void Zahlungsziel(std::shared_ptr<word::Document> document, bool zahlungsziel);

// The note's text: the day count between "<" and ">" (only the three
// characters after "<" are read) becomes the date that many days after
// `base`, a blank either side; `due` gets that date. A template without "<"
// comes back as it is.
std::string DueNoteText(std::string_view note_template, Date base,
                        std::optional<Date>* due = nullptr);

}  // namespace korvax
