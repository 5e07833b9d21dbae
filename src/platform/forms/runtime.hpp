// The state of the forms runtime: the live forms, the modal stack, the back
// end, the form instances and the screen's mouse pointer. A UI back end in a
// library of its own (ui_plugin.hpp) carries its own copy of the runtime's
// code and works on the state of the library that loaded it.
#pragma once

#include <map>
#include <memory>
#include <typeindex>
#include <vector>

#include "platform/forms/form.hpp"

namespace korvax::forms::detail {

struct Runtime {
  std::vector<Form*> live_forms;
  std::vector<Form*> modal_stack;
  UiBackend* backend = nullptr;
  // Destroyed first: a form leaving takes itself off the lists above.
  std::map<std::type_index, std::unique_ptr<Form>> instances;
  int mouse_pointer = kMousePointerDefault;
};

// This library's own state.
Runtime& OwnRuntime();
// From now on this copy of the runtime's code works on `runtime`.
void UseRuntime(Runtime& runtime);

}  // namespace korvax::forms::detail
