#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/form.hpp"

namespace korvax::forms {
namespace {

class MaskForm : public Form {
 public:
  MaskForm() : Form("frmMaske") {
    wert = &AddMaskedEdit("MaskEdBoxWert", "#####,##", 100, 100, 1200, 300);
    frei = &AddMaskedEdit("MaskEdBoxAchse", "", 100, 900, 1200, 300);
    frei->SetMaxLength(6);
  }
  MaskedEdit* wert;
  MaskedEdit* frei;
};

class MaskedEditTest : public ::testing::Test {
 protected:
  std::unique_ptr<MaskForm> form_ = Form::Create<MaskForm>();
  MaskedEdit& wert_ = *form_->wert;
  MaskedEdit& frei_ = *form_->frei;
};

TEST_F(MaskedEditTest, SetTextAcceptsWhatFitsTheMaskAndRefusesTheRestWith380) {
  EXPECT_EQ(wert_.Text(), "     ,  ");
  wert_.SetText("   12,50");
  EXPECT_EQ(wert_.Text(), "   12,50");
  frei_.SetText("Größe");  // without a mask any text of up to MaxLength characters fits
  frei_.SetSelStart(2);
  frei_.SetSelLength(2);
  EXPECT_EQ(frei_.SelText(), "öß");
  const std::pair<MaskedEdit*, const char*> refused[] = {
      {&wert_, "12,50"},     {&wert_, "   12.50"}, {&wert_, "  1a2,50"},
      {&wert_, "   12,500"}, {&wert_, ""},         {&frei_, "1.234 m"}};
  for (const auto& [edit, text] : refused) {
    const std::string before = edit->Text();
    try {
      edit->SetText(text);
      ADD_FAILURE() << "accepted \"" << text << "\"";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), 380) << text;
    }
    EXPECT_EQ(edit->Text(), before) << text;
  }
  wert_.SetMask("##");  // a new mask resets a text that no longer fits
  EXPECT_EQ(wert_.Text(), "  ");
}

TEST_F(MaskedEditTest, TypingFollowsTheMask) {
  struct Row {
    const char* before;
    const char* typed;
    const char* after;
    int caret;
  } rows[] = {
      {"  345,67", "12", "12   ,  ", 2},          // all selected: typing replaces it
      {"     ,  ", "1234567890", "12345,67", 8},  // skips the comma, stops at the end
      {"     ,  ", "12,5", "12   ,5 ", 7},        // the literal jumps behind it
      {"     ,  ", "1x2", "12   ,  ", 2},         // letters are refused
  };
  for (const Row& row : rows) {
    wert_.SetText(row.before);
    wert_.SetSelStart(0);
    wert_.SetSelLength(255);
    wert_.TypeText(row.typed);
    EXPECT_EQ(wert_.Text(), row.after) << row.typed;
    EXPECT_EQ(wert_.SelStart(), row.caret) << row.typed;
  }
  frei_.TypeText("1234567");  // no mask: inserts up to MaxLength
  EXPECT_EQ(frei_.Text(), "123456");
}

TEST_F(MaskedEditTest, KeyPressSeesEveryKeyAndCanCancelOrReplaceIt) {
  std::vector<int> keys;
  int changes = 0;
  wert_.OnKeyPress([&](int& key) {
    keys.push_back(key);
    if (key == '1') key = 0;
    if (key == '2') key = '9';
  });
  wert_.OnChange([&] { ++changes; });
  wert_.TypeText("x123,");
  EXPECT_EQ(keys, (std::vector<int>{'x', '1', '2', '3', ','}));
  EXPECT_EQ(wert_.Text(), "93   ,  ");
  EXPECT_EQ(changes, 2);  // once per changed character; the comma only moves the caret
  wert_.SetText(wert_.Text());
  EXPECT_EQ(changes, 2);
}

TEST_F(MaskedEditTest, BackspaceClearsThePreviousDigitPositionSkippingLiterals) {
  wert_.TypeText("123456");
  wert_.PressKey(kKeyBackspace);
  EXPECT_EQ(wert_.Text(), "12345,  ");
  EXPECT_EQ(wert_.SelStart(), 6);
  wert_.PressKey(kKeyBackspace);
  EXPECT_EQ(wert_.Text(), "1234 ,  ");
}

}  // namespace
}  // namespace korvax::forms
