// The scripted UI: a back end that plays a JSON script of user actions
// against whatever form is shown modally, nested modal forms included, and
// answers message boxes from the script. Tests and the command-line host
// drive the dialogs through it; docs/scripted-ui.md describes the format.
//
//   forms::ScriptedUi ui(nlohmann::json::parse(script_text));
//   forms::SetBackend(&ui);          // also registers its message boxes
//   FormInstance<FrmKat1>().ShowModal();
//   ui.Finish();                     // throws ScriptError unless all went to plan
//   forms::SetBackend(nullptr);
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/ports.hpp"
#include "platform/forms/form.hpp"

namespace korvax::forms {

// A script that went wrong: a failed expectation, a step the form cannot do,
// a modal form without steps left, a malformed step. step() is the 1-based
// number of the step concerned, 0 when none is.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(int step, const std::string& message);
  int step() const { return step_; }

 private:
  int step_;
};

class ScriptedUi : public UiBackend {
 public:
  // The script is a list of steps, or an object with the list under "steps".
  // Malformed steps fail here, before anything runs.
  explicit ScriptedUi(const nlohmann::json& script);
  // Reads a script file; a file that is missing or no JSON fails as step 0.
  static nlohmann::json LoadScript(const std::filesystem::path& path);
  ~ScriptedUi() override;
  ScriptedUi(const ScriptedUi&) = delete;
  ScriptedUi& operator=(const ScriptedUi&) = delete;

  // Plays steps against the form until it is hidden or unloaded. A failure
  // is kept and thrown again at every later call and by Finish, because
  // the dialogs' report-and-continue may swallow the first throw.
  void RunModal(Form& form) override;
  std::shared_ptr<MessageBoxFactory> MessageBoxes() override;
  // Plays the next step on the modal form: for a back end that shows the
  // form itself and takes the user's input from the script. Virtual, so that
  // a back end in a library of its own runs the steps with this library's code.
  virtual void RunNextStep(Form& form);

  // Throws the first failure, or a ScriptError when steps or message-box
  // answers are left over.
  void Finish();

  int StepCount() const { return static_cast<int>(steps_.size()); }
  int StepsDone() const { return next_; }
  bool Failed() const { return failure_.has_value(); }
  // Every message box shown, in order.
  const std::vector<MessageBoxRequest>& ShownMessageBoxes() const { return shown_boxes_; }
  // One line per step run and message box answered, for a failing test's log.
  const std::vector<std::string>& Transcript() const { return transcript_; }

  // Called with the step's 1-based number before each step runs: for a
  // caller that times or traces a part of the script.
  void OnStep(std::function<void(int)> before) { before_step_ = std::move(before); }

  // Called by the scripted message-box component.
  int32_t AnswerMessageBox(const MessageBoxRequest& request);

 private:
  struct Answer {
    int step;
    int32_t button;
    std::optional<std::string> prompt;
  };

  [[noreturn]] void Fail(int step, const std::string& message);
  void ThrowIfFailed() const;
  void RunStep(Form& form, const nlohmann::json& step, int number);
  void QueueAnswer(const nlohmann::json& step, int number);

  std::vector<nlohmann::json> steps_;
  int next_ = 0;
  std::deque<Answer> answers_;
  std::optional<ScriptError> failure_;
  std::vector<MessageBoxRequest> shown_boxes_;
  std::vector<std::string> transcript_;
  std::shared_ptr<MessageBoxFactory> factory_;
  std::function<void(int)> before_step_;
};

// Runs one action step on a form; throws ScriptError naming the step.
// (script_actions.cpp; ScriptedUi uses it, tests may too.)
void RunScriptAction(Form& form, const nlohmann::json& step, int number);
// Checks a step's keys before anything runs; throws ScriptError.
void ValidateScriptStep(const nlohmann::json& step, int number);

}  // namespace korvax::forms
