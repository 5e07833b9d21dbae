#include "platform/forms/control.hpp"

#include <charconv>

#include "common/error.hpp"
#include "platform/forms/form.hpp"

namespace korvax::forms {

void SplitControlName(std::string_view full, std::string_view& name, int& index) {
  name = full;
  index = -1;
  auto open = full.find('(');
  if (open == std::string_view::npos || full.back() != ')') return;
  auto digits = full.substr(open + 1, full.size() - open - 2);
  int value = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size() || value < 0) return;
  name = full.substr(0, open);
  index = value;
}

Control::Control(Form& form, std::string_view name, const Geometry& geometry, Frame* container)
    : form_(&form), container_(container), geometry_(geometry) {
  std::string_view base;
  SplitControlName(name, base, index_);
  name_ = std::string(base);
  font_ = form.props_.font;
}

std::string Control::KindName() const {
  switch (Kind()) {
    case ControlKind::kLabel:
      return "Label";
    case ControlKind::kFrame:
      return "Frame";
    case ControlKind::kCommandButton:
      return "CommandButton";
    case ControlKind::kCheckBox:
      return "CheckBox";
    case ControlKind::kOptionButton:
      return "OptionButton";
    case ControlKind::kTextBox:
      return "TextBox";
    case ControlKind::kMaskedEdit:
      return "MaskEdBox";
    case ControlKind::kComboBox:
      return "ComboBox";
    case ControlKind::kGrid:
      return "Grid";
  }
  return "Control";
}

std::string Control::FullName() const {
  if (index_ < 0) return name_;
  return name_ + "(" + std::to_string(index_) + ")";
}

void Control::Touch() const {
  form_->Touch();
}

void Control::Changed() {
  if (form_->observer_ != nullptr) form_->observer_->ControlChanged(*this);
}

bool Control::Enabled() const {
  Touch();
  return enabled_;
}

void Control::SetEnabled(bool enabled) {
  Touch();
  enabled_ = enabled;
  // A control that loses its availability loses the focus as well.
  if (!enabled && form_->focused_ == this) form_->focused_ = nullptr;
  Changed();
}

bool Control::Visible() const {
  Touch();
  return visible_;
}

void Control::SetVisible(bool visible) {
  Touch();
  visible_ = visible;
  if (!visible && form_->focused_ == this) form_->focused_ = nullptr;
  Changed();
}

int Control::Left() const {
  Touch();
  return geometry_.left;
}
void Control::SetLeft(int twips) {
  Move(twips, Top(), Width(), Height());
}
int Control::Top() const {
  Touch();
  return geometry_.top;
}
void Control::SetTop(int twips) {
  Move(Left(), twips, Width(), Height());
}
int Control::Width() const {
  Touch();
  return geometry_.width;
}
void Control::SetWidth(int twips) {
  Move(Left(), Top(), twips, Height());
}
int Control::Height() const {
  Touch();
  return geometry_.height;
}
void Control::SetHeight(int twips) {
  Move(Left(), Top(), Width(), twips);
}

void Control::Move(int left, int top, int width, int height) {
  Touch();
  if (width < 0 || height < 0) throw errors::InvalidPropertyValue();
  geometry_ = Geometry{left, top, width, height};
  Changed();
}

int Control::FormLeft() const {
  return Left() + (container_ != nullptr ? container_->FormLeft() : 0);
}

int Control::FormTop() const {
  return Top() + (container_ != nullptr ? container_->FormTop() : 0);
}

int Control::TabIndex() const {
  Touch();
  return tab_index_;
}

void Control::SetTabIndex(int index) {
  Touch();
  if (index < 0) throw errors::InvalidPropertyValue();
  tab_index_ = index;
}

bool Control::TabStop() const {
  Touch();
  return tab_stop_;
}

void Control::SetTabStop(bool tab_stop) {
  Touch();
  tab_stop_ = tab_stop;
}

const Font& Control::GetFont() const {
  Touch();
  return font_;
}

void Control::SetFont(const Font& font) {
  Touch();
  if (font.size <= 0) throw errors::InvalidPropertyValue();
  font_ = font;
  Changed();
}

void Control::SetFontName(std::string name) {
  Font font = GetFont();
  font.name = std::move(name);
  SetFont(font);
}

void Control::SetFontSize(float size) {
  Font font = GetFont();
  font.size = size;
  SetFont(font);
}

void Control::SetFontBold(bool bold) {
  Font font = GetFont();
  font.bold = bold;
  SetFont(font);
}

bool Control::IsUsable() const {
  if (!form_->IsLoaded()) return false;
  for (const Control* c = this; c != nullptr; c = c->container_) {
    if (!c->enabled_ || !c->visible_) return false;
  }
  return true;
}

void Control::SetFocus() {
  Touch();
  // The classic runtime refuses the focus for a hidden form as well, which
  // is why dialogs must not set the focus in their Load event.
  if (!AcceptsFocus() || !IsUsable() || !form_->IsVisible()) {
    throw errors::InvalidProcedureCall();
  }
  form_->MoveFocus(this);
}

bool Control::HasFocus() const {
  return form_->focused_ == this;
}

void Control::UserClick() {
  // The user cannot reach a disabled or hidden control with the mouse.
  if (!IsUsable()) return;
  if (AcceptsFocus() && form_->focused_ != this) form_->MoveFocus(this);
  ApplyClick();
}

void Control::PressKey(int key_ascii) {
  if (key_ascii == kKeyTab) {
    form_->FocusNext();
    return;
  }
  // Enter and Escape belong to the default and cancel buttons when the form
  // has them; the focused control never sees those keys then.
  if (key_ascii == kKeyEnter && Kind() != ControlKind::kCommandButton) {
    if (CommandButton* button = form_->DefaultButton()) {
      button->Click();
      return;
    }
  }
  if (key_ascii == kKeyEscape) {
    if (CommandButton* button = form_->CancelButton()) {
      button->Click();
      return;
    }
    if (form_->EscapeCloses()) {
      form_->UserClose();
      return;
    }
  }
  FireKeyPress(key_ascii);
  if (key_ascii != 0) ApplyKey(key_ascii);
}

void Control::FireClick() {
  if (click_) click_();
}

void Control::FireKeyPress(int& key_ascii) {
  if (key_press_) key_press_(key_ascii);
}

void Control::FireChange() {
  Changed();
  if (change_) change_();
}

void Control::RestoreDesign(const Control& design) {
  EventHandler click = std::move(click_);
  KeyPressHandler key_press = std::move(key_press_);
  EventHandler got_focus = std::move(got_focus_);
  EventHandler lost_focus = std::move(lost_focus_);
  EventHandler change = std::move(change_);
  AssignFrom(design);
  click_ = std::move(click);
  key_press_ = std::move(key_press);
  got_focus_ = std::move(got_focus);
  lost_focus_ = std::move(lost_focus);
  change_ = std::move(change);
}

}  // namespace korvax::forms
