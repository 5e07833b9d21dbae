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
    anteil = &AddMaskedEdit("MaskEdBoxAnteil", "####", 100, 500, 1200, 300);
    frei = &AddMaskedEdit("MaskEdBoxAchse", "", 100, 900, 1200, 300);
    frei->SetMaxLength(6);
  }
  MaskedEdit* wert;
  MaskedEdit* anteil;
  MaskedEdit* frei;
};

class MaskedEditTest : public ::testing::Test {
 protected:
  std::unique_ptr<MaskForm> form_ = Form::Create<MaskForm>();
  MaskedEdit& wert_ = *form_->wert;
};

void ExpectRefused(MaskedEdit& edit, const char* text) {
  const std::string before = edit.Text();
  try {
    edit.SetText(text);
    ADD_FAILURE() << "accepted \"" << text << "\"";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 380) << text;
  }
  EXPECT_EQ(edit.Text(), before) << text;
}

TEST_F(MaskedEditTest, SetTextAcceptsWhatFitsTheMaskAndRefusesTheRestWith380) {
  EXPECT_EQ(wert_.Text(), "     ,  ");
  EXPECT_EQ(wert_.EmptyText(), "     ,  ");
  EXPECT_EQ(form_->anteil->Text(), "    ");
  for (const char* good : {"12   ,  ", "   12,50"}) {
    wert_.SetText(good);
    EXPECT_EQ(wert_.Text(), good);
  }
  form_->anteil->SetText("1000");
  EXPECT_EQ(form_->anteil->Text(), "1000");
  for (const char* bad : {"12,50", "   12.50", "  1a2,50", "   12,500", ""})
    ExpectRefused(wert_, bad);
  // Without a mask any text up to MaxLength (6) fits.
  form_->frei->SetText("123 m");
  EXPECT_EQ(form_->frei->Text(), "123 m");
  ExpectRefused(*form_->frei, "1.234 m");
}

TEST_F(MaskedEditTest, TypingFollowsTheMask) {
  struct Row {
    const char* before;
    const char* typed;
    const char* after;
    int caret;
  } rows[] = {
      {"  345,67", "12", "12   ,  ", 2},          // got focus selected all; typing replaces it
      {"     ,  ", "1234567890", "12345,67", 8},  // skips the comma, stops at the end
      {"     ,  ", "12,5", "12   ,5 ", 7},        // the literal jumps behind it
  };
  for (const Row& row : rows) {
    wert_.SetText(row.before);
    wert_.SetSelStart(0);
    wert_.SetSelLength(255);
    EXPECT_EQ(wert_.SelLength(), 8);
    wert_.TypeText(row.typed);
    EXPECT_EQ(wert_.Text(), row.after) << row.typed;
    EXPECT_EQ(wert_.SelStart(), row.caret) << row.typed;
  }
  form_->frei->TypeText("1234567");  // no mask: inserts up to MaxLength
  EXPECT_EQ(form_->frei->Text(), "123456");
}

TEST_F(MaskedEditTest, LettersAreRefusedButStillReachKeyPress) {
  std::vector<int> keys;
  wert_.OnKeyPress([&](int& key) { keys.push_back(key); });
  wert_.TypeText("1x2");
  EXPECT_EQ(wert_.Text(), "12   ,  ");
  EXPECT_EQ(keys, (std::vector<int>{'1', 'x', '2'}));
}

TEST_F(MaskedEditTest, KeyPressCanCancelOrReplaceTheKey) {
  wert_.OnKeyPress([&](int& key) {
    if (key == '1') key = 0;
    if (key == '2') key = '9';
  });
  wert_.TypeText("123");
  EXPECT_EQ(wert_.Text(), "93   ,  ");
}

TEST_F(MaskedEditTest, ChangeFiresOncePerChangedCharacter) {
  int changes = 0;
  wert_.OnChange([&] { ++changes; });
  wert_.TypeText("1,");  // the comma only moves the caret
  EXPECT_EQ(changes, 1);
  wert_.SetText(wert_.Text());
  EXPECT_EQ(changes, 1);
}

TEST_F(MaskedEditTest, BackspaceClearsThePreviousDigitPosition) {
  wert_.TypeText("123456");
  wert_.PressKey(kKeyBackspace);
  EXPECT_EQ(wert_.Text(), "12345,  ");
  EXPECT_EQ(wert_.SelStart(), 6);
  wert_.PressKey(kKeyBackspace);  // skips the comma
  EXPECT_EQ(wert_.Text(), "1234 ,  ");
}

TEST_F(MaskedEditTest, NewMaskResetsATextThatNoLongerFits) {
  wert_.SetText("   12,50");
  wert_.SetMask("##");
  EXPECT_EQ(wert_.Text(), "  ");
  EXPECT_EQ(wert_.Mask(), "##");
}

TEST_F(MaskedEditTest, UmlautsCountAsOneCharacter) {
  form_->frei->SetMaxLength(0);
  form_->frei->SetText("Größe");
  EXPECT_EQ(form_->frei->TextLength(), 5);
  form_->frei->SetSelStart(2);
  form_->frei->SetSelLength(2);
  EXPECT_EQ(form_->frei->SelText(), "öß");
}

}  // namespace
}  // namespace korvax::forms
