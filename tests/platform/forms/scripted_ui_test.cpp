#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/operation.hpp"
#include "platform/forms/scripted_ui.hpp"

namespace korvax::forms {
namespace {

using nlohmann::json;

// A small table choice: hidden by OK, so its choice stays for the caller.
class ChoiceForm : public Form {
 public:
  ChoiceForm() : Form("frmTabelle") {
    neu = &AddOptionButton("optNeu", "neuer Abrechnungspunkt", 480, 360, 2055, 255);
    AddOptionButton("optTabelle(0)", "Eintrag", 480, 720, 2055, 255);
    AddCommandButton("cmdEnde", "&OK", 2400, 3240, 1335, 375).OnClick([this] { Hide(); });
    OnLoad([this] { neu->SetValue(true); });
  }
  OptionButton* neu;
};

// A fee dialog in miniature: its load asks for the table first, the delete
// button asks before it acts.
class FeeForm : public Form {
 public:
  explicit FeeForm(ChoiceForm& choice) : Form("frmKat") {
    auto& wert = AddMaskedEdit("MaskEdBoxWert", "#####,##", 2200, 2300, 1200, 315);
    AddCheckBox("chkBereich", "Bereich", 4600, 2300, 1000, 315).OnClick([this] { ++check_clicks; });
    auto& status = AddLabel("lblStatus", "", 120, 2800, 6000, 255);
    AddCommandButton("CommandLöschen", "&Löschen", 1400, 3200, 1200, 375).OnClick([&status] {
      MessageBoxRequest request;
      request.prompt = "Zeile löschen?";
      request.buttons = 4;
      if (RegisteredMessageBoxFactory()->Create()->Show(request) == 6)
        status.SetCaption("gelöscht");
    });
    AddCommandButton("CommandEnde", "&OK", 2700, 3200, 1200, 375).OnClick([this] { Unload(); });
    AddCommandButton("CommandAbbruch", "&Abbruch", 4000, 3200, 1200, 375).SetEnabled(false);
    OnLoad([&choice] {
      // Report and continue, as the dialogs do: a failure inside stays here.
      Operation::Quietly([&choice] { choice.ShowModal(); });
    });
    wert.OnGotFocus([&wert] {
      wert.SetSelStart(0);
      wert.SetSelLength(255);
    });
  }
  int check_clicks = 0;
};

class ScriptedUiTest : public ::testing::Test {
 protected:
  // Runs the fee dialog under the script; returns the failure, or "" for none.
  std::string Run(const json& script) {
    choice_ = Form::Create<ChoiceForm>();
    fee_ = Form::Create<FeeForm>(*choice_);
    ScriptedUi ui(script);
    ui.OnStep([this](int number) { observed_.push_back(number); });
    SetBackend(&ui);
    std::string failure;
    try {
      fee_->ShowModal();
      ui.Finish();
    } catch (const ScriptError& e) {
      step_ = e.step();
      failure = e.what();
      try {
        ui.Finish();
        failure = "Finish did not repeat the failure";
      } catch (const ScriptError& again) {
        EXPECT_EQ(std::string(again.what()), e.what());
      }
    }
    SetBackend(nullptr);
    boxes_ = ui.ShownMessageBoxes().size();
    transcript_ = ui.Transcript().size();
    return failure;
  }

