// An invoice document in the order context, a fresh table selection dialog,
// and the user's part played by a scripted UI.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "../common/log_fixture.hpp"
#include "../support/docx.hpp"
#include "document/tk_word_auto.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "platform/word/word.hpp"
#include "plugin/g_frm_tabelle.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::testing {

class DocumentTest : public TempEnvironment {
 protected:
  void SetUp() override {
    TempEnvironment::SetUp();
    ResetLibrary();
    SetRememberedTableIndex(0);
    forms::DestroyFormInstances();
  }
  void TearDown() override {
    forms::SetBackend(nullptr);
    forms::DestroyFormInstances();
    ResetLibrary();
    SetRememberedTableIndex(0);
    TempEnvironment::TearDown();
  }

  // Opens the invoice as the host hands it over.
  void Open(const InvoiceBuilder& invoice) {
    path_ = invoice.Write(dir_ / "Rechnung.docx");
    doc_ = word::Document::Open(path_);
    Library().order.Doc = doc_;
    Library().order.Application = doc_->Application();
  }

  // The n-th table of the document, 1-based.
  word::Table TableNo(int n) const { return doc_->Tables().Item(n); }
  // Places the Word cursor in cell (2,2) of the n-th table.
  void CursorIn(int n) const { TableNo(n).Cell(2, 2).Select(); }
  // Places the Word cursor in the last paragraph, outside every table.
  void CursorOutside() const {
    word::Range end = doc_->Content();
    end.Collapse(word::wdCollapseEnd);
    end.Select();
  }

  // Runs f while the script plays the user; fails the test unless the
  // script ran exactly as written.
  template <class F>
  void WithUser(const nlohmann::json& script, F&& f) {
    forms::ScriptedUi ui(script);
    forms::SetBackend(&ui);
    f();
    try {
      ui.Finish();
    } catch (const forms::ScriptError& e) {
      ADD_FAILURE() << e.what();
    }
    forms::SetBackend(nullptr);
  }

  // TabelleErmitteln with the user's answers in the script.
  word::Table Lookup(std::string_view key, const nlohmann::json& script) {
    word::Table found;
    WithUser(script, [&] { found = TabelleErmitteln(key, false); });
    return found;
  }

  std::filesystem::path path_;
  std::shared_ptr<word::Document> doc_;
};

// A script step on the table selection dialog.
inline nlohmann::json OnTabelle(nlohmann::json step) {
  step["form"] = G_frmTabelle::kName;
  return step;
}
inline nlohmann::json Click(const std::string& control) {
  return OnTabelle({{"action", "click"}, {"control", control}});
}
inline nlohmann::json Ok() {
  return Click("cmdEnde");
}
inline nlohmann::json Expect(const std::string& control, const std::string& what,
                             nlohmann::json value) {
  return OnTabelle({{"action", "expect"}, {"control", control}, {what, value}});
}

}  // namespace korvax::testing
