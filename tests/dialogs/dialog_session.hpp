// A small invoice document ("Rechnung Nr. 1") and a scripted session of a
// fee dialog on it; the order context offers parcel 12/3 of 100 m², 4
// boundary points and a land value of 12 €/m².
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "../common/log_fixture.hpp"
#include "../support/docx.hpp"
#include "common/ports.hpp"
#include "platform/word/word.hpp"

namespace korvax::dialogs::testing {

using korvax::testing::TableTexts;
using Rows = std::vector<std::vector<std::string>>;

// Each test ends with as many log entries as it sets in log_entries_, none
// unless it says so.
class DialogSession : public korvax::testing::TempEnvironment {
 protected:
  // `index`: the dialog that Show opens with it.
  explicit DialogSession(int index = 3) : index_(index) {}
  void SetUp() override;
  void TearDown() override;

  // Plays the script against the dialog; fails the test with the transcript
  // when the script does not go to plan.
  void Run(const nlohmann::json& steps);
  // Saves the document, opens it again from the file as the next call from
  // the host would find it, and plays the script after choosing the first
  // marked table.
  void Reopen(const nlohmann::json& steps);
  // The same after the tables were stored as Word stores them (cells that
  // span several columns of a grid of every cell boundary).
  void ReopenStoredByWord(const nlohmann::json& steps);
  // The table whose first comment is the key, or an empty table.
  word::Table Marked(const std::string& key) const;
  // The log holds the error `number` reported at "<form>.<operation>".
  bool Reported(int number, const std::string& where) const;

  // Opens the saved document as the next call from the host would find it
  // and plays the script after choosing the first marked table.
  void Open(const nlohmann::json& steps);

  int index_;
  int log_entries_ = 0;
  // The message boxes the last Run showed.
  std::vector<MessageBoxRequest> boxes_;
  std::filesystem::path path_;
  std::shared_ptr<word::Document> doc_;
};

}  // namespace korvax::dialogs::testing
