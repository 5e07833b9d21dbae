#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/form.hpp"

namespace korvax::forms {
namespace {

class ChoiceForm : public Form {
 public:
  ChoiceForm() : Form("frmWahl") {
    frame = &AddFrame("sevFrame1", "Tabelle", 480, 120, 3255, 3015);
    neu = &AddOptionButton("optNeu", "neu", 480, 360, 2055, 255, frame);
    for (int i = 0; i < 5; ++i)
      AddOptionButton("optTabelle(" + std::to_string(i) + ")", "Eintrag", 480, 720 + 360 * i, 2055,
                      255, frame);
    option31 = &AddOptionButton("Option31", "3.1", 4000, 120, 800, 255);
    option33 = &AddOptionButton("Option33", "3.3", 4000, 480, 800, 255);
    bereich = &AddCheckBox("chkBereich", "Bereich bei Bodenwert", 4000, 900, 2000, 255);
    combo = &AddComboBox("ComboBox4", 4000, 1300, 1000, 315);
    flst = &AddTextBox("TextBoxFlst", 4000, 1700, 2000, 315);
    ok = &AddCommandButton("cmdEnde", "&OK", 2400, 3240, 1335, 375);
  }
  Frame* frame;
  OptionButton *neu, *option31, *option33;
  CheckBox* bereich;
  ComboBox* combo;
  TextBox* flst;
  CommandButton* ok;
};

class ControlsTest : public ::testing::Test {
 protected:
  std::unique_ptr<ChoiceForm> form_ = Form::Create<ChoiceForm>();
  OptionButton& Tabelle(int i) {
    return form_->Get<OptionButton>("optTabelle(" + std::to_string(i) + ")");
  }
};

TEST_F(ControlsTest, ChoosingAnOptionClearsTheOthersOfItsFrameOnlyAndClicksOnce) {
  form_->option31->SetValue(true);
  form_->neu->SetValue(true);
  Tabelle(2).SetValue(true);
  EXPECT_FALSE(form_->neu->Value());
  EXPECT_TRUE(Tabelle(2).Value());
  EXPECT_TRUE(form_->option31->Value());  // another group: the form itself
  form_->option33->SetValue(true);
  EXPECT_FALSE(form_->option31->Value());
  EXPECT_EQ(form_->neu->Group().size(), 6u);
  // Click fires only when the option becomes chosen.
  int clicks = 0;
  Tabelle(1).OnClick([&] { ++clicks; });
  Tabelle(1).SetValue(true);
  Tabelle(1).SetValue(true);
  Tabelle(1).UserClick();
  EXPECT_EQ(clicks, 1);
}

TEST_F(ControlsTest, ArrayElementsAndControlsInAFrame) {
  const Control& third = *form_->ControlArray("optTabelle")[3];
  EXPECT_EQ(third.Index(), 3);
  EXPECT_EQ(third.Name(), "optTabelle");
  EXPECT_THROW(form_->Get<CheckBox>("optTabelle(1)"), Error);  // wrong kind
  // Controls in a frame are placed relative to it and go with its Enabled.
  EXPECT_EQ(Tabelle(0).FormLeft(), 960);
  EXPECT_EQ(Tabelle(0).FormTop(), 840);
  form_->frame->SetEnabled(false);
  EXPECT_TRUE(Tabelle(0).Enabled());
  EXPECT_FALSE(Tabelle(0).IsUsable());
}

TEST_F(ControlsTest, CheckBoxAndComboBoxValuesAndTheirEvents) {
  int clicks = 0;
  form_->bereich->OnClick([&] { ++clicks; });
  form_->bereich->SetValue(2);
  form_->bereich->UserClick();  // greyed: a click ticks it
  EXPECT_EQ(form_->bereich->Value(), 1);
  EXPECT_EQ(clicks, 2);
  EXPECT_THROW(form_->bereich->SetValue(3), Error);

  ComboBox& combo = *form_->combo;
  int changes = 0;
  clicks = 0;
  combo.OnClick([&] { ++clicks; });
  combo.OnChange([&] { ++changes; });
  for (const char* item : {"5.1.1", "5.1.2", "5.1.3"}) combo.AddItem(item);
  combo.SetListIndex(1);
  EXPECT_EQ(combo.Text(), "5.1.2");
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(changes, 0);  // choosing from the list fires Click only
  combo.SetText("4.1.1");
  EXPECT_EQ(combo.ListIndex(), -1);
  EXPECT_EQ(changes, 1);
  EXPECT_THROW(combo.SetListIndex(3), Error);
}

TEST_F(ControlsTest, TextBoxTypingAndSelection) {
  TextBox& flst = *form_->flst;
  flst.SetText("Flst.Nr. ");
  EXPECT_EQ(flst.SelStart(), 0);
  flst.SetSelStart(9);
  flst.TypeText("12/3");
  EXPECT_EQ(flst.Text(), "Flst.Nr. 12/3");
  flst.SetSelStart(9);
  flst.SetSelLength(100);
  EXPECT_EQ(flst.SelLength(), 4);
  flst.TypeText("7");
  EXPECT_EQ(flst.Text(), "Flst.Nr. 7");
  flst.SetSelStart(99);
  EXPECT_EQ(flst.SelStart(), 10);
}

TEST_F(ControlsTest, EnterGoesToTheDefaultButtonAndCaptionsMarkTheAccessKey) {
  int keys = 0;
  int clicks = 0;
  form_->flst->OnKeyPress([&](int&) { ++keys; });
  form_->ok->OnClick([&] { ++clicks; });
  form_->flst->PressKey(kKeyEnter);
  form_->ok->SetDefault(true);
  form_->flst->PressKey(kKeyEnter);
  EXPECT_EQ(keys, 1);
  EXPECT_EQ(clicks, 1);
  form_->ok->SetCaption("&Übernehmen");
  EXPECT_EQ(form_->ok->AccessKey(), U'Ü');
  form_->ok->SetCaption("A && B");
  EXPECT_EQ(form_->ok->AccessKey(), 0u);
}

}  // namespace
}  // namespace korvax::forms
