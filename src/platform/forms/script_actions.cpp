// The actions of the scripted UI, one function per action, and the checks
// of the expect step. Everything a step does goes through the controls' User...
// methods, so the dialogs see the same events as with a person at the keyboard.
#include <map>
#include <set>

#include "common/error.hpp"
#include "common/text.hpp"
#include "platform/forms/scripted_ui.hpp"

namespace korvax::forms {

namespace {

using nlohmann::json;

const std::set<std::string> kCommonKeys = {"action", "form", "note"};

const std::set<std::string> kExpectChecks = {
    "text",       "caption",       "value",       "enabled",    "visible", "focus",
    "loaded",     "rows",          "cols",        "row",        "col",     "row_sel",
    "col_sel",    "top_row",       "list_index",  "list_count", "items",   "sel_start",
    "sel_length", "mouse_pointer", "window_state"};

const std::map<std::string, std::set<std::string>>& ActionKeys() {
  static const std::map<std::string, std::set<std::string>> keys = [] {
    std::map<std::string, std::set<std::string>> k = {
        {"click", {"control"}},
        {"type", {"control", "text", "replace"}},
        {"key", {"control", "key"}},
        {"focus", {"control"}},
        {"select", {"control", "row", "col", "row_sel", "col_sel"}},
        {"choose", {"control", "item", "index", "value"}},
        {"close", {}},
        {"answer", {"button", "prompt"}},
        {"expect", {"control", "window", "cell"}},
    };
    k["expect"].insert(kExpectChecks.begin(), kExpectChecks.end());
    return k;
  }();
  return keys;
}

const std::map<std::string, int>& KeyNames() {
  static const std::map<std::string, int> names = {
      {"Enter", kKeyEnter}, {"Return", kKeyEnter},        {"Tab", kKeyTab}, {"Escape", kKeyEscape},
      {"Esc", kKeyEscape},  {"Backspace", kKeyBackspace}, {"Space", ' '}};
  return names;
}

std::string Shown(const json& value) {
  return value.is_null() ? std::string("(nichts)") : value.dump();
}

// One step being run: its number, its description for messages, its form.
class StepRun {
 public:
  StepRun(Form& form, const json& step, int number) : form_(form), step_(step), number_(number) {}

  [[noreturn]] void Fail(const std::string& message) const {
    std::string where =
        "Schritt " + std::to_string(number_) + " (" + step_.value("action", std::string("?"));
    if (step_.contains("control")) where += " " + step_["control"].get<std::string>();
    where += " auf " + form_.Name() + "): ";
    throw ScriptError(number_, where + message);
  }

  Control& Target() const {
    auto name = step_["control"].get<std::string>();
    Control* control = form_.Find(name);
    if (control == nullptr) {
      Fail("Steuerelement '" + name + "' gibt es auf diesem Formular nicht");
    }
    return *control;
  }

  // A control the user acts on must be enabled and visible.
  Control& UsableTarget() const {
    Control& control = Target();
    if (!control.IsUsable()) {
      Fail("Steuerelement ist nicht bedienbar (deaktiviert oder unsichtbar)");
    }
    return control;
  }

  template <class T>
  T& TargetAs(const char* what) const {
    auto* control = dynamic_cast<T*>(&UsableTarget());
    if (control == nullptr) Fail(std::string("Steuerelement ist kein ") + what);
    return *control;
  }

  void FocusAsUser(Control& control) const {
    if (!control.HasFocus() && control.AcceptsFocus()) form_.MoveFocus(&control);
  }

  void Run() {
    const std::string action = step_["action"];
    if (action == "click") {
      UsableTarget().UserClick();
    } else if (action == "type") {
      Type();
    } else if (action == "key") {
      Key();
    } else if (action == "focus") {
      Control& control = UsableTarget();
      if (!control.AcceptsFocus()) Fail("Steuerelement kann den Fokus nicht erhalten");
      control.SetFocus();
    } else if (action == "select") {
      Select();
    } else if (action == "choose") {
      Choose();
    } else if (action == "close") {
      form_.UserClose();
    } else if (action == "expect") {
      Expect();
    }
  }

