#include "plugin/ui_choice.hpp"

#include <dlfcn.h>

#include <memory>
#include <string>
#include <system_error>

#include "common/error.hpp"
#include "common/error_log.hpp"
#include "platform/forms/form.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "platform/forms/ui_plugin.hpp"

namespace korvax {

namespace {

constexpr const char* kModule = "Korvax";
// Found through the RUNPATH of the library or program that holds this code:
// its folder "korvax" beside libkorvax.so, or below the program's lib folder.
constexpr const char* kQtDialogs = "libkorvax-qt.so";

struct UiState {
  UiKind kind = UiKind::None;
  forms::UiPluginEntry qt_entry = nullptr;  // the library stays loaded: Qt does not unload
  std::unique_ptr<forms::ScriptedUi> script;
  std::unique_ptr<forms::UiBackend> qt;
};

UiState& State() {
  static UiState state;
  return state;
}

[[noreturn]] void Refuse(const char* operation, const Error& error) {
  ReportError(kModule, operation, error.number(), error.description(), 0);
  throw error;
}

forms::UiPluginEntry LoadQtDialogs() {
  void* library = dlopen(kQtDialogs, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* why = dlerror();
    throw Error(48, std::string("Fehler beim Laden einer DLL: Die Qt-Dialoge (") + kQtDialogs +
                        ", Paket korvax-qt) sind nicht installiert (" +
                        (why != nullptr ? why : "") + ")");
  }
  auto entry = reinterpret_cast<forms::UiPluginEntry>(dlsym(library, forms::kUiPluginEntry));
  if (entry == nullptr) {
    throw Error(48, std::string("Fehler beim Laden einer DLL: ") + kQtDialogs + " ohne " +
                        forms::kUiPluginEntry);
  }
  return entry;
}

std::unique_ptr<forms::UiBackend> MakeQtUi(UiState& state, forms::ScriptedUi* script) {
  if (state.qt_entry == nullptr) state.qt_entry = LoadQtDialogs();
  forms::UiPluginRequest request;
  request.version = KORVAX_VERSION;
  request.runtime = &forms::detail::OwnRuntime();
  request.script = script;
  forms::UiPluginFailure failure;
  std::unique_ptr<forms::UiBackend> ui(state.qt_entry(request, &failure));
  if (!ui) throw Error(failure.number, failure.description);
  return ui;
}

// The Qt back end plays the script it was made with, so both change together.
void Install(UiState& state, std::unique_ptr<forms::ScriptedUi> script,
             std::unique_ptr<forms::UiBackend> qt) {
  forms::SetBackend(nullptr);
  state.qt = std::move(qt);
  state.script = std::move(script);
  if (state.qt) {
    forms::SetBackend(state.qt.get());
  } else {
    forms::SetBackend(state.script.get());
  }
}

}  // namespace

void ChooseUi(UiKind kind) {
  UiState& state = State();
  try {
    std::unique_ptr<forms::UiBackend> qt;
    if (kind == UiKind::Qt) qt = MakeQtUi(state, state.script.get());
    state.kind = kind;
    Install(state, std::move(state.script), std::move(qt));
  } catch (const Error& e) {
    Refuse("korvax_set_ui", e);
  }
}

UiKind ChosenUi() {
  return State().kind;
}

void ChooseUiScript(const std::filesystem::path& path) {
  UiState& state = State();
  try {
    std::unique_ptr<forms::ScriptedUi> script;
    if (!path.empty()) {
      std::error_code ec;
      if (!std::filesystem::is_regular_file(path, ec)) {
        throw Error(53, "Datei nicht gefunden: " + path.string());
      }
      try {
        script = std::make_unique<forms::ScriptedUi>(forms::ScriptedUi::LoadScript(path));
      } catch (const forms::ScriptError& e) {
        throw Error(5, "Das Skript " + path.string() + " ist fehlerhaft: " + e.what());
      }
    }
    std::unique_ptr<forms::UiBackend> qt;
    if (state.kind == UiKind::Qt) qt = MakeQtUi(state, script.get());
    Install(state, std::move(script), std::move(qt));
  } catch (const Error& e) {
    Refuse("korvax_set_ui_script", e);
  }
}

void CheckUiScript() {
  UiState& state = State();
  if (!state.script) throw Error(5, "Kein Skript gewählt (korvax_set_ui_script)");
  try {
    state.script->Finish();
  } catch (const forms::ScriptError& e) {
    throw Error(5, std::string("Das Skript lief nicht wie geschrieben: ") + e.what());
  }
}

void ResetUi() {
  UiState& state = State();
  state.kind = UiKind::None;
  Install(state, nullptr, nullptr);
}

}  // namespace korvax
