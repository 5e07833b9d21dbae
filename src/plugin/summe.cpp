// Tarvo::SummeBilden: the invoice totals rebuilt on the host's call, without
// a dialog.
#include "common/error.hpp"
#include "common/operation.hpp"
#include "plugin/dialog_registry.hpp"
#include "plugin/plugin_state.hpp"
#include "plugin/tarvo.hpp"

namespace korvax {

void Tarvo::SummeBilden(std::shared_ptr<dao::Recordset> Rechnung) {
  // Show with an index that names no dialog reads the user's billing
  // settings and keeps the invoice record, exactly as before every dialog.
  int16_t kein_dialog = -1;
  Show(kein_dialog, std::move(Rechnung), Library().host_window);
  Operation op("Rechnung", "SummeBilden");
  op.Step(1, [&] {
    const TotalsBuilder build = RegisteredTotals();
    if (!build) throw errors::NotSupported("SummeBilden");
    build(Library().settings.Zahlungsziel);
  });
}

}  // namespace korvax