 private:
  void Type() {
    Control* control = nullptr;
    if (step_.contains("control")) {
      control = &TargetAs<EditControl>("Eingabefeld");
      FocusAsUser(*control);
    } else {
      control = form_.ActiveControl();
      if (control == nullptr) Fail("kein Steuerelement hat den Fokus");
    }
    auto* edit = dynamic_cast<EditControl*>(control);
    if (edit != nullptr && step_.value("replace", false)) {
      edit->SetSelStart(0);
      edit->SetSelLength(edit->TextLength());
    }
    for (char32_t c : text::ToU32(step_["text"].get<std::string>())) {
      // A key handler may close the form; the rest of the keys go nowhere.
      if (!form_.IsVisible()) break;
      control->PressKey(static_cast<int>(c));
    }
  }

  void Key() {
    int code = 0;
    const json& key = step_["key"];
    if (key.is_number_integer()) {
      code = key.get<int>();
    } else {
      auto name = key.get<std::string>();
      auto named = KeyNames().find(name);
      std::u32string chars = text::ToU32(name);
      if (chars.size() == 5 && name.starts_with("Alt+")) {
        if (!form_.PressAccessKey(chars[4])) {
          Fail("keine verfügbare Schaltfläche hat die Zugriffstaste " + name.substr(4));
        }
        return;
      }
      if (named != KeyNames().end()) {
        code = named->second;
      } else if (chars.size() == 1) {
        code = static_cast<int>(chars[0]);
      } else {
        Fail("unbekannte Taste \"" + name + "\"");
      }
    }
    Control* control = nullptr;
    if (step_.contains("control")) {
      control = &UsableTarget();
      FocusAsUser(*control);
    } else {
      control = form_.ActiveControl();
      if (control == nullptr) Fail("kein Steuerelement hat den Fokus");
    }
    control->PressKey(code);
  }

  void Select() {
    auto& grid = TargetAs<Grid>("Grid");
    // A row alone is a click on the row: the whole row is selected, the
    // current cell being its first non-fixed cell.
    int row = step_["row"];
    int col = step_.value("col", grid.FixedCols());
    int row_sel = step_.value("row_sel", row);
    int col_sel = step_.value("col_sel", step_.contains("col") ? col : grid.Cols() - 1);
    for (int r : {row, row_sel}) {
      if (r < 0 || r >= grid.Rows()) {
        Fail("Zeile " + std::to_string(r) +
             " gibt es nicht (Rows = " + std::to_string(grid.Rows()) + ")");
      }
    }
    for (int c : {col, col_sel}) {
      if (c < 0 || c >= grid.Cols()) {
        Fail("Spalte " + std::to_string(c) +
             " gibt es nicht (Cols = " + std::to_string(grid.Cols()) + ")");
      }
    }
    grid.UserSelect(row, col, row_sel, col_sel);
  }

  void Choose() {
    Control& control = UsableTarget();
    if (auto* combo = dynamic_cast<ComboBox*>(&control)) {
      int index = -1;
      if (step_.contains("index")) {
        index = step_["index"];
      } else if (step_.contains("item")) {
        auto item = step_["item"].get<std::string>();
        for (int i = 0; i < combo->ListCount(); ++i) {
          if (combo->List(i) == item) index = i;
          if (index >= 0) break;
        }
        if (index < 0) Fail("Eintrag \"" + item + "\" steht nicht in der Liste");
      } else {
        Fail("\"item\" oder \"index\" fehlt");
      }
      if (index < 0 || index >= combo->ListCount()) {
        Fail("Listenindex " + std::to_string(index) + " gibt es nicht");
      }
      combo->UserChoose(index);
    } else if (auto* option = dynamic_cast<OptionButton*>(&control)) {
      option->UserClick();
    } else if (auto* check = dynamic_cast<CheckBox*>(&control)) {
      int value = step_.value("value", 1);
      if (value != 0 && value != 1) Fail("ein Kontrollkästchen lässt sich nur auf 0 oder 1 setzen");
      if (check->Value() != value) check->UserClick();
    } else {
      Fail("\"choose\" gilt für Kombinationsfelder, Optionsfelder und Kontrollkästchen");
    }
  }

