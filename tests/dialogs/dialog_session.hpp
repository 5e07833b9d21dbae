// A small invoice document ("Rechnung Nr. 1") and a scripted session of a
// fee dialog on it; the order context offers parcel 12/3, 4 boundary points
// and a land value of 12 €/m².
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

class DialogSession : public korvax::testing::TempEnvironment {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Plays the script against the dialog that Show opens with `index`;
  // fails the test with the transcript when the script does not go to plan.
  void Run(const nlohmann::json& steps, int index = 3);
  // Saves the document and opens it again from the file, as the next call
  // from the host would find it.
  void Reopen();
  // The table whose first comment is the key, or an empty table.
  word::Table Marked(const std::string& key) const;
  // The log holds an entry reported at "<form>.<operation>".
  bool Reported(const std::string& where) const;

  // The message boxes the last Run showed.
  std::vector<MessageBoxRequest> boxes_;
  std::filesystem::path path_;
  std::shared_ptr<word::Document> doc_;
};

}  // namespace korvax::dialogs::testing
