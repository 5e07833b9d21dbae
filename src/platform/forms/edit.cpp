#include "platform/forms/edit.hpp"

#include <algorithm>

#include "common/error.hpp"
#include "common/text.hpp"
#include "platform/forms/form.hpp"

namespace korvax::forms {

EditControl::EditControl(Form& form, std::string_view name, const Geometry& geometry,
                         Frame* container)
    : Control(form, name, geometry, container) {}

std::string EditControl::Text() const {
  Touch();
  return text::ToUtf8(text_);
}

void EditControl::SetText(std::string_view value) {
  Touch();
  std::u32string chars = text::ToU32(value);
  if (!Fits(chars)) throw errors::InvalidPropertyValue();
  Store(std::move(chars), 0);
}

int EditControl::TextLength() const {
  Touch();
  return static_cast<int>(text_.size());
}

int EditControl::SelStart() const {
  Touch();
  return sel_start_;
}

void EditControl::SetSelStart(int start) {
  Touch();
  if (start < 0) throw errors::InvalidPropertyValue();
  SetSelectionRaw(start, 0);
}

int EditControl::SelLength() const {
  Touch();
  return sel_length_;
}

void EditControl::SetSelLength(int length) {
  Touch();
  if (length < 0) throw errors::InvalidPropertyValue();
  SetSelectionRaw(sel_start_, length);
}

std::string EditControl::SelText() const {
  Touch();
  return text::ToUtf8(text_.substr(sel_start_, sel_length_));
}

int EditControl::MaxLength() const {
  Touch();
  return max_length_;
}

void EditControl::SetMaxLength(int length) {
  Touch();
  if (length < 0) throw errors::InvalidPropertyValue();
  max_length_ = length;
}

void EditControl::TypeText(std::string_view keys) {
  Touch();
  for (char32_t c : text::ToU32(keys)) PressKey(static_cast<int>(c));
}

bool EditControl::Fits(const std::u32string& /*text*/) const {
  return true;
}

void EditControl::Store(std::u32string value, int caret, bool notify) {
  bool changed = value != text_;
  text_ = std::move(value);
  SetSelectionRaw(caret, 0);
  if (changed && notify) {
    TextChanged();
    FireChange();
  }
}

void EditControl::SetSelectionRaw(int start, int length) {
  int size = static_cast<int>(text_.size());
  sel_start_ = std::clamp(start, 0, size);
  sel_length_ = std::clamp(length, 0, size - sel_start_);
  Changed();
}

void EditControl::ApplyKey(int key_ascii) {
  std::u32string value = text_;
  int start = sel_start_;
  if (key_ascii == kKeyBackspace) {
    if (sel_length_ > 0) {
      value.erase(start, sel_length_);
    } else if (start > 0) {
      value.erase(--start, 1);
    }
    Store(std::move(value), start);
    return;
  }
  if (key_ascii < 32) return;  // Enter and other control keys insert nothing
  value.erase(start, sel_length_);
  if (max_length_ > 0 && static_cast<int>(value.size()) >= max_length_) return;
  value.insert(value.begin() + start, static_cast<char32_t>(key_ascii));
  Store(std::move(value), start + 1);
}

TextBox::TextBox(Form& form, std::string_view name, const Geometry& geometry, Frame* container)
    : EditControl(form, name, geometry, container) {}

ComboBox::ComboBox(Form& form, std::string_view name, const Geometry& geometry, Frame* container)
    : EditControl(form, name, geometry, container) {}

void ComboBox::AddItem(std::string item, int index) {
  Touch();
  int count = static_cast<int>(items_.size());
  if (index == -1) index = count;
  if (index < 0 || index > count) throw errors::InvalidPropertyValue();
  items_.insert(items_.begin() + index, std::move(item));
  if (list_index_ >= index) ++list_index_;
  Changed();
}

void ComboBox::RemoveItem(int index) {
  Touch();
  if (index < 0 || index >= static_cast<int>(items_.size())) {
    throw errors::InvalidPropertyValue();
  }
  items_.erase(items_.begin() + index);
  if (list_index_ == index) {
    list_index_ = -1;
  } else if (list_index_ > index) {
    --list_index_;
  }
  Changed();
}

void ComboBox::Clear() {
  Touch();
  items_.clear();
  list_index_ = -1;
  Store(U"", 0);
}

int ComboBox::ListCount() const {
  Touch();
  return static_cast<int>(items_.size());
}

std::string ComboBox::List(int index) const {
  Touch();
  if (index < 0 || index >= static_cast<int>(items_.size())) return "";
  return items_[index];
}

void ComboBox::SetList(int index, std::string item) {
  Touch();
  if (index < 0 || index >= static_cast<int>(items_.size())) {
    throw errors::InvalidPropertyValue();
  }
  items_[index] = std::move(item);
  Changed();
}

int ComboBox::ListIndex() const {
  Touch();
  return list_index_;
}

void ComboBox::SetListIndex(int index) {
  Touch();
  if (index < -1 || index >= static_cast<int>(items_.size())) {
    throw errors::InvalidPropertyValue();
  }
  bool changed = index != list_index_;
  list_index_ = index;
  // Choosing from the list fires Click, not Change, as the classic combo does.
  if (index >= 0) {
    std::u32string chars = text::ToU32(items_[index]);
    Store(std::move(chars), 0, /*notify=*/false);
  }
  if (changed) {
    Changed();
    FireClick();
  }
}

void ComboBox::UserChoose(int index) {
  if (IsUsable() && !HasFocus()) Parent().MoveFocus(this);
  SetListIndex(index);
}

void ComboBox::TextChanged() {
  const std::string current = text::ToUtf8(Chars());
  auto found = std::find(items_.begin(), items_.end(), current);
  list_index_ = found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

}  // namespace korvax::forms
