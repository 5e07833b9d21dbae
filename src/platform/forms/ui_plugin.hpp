// A UI back end in a shared library of its own, loaded on demand: the Qt
// dialogs, so that the core library and the korvax command never link Qt.
// The library exports one C function under the name kUiPluginEntry; the
// loader hands it what the back end needs and gets the back end, or the
// reason why there is none.
//
// The library carries its own copy of the forms runtime's code, hidden like
// everything else in it; that copy works on the loader's runtime state
// (request.runtime), so that forms, modal stack and back end are one.
#pragma once

#include <cstdint>
#include <string>

#include "platform/forms/runtime.hpp"

namespace korvax::forms {

class ScriptedUi;

inline constexpr const char* kUiPluginEntry = "korvax_ui_plugin_create";

struct UiPluginRequest {
  // The loader's version: a library of another build is refused, because the
  // two copies of the runtime's code must be the same.
  const char* version = nullptr;
  detail::Runtime* runtime = nullptr;
  // The user's input played from a script, in the dialogs shown; null when a
  // person works in them.
  ScriptedUi* script = nullptr;
};

// Why there is no back end: 48 the library does not fit, 429 no display.
struct UiPluginFailure {
  int32_t number = 0;
  std::string description;
};

// Returns the back end, which the caller deletes, or null and the failure.
using UiPluginEntry = UiBackend* (*)(const UiPluginRequest& request, UiPluginFailure* failure);

}  // namespace korvax::forms
