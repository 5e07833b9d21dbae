#include "platform/forms/buttons.hpp"

#include "common/error.hpp"
#include "common/text.hpp"
#include "platform/forms/form.hpp"

namespace korvax::forms {

CaptionedControl::CaptionedControl(Form& form, std::string_view name, std::string caption,
                                   const Geometry& geometry, Frame* container)
    : Control(form, name, geometry, container), caption_(std::move(caption)) {}

const std::string& CaptionedControl::Caption() const {
  Touch();
  return caption_;
}

void CaptionedControl::SetCaption(std::string caption) {
  Touch();
  caption_ = std::move(caption);
  Changed();
}

char32_t CaptionedControl::AccessKey() const {
  std::u32string chars = text::ToU32(Caption());
  for (size_t i = 0; i + 1 < chars.size(); ++i) {
    if (chars[i] != U'&') continue;
    if (chars[i + 1] != U'&') return chars[i + 1];
    ++i;  // "&&" shows one ampersand
  }
  return 0;
}

Label::Label(Form& form, std::string_view name, std::string caption, const Geometry& geometry,
             Frame* container)
    : CaptionedControl(form, name, std::move(caption), geometry, container) {}

Frame::Frame(Form& form, std::string_view name, std::string caption, const Geometry& geometry,
             Frame* container)
    : CaptionedControl(form, name, std::move(caption), geometry, container) {}

CommandButton::CommandButton(Form& form, std::string_view name, std::string caption,
                             const Geometry& geometry, Frame* container)
    : CaptionedControl(form, name, std::move(caption), geometry, container) {}

bool CommandButton::Default() const {
  Touch();
  return default_;
}

void CommandButton::SetDefault(bool is_default) {
  Touch();
  if (is_default) {
    for (Control* c : Parent().Controls()) {
      if (auto* button = dynamic_cast<CommandButton*>(c)) button->default_ = false;
    }
  }
  default_ = is_default;
}

bool CommandButton::Cancel() const {
  Touch();
  return cancel_;
}

void CommandButton::SetCancel(bool is_cancel) {
  Touch();
  if (is_cancel) {
    for (Control* c : Parent().Controls()) {
      if (auto* button = dynamic_cast<CommandButton*>(c)) button->cancel_ = false;
    }
  }
  cancel_ = is_cancel;
}

void CommandButton::Click() {
  Touch();
  FireClick();
}

void CommandButton::ApplyKey(int key_ascii) {
  if (key_ascii == kKeyEnter || key_ascii == ' ') FireClick();
}

CheckBox::CheckBox(Form& form, std::string_view name, std::string caption, const Geometry& geometry,
                   Frame* container)
    : CaptionedControl(form, name, std::move(caption), geometry, container) {}

int CheckBox::Value() const {
  Touch();
  return value_;
}

void CheckBox::SetValue(int value) {
  Touch();
  if (value < 0 || value > 2) throw errors::InvalidPropertyValue();
  if (value == value_) return;
  value_ = value;
  Changed();
  FireClick();
}

void CheckBox::ApplyClick() {
  SetValue(value_ == 1 ? 0 : 1);
}

void CheckBox::ApplyKey(int key_ascii) {
  if (key_ascii == ' ') ApplyClick();
}

OptionButton::OptionButton(Form& form, std::string_view name, std::string caption,
                           const Geometry& geometry, Frame* container)
    : CaptionedControl(form, name, std::move(caption), geometry, container) {}

bool OptionButton::Value() const {
  Touch();
  return value_;
}

void OptionButton::SetValue(bool chosen) {
  Touch();
  if (!chosen) {
    if (value_) {
      value_ = false;
      Changed();
    }
    return;
  }
  if (value_) return;
  for (OptionButton* other : Group()) {
    if (other != this && other->value_) {
      other->value_ = false;
      other->Changed();
    }
  }
  value_ = true;
  Changed();
  FireClick();
}

std::vector<OptionButton*> OptionButton::Group() const {
  std::vector<OptionButton*> group;
  for (Control* c : Parent().Controls()) {
    auto* option = dynamic_cast<OptionButton*>(c);
    if (option != nullptr && option->Container() == Container()) group.push_back(option);
  }
  return group;
}

}  // namespace korvax::forms