  std::unique_ptr<ChoiceForm> choice_;
  std::unique_ptr<FeeForm> fee_;
  int step_ = 0;
  size_t boxes_ = 0;
  size_t transcript_ = 0;
  std::vector<int> observed_;  // step numbers, as the observer saw them
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

json Act(const char* action, const char* control) {
  return {{"action", action}, {"control", control}};
}

// The fee-dialog tests run the common steps; this one covers what they do not:
// typing into the focused field, an answer queued ahead of its box, a tick
// that is already set, an access key and the transcript.
TEST_F(ScriptedUiTest, TypesAnswersAndCloses) {
  const json script = Script({
      {{"form", "frmKat"}, {"action", "focus"}, {"control", "MaskEdBoxWert"}},
      {{"action", "type"}, {"text", "12"}},  // into the focused field, selected by GotFocus
      {{"action", "expect"}, {"control", "MaskEdBoxWert"}, {"text", "12   ,  "}, {"sel_start", 2}},
      {{"action", "answer"}, {"button", "Nein"}},  // queued for the next box
      Act("click", "CommandLöschen"),
      {{"action", "expect"}, {"control", "lblStatus"}, {"caption", ""}},
      {{"action", "choose"}, {"control", "chkBereich"}, {"value", 1}},
      {{"action", "choose"}, {"control", "chkBereich"}, {"value", 1}},  // already ticked
      {{"action", "expect"}, {"window", "frmTabelle"}, {"visible", false}},
      {{"action", "key"}, {"key", "Alt+o"}},
  });
  EXPECT_EQ(Run(script), "");
  EXPECT_EQ(transcript_, script.size() + boxes_);  // every step and every box answered
  // The observer sees every step once, in order, the nested form's as well.
  std::vector<int> all(script.size());
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i) + 1;
  EXPECT_EQ(observed_, all);
  EXPECT_EQ(fee_->check_clicks, 1);
  EXPECT_FALSE(fee_->IsLoaded());
  EXPECT_TRUE(choice_->Get<OptionButton>("optTabelle(0)").Value());  // only hidden by its OK
}

TEST_F(ScriptedUiTest, AFailingScriptEndsTheRunNamingStepAndCause) {
  struct Case {
    const char* what;
    json script;
    int step;  // 0: not checked
    std::vector<std::string> named;
  };
  const Case cases[] = {
      {"wrong expectation",
       Script({{{"action", "type"}, {"control", "MaskEdBoxWert"}, {"text", "12"}},
               {{"action", "expect"}, {"control", "MaskEdBoxWert"}, {"text", "   12,00"}},
               {{"action", "close"}}}),
       5,
       {"Schritt 5", "MaskEdBoxWert", "\"   12,00\"", "\"12   ,  \""}},
      {"failure in a nested form, under report and continue",
       json::array(
           {{{"form", "frmTabelle"}, {"action", "expect"}, {"control", "optNeu"}, {"value", false}},
            {{"form", "frmTabelle"}, {"action", "click"}, {"control", "cmdEnde"}}}),
       1,
       {"optNeu"}},
      {"modal form without steps left", kChooseFirstTable, 0, {"frmKat", "keine Schritte mehr"}},
      {"step for another form",
       json::array({{{"form", "frmKat"}, {"action", "close"}}}),
       1,
       {"frmKat", "frmTabelle"}},
      {"message box without answer",
       Script({Act("click", "CommandLöschen")}),
       0,
       {"Zeile löschen?"}},
      {"wrong message box prompt",
       Script({{{"action", "answer"}, {"button", "Ja"}, {"prompt", "Alles löschen?"}},
               Act("click", "CommandLöschen")}),
       4,
       {"Alles löschen?"}},
      {"disabled control", Script({Act("click", "CommandAbbruch")}), 4, {"CommandAbbruch"}},
      {"steps left over",
       Script({{{"action", "close"}}, {{"action", "expect"}, {"visible", true}}}),
       5,
       {"Schritt 5"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    step_ = 0;
    const std::string failure = Run(c.script);
    ASSERT_NE(failure, "");
    EXPECT_TRUE(c.step == 0 || step_ == c.step) << "failed at step " << step_;
    for (const std::string& part : c.named)
      EXPECT_NE(failure.find(part), std::string::npos) << part << " in " << failure;
    EXPECT_FALSE(fee_->IsVisible());
    EXPECT_FALSE(choice_->IsVisible());
  }
}

TEST(ScriptParsingTest, MalformedStepsAreRefusedBeforeAnythingRuns) {
  const std::pair<json, int> cases[] = {
      {json::array({{{"action", "klick"}, {"control", "x"}}}), 1},
      {json::array({{{"action", "close"}}, {{"action", "click"}}}), 2},
      {json::array({{{"action", "click"}, {"control", "x"}, {"txt", "1"}}}), 1},
      {json::array({{{"action", "answer"}, {"button", "Vielleicht"}}}), 1},
      {json::array({{{"action", "expect"}, {"control", "x"}}}), 1},
      {json::array({{{"action", "key"}, {"key", true}}}), 1},
      {json::array({{{"action", "expect"}, {"control", "g"}, {"cell", {1}}}}), 1},
      {json::array({{{"action", "type"}, {"text", 12}}}), 1},
  };
  for (const auto& [script, step] : cases) {
    try {
      ScriptedUi ui(script);
      ADD_FAILURE() << "accepted " << script;
    } catch (const ScriptError& e) {
      EXPECT_EQ(e.step(), step) << script;
    }
  }
}

TEST(ScriptParsingTest, LoadsAScriptFileWithStepsAndReportsAMissingOne) {
  auto path = std::filesystem::temp_directory_path() / "korvax_forms_script.json";
  std::ofstream(path) << R"({"steps": [{"action": "close", "note": "Schließfeld"}]})";
  ScriptedUi ui(ScriptedUi::LoadScript(path));
  EXPECT_EQ(ui.StepCount(), 1);
  std::filesystem::remove(path);
  EXPECT_THROW(ScriptedUi::LoadScript(path), ScriptError);
}

}  // namespace
}  // namespace korvax::forms
