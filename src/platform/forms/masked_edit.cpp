#include "platform/forms/masked_edit.hpp"

#include "common/error.hpp"
#include "common/text.hpp"

namespace korvax::forms {

namespace {
bool IsDigit(char32_t c) {
  return c >= U'0' && c <= U'9';
}
}  // namespace

MaskedEdit::MaskedEdit(Form& form, std::string_view name, std::string_view mask,
                       const Geometry& geometry, Frame* container)
    : EditControl(form, name, geometry, container) {
  Parse(mask);
  Store(Empty(), 0, /*notify=*/false);
}

std::string MaskedEdit::Mask() const {
  Touch();
  return mask_;
}

void MaskedEdit::SetMask(std::string_view mask) {
  Touch();
  Parse(mask);
  if (!Fits(Chars())) Store(Empty(), 0);
  Changed();
}

char32_t MaskedEdit::PromptChar() const {
  Touch();
  return prompt_;
}

void MaskedEdit::SetPromptChar(char32_t prompt) {
  Touch();
  if (prompt < 32) throw errors::InvalidPropertyValue();
  std::u32string value = Chars();
  for (size_t i = 0; i < layout_.size() && i < value.size(); ++i) {
    if (IsDigitPosition(static_cast<int>(i)) && value[i] == prompt_) value[i] = prompt;
  }
  prompt_ = prompt;
  Store(std::move(value), SelStart());
}

bool MaskedEdit::TextFits(std::string_view text) const {
  Touch();
  return Fits(text::ToU32(text));
}

std::string MaskedEdit::EmptyText() const {
  Touch();
  return text::ToUtf8(Empty());
}

bool MaskedEdit::Fits(const std::u32string& value) const {
  if (layout_.empty()) {
    int max_length = MaxLength();
    return max_length == 0 || static_cast<int>(value.size()) <= max_length;
  }
  if (value.size() != layout_.size()) return false;
  for (size_t i = 0; i < value.size(); ++i) {
    if (layout_[i] == 0) {
      if (!IsDigit(value[i]) && value[i] != prompt_) return false;
    } else if (value[i] != layout_[i]) {
      return false;
    }
  }
  return true;
}

bool MaskedEdit::IsDigitPosition(int position) const {
  return position >= 0 && position < static_cast<int>(layout_.size()) && layout_[position] == 0;
}

void MaskedEdit::Parse(std::string_view mask) {
  mask_ = std::string(mask);
  layout_.clear();
  std::u32string chars = text::ToU32(mask);
  for (size_t i = 0; i < chars.size(); ++i) {
    char32_t c = chars[i];
    if (c == U'#' || c == U'9') {
      layout_.push_back(0);
    } else if (c == U'\\' && i + 1 < chars.size()) {
      layout_.push_back(chars[++i]);
    } else {
      layout_.push_back(c);
    }
  }
}

std::u32string MaskedEdit::Empty() const {
  std::u32string value = layout_;
  for (char32_t& c : value) {
    if (c == 0) c = prompt_;
  }
  return value;
}

void MaskedEdit::ApplyKey(int key_ascii) {
  if (layout_.empty()) {
    EditControl::ApplyKey(key_ascii);
    return;
  }
  const int size = static_cast<int>(layout_.size());
  const int start = SelStart();
  const int length = SelLength();
  std::u32string value = Chars();
  auto clear_selection = [&] {
    for (int i = start; i < start + length; ++i) {
      if (IsDigitPosition(i)) value[i] = prompt_;
    }
  };

  if (key_ascii == kKeyBackspace) {
    int caret = start;
    if (length > 0) {
      clear_selection();
    } else {
      caret = start - 1;
      while (caret >= 0 && !IsDigitPosition(caret)) --caret;
      if (caret < 0) return;
      value[caret] = prompt_;
    }
    Store(std::move(value), caret);
    return;
  }
  if (key_ascii < 32) return;

  const auto key = static_cast<char32_t>(key_ascii);
  if (!IsDigit(key)) {
    // A literal typed by the user jumps behind the next such literal.
    for (int i = start; i < size; ++i) {
      if (layout_[i] == key) {
        SetSelectionRaw(i + 1, 0);
        return;
      }
    }
    return;  // refused, as the box beeps at a letter in a digit position
  }

  int position = start;
  while (position < size && !IsDigitPosition(position)) ++position;
  if (position == size) return;  // no digit position left: the key is refused
  clear_selection();
  value[position] = key;
  int caret = position + 1;
  while (caret < size && !IsDigitPosition(caret)) ++caret;
  Store(std::move(value), caret);
}

}  // namespace korvax::forms
