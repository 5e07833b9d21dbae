// frmKat4 in scripted sessions: brackets, rates, shares and the input fields.
#include <gtest/gtest.h>

#include "dialogs/frm_kat4.hpp"
#include "docx_fixture.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using nlohmann::json;
using namespace testing;  // NOLINT: the script steps

class FrmKat4Test : public testing::DialogSession {};

TEST_F(FrmKat4Test, CountsAtTwelveGiveTheRateOfBracketThree) {
  Run(Script({Line("Flst.Nr. 1", "1", "0", "0", "12,"), ExpectCell(1, 6, "   46,02"),
              ExpectCell(1, 4, "   12,00"), kAbbruch}));
  EXPECT_EQ(LogEntries(), 0) << Log();
}

TEST_F(FrmKat4Test, TypingDecimalsAfterTheComma) {
  Run(Script({Type("MaskEdBoxWert", "256,01"), Expect("MaskEdBoxWert", "  256,01"), kAbbruch}));
}

}  // namespace
}  // namespace korvax::dialogs
