// Controls that hold editable text: the text box, the combo box and (in
// masked_edit.hpp) the masked edit box. Positions and lengths count
// characters; SelStart is 0-based as on the classic controls.
#pragma once

#include <string>
#include <vector>

#include "platform/forms/control.hpp"

namespace korvax::forms {

class EditControl : public Control {
 public:
  std::string Text() const;
  // Replaces the text, puts the caret at 0 and fires Change when it differs.
  // Subclasses refuse a text that does not fit them with 380.
  void SetText(std::string_view text);
  int TextLength() const;  // characters

  int SelStart() const;
  void SetSelStart(int start);  // beyond the end goes to the end; clears SelLength
  int SelLength() const;
  void SetSelLength(int length);  // cut to what follows SelStart
  std::string SelText() const;

  // 0 = unlimited; limits what the user types.
  int MaxLength() const;
  void SetMaxLength(int length);

  std::string DisplayText() const override { return Text(); }

  // Each character as a key pressed by the user (PressKey per character).
  void TypeText(std::string_view keys);

 protected:
  EditControl(Form& form, std::string_view name, const Geometry& geometry, Frame* container);

  // Whether the control accepts this as its whole text.
  virtual bool Fits(const std::u32string& text) const;
  // Called after the text has changed, before Change fires.
  virtual void TextChanged() {}
  // Plain editing: the key replaces the selection, Backspace deletes.
  void ApplyKey(int key_ascii) override;

  const std::u32string& Chars() const { return text_; }
  // Sets the text and the caret without the fit test. A change runs
  // TextChanged and fires Change, unless notify is false.
  void Store(std::u32string text, int caret, bool notify = true);
  void SetSelectionRaw(int start, int length);

 private:
  std::u32string text_;
  int sel_start_ = 0;
  int sel_length_ = 0;
  int max_length_ = 0;
};

class TextBox : public EditControl {
 public:
  TextBox(Form& form, std::string_view name, const Geometry& geometry, Frame* container);
  ControlKind Kind() const override { return ControlKind::kTextBox; }
  KORVAX_FORMS_CONTROL_COPY(TextBox)
};

// An editable drop-down list. Setting the text selects the entry equal to
// it, or none (-1); choosing an entry sets the text and fires Click.
class ComboBox : public EditControl {
 public:
  ComboBox(Form& form, std::string_view name, const Geometry& geometry, Frame* container);
  ControlKind Kind() const override { return ControlKind::kComboBox; }

  void AddItem(std::string item, int index = -1);  // -1 appends
  void RemoveItem(int index);
  void Clear();  // list, text and ListIndex
  int ListCount() const;
  std::string List(int index) const;  // "" outside the list, as the classic control
  void SetList(int index, std::string item);
  int ListIndex() const;
  void SetListIndex(int index);  // -1 clears the choice; 380 outside the list

  // The user picks an entry from the drop-down list.
  void UserChoose(int index);

 protected:
  void TextChanged() override;

 private:
  std::vector<std::string> items_;
  int list_index_ = -1;
  KORVAX_FORMS_CONTROL_COPY(ComboBox)
};

}  // namespace korvax::forms
