#include "platform/forms/scripted_ui.hpp"

#include <fstream>
#include <map>

#include "common/error.hpp"

namespace korvax::forms {

namespace {

using nlohmann::json;

const std::map<std::string, int32_t>& ButtonNames() {
  static const std::map<std::string, int32_t> names = {
      {"OK", 1},          {"Abbrechen", 2}, {"Cancel", 2},     {"Abbruch", 3}, {"Abort", 3},
      {"Wiederholen", 4}, {"Retry", 4},     {"Ignorieren", 5}, {"Ignore", 5},  {"Ja", 6},
      {"Yes", 6},         {"Nein", 7},      {"No", 7}};
  return names;
}

int32_t ButtonOf(const json& button, int number) {
  if (button.is_number_integer()) return button.get<int32_t>();
  if (button.is_string()) {
    auto found = ButtonNames().find(button.get<std::string>());
    if (found != ButtonNames().end()) return found->second;
  }
  throw ScriptError(number, "Schritt " + std::to_string(number) + ": unbekannte Schaltfläche " +
                                button.dump() + " (Ja, Nein, OK, Abbrechen oder eine Zahl)");
}

// The component that the message-box utility creates: it asks the script.
class ScriptedMessageBox : public MessageBoxComponent {
 public:
  explicit ScriptedMessageBox(ScriptedUi* ui) : ui_(ui) {}
  void SetOptions(bool /*first*/, bool /*second*/) override {}
  int32_t Show(const MessageBoxRequest& request) override { return ui_->AnswerMessageBox(request); }

 private:
  ScriptedUi* ui_;
};

class ScriptedMessageBoxFactory : public MessageBoxFactory {
 public:
  explicit ScriptedMessageBoxFactory(ScriptedUi* ui) : ui_(ui) {}
  std::unique_ptr<MessageBoxComponent> Create() override {
    // A factory left registered after its scripted UI ended cannot answer.
    if (ui_ == nullptr) throw Error(429, "Objekterstellung durch ActiveX-Komponente nicht möglich");
    return std::make_unique<ScriptedMessageBox>(ui_);
  }
  void Detach() { ui_ = nullptr; }

 private:
  ScriptedUi* ui_;
};

}  // namespace

ScriptError::ScriptError(int step, const std::string& message)
    : std::runtime_error(message), step_(step) {}

ScriptedUi::ScriptedUi(const json& script) {
  const json& steps = script.is_object() && script.contains("steps") ? script["steps"] : script;
  if (!steps.is_array()) {
    throw ScriptError(0, "Das Skript ist eine Liste von Schritten (oder {\"steps\": [...]})");
  }
  int number = 0;
  for (const json& step : steps) {
    ValidateScriptStep(step, ++number);
    if (step["action"] == "answer") (void)ButtonOf(step["button"], number);
    steps_.push_back(step);
  }
  factory_ = std::make_shared<ScriptedMessageBoxFactory>(this);
}

ScriptedUi::~ScriptedUi() {
  static_cast<ScriptedMessageBoxFactory&>(*factory_).Detach();
  if (Backend() == this) SetBackend(nullptr);
}

json ScriptedUi::LoadScript(const std::filesystem::path& path) {
  std::ifstream in(path);
  if (!in) throw ScriptError(0, "Skriptdatei " + path.string() + " lässt sich nicht lesen");
  try {
    return json::parse(in);
  } catch (const json::parse_error& e) {
    throw ScriptError(0, "Skriptdatei " + path.string() + " ist kein JSON: " + e.what());
  }
}

std::shared_ptr<MessageBoxFactory> ScriptedUi::MessageBoxes() {
  return factory_;
}

void ScriptedUi::Fail(int step, const std::string& message) {
  if (!failure_) failure_.emplace(step, message);
  transcript_.push_back("FEHLER: " + message);
  throw *failure_;
}

void ScriptedUi::ThrowIfFailed() const {
  if (failure_) throw *failure_;
}

void ScriptedUi::RunModal(Form& form) {
  ThrowIfFailed();
  while (form.IsVisible()) RunNextStep(form);
}

void ScriptedUi::RunNextStep(Form& form) {
  ThrowIfFailed();
  if (next_ >= StepCount()) {
    Fail(next_, "Das Formular " + form.Name() + " ist modal angezeigt, aber das Skript hat " +
                    "nach Schritt " + std::to_string(next_) + " keine Schritte mehr");
  }
  const int number = next_ + 1;
  const json& step = steps_[next_++];
  if (step.contains("form") && step["form"] != form.Name()) {
    Fail(number, "Schritt " + std::to_string(number) + " erwartet das Formular " +
                     step["form"].get<std::string>() + ", modal angezeigt ist aber " + form.Name());
  }
  if (before_step_) before_step_(number);
  RunStep(form, step, number);
  // A failure in a nested modal form may have been swallowed by the
  // dialog's report-and-continue; it still ends the run here.
  ThrowIfFailed();
}

void ScriptedUi::RunStep(Form& form, const json& step, int number) {
  transcript_.push_back(std::to_string(number) + " " + form.Name() + ": " + step.dump());
  if (step["action"] == "answer") {
    QueueAnswer(step, number);
    return;
  }
  try {
    RunScriptAction(form, step, number);
  } catch (const ScriptError& e) {
    if (!failure_) failure_ = e;
    transcript_.push_back(std::string("FEHLER: ") + e.what());
    throw;
  }
}

void ScriptedUi::QueueAnswer(const json& step, int number) {
  Answer answer{number, ButtonOf(step["button"], number), std::nullopt};
  if (step.contains("prompt")) answer.prompt = step["prompt"].get<std::string>();
  answers_.push_back(std::move(answer));
}

int32_t ScriptedUi::AnswerMessageBox(const MessageBoxRequest& request) {
  ThrowIfFailed();
  shown_boxes_.push_back(request);
  // An answer may stand before the step that brings up the box, or be the
  // very next step after it.
  if (answers_.empty() && next_ < StepCount() && steps_[next_]["action"] == "answer") {
    const int number = next_ + 1;
    transcript_.push_back(std::to_string(number) + " Meldung: " + steps_[next_].dump());
    QueueAnswer(steps_[next_++], number);
  }
  if (answers_.empty()) {
    Fail(next_, "Die Meldung \"" + request.prompt + "\" erscheint nach Schritt " +
                    std::to_string(next_) + ", aber das Skript sieht keine Antwort vor");
  }
  Answer answer = answers_.front();
  answers_.pop_front();
  if (answer.prompt && *answer.prompt != request.prompt) {
    Fail(answer.step, "Schritt " + std::to_string(answer.step) + " (answer): Meldung \"" +
                          *answer.prompt + "\" erwartet, erschienen ist \"" + request.prompt +
                          "\"");
  }
  transcript_.push_back("Meldung \"" + request.prompt + "\" beantwortet mit " +
                        std::to_string(answer.button));
  return answer.button;
}

void ScriptedUi::Finish() {
  ThrowIfFailed();
  if (next_ < StepCount()) {
    const int number = next_ + 1;
    throw ScriptError(number, "Schritt " + std::to_string(number) + " (" +
                                  steps_[next_]["action"].get<std::string>() +
                                  ") und die folgenden liefen nicht mehr: kein Formular war " +
                                  "mehr modal angezeigt");
  }
  if (!answers_.empty()) {
    const int number = answers_.front().step;
    throw ScriptError(number, "Schritt " + std::to_string(number) +
                                  " (answer): keine Meldung hat diese Antwort abgefragt");
  }
}

}  // namespace korvax::forms
