// The user interface of the dialogs that Show opens, chosen by the host:
// none (ShowModal then fails with 438, as it always did, unless a script plays
// the user's input) or the Qt desktop dialogs, which live in a library of
// their own (libkorvax-qt.so) and are loaded on first choice, so that the
// core never links Qt. Apart from that, the user's input may come from an
// action script instead of a person: headless, or played in the Qt dialogs.
#pragma once

#include <filesystem>

namespace korvax {

enum class UiKind { None = 0, Qt = 1 };

// Chooses the interface. Failures (48: the Qt dialogs are not installed or
// are of another build; 429: no display to show them on) are logged and
// thrown as korvax::Error; the choice then stays as it was.
void ChooseUi(UiKind kind);
UiKind ChosenUi();

// The user's input for the next dialogs from an action script
// (docs/scripted-ui.md); an empty path gives it back to the person. A
// script's steps are used up by the dialogs they play in: one script per
// Show. Failures (53: no such file; 5: not a script) are logged and thrown.
void ChooseUiScript(const std::filesystem::path& script);

// Throws korvax::Error 5 unless the chosen script ran as written, to its end.
void CheckUiScript();

// No interface and no script any more; the back end is destroyed.
void ResetUi();

}  // namespace korvax
