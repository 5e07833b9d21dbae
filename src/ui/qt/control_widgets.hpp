// The widgets that stand for the controls of a form. Each one reports its
// key presses and focus changes to a ControlRouter (the form's view) before
// Qt handles them, so that the control model decides what a key does.
#pragma once

#include <QEvent>
#include <QFocusEvent>
#include <QFont>
#include <QKeyEvent>
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>
#include <utility>

#include "platform/forms/control.hpp"

namespace korvax::ui {

class ControlRouter {
 public:
  virtual ~ControlRouter() = default;
  // A key pressed on the control's widget; true when the model took it.
  virtual bool KeyPressed(forms::Control& control, QKeyEvent* event) = 0;
  // The control's widget has just received the keyboard focus.
  virtual void FocusEntered(forms::Control& control) = 0;
};

// A Qt widget whose keys and focus go to the router first. Tab and the other
// keys that QWidget::event would use for itself are caught there, before Qt
// moves the focus on its own.
template <class Base>
class Routed : public Base {
 public:
  template <class... Args>
  Routed(ControlRouter& router, forms::Control& control, Args&&... args)
      : Base(std::forward<Args>(args)...), router_(router), control_(control) {}

  forms::Control& Model() const { return control_; }

 protected:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::KeyPress && router_.KeyPressed(control_, static_cast<QKeyEvent*>(e))) {
      e->accept();
      return true;
    }
    return Base::event(e);
  }
  void focusInEvent(QFocusEvent* e) override {
    Base::focusInEvent(e);
    router_.FocusEntered(control_);
  }

  ControlRouter& router_;

 private:
  forms::Control& control_;
};

// UTF-8 model text to Qt and back.
QString ToQt(std::string_view text);
std::string FromQt(const QString& text);

// A caption without its access-key marks, for widgets that do not show
// mnemonics ("&Fläche" gives "Fläche", "&&" gives "&").
QString PlainCaption(std::string_view caption);

// The Qt input mask for a masked edit mask ("#####,##" gives "00000,00; "
// with the prompt as blank character); empty for no mask.
QString QtInputMask(std::string_view mask, char32_t prompt);

// The Qt font for a model font. The classic dialog fonts (MS Sans Serif,
// Tahoma, Arial, ...) become the desktop's own font, scaled by the ratio of
// the model size to the classic 8.25 pt; other families are kept.
QFont QtFont(const forms::Font& font, const QFont& desktop);

// Key codes of the model for a Qt key event: the characters it types, or
// Enter, Escape, Tab, Backspace; empty when the key is not one the model
// handles (arrows, Home, Delete, shortcuts with Ctrl or Alt).
std::u32string ModelKeys(const QKeyEvent* event);

}  // namespace korvax::ui
