#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/operation.hpp"
#include "common/text.hpp"
#include "platform/forms/scripted_ui.hpp"

namespace korvax::forms {
namespace {

using nlohmann::json;

// A small table choice: hidden by OK, so its choice stays for the caller.
class ChoiceForm : public Form {
 public:
  ChoiceForm() : Form("frmTabelle") {
    SetCaption("Tabellenwahl");
    auto& frame = AddFrame("sevFrame1", "Tabelle", 480, 120, 3255, 3015);
    neu = &AddOptionButton("optNeu", "neuer Abrechnungspunkt", 480, 360, 2055, 255, &frame);
    for (int i = 0; i < 3; ++i) {
      AddOptionButton("optTabelle(" + std::to_string(i) + ")", "Eintrag", 480, 720 + 360 * i, 2055,
                      255, &frame);
    }
    auto& ok = AddCommandButton("cmdEnde", "&OK", 2400, 3240, 1335, 375);
    ok.OnClick([this] { Hide(); });
    OnLoad([this] { neu->SetValue(true); });
  }
  OptionButton* neu;
};

// A fee dialog in miniature: its load asks for the table, the fields edit
// one line of the grid, Enter applies, the delete button asks first.
class FeeForm : public Form {
 public:
  explicit FeeForm(ChoiceForm& choice) : Form("frmKat"), choice_(choice) {
    grid = &AddGrid("GridGebühren", 2, 3, 120, 120, 6000, 2000);
    flst = &AddTextBox("TextBoxFlst", 120, 2300, 2000, 315);
    wert = &AddMaskedEdit("MaskEdBoxWert", "#####,##", 2200, 2300, 1200, 315);
    status = &AddLabel("lblStatus", "", 120, 2800, 6000, 255);
    auto& apply = AddCommandButton("CommandÜbernehmen", "&Übernehmen", 120, 3200, 1200, 375);
    auto& remove = AddCommandButton("CommandLöschen", "&Löschen", 1400, 3200, 1200, 375);
    auto& end = AddCommandButton("CommandEnde", "&OK", 2700, 3200, 1200, 375);
    auto& cancel = AddCommandButton("CommandAbbruch", "&Abbruch", 4000, 3200, 1200, 375);
    cancel.SetEnabled(false);

    OnLoad([this] { FormLoad(); });
    apply.OnClick([this] { Apply(); });
    remove.OnClick([this] { Remove(); });
    end.OnClick([this] { Unload(); });
    wert->OnGotFocus([this] {
      wert->SetSelStart(0);
      wert->SetSelLength(255);
    });
    wert->OnKeyPress([this](int& key) {
      if (key == kKeyEnter) Apply();
      if (key == ',') {
        std::string digits = text::Left(wert->Text(), 5);
        while (text::Mid(digits, 5, 1) == " " && text::Trim(digits) != "") {
          digits = " " + text::Left(digits, 4);
        }
        wert->SetText(digits + ",  ");
        wert->SetSelStart(6);
        key = 0;
      }
    });
    grid->OnSelChange([this] {
      if (suppress_) return;
      current_row_ = grid->SelStartRow();
      flst->SetText(grid->TextMatrix(current_row_, 0));
    });
  }

  Grid* grid;
  TextBox* flst;
  MaskedEdit* wert;
  Label* status;

 private:
  void FormLoad() {
    suppress_ = true;
    // Report and continue, as the dialogs do: a failure inside stays here.
    Operation::Quietly([this] { choice_.ShowModal(); });
    if (choice_.Get<OptionButton>("optTabelle(0)").Value()) {
      grid->SetTextMatrix(1, 0, "Flst.Nr. 5");
      grid->SetTextMatrix(1, 1, "  100,00");
    }
    current_row_ = 1;
    suppress_ = false;
  }

  void Apply() {
    if (current_row_ == grid->Rows()) grid->AddItem("", current_row_);
    grid->SetTextMatrix(current_row_, 0, flst->Text());
    grid->SetTextMatrix(current_row_, 1, wert->Text());
    ++current_row_;
    flst->SetFocus();
  }

  void Remove() {
    MessageBoxRequest request;
    request.prompt = "Zeile löschen?";
    request.buttons = 4;
    if (RegisteredMessageBoxFactory()->Create()->Show(request) != 6) return;
    try {
      grid->RemoveItem(grid->SelStartRow());
    } catch (const Error& e) {
      status->SetCaption(e.description());
    }
  }

  ChoiceForm& choice_;
  int current_row_ = 1;
  bool suppress_ = false;
};

class ScriptedUiTest : public ::testing::Test {
 protected:
  void TearDown() override { SetBackend(nullptr); }

  // Runs the fee dialog under the script; returns the failure, or "" for none.
  std::string Run(const json& script) {
    ScriptedUi ui(script);
    SetBackend(&ui);
    try {
      fee_->ShowModal();
      ui.Finish();
    } catch (const ScriptError& e) {
      step_ = e.step();
      try {
        ui.Finish();
        return "Finish did not repeat the failure";
      } catch (const ScriptError& again) {
        EXPECT_EQ(std::string(again.what()), e.what());
      }
      return e.what();
    }
    boxes_ = ui.ShownMessageBoxes().size();
    return "";
  }

