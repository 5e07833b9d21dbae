// Korvax C++ API: the user interface of the dialogs and the error log.
#ifndef KORVAX_UI_HPP
#define KORVAX_UI_HPP

#include <string>

#include "korvax/value.hpp"

namespace korvax::api {

enum class Ui : int32_t {
  None = KORVAX_UI_NONE,  // no windows: only a script works the dialogs (the default)
  Qt = KORVAX_UI_QT       // the Qt 6 desktop dialogs, package korvax-qt
};

// Chooses the interface: 48 when the Qt dialogs are not installed, 429
// without a display; such a failure is logged too, and the choice stays.
inline void SetUi(Ui ui) {
  korvax_error err;
  detail::Check(korvax_set_ui(static_cast<int32_t>(ui), &err), err);
}

// The user's input of the next Show from an action script, headless or in
// the Qt dialogs; one script per Show. 53 no such file, 5 not a script.
inline void SetUiScript(const std::string& path) {
  korvax_error err;
  detail::Check(korvax_set_ui_script(path.c_str(), &err), err);
}
// The input from the person again.
inline void ClearUiScript() {
  korvax_error err;
  detail::Check(korvax_set_ui_script(nullptr, &err), err);
}
// After Show: fails with 5, naming the step, unless the script ran as written.
inline void CheckUiScript() {
  korvax_error err;
  detail::Check(korvax_ui_script_result(&err), err);
}

// Verw.log, where every failure inside the plug-in is appended.
inline std::string ErrorLogPath() {
  return korvax_error_log_path();
}

}  // namespace korvax::api

#endif  // KORVAX_UI_HPP
