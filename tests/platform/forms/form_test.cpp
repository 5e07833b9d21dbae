#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/forms/form.hpp"

namespace korvax::forms {
namespace {

// Records what happens, in order, so that event orders can be checked.
class LifeForm : public Form {
 public:
  explicit LifeForm(std::vector<std::string>& log) : Form("frmLeben") {
    SetCaption("Tabellenwahl");
    neu = &AddOptionButton("optNeu", "neu", 120, 120, 2000, 255);
    alt = &AddOptionButton("optAlt", "alt", 120, 480, 2000, 255);
    flst = &AddTextBox("TextBoxFlst", 120, 840, 2000, 315);
    wert = &AddMaskedEdit("MaskEdBoxWert", "#####,##", 120, 1200, 1200, 315);
    ok = &AddCommandButton("cmdEnde", "&OK", 2400, 3240, 1335, 375);
    OnLoad([this, &log] {
      log.push_back("Load");
      neu->SetValue(true);
    });
    OnUnload([this, &log](int& cancel) {
      log.push_back("Unload");
      cancel = keep_open ? 1 : 0;
    });
    for (Control* c : Controls()) {
      std::string name = c->Name();
      c->OnGotFocus([&log, name] { log.push_back("GotFocus " + name); });
      c->OnLostFocus([&log, name] { log.push_back("LostFocus " + name); });
    }
    ok->OnClick([this] { Hide(); });
  }
  OptionButton *neu, *alt;
  TextBox* flst;
  MaskedEdit* wert;
  CommandButton* ok;
  bool keep_open = false;
};

// A back end that lets the test act while the form is modal.
class FakeBackend : public UiBackend {
 public:
  std::function<void(Form&)> on_modal;
  int runs = 0;
  void RunModal(Form& form) override {
    ++runs;
    EXPECT_EQ(Form::CurrentModal(), &form);
    EXPECT_TRUE(form.IsModal());
    if (on_modal) on_modal(form);
  }
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override { SetBackend(&backend_); }
  void TearDown() override { SetBackend(nullptr); }

  std::vector<std::string> log_;
  FakeBackend backend_;
  std::unique_ptr<LifeForm> form_ = Form::Create<LifeForm>(log_);
};

TEST_F(FormTest, UnloadRestoresTheDesignKeepsHandlersAndCanBeCancelled) {
  int clicks = 0;
  form_->flst->OnClick([&] { ++clicks; });
  form_->SetCaption("anders");
  form_->flst->SetText("Flst.Nr. 7");
  form_->flst->SetEnabled(false);
  form_->SetWindowState(2);
  form_->SetMousePointer(kMousePointerHourglass);
  EXPECT_THROW(form_->SetWindowState(3), Error);
  EXPECT_THROW(SetScreenMousePointer(-1), Error);
  form_->keep_open = true;  // the form's Unload handler cancels
  form_->Unload();
  EXPECT_TRUE(form_->IsLoaded());
  form_->keep_open = false;
  form_->Unload();
  form_->flst->UserClick();  // the user cannot click on an unloaded form
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(form_->flst->Text(), "");  // reading loads the form afresh
  EXPECT_TRUE(form_->flst->Enabled());
  EXPECT_EQ(form_->Caption(), "Tabellenwahl");
  EXPECT_EQ(form_->WindowState(), 0);
  EXPECT_EQ(form_->MousePointer(), 0);
  EXPECT_EQ(log_, (std::vector<std::string>{"Load", "Unload", "Unload", "Load"}));
  form_->flst->UserClick();
  EXPECT_EQ(clicks, 1);
}

TEST_F(FormTest, ShowModalWhileShownFailsWith400AndWithoutBackendFails) {
  backend_.on_modal = [this](Form&) {
    try {
      form_->ShowModal();
      ADD_FAILURE() << "shown twice";
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), 400);
    }
    form_->Hide();
  };
  form_->ShowModal();
  SetBackend(nullptr);  // no backend to show it with
  EXPECT_THROW(form_->ShowModal(), Error);
  EXPECT_FALSE(form_->IsVisible());
}

TEST_F(FormTest, FocusNeedsAShownFormAndAUsableControlAndMovesInTabOrder) {
  form_->Load();
  try {
    form_->flst->SetFocus();
    ADD_FAILURE() << "focus on a hidden form";
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), 5);
  }
  backend_.on_modal = [this](Form&) {
    form_->flst->SetEnabled(false);
    EXPECT_THROW(form_->flst->SetFocus(), Error);
    form_->flst->SetEnabled(true);
    form_->alt->SetEnabled(false);  // Tab skips it in tab order
    form_->neu->SetFocus();
    form_->neu->PressKey(kKeyTab);
    log_.clear();
    form_->wert->SetFocus();
    form_->ok->UserClick();  // a click takes the focus before it clicks
  };
  form_->ShowModal();
  EXPECT_EQ(log_, (std::vector<std::string>{"LostFocus TextBoxFlst", "GotFocus MaskEdBoxWert",
                                            "LostFocus MaskEdBoxWert", "GotFocus cmdEnde"}));
  EXPECT_EQ(form_->ActiveControl(), form_->ok);
}

}  // namespace
}  // namespace korvax::forms