  void Check(const std::string& what, const json& expected, const json& actual) const {
    if (expected == actual) return;
    Fail(what + " erwartet " + Shown(expected) + ", ist " + Shown(actual));
  }

  json ControlValue(Control& control, const std::string& key) const {
    auto* grid = dynamic_cast<Grid*>(&control);
    auto* edit = dynamic_cast<EditControl*>(&control);
    auto* combo = dynamic_cast<ComboBox*>(&control);
    if (key == "text") {
      if (grid == nullptr && step_.contains("cell")) Fail("\"cell\" gibt es nur bei einem Grid");
      if (grid != nullptr && step_.contains("cell")) {
        const json& cell = step_["cell"];
        int row = cell.at(0);
        int col = cell.at(1);
        if (row < 0 || row >= grid->Rows() || col < 0 || col >= grid->Cols()) {
          Fail("Zelle " + cell.dump() + " gibt es nicht (Rows = " + std::to_string(grid->Rows()) +
               ", Cols = " + std::to_string(grid->Cols()) + ")");
        }
        return grid->TextMatrix(row, col);
      }
      return control.DisplayText();
    }
    if (key == "caption") {
      auto* captioned = dynamic_cast<CaptionedControl*>(&control);
      if (captioned == nullptr) Fail("Steuerelement hat keine Beschriftung");
      return captioned->Caption();
    }
    if (key == "value") {
      if (auto* check = dynamic_cast<CheckBox*>(&control)) return check->Value();
      if (auto* option = dynamic_cast<OptionButton*>(&control)) return option->Value();
      Fail("Steuerelement hat keinen Wert (Value)");
    }
    if (key == "enabled") return control.Enabled();
    if (key == "visible") return control.Visible();
    if (key == "focus") return control.HasFocus();
    if (grid != nullptr) {
      if (key == "rows") return grid->Rows();
      if (key == "cols") return grid->Cols();
      if (key == "row") return grid->Row();
      if (key == "col") return grid->Col();
      if (key == "row_sel") return grid->RowSel();
      if (key == "col_sel") return grid->ColSel();
      if (key == "top_row") return grid->TopRow();
    }
    if (combo != nullptr) {
      if (key == "list_index") return combo->ListIndex();
      if (key == "list_count") return combo->ListCount();
      if (key == "items") {
        json items = json::array();
        for (int i = 0; i < combo->ListCount(); ++i) items.push_back(combo->List(i));
        return items;
      }
    }
    if (edit != nullptr) {
      if (key == "sel_start") return edit->SelStart();
      if (key == "sel_length") return edit->SelLength();
    }
    Fail("\"" + key + "\" lässt sich bei einem " + control.KindName() + " nicht prüfen");
  }

  json FormValue(Form& form, const std::string& key, bool other) const {
    if (key == "loaded") return form.IsLoaded();
    if (key == "visible") return form.IsVisible();
    // Reading any other property would load a form that is not loaded.
    if (other) Fail("bei \"window\" lassen sich nur \"loaded\" und \"visible\" prüfen");
    if (key == "caption") return form.Caption();
    if (key == "mouse_pointer") return form.MousePointer();
    if (key == "window_state") return form.WindowState();
    if (key == "focus") {
      Control* focused = form.ActiveControl();
      return focused == nullptr ? json() : json(focused->FullName());
    }
    Fail("\"" + key + "\" lässt sich bei einem Formular nicht prüfen");
  }

