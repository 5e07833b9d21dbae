// The base of every control on a form: name (with the index of a control
// array), geometry in twips, tab order, font, availability and the events.
//
// Properties behave as on the classic forms: reading or writing any of them
// loads the owning form first when it is not loaded (Form::EnsureLoaded).
// Event handlers are plain std::function values that the dialog code sets.
// Methods named User... simulate what a user does with the mouse or the
// keyboard; the UI back ends call them, dialog code does not.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace korvax::forms {

class Form;
class Frame;

struct Font {
  std::string name = "MS Sans Serif";
  float size = 8.25f;  // points
  bool bold = false;
  bool operator==(const Font&) const = default;
};

// Position and size in twips, relative to the container (frame or form).
struct Geometry {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Geometry&) const = default;
};

enum class ControlKind {
  kLabel,
  kFrame,
  kCommandButton,
  kCheckBox,
  kOptionButton,
  kTextBox,
  kMaskedEdit,
  kComboBox,
  kGrid,
};

using EventHandler = std::function<void()>;
using KeyPressHandler = std::function<void(int& key_ascii)>;

// Key codes that the forms treat specially.
inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyTab = 9;
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyEscape = 27;

class Control {
 public:
  virtual ~Control() = default;

  virtual ControlKind Kind() const = 0;
  std::string KindName() const;  // "TextBox", "Grid", ... for messages

  const std::string& Name() const { return name_; }
  int Index() const { return index_; }  // -1 outside a control array
  std::string FullName() const;         // "optTabelle(1)" or "cmdEnde"
  Form& Parent() const { return *form_; }
  Frame* Container() const { return container_; }

  bool Enabled() const;
  void SetEnabled(bool enabled);
  bool Visible() const;
  void SetVisible(bool visible);

  int Left() const;
  void SetLeft(int twips);
  int Top() const;
  void SetTop(int twips);
  int Width() const;
  void SetWidth(int twips);
  int Height() const;
  void SetHeight(int twips);
  void Move(int left, int top, int width, int height);
  // Position on the form, containers added in.
  int FormLeft() const;
  int FormTop() const;

  int TabIndex() const;
  void SetTabIndex(int index);
  bool TabStop() const;
  void SetTabStop(bool tab_stop);

  const Font& GetFont() const;
  void SetFont(const Font& font);
  void SetFontName(std::string name);
  void SetFontSize(float size);
  void SetFontBold(bool bold);

  // Any text the control shows: the text of edits, the caption of the others.
  virtual std::string DisplayText() const = 0;

  // Moves the focus here (LostFocus on the old control, then GotFocus).
  // Fails with 5 when the control is disabled, hidden or cannot take focus.
  void SetFocus();
  bool HasFocus() const;
  // Enabled and visible with all its containers, on a loaded form.
  bool IsUsable() const;
  virtual bool AcceptsFocus() const { return true; }

  void OnClick(EventHandler handler) { click_ = std::move(handler); }
  void OnKeyPress(KeyPressHandler handler) { key_press_ = std::move(handler); }
  void OnGotFocus(EventHandler handler) { got_focus_ = std::move(handler); }
  void OnLostFocus(EventHandler handler) { lost_focus_ = std::move(handler); }
  void OnChange(EventHandler handler) { change_ = std::move(handler); }

  // A mouse click by the user: the control takes the focus (when it can),
  // then does what a click does to it. Nothing happens on a control that is
  // not IsUsable().
  void UserClick();
  // A key pressed by the user while this control has the focus: Tab moves the
  // focus on, Enter and Escape go to the form's default and cancel buttons,
  // every other key fires KeyPress and, unless cancelled, reaches the control.
  void PressKey(int key_ascii);

 protected:
  Control(Form& form, std::string_view name, const Geometry& geometry, Frame* container);
  Control(const Control&) = default;
  Control& operator=(const Control&) = default;

  // Loads the form when it is not loaded; every property accessor calls it.
  void Touch() const;
  // Tells the form's observer that something the user sees has changed.
  void Changed();

  // What a click does beyond the Click event (a check box toggles).
  virtual void ApplyClick() { FireClick(); }
  // What a key that KeyPress let through does (an edit inserts it).
  virtual void ApplyKey(int /*key_ascii*/) {}

  void FireClick();
  void FireKeyPress(int& key_ascii);
  void FireChange();

 private:
  friend class Form;

  // Copies of the control keep the designed state; restoring one resets the
  // properties but keeps the handlers the dialog code has set since.
  virtual std::unique_ptr<Control> Clone() const = 0;
  virtual void AssignFrom(const Control& design) = 0;
  void RestoreDesign(const Control& design);

  Form* form_;
  Frame* container_;
  std::string name_;
  int index_ = -1;
  Geometry geometry_;
  int tab_index_ = 0;
  bool tab_stop_ = true;
  bool enabled_ = true;
  bool visible_ = true;
  Font font_;

  EventHandler click_;
  KeyPressHandler key_press_;
  EventHandler got_focus_;
  EventHandler lost_focus_;
  EventHandler change_;
};

// Splits "optTabelle(1)" into "optTabelle" and 1; a plain name gives index -1.
void SplitControlName(std::string_view full, std::string_view& name, int& index);

}  // namespace korvax::forms

// Each concrete control keeps its designed state through these members.
// Copies are private, so that "auto x = form.Get<TextBox>(...)" does not
// compile: a copy of a control would silently miss every change.
#define KORVAX_FORMS_CONTROL_COPY(Type)               \
 private:                                             \
  Type(const Type&) = default;                        \
  Type& operator=(const Type&) = default;             \
  std::unique_ptr<Control> Clone() const override {   \
    return std::unique_ptr<Control>(new Type(*this)); \
  }                                                   \
  void AssignFrom(const Control& design) override {   \
    *this = static_cast<const Type&>(design);         \
  }
