// Tarvo::Show: reads the user's billing settings and opens a fee dialog.
#include <string>

#include "common/error.hpp"
#include "common/error_log.hpp"
#include "common/funktionen.hpp"
#include "common/operation.hpp"
#include "platform/dao/dao.hpp"
#include "plugin/dialog_registry.hpp"
#include "plugin/plugin_state.hpp"
#include "plugin/tarvo.hpp"

namespace korvax {

namespace {

template <class T>
T& Require(const std::shared_ptr<T>& object) {
  if (!object) throw errors::ObjectNotSet();
  return *object;
}

}  // namespace

void Tarvo::Show(int16_t& Index, std::shared_ptr<dao::Recordset> Rechnung, int32_t hWndMDI) {
  Operation op("Rechnung", "Show");
  PluginState& library = Library();
  BillingSettings& s = library.settings;
  std::shared_ptr<dao::Database> database;
  std::shared_ptr<dao::Recordset> tempdoc;

  // The field itself, for the readers, which examine its value.
  auto field = [&](const char* name) {
    return Variant(std::static_pointer_cast<Object>(Require(tempdoc).Field(name)));
  };
  // The field's value, read directly.
  auto value = [&](const char* name) { return Require(tempdoc).Field(name)->Value(); };
  auto tenths = [](const Variant& v) { return Variant(ToDouble(v) / 10); };
  // The settings the totals are computed from: SummeBilden writes no totals
  // when one of them could not be read. The readers report their own failures.
  bool totals_settings_read = true;
  auto totals_setting = [&](auto&& step) {
    FailureCapture reported;
    totals_settings_read &= op.Step(400, step) && reported.Count() == 0;
  };

  library.totals_record = TotalsRecord::kUntouched;
  op.Step(100, [&] { library.host_window = hWndMDI; });
  op.Step(400, [&] {
    database = Require(library.order.VaroWorkspace).OpenDatabase(library.order.DatenbankPfad);
  });
  op.Step(400, [&] {
    tempdoc = Require(database).OpenRecordset("SELECT * FROM TempDoc WHERE ID_Benutzer = " +
                                              std::to_string(library.order.ID_Benutzer));
  });
  op.Step(400, [&] { s.ID_Auftragsnummer = ToLong(value("ID_Auftragsnummer")); });
  op.Step(400, [&] { s.MeßtruppZusammenfassen = ToBoolean(value("MeßtruppZusammenfassen")); });
  op.Step(400, [&] { s.ID_Lieferschein = ToLong(ZahlDatensatzLesen(field("ID_Lieferschein"))); });
  totals_setting(
      [&] { s.AbschlagAbsolut = ToDouble(ZahlDatensatzLesen(field("AbschlagAbsolut"))); });
  totals_setting(
      [&] { s.AbschlagProzent = ToInteger(ZahlDatensatzLesen(field("AbschlagProzent"))); });
  totals_setting([&] { s.Zahlungsziel = ToBoolean(BoolDatensatzLesen(field("Zahlungsziel"))); });
  totals_setting([&] {
    s.Mehrwertsteuersatz = ToInteger(tenths(ZahlDatensatzLesen(field("Mehrwertsteuersatz"))));
  });
  op.Step(400, [&] { s.Preisgruppe1 = ToInteger(ZahlDatensatzLesen(field("Preisgruppe1"))); });
  op.Step(400, [&] { s.Preisgruppe2 = ToInteger(ZahlDatensatzLesen(field("Preisgruppe2"))); });
  op.Step(400, [&] { s.Preisgruppe3 = ToInteger(ZahlDatensatzLesen(field("Preisgruppe3"))); });
  op.Step(400, [&] { s.Preisgruppe4 = ToInteger(ZahlDatensatzLesen(field("Preisgruppe4"))); });
  op.Step(400, [&] { s.Mehrwertsteuer = ToInteger(tenths(value("Mehrwertsteuer"))); });
  op.Step(400, [&] { s.MwStErmäßigt = ToInteger(tenths(value("MwStErmäßigt"))); });
  op.Step(400, [&] { s.Rabatt = ToInteger(ZahlDatensatzLesen(field("Rabatt"))); });
  library.settings_unreadable = !totals_settings_read;
  op.Step(101, [&] { library.Rechnung = std::move(Rechnung); });
  op.Step(101, [&] {
    if (const DialogOpener open = RegisteredDialog(Index)) open();
  });
  // The database and recordset opened here are released as Show ends.
}

}  // namespace korvax
