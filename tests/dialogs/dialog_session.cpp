#include "dialog_session.hpp"

#include "common/text.hpp"
#include "dialogs/register.hpp"
#include "document/tk_word_auto.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "plugin/dialog_registry.hpp"
#include "plugin/plugin_state.hpp"

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
  order.AnzahlGrenzpunkte = 4;
  order.Bodenwert = 12;
}

void DialogSession::TearDown() {
  forms::SetBackend(nullptr);
  forms::DestroyFormInstances();
  ResetLibrary();
  doc_.reset();
  TempEnvironment::TearDown();
}

void DialogSession::Run(const nlohmann::json& steps, int index) {
  forms::ScriptedUi ui(steps);
  forms::SetBackend(&ui);
  RegisteredDialog(index)();
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

void DialogSession::Reopen() {
  doc_->Save();
  doc_.reset();
  doc_ = word::Document::Open(path_);
  Library().order.Doc = doc_;
  Library().order.Application = doc_->Application();
}

word::Table DialogSession::Marked(const std::string& key) const {
  word::Tables tables = doc_->Tables();
  for (int i = 1; i <= tables.Count(); ++i) {
    word::Comments comments = tables.Item(i).Range().Comments();
    if (comments.Count() > 0 && comments.Item(1).Range().Text() == key) return tables.Item(i);
  }
  return {};
}

bool DialogSession::Reported(const std::string& where) const {
  return Log().find(text::Utf8ToCp1252("Ort  : " + where)) != std::string::npos;
}

}  // namespace korvax::dialogs::testing
