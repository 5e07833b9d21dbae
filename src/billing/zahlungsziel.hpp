// The payment due note of the invoice (module GebührenTabelle).
#pragma once

#include <memory>

namespace korvax::word {
class Document;
}

namespace korvax {

// Removes the note (the text box named "Zahlungsziel") and, when `zahlungsziel`
// is on, writes it anew from the template of the host table Version, with the
// due date counted from the invoice date in place of the day count "<n>".
void Zahlungsziel(std::shared_ptr<word::Document> document, bool zahlungsziel);

}  // namespace korvax
