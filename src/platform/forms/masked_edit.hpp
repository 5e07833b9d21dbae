// The masked edit box. A mask holds digit positions ("#", also "9") and
// literals (any other character, or one escaped with "\"). With a mask the
// text always has the mask's length: literals stand in their places and an
// empty digit position shows the prompt character. Typing overwrites: a digit
// goes into the next digit position at or after the caret, literals are
// skipped, and typing a literal moves the caret behind that literal.
// Without a mask the box is a plain text box limited by MaxLength.
#pragma once

#include <string>

#include "platform/forms/edit.hpp"

namespace korvax::forms {

class MaskedEdit : public EditControl {
 public:
  MaskedEdit(Form& form, std::string_view name, std::string_view mask, const Geometry& geometry,
             Frame* container);
  ControlKind Kind() const override { return ControlKind::kMaskedEdit; }

  std::string Mask() const;
  // A text that does not fit the new mask is replaced by the empty mask.
  void SetMask(std::string_view mask);
  char32_t PromptChar() const;
  void SetPromptChar(char32_t prompt);  // blank unless set otherwise

  // Whether a text fits: with a mask the same length, each digit position a
  // digit or the prompt character, each literal equal; without one any text
  // up to MaxLength. SetText refuses other texts with 380, keeping the old.
  bool TextFits(std::string_view text) const;
  // The mask with prompt characters in every digit position.
  std::string EmptyText() const;

 protected:
  bool Fits(const std::u32string& text) const override;
  void ApplyKey(int key_ascii) override;

 private:
  bool IsDigitPosition(int position) const;
  void Parse(std::string_view mask);
  std::u32string Empty() const;

  std::string mask_;
  // Per text position: 0 for a digit position, else the literal.
  std::u32string layout_;
  char32_t prompt_ = U' ';
  KORVAX_FORMS_CONTROL_COPY(MaskedEdit)
};

}  // namespace korvax::forms
