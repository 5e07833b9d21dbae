// frmKat2 (Nr. 3): billing bases, cost brackets, building parts, shares and
// refused inputs, in the grid and in the invoice.
#include <gtest/gtest.h>

#include <tuple>

#include "dialog_session.hpp"
#include "dialogs/fee_document.hpp"
#include "dialogs/frm_kat2.hpp"
#include "plugin/plugin_state.hpp"
#include "script_steps.hpp"

namespace korvax::dialogs {
namespace {

using namespace testing;  // NOLINT: the script steps

const GridSteps Z{"GridGebühren3"};

class FrmKat2Test : public DialogSession {
 protected:
  FrmKat2Test() : DialogSession(1) {}
};

json Gewählt(const std::string& option) {
  return Has(option, "value", true);
}

// One building typed into the fields and applied with the button.
json Gebäude(const std::string& flst, const std::string& wert, const std::string& teile,
             const std::string& anteil = "1000", const std::string& beschreibung = "Wohnhaus") {
  return json::array({Type("TextBoxFlst", flst), Type("MaskEdBoxWert", wert),
                      Type("MaskEdBoxTeile", teile), Type("MaskEdBoxAnteil", anteil),
                      Type("TextBoxBeschreibung", beschreibung), kApply});
}

// The option the form opens with is 3.1, not the last session's. Enter
// applies, from the description too; the next line keeps the cost, not the
// parts.
TEST_F(FrmKat2Test, OpensWithTheCostsOf31AndEnterApplies) {
  Library().order.Baukosten = 72000;
  Run(Script(Expect("TextBoxFlst", "Flst.Nr. 12/3"), Expect("MaskEdBoxWert", "  72.000"),
             Expect("MaskEdBoxTeile", " 0"), Expect("MaskEdBoxAnteil", "1000"), Gewählt("Option31"),
             Has("chkBereich", "value", 0), Click("Option33"), Expect("LabelWert", "Fläche [m²]"),
             Z(0, 1, "Fläche"), kAbbruch));
  EXPECT_FALSE(forms::FormInstance<FrmKat2>().Kostenmodus());
  Run(Script(Gewählt("Option31"), Z(0, 1, " Baukosten"), Type("MaskEdBoxTeile", "2"),
             Type("MaskEdBoxAnteil", "500"), Expect("MaskEdBoxAnteil", "500 "), kEnter,
             Z.Cells(1, 1, "  72.000", " 2", " 500", "  102,26"), Expect("MaskEdBoxTeile", " 0"),
             Expect("MaskEdBoxWert", "  72.000"), ExpectFocus("TextBoxFlst"),
             Type("TextBoxBeschreibung", "Garage"), kEnter, Z.Rows(3), Z(2, 5, "Garage"),
             kVerwerfen));
}

// One building per row under the option chosen before it, and its fee.
TEST_F(FrmKat2Test, BuildingsArePricedByBasisBracketPartsAndShare) {
  struct Case {
    const char *option, *wert, *teile, *anteil, *fee;
  };
  const Case cases[] = {
      {"Option31", "72000", "3", "1000", "  204,52"},   // parts raise the rate
      {"Option31", "72000", "4", "1000", "  204,52"},   //
      {"Option31", "72000", "6", "1000", "  265,88"},   //
      {"Option31", "72000", "10", "1000", "  265,88"},  //
      {"Option31", "72000", "12", "1000", "  306,78"},  //
      {"Option31", "31000", "1", "1000", "  127,82"},   // the bracket bounds
      {"Option31", "31001", "1", "1000", "  204,52"},   //
      {"Option31", "10226000", "1", "1000", " 4090,34"},
      {"Option31", "10226001", "1", "1000", " 6135,50"},
      {"Option31", "0", "1", "1000", "  127,82"},
      {"Option31", "viel", "3", "1000", "  127,82"},  // not a number: 0, not the top rate
      {"Option31", "72000", "3", "333", "   68,17"},
      {"Option32", "72000", "3", "1000", "   81,81"},  // 40 %
      {"Option32", "72000", "6", "1000", "  106,35"},
      {"Option33", "150", "3", "1000", "   76,69"},  // by area, parts ignored
      {"Option33", "150", "12", "1000", "   76,69"},
      {"Option33", "151", "3", "1000", "  153,39"},
      {"Option33", "3000", "0", "1000", "  306,78"},
      {"Option33", "3001", "0", "1000", "  613,55"},
  };
  json steps = json::array();
  int row = 0;
  std::string option = "Option31";
  for (const Case& c : cases) {
    if (c.option != option) steps = Script(steps, Click(option = c.option));
    steps = Script(steps, Gebäude("Flst.Nr. 1", c.wert, c.teile, c.anteil), Z(++row, 4, c.fee));
  }
  Run(Script(steps, Z(8, 1, "10.226.000"), Z(11, 1, "       0"), Z(15, 1, "     150"), kVerwerfen));
}

// A negative cost or area and a share of 0 or none are refused with a
// message: nothing is applied and the field takes the focus.
TEST_F(FrmKat2Test, NegativeValuesAndNoShareAreRefusedWithAMessage) {
  auto refused = [](const std::string& why) {
    return Answer("OK", why + "; die Zeile wurde nicht übernommen.");
  };
  const std::string kein_anteil = "Der Anteil muss über 0 liegen (in Tausendsteln, 1000 = ganz)";
  Run(Script(Gebäude("Flst.Nr. 1", "-5000", "3"), refused("Baukosten können nicht negativ sein"),
             Z.Rows(2), Z(1, 0, ""), Z(1, 4, ""), ExpectFocus("MaskEdBoxWert"),
             Expect("MaskEdBoxWert", "  -5.000"), Has("MaskEdBoxWert", "sel_length", 8),
             Type("MaskEdBoxWert", "72000"), Type("MaskEdBoxAnteil", "0"), kApply,
             refused(kein_anteil), Z(1, 4, ""), ExpectFocus("MaskEdBoxAnteil"),
             Expect("MaskEdBoxAnteil", "   0"), Clear("MaskEdBoxAnteil"), kApply,
             refused(kein_anteil), Z(1, 4, ""), ExpectFocus("MaskEdBoxAnteil"),
             Type("MaskEdBoxAnteil", "250"), kApply,
             Z.Cells(1, 0, "Flst.Nr. 1", "  72.000", " 3", " 250", "   51,13"), Z.Rows(2),
             Click("Option33"), Gebäude("Flst.Nr. 2", "-150", "0"),
             refused("Eine Fläche kann nicht negativ sein"), Z.Rows(2),
             ExpectFocus("MaskEdBoxWert"), kVerwerfen));
  EXPECT_EQ(boxes_.size(), 5u);
  EXPECT_EQ(boxes_[0].buttons, 48);
}

// The share note follows the description; 333 notes three times the fee.
TEST_F(FrmKat2Test, PartsAndShareNotesInTheSecondLines) {
  Run(Script(Gebäude("Flst.Nr. 3", "72000", "3", "333"), Gebäude("Flst.Nr. 1", "500", "1"),
             Gebäude("Flst.Nr. 2", "500", "0"), kOk));
  word::Table table = Marked("Korvax_2");
  EXPECT_EQ(CellText(table, 2, 1),
            "Flst.Nr. 3\vBaukosten:      72.000;   3 Gebäudeteile\vWohnhaus"
            "\vBetrag :  €   204,51 Ihr Anteil  333/1000");
  EXPECT_EQ(CellText(table, 3, 1), "Flst.Nr. 1\vBaukosten:         500;   1 Gebäudeteil\vWohnhaus");
  EXPECT_EQ(CellText(table, 4, 1), "Flst.Nr. 2\vBaukosten:         500;   0 Gebäudeteil\vWohnhaus");
}

TEST_F(FrmKat2Test, EveryCostRangeIsWrittenAndReloadsItsValue) {
  const std::pair<const char*, const char*> stufen[] = {
      {"1", "  15.000"},         {"31001", "  50.000"},    {"72001", " 100.000"},
      {"153001", " 200.000"},    {"307001", " 400.000"},   {"511001", " 800.000"},
      {"1023001", "1.500.000"},  {"2045001", "3.000.000"}, {"4090001", "8.000.000"},
      {"10226001", "15.000.000"}};
  json steps = json::array();
  json expect = Script(Has("chkBereich", "value", 1), Gewählt("Option31"));
  int row = 0;
  for (const auto& [wert, bereich] : stufen) {
    steps = Script(steps, Gebäude("Flst.Nr. 1", wert, "1"));
    expect = Script(expect, Z(++row, 1, bereich));
  }
  Run(Script(steps, Tick("chkBereich"), kOk));
  EXPECT_EQ(CellText(Marked("Korvax_2"), 3, 1),
            "Flst.Nr. 1\vBaukosten:    31.001 bis 72.000 €;   1 Gebäudeteil\vWohnhaus");
  Reopen(Script(expect, Z(2, 4, "  204,52"), kAbbruch));
}

// Costs that begin like a range text (1.023.000 like "1.023.001 bis ...")
// are costs: they come back as written, with the check box clear.
TEST_F(FrmKat2Test, CostsThatBeginLikeARangeTextReadBackAsThemselves) {
  Run(Script(Gebäude("Flst.Nr. 1", "1023000", "1"), Gebäude("Flst.Nr. 2", "2045009", "1"),
             Gebäude("Flst.Nr. 3", "4090005", "1"), kOk));
  Reopen(Script(Has("chkBereich", "value", 0), Z.Cells(1, 1, "1.023.000", " 1", "1000", "  818,07"),
                Z(2, 1, "2.045.009"), Z(3, 1, "4.090.005"), kAbbruch));
}

// Under each basis what the finish path writes comes back on the next
// opening (fees under 10 € and costs under 100 € included), and finishing
// again unchanged writes the same table.
struct RoundTrip {
  const char* option;
  json lines;
  std::vector<std::tuple<int, int, std::string>> written;
  json reloaded;
  friend void PrintTo(const RoundTrip& r, std::ostream* os) { *os << r.option; }
};

class FrmKat2RoundTrip : public FrmKat2Test, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(FrmKat2RoundTrip, WritesReloadsAndWritesTheSame) {
  Run(Script(Click(GetParam().option), GetParam().lines, kOk));
  const Rows first = TableTexts(Marked("Korvax_2"));
  for (const auto& [row, col, text] : GetParam().written) EXPECT_EQ(first[row][col], text);
  Reopen(Script(Gewählt(GetParam().option), GetParam().reloaded, kOk));
  EXPECT_EQ(TableTexts(Marked("Korvax_2")), first);
  EXPECT_EQ(doc_->Tables().Count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Abrechnung, FrmKat2RoundTrip,
    ::testing::Values(
        RoundTrip{"Option31",
                  Script(Gebäude("Flst.Nr. 1", "72000", "6", "500", "Wohnhaus mit Garage"),
                         Gebäude("Flst.Nr. 2", "45", "1", "10", "Schuppen")),
                  {{0, 0, "Gebäudeaufnahme nach Nr. 3.1"}, {2, 4, "     1,28"}},
                  Script(Z.Rows(3),
                         Z.Cells(1, 0, "Flst.Nr. 1", "  72.000", " 6", " 500", "  132,94",
                                 "Wohnhaus mit Garage"),
                         Z.Cells(2, 1, "      45", " 1", "  10", "    1,28", "Schuppen"),
                         Expect("TextBoxBeschreibung", "Wohnhaus mit Garage"))},
        RoundTrip{"Option33",
                  Script(Gebäude("Flst.Nr. 1", "80", "2", "100", "Carport"),
                         Gebäude("Flst.Nr. 2", "1200", "0")),
                  {{0, 0, "Gebäudeaufnahme nach Nr. 3.3"},
                   {1, 0,
                    "Flst.Nr. 1\vFläche:             80;   2 Gebäudeteile\vCarport"
                    "\vBetrag :  €    76,70 Ihr Anteil  100/1000"},
                   {1, 4, "     7,67"}},
                  Script(Expect("LabelWert", "Fläche [m²]"), Z(0, 1, "Fläche"),
                         Z.Cells(1, 1, "      80", " 2", " 100", "    7,67"), Z(2, 1, "   1.200"),
                         Z(2, 4, "  306,78"))}),
    [](const auto& info) { return std::string(info.param.option); });

TEST_F(FrmKat2Test, ADeletedOnlyLineOffersDefaultsAndIsWrittenAsAnEmptyRow) {
  Run(Script(Gebäude("Flst.Nr. 7", "72000", "3", "500"), Z.Select(1), kLöschen, Z.Rows(2),
             Z.Cells(1, 0, "", "", "", "", ""), Expect("TextBoxFlst", "Flst.Nr. 12/3"),
             Expect("MaskEdBoxAnteil", "1000"), kOk));
  EXPECT_EQ(TableTexts(Marked("Korvax_2")),
            (Rows{{"Gebäudeaufnahme nach Nr. 3.1", "", "", "", ""}, {"", "", "", "", ""}}));
  Reopen(Script(Z.Rows(2), Z(1, 0, ""), Z(1, 4, ""), Gebäude("Flst.Nr. 8", "31000", "0"), Z.Rows(2),
                Z(1, 4, "  127,82"), kVerwerfen));
}

}  // namespace
}  // namespace korvax::dialogs
