// Show opens a fee dialog by its index (0 Nr. 2, 1 Nr. 3, 2 Nr. 4/5, 3 Nr. 7).
// The dialogs register how they are opened; an index without a dialog opens
// nothing. Each dialog creates its form on first use and reuses it.
#pragma once

#include <functional>

namespace korvax {

using DialogOpener = std::function<void()>;

void RegisterDialog(int index, DialogOpener open);
// The opener registered for the index, or an empty function.
DialogOpener RegisteredDialog(int index);

// The invoice totals (SummeBilden with the Zahlungsziel setting), which the
// plug-in object rebuilds on its own as well; registered with the dialogs,
// whose library holds them. An empty function until then.
using TotalsBuilder = std::function<void(bool zahlungsziel)>;
void RegisterTotals(TotalsBuilder build);
TotalsBuilder RegisteredTotals();

}  // namespace korvax
