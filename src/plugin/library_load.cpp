// What happens when a host loads libkorvax: the fee dialogs register with
// Show and the e-invoice with ERechnung, so that every Tarvo of the process
// finds them.
#include "dialogs/register.hpp"
#include "einvoice/member.hpp"

namespace {

struct LibraryLoad {
  LibraryLoad() {
    korvax::dialogs::RegisterFeeDialogs();
    korvax::einvoice::RegisterEInvoiceMember();
  }
};

const LibraryLoad kLoad;

}  // namespace
