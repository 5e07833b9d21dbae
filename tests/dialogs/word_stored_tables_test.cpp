// Category tables as Word stores them after the invoice was opened and saved
// there: rows with cells of their own widths (reductions, the minimum fee,
// in-town rows) make Word keep a grid of every cell boundary, with cells
// spanning several of its columns. Every dialog reads such a table back
// whole, and without a failure in the log.
#include <gtest/gtest.h>

#include "dialog_session.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using namespace testing;  // NOLINT: the script steps

struct Case {
  const char* name;
  int index;
  const char* key;
  json lines;  // typed into a fresh dialog, finished with OK
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class WordStoredTables : public DialogSession, public ::testing::WithParamInterface<Case> {
 protected:
  WordStoredTables() : DialogSession(GetParam().index) {}
};

TEST_P(WordStoredTables, ReadBackWholeWithoutAFailure) {
  Library().settings.AbschlagProzent = 100;
  Library().settings.Mehrwertsteuersatz = 19;
  Run(Script(GetParam().lines, kOk));
  const Rows written = TableTexts(Marked(GetParam().key));
  ReopenStoredByWord(kOk);
  EXPECT_EQ(TableTexts(Marked(GetParam().key)), written);
}

json Nr2(const std::string& flst, const std::string& anteil) {
  return json::array({Type("TextBoxFlst", flst), Type("MaskEdBoxFläche", "100"),
                      Type("MaskEdBoxWert", "12,"), Type("MaskEdBoxAnteil", anteil), kApply});
}

const Case kCases[] = {
    {"Nr2WithBothReductions", 0, "Korvax_1",
     Script(Nr2("Flst.Nr. 1", "500"), Nr2("Flst.Nr. 2", "1000"), Nr2("Flst.Nr. 3", "1000"),
            Nr2("Flst.Nr. 4", "1000"), Tick("CheckBoxErmäßigung"),
            Type("MaskEdBoxAbmarkung", "3"))},
    {"Nr3", 1, "Korvax_2",
     Script(Type("MaskEdBoxWert", "72000"), Type("MaskEdBoxTeile", "3"),
            Type("MaskEdBoxAnteil", "500"), Type("TextBoxBeschreibung", "Wohnhaus"), kApply)},
    {"Nr45WithAnInTownRow", 2, "Korvax_3",
     Script(Type("TextBoxFlst", "Weg"), Type("MaskEdBoxAchse", "120"), Type("MaskEdBoxImOrt", "40"),
            kApply, Type("TextBoxFlst", "Graben"), Type("MaskEdBoxAchse", "80"),
            Type("MaskEdBoxImOrt", "0"), kApply)},
    {"Nr7WithTheMinimumFee", 3, "Korvax_4",
     Script(Line("Flst.Nr. 7", "0", "0", "1", "2,", "500"),
            Line("Flst.Nr. 8", "2", "0", "0", "12,"), Type("mskneueAP", "3"))},
};

INSTANTIATE_TEST_SUITE_P(FeeDialogs, WordStoredTables, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvax::dialogs
