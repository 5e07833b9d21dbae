// The C ABI's choice of the user interface (plugin/ui_choice.hpp).
#include <exception>

#include "common/error.hpp"
#include "korvax/korvax.h"
#include "plugin/c_abi_errors.hpp"
#include "plugin/ui_choice.hpp"

using korvax::abi::Clear;
using korvax::abi::FailWith;

extern "C" {

int32_t korvax_set_ui(int32_t ui, korvax_error* err) {
  Clear(err);
  try {
    if (ui != KORVAX_UI_NONE && ui != KORVAX_UI_QT) throw korvax::errors::InvalidProcedureCall();
    korvax::ChooseUi(static_cast<korvax::UiKind>(ui));
    return 0;
  } catch (...) {
    return FailWith(err, std::current_exception());
  }
}

int32_t korvax_set_ui_script(const char* path, korvax_error* err) {
  Clear(err);
  try {
    korvax::ChooseUiScript(path != nullptr ? path : "");
    return 0;
  } catch (...) {
    return FailWith(err, std::current_exception());
  }
}

int32_t korvax_ui_script_result(korvax_error* err) {
  Clear(err);
  try {
    korvax::CheckUiScript();
    return 0;
  } catch (...) {
    return FailWith(err, std::current_exception());
  }
}

}  // extern "C"
