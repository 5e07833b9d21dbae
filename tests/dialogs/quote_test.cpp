// Quotes against the dialogs: random lines typed into each fee dialog and
// finished with OK give, row by row and to the character, the amounts that
// the quote of the same lines gives (what korvax fee prints).
#include <gtest/gtest.h>

#include <random>

#include "common/funktionen.hpp"
#include "common/variant.hpp"
#include "dialog_session.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat3.hpp"
#include "dialogs/quote.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using namespace testing;  // NOLINT: the script steps

template <int kIndex>
class QuoteAgainstDialog : public DialogSession, public ::testing::WithParamInterface<unsigned> {
 protected:
  QuoteAgainstDialog() : DialogSession(kIndex), random_(GetParam()) {}

  void SetUp() override {
    DialogSession::SetUp();
    Library().settings.AbschlagProzent = 100;  // the totals of Nr. 2: a whole invoice
  }

  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  int Share() {
    const int shares[] = {1000, 1000, 500, 333, Between(1, 999)};
    return shares[Between(0, 4)];
  }
  // A land value with cents, typed as the user would ("26,09").
  std::string Typed(int cents) {
    const std::string rest = std::to_string(cents % 100);
    return std::to_string(cents / 100) + "," + (rest.size() == 1 ? "0" : "") + rest;
  }

  // The amount cells of the table marked `key`, below its header, then that
  // of the sub-table marked `sub`.
  void ExpectAmounts(const Quote& quote, const std::string& key, const std::string& sub = "") {
    std::vector<std::string> cells;
    const word::Table table = Marked(key);
    ASSERT_TRUE(table) << key;
    for (int row = 2; row <= table.Rows().Count(); ++row) cells.push_back(CellText(table, row, 5));
    if (!sub.empty() && Marked(sub)) cells.push_back(CellText(Marked(sub), 2, 5));
    ASSERT_EQ(cells.size(), quote.rows.size());
    for (size_t i = 0; i < cells.size(); ++i) {
      EXPECT_EQ(cells[i], quote.rows[i].amount) << quote.rows[i].text;
      EXPECT_EQ(CVal(cells[i]), quote.rows[i].value);
    }
  }

  std::mt19937 random_;
};

using Nr2 = QuoteAgainstDialog<0>;
using Nr3 = QuoteAgainstDialog<1>;
using Nr45 = QuoteAgainstDialog<2>;
using Nr7 = QuoteAgainstDialog<3>;

TEST_P(Nr2, LinesReductionsAndNewPointsAsTheDialogWritesThem) {
  OrderNr2 order;
  json steps = json::array();
  const int lines = Between(1, 6);
  for (int i = 0; i < lines; ++i) {
    const int area = Between(0, 3) == 0 ? Between(100001, 400000) : Between(0, 100000);
    const int cents = Between(0, 40000);
    const int share = Share();
    order.lines.push_back({double(area), cents / 100.0, share});
    steps =
        Script(steps, Type("TextBoxFlst", "Flst.Nr. " + std::to_string(i)),
               Type("MaskEdBoxFläche", std::to_string(area)), Type("MaskEdBoxWert", Typed(cents)),
               Type("MaskEdBoxAnteil", std::to_string(share)), kApply);
  }
  order.unmarked_points = Between(0, 12);
  order.reduction = lines >= 4 && Between(0, 1) == 1;
  order.new_points = Between(0, 4);
  steps = Script(steps, Type("MaskEdBoxAbmarkung", std::to_string(order.unmarked_points)),
                 Type("mskneueAP", std::to_string(order.new_points)));
  if (order.reduction) steps = Script(steps, Tick("CheckBoxErmäßigung"));
  Run(Script(steps, kOk));
  ExpectAmounts(QuoteNr2(order), "Korvax_1", "Korvax_1A");
}

TEST_P(Nr3, BuildingsOnEachBasisAsTheDialogWritesThem) {
  const char* const options[] = {"Option31", "Option32", "Option33"};
  OrderNr3 order;
  order.basis = static_cast<Abrechnung>(Between(0, 2));
  json steps = Script(Click(options[static_cast<int>(order.basis)]));
  const int lines = Between(1, 5);
  for (int i = 0; i < lines; ++i) {
    const int wert = order.basis == Abrechnung::k33 ? Between(0, 4000) : Between(0, 12000000);
    const int parts = Between(0, 14);
    const int share = Share();
    order.lines.push_back({double(wert), parts, share});
    steps = Script(steps, Type("TextBoxFlst", "Flst.Nr. " + std::to_string(i)),
                   Type("MaskEdBoxWert", std::to_string(wert)),
                   Type("MaskEdBoxTeile", std::to_string(parts)),
                   Type("MaskEdBoxAnteil", std::to_string(share)), kApply);
  }
  Run(Script(steps, kOk));
  ExpectAmounts(QuoteNr3(order), "Korvax_2");
}

TEST_P(Nr45, AxesAndInTownSurchargesAsTheDialogWritesThem) {
  std::vector<LineNr45> order;
  json steps = json::array();
  const int lines = Between(1, 5);
  for (int i = 0; i < lines; ++i) {
    LineNr45 line;
    line.item = std::string(kPositionen[Between(0, 3)]);
    line.density = Between(1, 3);
    line.axis = Between(1, 40000);
    line.in_town = Between(0, 1) == 0 ? 0 : Between(1, static_cast<int>(line.axis));
    order.push_back(line);
    steps = Script(steps, Type("TextBoxFlst", "Leitung " + std::to_string(i)),
                   Choose("ComboBox4", line.item),
                   Choose("comFlurstücksdichte", std::string(kFlurstücksdichten[line.density - 1])),
                   Type("MaskEdBoxAchse", GeneralNumber(line.axis)),
                   Type("MaskEdBoxImOrt", GeneralNumber(line.in_town)), kApply);
  }
  Run(Script(steps, kOk));
  ExpectAmounts(QuoteNr45(order), "Korvax_3");
  // An axis beyond the order context's 32767 m is priced whole and reported.
  for (const LineNr45& line : order) log_entries_ += line.axis > INT16_MAX ? 1 : 0;
}

TEST_P(Nr7, PointsMinimumFeeAndNewPointsAsTheDialogWritesThem) {
  OrderNr7 order;
  json steps = json::array();
  const int lines = Between(1, 5);
  for (int i = 0; i < lines; ++i) {
    LineNr7 line{Between(0, 6), Between(0, 3), Between(0, 2), 0, Share()};
    const int cents = Between(0, 40000);
    line.land_value = cents / 100.0;
    order.lines.push_back(line);
    steps = Script(steps, Line("Flst.Nr. " + std::to_string(i), std::to_string(line.points71),
                               std::to_string(line.points72), std::to_string(line.points73),
                               Typed(cents), std::to_string(line.share)));
  }
  order.new_points = Between(0, 3);
  Run(Script(steps, Type("mskneueAP", std::to_string(order.new_points)), kOk));
  ExpectAmounts(QuoteNr7(order), "Korvax_4", "Korvax_4A");
}

INSTANTIATE_TEST_SUITE_P(Seeds, Nr2, ::testing::Values(1u, 2u, 3u, 4u));
INSTANTIATE_TEST_SUITE_P(Seeds, Nr3, ::testing::Values(1u, 2u, 3u, 4u));
INSTANTIATE_TEST_SUITE_P(Seeds, Nr45, ::testing::Values(1u, 2u, 3u, 4u));
INSTANTIATE_TEST_SUITE_P(Seeds, Nr7, ::testing::Values(1u, 2u, 3u, 4u));

}  // namespace
}  // namespace korvax::dialogs
