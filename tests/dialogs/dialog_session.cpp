#include "dialog_session.hpp"

#include "common/text.hpp"
#include "dialogs/register.hpp"
#include "document/tk_word_auto.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "plugin/dialog_registry.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs::testing {

void DialogSession::SetUp() {
  TempEnvironment::SetUp();
  ResetLibrary();
  forms::DestroyFormInstances();
  SetRememberedTableIndex(0);
  RegisterFeeDialogs();
  path_ = korvax::testing::WriteDocx(dir_ / "Rechnung.docx",
                                     korvax::testing::ParagraphXml("Rechnung Nr. 1"));
  doc_ = word::Document::Open(path_);
  OrderContext& order = Library().order;
  order.Doc = doc_;
  order.Application = doc_->Application();
  order.Flurstücksnummer = "12/3";
  order.Fläche = 100;
  order.AnzahlGrenzpunkte = 4;
  order.Bodenwert = 12;
}

void DialogSession::TearDown() {
  EXPECT_EQ(LogEntries(), log_entries_) << Log();
  forms::SetBackend(nullptr);
  forms::DestroyFormInstances();
  ResetLibrary();
  doc_.reset();
  TempEnvironment::TearDown();
}

void DialogSession::Run(const nlohmann::json& steps) {
  forms::ScriptedUi ui(steps);
  forms::SetBackend(&ui);
  RegisteredDialog(index_)();
  try {
    ui.Finish();
  } catch (const forms::ScriptError& e) {
    std::string transcript;
    for (const auto& line : ui.Transcript()) transcript += line + "\n";
    ADD_FAILURE() << e.what() << "\n" << transcript << "\nLog:\n" << Log();
  }
  boxes_ = ui.ShownMessageBoxes();
  forms::SetBackend(nullptr);
}

void DialogSession::Reopen(const nlohmann::json& steps) {
  doc_->Save();
  Open(steps);
}

void DialogSession::ReopenStoredByWord(const nlohmann::json& steps) {
  doc_->Save();
  korvax::testing::StoreTablesAsWord(path_);
  Open(steps);
}

void DialogSession::Open(const nlohmann::json& steps) {
  doc_.reset();
  doc_ = word::Document::Open(path_);
  Library().order.Doc = doc_;
  Library().order.Application = doc_->Application();
  Run(Script(kErsteTabelle, steps));
}

word::Table DialogSession::Marked(const std::string& key) const {
  word::Tables tables = doc_->Tables();
  for (int i = 1; i <= tables.Count(); ++i) {
    word::Comments comments = tables.Item(i).Range().Comments();
    if (comments.Count() > 0 && comments.Item(1).Range().Text() == key) return tables.Item(i);
  }
  return {};
}

bool DialogSession::Reported(int number, const std::string& where) const {
  const std::string log = Log();
  return log.find("Error " + std::to_string(number) + ": ") != std::string::npos &&
         log.find(text::Utf8ToCp1252("Ort  : " + where)) != std::string::npos;
}

}  // namespace korvax::dialogs::testing
