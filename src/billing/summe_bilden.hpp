// The invoice totals block (module GebührenTabelle).
#pragma once

#include "common/ports.hpp"

namespace korvax {

// The message shown instead of new totals when the billing settings could
// not be read; nothing in the invoice or its record changes then.
MessageBoxRequest SettingsUnreadableMessage();

// Rebuilds the totals table from the fee column of every table of the order's
// invoice document: the sum, VAT per rate, a down payment where the billing
// settings ask for one, the invoice amount; fills the amount placeholders,
// lists earlier down payments on a final invoice, stores the totals in the
// invoice record and places the payment due note (`zahlungsziel` on or off).
void SummeBilden(bool zahlungsziel);

}  // namespace korvax
