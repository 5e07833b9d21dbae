#include "plugin/plugin_state.hpp"

#include <map>

#include "platform/dao/dao.hpp"
#include "plugin/dialog_registry.hpp"

namespace korvax {

PluginState& Library() {
  static PluginState state;
  return state;
}

void ResetLibrary() {
  Library() = PluginState{};
}

namespace {
std::map<int, DialogOpener>& Dialogs() {
  static std::map<int, DialogOpener> dialogs;
  return dialogs;
}
}  // namespace

void RegisterDialog(int index, DialogOpener open) {
  Dialogs()[index] = std::move(open);
}

DialogOpener RegisteredDialog(int index) {
  const auto it = Dialogs().find(index);
  return it == Dialogs().end() ? DialogOpener{} : it->second;
}

}  // namespace korvax
