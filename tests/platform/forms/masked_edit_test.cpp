#include <gtest/gtest.h>

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

TEST_F(MaskedEditTest, StartsWithTheEmptyMask) {
  EXPECT_EQ(wert_.Text(), "     ,  ");
  EXPECT_EQ(wert_.EmptyText(), "     ,  ");
  EXPECT_EQ(form_->anteil->Text(), "    ");
}

TEST_F(MaskedEditTest, AcceptsTextsThatFitTheMask) {
  wert_.SetText("   12,50");
  EXPECT_EQ(wert_.Text(), "   12,50");
  wert_.SetText("12   ,  ");
  EXPECT_EQ(wert_.Text(), "12   ,  ");
  form_->anteil->SetText("1000");
  EXPECT_EQ(form_->anteil->Text(), "1000");
}

TEST_F(MaskedEditTest, RefusesTextsThatDoNotFitWith380AndKeepsTheOldText) {
  wert_.SetText("   12,50");
  for (const char* bad : {"12,50", "   12.50", "  1a2,50", "   12,500", ""}) {
    try {
      wert_.SetText(bad);
      ADD_FAILURE() << "accepted \"" << bad << "\"";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), 380) << bad;
    }
    EXPECT_EQ(wert_.Text(), "   12,50");
  }
}

TEST_F(MaskedEditTest, WithoutMaskAnyTextUpToMaxLengthFits) {
  form_->frei->SetText("123 m");
  EXPECT_EQ(form_->frei->Text(), "123 m");
  try {
    form_->frei->SetText("1.234 m");  // 7 characters, MaxLength 6
    ADD_FAILURE() << "no 380";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 380);
  }
  EXPECT_EQ(form_->frei->Text(), "123 m");
}

TEST_F(MaskedEditTest, TypingDigitsIntoTheMoneyMask) {
  // Got focus selects the whole text, as the dialogs do; typing replaces it.
  wert_.SetText("  345,67");
  wert_.SetSelStart(0);
  wert_.SetSelLength(255);
  EXPECT_EQ(wert_.SelLength(), 8);
  wert_.TypeText("12");
  EXPECT_EQ(wert_.Text(), "12   ,  ");
  EXPECT_EQ(wert_.SelStart(), 2);
}

TEST_F(MaskedEditTest, TypingSkipsTheCommaAndStopsAtTheEnd) {
  wert_.TypeText("1234567890");
  EXPECT_EQ(wert_.Text(), "12345,67");
  EXPECT_EQ(wert_.SelStart(), 8);
}

TEST_F(MaskedEditTest, TypingTheLiteralJumpsBehindIt) {
  wert_.TypeText("12,5");
  EXPECT_EQ(wert_.Text(), "12   ,5 ");
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

TEST_F(MaskedEditTest, UnmaskedTypingInsertsUpToMaxLength) {
  form_->frei->TypeText("1234567");
  EXPECT_EQ(form_->frei->Text(), "123456");
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