  void Expect() {
    std::vector<std::string> keys;
    for (const auto& [key, value] : step_.items()) {
      if (kExpectChecks.count(key) != 0) keys.push_back(key);
    }
    if (step_.contains("control")) {
      Control& control = Target();
      for (const auto& key : keys) {
        Check(key == "text" && step_.contains("cell") ? "Zelle " + step_["cell"].dump() : key,
              step_[key], ControlValue(control, key));
      }
      return;
    }
    Form* form = &form_;
    bool other = false;
    if (step_.contains("window")) {
      auto name = step_["window"].get<std::string>();
      form = Form::FindForm(name);
      if (form == nullptr) Fail("ein Formular '" + name + "' gibt es nicht");
      other = form != &form_;
    }
    for (const auto& key : keys) Check(key, step_[key], FormValue(*form, key, other));
  }

  Form& form_;
  const json& step_;
  int number_;
};

}  // namespace

void ValidateScriptStep(const json& step, int number) {
  auto fail = [&](const std::string& message) {
    throw ScriptError(number, "Schritt " + std::to_string(number) + ": " + message);
  };
  if (!step.is_object()) fail("ein Schritt ist ein JSON-Objekt");
  if (!step.contains("action") || !step["action"].is_string()) fail("\"action\" fehlt");
  const std::string action = step["action"];
  auto allowed = ActionKeys().find(action);
  if (allowed == ActionKeys().end()) fail("unbekannte Aktion \"" + action + "\"");
  for (const auto& [key, value] : step.items()) {
    if (kCommonKeys.count(key) == 0 && allowed->second.count(key) == 0) {
      fail("\"" + key + "\" gehört nicht zur Aktion \"" + action + "\"");
    }
  }
  auto require = [&](const char* key) {
    if (!step.contains(key)) fail("\"" + std::string(key) + "\" fehlt");
  };
  if (action == "click" || action == "focus" || action == "select" || action == "choose") {
    require("control");
  }
  if (action == "type") require("text");
  if (action == "key") require("key");
  if (action == "select") require("row");
  if (action == "answer") require("button");
  if (action == "expect") {
    bool any = false;
    for (const auto& key : kExpectChecks) any = any || step.contains(key);
    if (!any) fail("\"expect\" ohne etwas zu prüfen");
    if (step.contains("cell") &&
        (!step["cell"].is_array() || step["cell"].size() != 2 ||
         !step["cell"][0].is_number_integer() || !step["cell"][1].is_number_integer())) {
      fail("\"cell\" ist [Zeile, Spalte]");
    }
    if (step.contains("cell") && !step.contains("text")) fail("zu \"cell\" gehört \"text\"");
    if (step.contains("control") && step.contains("window")) {
      fail("\"control\" und \"window\" schließen sich aus");
    }
  }
  try {
    // Types are checked up front so that a typo does not surface halfway.
    if (step.contains("control")) (void)step["control"].get<std::string>();
    if (step.contains("form")) (void)step["form"].get<std::string>();
    if (step.contains("text") && action != "expect") (void)step["text"].get<std::string>();
    for (const char* key : {"row", "col", "row_sel", "col_sel", "index"}) {
      if (step.contains(key) && action != "expect") (void)step[key].get<int>();
    }
    if (step.contains("key") && !step["key"].is_string() && !step["key"].is_number_integer()) {
      fail("\"key\" ist ein Tastencode oder ein Tastenname");
    }
    if (step.contains("replace")) (void)step["replace"].get<bool>();
    if (step.contains("value") && action == "choose") (void)step["value"].get<int>();
    if (step.contains("item")) (void)step["item"].get<std::string>();
    if (step.contains("prompt")) (void)step["prompt"].get<std::string>();
  } catch (const json::exception& e) {
    fail(std::string("falscher Typ: ") + e.what());
  }
}

void RunScriptAction(Form& form, const json& step, int number) {
  StepRun run(form, step, number);
  try {
    run.Run();
  } catch (const ScriptError&) {
    throw;
  } catch (const Error& e) {
    run.Fail("Fehler " + std::to_string(e.number()) +
             " in der Ereignisbehandlung: " + e.description());
  } catch (const std::exception& e) {
    run.Fail(std::string("Ausnahme in der Ereignisbehandlung: ") + e.what());
  }
}

}  // namespace korvax::forms
