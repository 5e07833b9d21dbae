#include <gtest/gtest.h>

#include <algorithm>
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
  OptionButton* neu;
  OptionButton* alt;
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

TEST_F(FormTest, FirstAccessLoadsTheForm) {
  EXPECT_FALSE(form_->IsLoaded());
  EXPECT_TRUE(log_.empty());
  EXPECT_TRUE(form_->neu->Value());  // this access runs Load first
  EXPECT_TRUE(form_->IsLoaded());
  EXPECT_FALSE(form_->IsVisible());
  EXPECT_EQ(log_, std::vector<std::string>{"Load"});
  form_->alt->SetValue(true);
  EXPECT_EQ(log_.size(), 1u);  // loads once
}

TEST_F(FormTest, HideKeepsTheStateAndUnloadResetsItForTheNextLoad) {
  backend_.on_modal = [this](Form&) {
    form_->alt->SetValue(true);
    form_->ok->UserClick();
  };
  form_->ShowModal();
  EXPECT_FALSE(form_->IsVisible());
  EXPECT_TRUE(form_->IsLoaded());
  EXPECT_TRUE(form_->alt->Value());  // hidden, not unloaded: the choice stays

  backend_.on_modal = [this](Form&) {
    EXPECT_TRUE(form_->alt->Value());
    form_->UserClose();
  };
  form_->ShowModal();
  EXPECT_FALSE(form_->IsLoaded());
  EXPECT_TRUE(form_->neu->Value());  // read after the close box: loaded afresh
  EXPECT_FALSE(form_->alt->Value());
  EXPECT_EQ(log_, (std::vector<std::string>{"Load", "GotFocus optNeu", "LostFocus optNeu",
                                            "GotFocus cmdEnde", "Unload", "Load"}));
  EXPECT_EQ(backend_.runs, 2);
}

TEST_F(FormTest, UnloadRestoresTheDesignedPropertiesKeepsHandlersAndCanBeCancelled) {
  form_->SetCaption("anders");
  form_->SetTop(1500);
  form_->flst->SetText("Flst.Nr. 7");
  form_->flst->SetEnabled(false);
  form_->Unload();
  EXPECT_EQ(form_->flst->Text(), "");
  EXPECT_TRUE(form_->flst->Enabled());
  EXPECT_EQ(form_->Caption(), "Tabellenwahl");
  EXPECT_EQ(form_->Top(), 0);
  int clicks = 0;
  form_->flst->OnClick([&] { ++clicks; });
  form_->Unload();
  form_->flst->UserClick();  // the user cannot click on an unloaded form
  EXPECT_EQ(clicks, 0);
  form_->EnsureLoaded();
  form_->flst->UserClick();
  EXPECT_EQ(clicks, 1);
  // The form's Unload handler can cancel the unload.
  form_->keep_open = true;
  form_->Unload();
  EXPECT_TRUE(form_->IsLoaded());
  form_->keep_open = false;
  form_->Unload();
  EXPECT_FALSE(form_->IsLoaded());
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

TEST_F(FormTest, FocusMovesFireLostFocusThenGotFocus) {
  backend_.on_modal = [this](Form&) {
    log_.clear();
    form_->wert->SetFocus();
    form_->flst->SetFocus();
    form_->ok->UserClick();  // a click takes the focus before it clicks
  };
  form_->ShowModal();
  EXPECT_EQ(log_, (std::vector<std::string>{"LostFocus optNeu", "GotFocus MaskEdBoxWert",
                                            "LostFocus MaskEdBoxWert", "GotFocus TextBoxFlst",
                                            "LostFocus TextBoxFlst", "GotFocus cmdEnde"}));
  EXPECT_EQ(form_->ActiveControl(), form_->ok);
}

TEST_F(FormTest, SetFocusNeedsAShownFormAndAnAvailableControlAndTabFollowsTabOrder) {
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
    EXPECT_EQ(form_->ActiveControl(), form_->flst);
    form_->Hide();
  };
  form_->ShowModal();
}

TEST_F(FormTest, WindowPlacementAndMousePointer) {
  WindowPlacement& placement = *form_;
  EXPECT_EQ(placement.Name(), "frmLeben");
  placement.SetWindowState(2);
  placement.SetTop(1200);
  placement.SetLeft(2400.5f);
  EXPECT_EQ(placement.WindowState(), 2);
  EXPECT_EQ(placement.Top(), 1200);
  EXPECT_EQ(placement.Left(), 2400.5f);
  EXPECT_THROW(placement.SetWindowState(3), Error);
  form_->SetMousePointer(kMousePointerHourglass);
  EXPECT_EQ(form_->MousePointer(), 11);
  form_->Unload();
  EXPECT_EQ(form_->WindowState(), 0);
  EXPECT_EQ(form_->MousePointer(), 0);
  SetScreenMousePointer(kMousePointerHourglass);
  EXPECT_EQ(ScreenMousePointer(), 11);
  SetScreenMousePointer(kMousePointerDefault);
  EXPECT_THROW(SetScreenMousePointer(-1), Error);
}

class RecordingObserver : public FormObserver {
 public:
  void ControlChanged(Control& control) override { controls.push_back(control.FullName()); }
  void FormChanged(Form&) override { ++form_changes; }
  std::vector<std::string> controls;
  int form_changes = 0;
};

TEST_F(FormTest, TheObserverHearsOfVisibleChanges) {
  RecordingObserver observer;
  form_->SetObserver(&observer);
  form_->Load();
  observer.controls.clear();
  form_->flst->SetText("Flst.Nr. 1");
  form_->alt->SetValue(true);  // clears optNeu as well
  EXPECT_NE(std::find(observer.controls.begin(), observer.controls.end(), "TextBoxFlst"),
            observer.controls.end());
  EXPECT_NE(std::find(observer.controls.begin(), observer.controls.end(), "optNeu"),
            observer.controls.end());
  int before = observer.form_changes;
  backend_.on_modal = [this](Form&) { form_->Hide(); };
  form_->ShowModal();
  EXPECT_EQ(observer.form_changes, before + 2);  // shown, hidden
  form_->SetObserver(nullptr);
}

class CountingForm : public Form {
 public:
  CountingForm() : Form("frmZaehler") {
    AddLabel("lblText", "x", 0, 0, 100, 100);
    ++created;
  }
  static inline int created = 0;
};

TEST(FormInstanceTest, OneInstancePerTypeCreatedOnFirstUse) {
  DestroyFormInstances();
  CountingForm::created = 0;
  CountingForm& first = FormInstance<CountingForm>();
  CountingForm& second = FormInstance<CountingForm>();
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(CountingForm::created, 1);
  EXPECT_EQ(Form::FindForm("frmZaehler"), &first);
  first.Get<Label>("lblText").SetCaption("y");  // access loads the instance
  EXPECT_TRUE(first.IsLoaded());
  DestroyFormInstances();
  EXPECT_EQ(Form::FindForm("frmZaehler"), nullptr);
}

}  // namespace
}  // namespace korvax::forms
