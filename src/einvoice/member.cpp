// ERechnung, the member of Tarvo: the e-invoice of what the last Show left in
// the order context, its invoice record and billing settings.
#include "einvoice/member.hpp"

#include "common/error.hpp"
#include "einvoice/einvoice.hpp"
#include "platform/dao/dao.hpp"
#include "platform/word/document.hpp"
#include "plugin/plugin_state.hpp"
#include "plugin/tarvo.hpp"

namespace korvax::einvoice {

namespace {

std::string WriteForHost(const std::string& format_name, const std::string& file) {
  const Format format = ParseFormat(format_name);
  PluginState& library = Library();
  if (!library.order.Doc || !library.order.NeueAbfrage || !library.Rechnung) {
    throw Error(91, "ERechnung braucht Doc, NeueAbfrage und die Rechnung eines Show-Aufrufs.");
  }
  const Source source{*library.order.Doc,
                      *library.order.NeueAbfrage,
                      *library.Rechnung,
                      {library.settings.AbschlagAbsolut, library.settings.AbschlagProzent},
                      library.settings.Mehrwertsteuersatz};
  const std::filesystem::path out = file.empty()
                                        ? DefaultOutput(library.order.Doc->FullName(), format)
                                        : std::filesystem::path(file);
  WriteEInvoice(source, format, out);
  return out.string();
}

}  // namespace

void RegisterEInvoiceMember() {
  RegisterEInvoiceWriter(WriteForHost);
}

}  // namespace korvax::einvoice
