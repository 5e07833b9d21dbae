// Controls that show a caption: labels, frames, command buttons, check boxes
// and option buttons.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/control.hpp"

namespace korvax::forms {

class CaptionedControl : public Control {
 public:
  const std::string& Caption() const;
  void SetCaption(std::string caption);
  // The character after a single "&" ("&OK" gives 'O'), 0 for none.
  char32_t AccessKey() const;
  std::string DisplayText() const override { return Caption(); }

 protected:
  CaptionedControl(Form& form, std::string_view name, std::string caption, const Geometry& geometry,
                   Frame* container);

 private:
  std::string caption_;
};

class Label : public CaptionedControl {
 public:
  Label(Form& form, std::string_view name, std::string caption, const Geometry& geometry,
        Frame* container);
  ControlKind Kind() const override { return ControlKind::kLabel; }
  bool AcceptsFocus() const override { return false; }
  KORVAX_FORMS_CONTROL_COPY(Label)
};

// A container: the controls placed in it are positioned relative to it, are
// hidden and disabled with it, and its option buttons form one group.
class Frame : public CaptionedControl {
 public:
  Frame(Form& form, std::string_view name, std::string caption, const Geometry& geometry,
        Frame* container);
  ControlKind Kind() const override { return ControlKind::kFrame; }
  bool AcceptsFocus() const override { return false; }
  KORVAX_FORMS_CONTROL_COPY(Frame)
};

class CommandButton : public CaptionedControl {
 public:
  CommandButton(Form& form, std::string_view name, std::string caption, const Geometry& geometry,
                Frame* container);
  ControlKind Kind() const override { return ControlKind::kCommandButton; }

  // Enter anywhere on the form clicks the default button; setting it clears
  // the flag on the form's other buttons. Escape likewise clicks the cancel one.
  bool Default() const;
  void SetDefault(bool is_default);
  bool Cancel() const;
  void SetCancel(bool is_cancel);

  // Clicks the button from code, as setting its Value to True does.
  void Click();

 protected:
  void ApplyKey(int key_ascii) override;  // Enter and Space click a focused button

 private:
  bool default_ = false;
  bool cancel_ = false;
  KORVAX_FORMS_CONTROL_COPY(CommandButton)
};

// Value 0 unchecked, 1 checked, 2 grayed; every change of Value fires Click.
class CheckBox : public CaptionedControl {
 public:
  CheckBox(Form& form, std::string_view name, std::string caption, const Geometry& geometry,
           Frame* container);
  ControlKind Kind() const override { return ControlKind::kCheckBox; }

  int Value() const;
  void SetValue(int value);  // 380 outside 0..2

 protected:
  void ApplyClick() override;             // a user click: checked becomes unchecked, else checked
  void ApplyKey(int key_ascii) override;  // Space clicks

 private:
  int value_ = 0;
  KORVAX_FORMS_CONTROL_COPY(CheckBox)
};

// Option buttons with the same container (a frame, or the form itself) form
// a group: choosing one clears the others. Choosing fires Click.
class OptionButton : public CaptionedControl {
 public:
  OptionButton(Form& form, std::string_view name, std::string caption, const Geometry& geometry,
               Frame* container);
  ControlKind Kind() const override { return ControlKind::kOptionButton; }

  bool Value() const;
  void SetValue(bool chosen);

  // The option buttons of this one's group, this one included.
  std::vector<OptionButton*> Group() const;

 protected:
  void ApplyClick() override { SetValue(true); }

 private:
  bool value_ = false;
  KORVAX_FORMS_CONTROL_COPY(OptionButton)
};

}  // namespace korvax::forms
