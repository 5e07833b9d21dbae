// Makes Tarvo's ERechnung write e-invoices; the libraries that hold the
// plug-in (libkorvax, the korvax command) call it once when they start.
#pragma once

namespace korvax::einvoice {

void RegisterEInvoiceMember();

}  // namespace korvax::einvoice
