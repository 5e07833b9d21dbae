// The Qt Widgets back end of the UI port. Any forms::Form is shown as a
// QDialog built from its control declarations; the user's input reaches the
// control models as user actions, and the models' changes come back to the
// widgets through the form's observer. Dialog code never sees Qt.
//
//   int main(int argc, char** argv) {
//     return ui::RunWithQt(argc, argv, [] { tarvo.Show(0, rechnung, 0); });
//   }
//
// Everything here runs on the thread that owns the QApplication.
#pragma once

#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "platform/forms/form.hpp"

class QWidget;

namespace korvax::ui {

class FormView;

class QtUi : public forms::UiBackend {
 public:
  // parent: the host's window, owner of the outermost dialogs (may be null).
  explicit QtUi(QWidget* parent = nullptr);
  ~QtUi() override;
  QtUi(const QtUi&) = delete;
  QtUi& operator=(const QtUi&) = delete;

  void SetParentWindow(QWidget* parent) { parent_ = parent; }
  QWidget* ParentWindow() const { return parent_; }

  // The user's input from a script instead of a person: each dialog shown
  // runs `step` on its form, one step every `pace_ms`, as the user's action,
  // until the form is hidden. A step that opens a nested dialog plays on there.
  void PlayScript(std::function<void(forms::Form&)> step, int pace_ms);

  // Shows the form as a modal dialog and runs a local event loop until the
  // form is hidden or unloaded. A failure thrown by the models while the
  // dialog runs ends the loop and is thrown again from here, so that it never
  // unwinds through Qt's event dispatch.
  void RunModal(forms::Form& form) override;
  std::shared_ptr<MessageBoxFactory> MessageBoxes() override;

  // The dialog of the innermost form that runs modally, null for none. Tests
  // drive it; message boxes and nested dialogs take it as their owner.
  QWidget* ActiveDialog() const;
  // The view of a form shown modally right now, null when it is not.
  FormView* ViewOf(const forms::Form& form) const;

 private:
  QWidget* parent_;
  std::vector<FormView*> running_;  // innermost last
  std::function<void(forms::Form&)> script_step_;
  int pace_ms_ = 0;
  std::shared_ptr<MessageBoxFactory> message_boxes_;
};

// Creates the QApplication when there is none, installs a QtUi as the UI back
// end (its outermost dialogs belong to the host window `parent`, which may be
// null), runs body and puts the previous back end back. Returns 0; a failure that body throws is
// thrown on after the clean-up. A QApplication created here is destroyed
// before returning.
int RunWithQt(int argc, char** argv, const std::function<void()>& body, QWidget* parent = nullptr);

// Renders the form as its dialog looks (with a drawn title bar carrying the
// caption) into a PNG file. A form shown by the Qt back end is grabbed as it
// stands; any other form is rendered off screen, which loads it when it is not
// loaded. Needs a QApplication. False when the file cannot be written.
bool SaveScreenshot(const forms::Form& form, const std::filesystem::path& path);

}  // namespace korvax::ui