  // Runs a script that must fail at `step` (0: any) naming each of `named`.
  void ExpectFailure(const json& script, int step, std::initializer_list<std::string> named) {
    const std::string failure = Run(script);
    if (step != 0) {
      EXPECT_EQ(step_, step);
    }
    for (const std::string& part : named)
      EXPECT_NE(failure.find(part), std::string::npos) << part << " in " << failure;
  }

  std::unique_ptr<ChoiceForm> choice_ = Form::Create<ChoiceForm>();
  std::unique_ptr<FeeForm> fee_ = Form::Create<FeeForm>(*choice_);
  int step_ = 0;
  size_t boxes_ = 0;
};

const json kChooseFirstTable = json::array({
    {{"form", "frmTabelle"}, {"action", "expect"}, {"control", "optNeu"}, {"value", true}},
    {{"form", "frmTabelle"}, {"action", "click"}, {"control", "optTabelle(0)"}},
    {{"form", "frmTabelle"}, {"action", "click"}, {"control", "cmdEnde"}},
});

json Script(std::initializer_list<json> fee_steps) {
  json script = kChooseFirstTable;
  for (const json& step : fee_steps) script.push_back(step);
  return script;
}

TEST_F(ScriptedUiTest, TypesAppliesSelectsAnswersAndCloses) {
  json script = Script({
      {{"form", "frmKat"},
       {"action", "expect"},
       {"control", "GridGebühren"},
       {"rows", 2},
       {"cell", {1, 0}},
       {"text", "Flst.Nr. 5"}},
      {{"action", "type"}, {"control", "TextBoxFlst"}, {"text", "Flst.Nr. 7"}, {"replace", true}},
      {{"action", "type"}, {"control", "MaskEdBoxWert"}, {"text", "12,"}},
      {{"action", "expect"}, {"control", "MaskEdBoxWert"}, {"text", "   12,  "}, {"sel_start", 6}},
      {{"action", "key"}, {"key", "Enter"}},
      {{"action", "expect"}, {"control", "GridGebühren"}, {"cell", {1, 1}}, {"text", "   12,  "}},
      {{"action", "expect"}, {"focus", "TextBoxFlst"}},
      {{"action", "key"}, {"key", "Tab"}},
      {{"action", "type"}, {"text", "7"}},
      {{"action", "expect"}, {"control", "MaskEdBoxWert"}, {"text", "7    ,  "}, {"focus", true}},
      {{"action", "select"}, {"control", "GridGebühren"}, {"row", 1}},
      {{"action", "expect"},
       {"control", "GridGebühren"},
       {"row", 1},
       {"col", 0},
       {"row_sel", 1},
       {"col_sel", 2}},
      {{"action", "expect"}, {"control", "TextBoxFlst"}, {"text", "Flst.Nr. 7"}},
      {{"action", "click"}, {"control", "CommandLöschen"}},
      {{"action", "answer"}, {"button", "Ja"}, {"prompt", "Zeile löschen?"}},
      {{"action", "expect"},
       {"control", "lblStatus"},
       {"caption", "Die letzte nicht feste Zeile kann nicht entfernt werden."}},
      {{"action", "key"}, {"key", "Alt+o"}},
  });
  EXPECT_EQ(Run(script), "");
  EXPECT_EQ(boxes_, 1u);
  EXPECT_FALSE(fee_->IsLoaded());
  EXPECT_TRUE(choice_->IsLoaded());  // only hidden by its OK
  EXPECT_TRUE(choice_->Get<OptionButton>("optTabelle(0)").Value());
}

TEST_F(ScriptedUiTest, AnswersCanBeQueuedBeforeTheClick) {
  json script = Script({
      {{"action", "answer"}, {"button", "Nein"}},
      {{"action", "click"}, {"control", "CommandLöschen"}},
      {{"action", "expect"}, {"control", "lblStatus"}, {"caption", ""}},
      {{"action", "close"}},
  });
  EXPECT_EQ(Run(script), "");
}

TEST_F(ScriptedUiTest, AWrongExpectationNamesStepControlAndValues) {
  ExpectFailure(Script({
                    {{"action", "type"}, {"control", "MaskEdBoxWert"}, {"text", "12"}},
                    {{"action", "expect"}, {"control", "MaskEdBoxWert"}, {"text", "   12,00"}},
                    {{"action", "close"}},
                }),
                5, {"Schritt 5", "MaskEdBoxWert", "\"   12,00\"", "\"12   ,  \""});
}

TEST_F(ScriptedUiTest, AFailureInANestedFormSurvivesReportAndContinue) {
  json script = json::array({
      {{"form", "frmTabelle"}, {"action", "expect"}, {"control", "optNeu"}, {"value", false}},
      {{"form", "frmTabelle"}, {"action", "click"}, {"control", "cmdEnde"}},
  });
  ExpectFailure(script, 1, {"optNeu"});
  EXPECT_FALSE(choice_->IsVisible());
  EXPECT_FALSE(fee_->IsVisible());
}

TEST_F(ScriptedUiTest, AModalFormWithoutStepsLeftFailsInsteadOfWaiting) {
  ExpectFailure(kChooseFirstTable, 0, {"frmKat", "keine Schritte mehr"});
}

TEST_F(ScriptedUiTest, AStepForAnotherFormFails) {
  ExpectFailure(json::array({{{"form", "frmKat"}, {"action", "close"}}}), 1,
                {"frmKat", "frmTabelle"});
}

TEST_F(ScriptedUiTest, AMessageBoxWithoutAnswerFails) {
  ExpectFailure(Script({{{"action", "click"}, {"control", "CommandLöschen"}}}), 0,
                {"Zeile löschen?"});
}

TEST_F(ScriptedUiTest, AWrongMessageBoxPromptFails) {
  ExpectFailure(Script({
                    {{"action", "answer"}, {"button", "Ja"}, {"prompt", "Alles löschen?"}},
                    {{"action", "click"}, {"control", "CommandLöschen"}},
                }),
                4, {"Alles löschen?"});
}

TEST_F(ScriptedUiTest, ADisabledControlCannotBeClicked) {
  ExpectFailure(Script({{{"action", "click"}, {"control", "CommandAbbruch"}}}), 4,
                {"CommandAbbruch"});
}

TEST_F(ScriptedUiTest, StepsLeftOverAtTheEndFail) {
  ExpectFailure(Script({{{"action", "close"}}, {{"action", "expect"}, {"visible", true}}}), 5,
                {"Schritt 5"});
}

TEST_F(ScriptedUiTest, MalformedStepsAreRefusedBeforeAnythingRuns) {
  auto refused = [](const json& script) {
    try {
      ScriptedUi ui(script);
    } catch (const ScriptError& e) {
      return e.step();
    }
    return 0;
  };
  EXPECT_EQ(refused(json::array({{{"action", "klick"}, {"control", "x"}}})), 1);
  EXPECT_EQ(refused(json::array({{{"action", "close"}}, {{"action", "click"}}})), 2);
  EXPECT_EQ(refused(json::array({{{"action", "click"}, {"control", "x"}, {"txt", "1"}}})), 1);
  EXPECT_EQ(refused(json::array({{{"action", "answer"}, {"button", "Vielleicht"}}})), 1);
  EXPECT_EQ(refused(json::array({{{"action", "expect"}, {"control", "x"}}})), 1);
  EXPECT_EQ(refused(json::array({{{"action", "key"}, {"key", true}}})), 1);
  EXPECT_EQ(refused(json::array({{{"action", "expect"}, {"control", "g"}, {"cell", {1}}}})), 1);
  EXPECT_EQ(refused(json::array({{{"action", "type"}, {"text", 12}}})), 1);
  EXPECT_EQ(refused(json{{"steps", json::array({{{"action", "close"}}})}}), 0);
}

TEST(ScriptFileTest, LoadsAScriptFileAndReportsAMissingOne) {
  auto path = std::filesystem::temp_directory_path() / "korvax_forms_script.json";
  {
    std::ofstream out(path);
    out << R"({"steps": [{"action": "close", "note": "Schließfeld"}]})";
  }
  ScriptedUi ui(ScriptedUi::LoadScript(path));
  EXPECT_EQ(ui.StepCount(), 1);
  std::filesystem::remove(path);
  EXPECT_THROW(ScriptedUi::LoadScript(path), ScriptError);
}

TEST_F(ScriptedUiTest, ChoosesComboEntriesAndCheckBoxes) {
  class Small : public Form {
   public:
    Small() : Form("frmKlein") {
      auto& combo = AddComboBox("ComboBox4", 0, 0, 1000, 300);
      for (const char* item : {"5.1.1", "5.1.2"}) combo.AddItem(item);
      auto& check = AddCheckBox("chkBereich", "Bereich", 0, 400, 1000, 300);
      check.OnClick([this] { ++clicks; });
    }
    int clicks = 0;
  };
  auto small = Form::Create<Small>();
  ScriptedUi ui(json::array({
      {{"action", "choose"}, {"control", "ComboBox4"}, {"item", "5.1.2"}},
      {{"action", "expect"}, {"control", "ComboBox4"}, {"list_index", 1}, {"text", "5.1.2"}},
      {{"action", "choose"}, {"control", "chkBereich"}, {"value", 1}},
      {{"action", "choose"}, {"control", "chkBereich"}, {"value", 1}},
      {{"action", "expect"}, {"control", "chkBereich"}, {"value", 1}},
      {{"action", "expect"}, {"window", "frmKlein"}, {"visible", true}},
      {{"action", "type"}, {"control", "ComboBox4"}, {"text", "5.1.1"}, {"replace", true}},
      {{"action", "expect"}, {"control", "ComboBox4"}, {"list_index", 0}, {"text", "5.1.1"}},
      {{"action", "close"}},
  }));
  SetBackend(&ui);
  small->ShowModal();
  ui.Finish();
  EXPECT_EQ(small->clicks, 1);
  EXPECT_EQ(ui.StepsDone(), 9);
  EXPECT_EQ(ui.Transcript().size(), 9u);
}

}  // namespace
}  // namespace korvax::forms
