// frmKat4 in scripted sessions: brackets, rates, shares and the input fields.
#include <gtest/gtest.h>

#include "dialogs/frm_kat4.hpp"
#include "docx_fixture.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::dialogs {
namespace {

using nlohmann::json;

class FrmKat4Test : public testing::DialogSession {};

// Steps that type one line into the fields and apply it with the button.
json Line(const std::string& flst, const std::string& n71, const std::string& n72,
          const std::string& n73, const std::string& wert, const std::string& anteil = "1000") {
  return json::array({
      {{"action", "type"}, {"control", "TextBoxFlst"}, {"text", flst}, {"replace", true}},
      {{"action", "type"}, {"control", "MaskEdBox7_1"}, {"text", n71}, {"replace", true}},
      {{"action", "type"}, {"control", "MaskEdBox7_2"}, {"text", n72}, {"replace", true}},
      {{"action", "type"}, {"control", "MaskEdBox7_3"}, {"text", n73}, {"replace", true}},
      {{"action", "type"}, {"control", "MaskEdBoxWert"}, {"text", wert}, {"replace", true}},
      {{"action", "type"}, {"control", "MaskEdBoxAnteil"}, {"text", anteil}, {"replace", true}},
      {{"action", "click"}, {"control", "CommandÜbernehmen"}},
  });
}

json Script(std::initializer_list<json> parts) {
  json steps = json::array();
  for (const auto& part : parts) {
    if (part.is_array()) {
      for (const auto& s : part) steps.push_back(s);
    } else {
      steps.push_back(part);
    }
  }
  return steps;
}

json ExpectCell(int row, int col, const std::string& text) {
  return {{"action", "expect"}, {"control", "GridGebühren6"}, {"cell", {row, col}}, {"text", text}};
}

const json kAbbruch = {{"action", "click"}, {"control", "CommandAbbruch"}};

TEST_F(FrmKat4Test, CountsAtTwelveGiveTheRateOfBracketThree) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "12,"), ExpectCell(1, 6, "   46,02"),
              ExpectCell(1, 4, "   12,00"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

}  // namespace
}  // namespace korvax::dialogs
