// The korvax command as a user meets it: German help and complaints for
// every subcommand, one set of exit codes, numbers in German notation only,
// and the quotes of korvax fee.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "../common/log_fixture.hpp"
#include "host/cli_numbers.hpp"
#include "run_korvax.hpp"

namespace korvax::testing {
namespace {

using host::GermanNumber;

TEST(GermanNumber, OnlyGermanNotationIsANumber) {
  const std::pair<const char*, double> numbers[] = {
      {"0", 0},   {"350", 350}, {"26,99", 26.99},   {"1.234", 1234}, {"1.234.567,5", 1234567.5},
      {"-5", -5}, {"0,5", 0.5}, {"999.999", 999999}};
  for (const auto& [text, value] : numbers) EXPECT_EQ(GermanNumber(text), value) << text;
  const char* const refused[] = {"26.99", "12.5x",  "1.23", "1234.567", ",5",       "5,",
                                 "1,2,3", " 5",     "+5",   "5 ",       "1e3",      "",
                                 "-",     "1..234", ".123", "1.2345",   "12.345.67"};
  for (const char* text : refused) EXPECT_FALSE(GermanNumber(text)) << text;
}

class KorvaxCommand : public TempEnvironment {
 protected:
  Outcome Korvax(const std::vector<std::string>& arguments) { return RunKorvax(arguments, dir_); }
};

TEST_F(KorvaxCommand, EveryCommandHelpsInGerman) {
  const std::vector<std::vector<std::string>> commands = {
      {},       {"fee"},    {"fee", "nr2"}, {"fee", "nr3"}, {"fee", "nr45"}, {"fee", "nr7"},
      {"show"}, {"totals"}, {"pdf"},        {"version"}};
  for (std::vector<std::string> command : commands) {
    command.push_back("--help");
    const Outcome o = Korvax(command);
    SCOPED_TRACE(command.size() > 1 ? command[command.size() - 2] : "korvax");
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_NE(o.out.find("Aufruf: korvax"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("-h,--help"), std::string::npos) << o.out;
    for (const char* english : {"Usage", "Print this", "OPTIONS", "REQUIRED", "Subcommands",
                                "Options:", "Positionals", " TEXT"}) {
      EXPECT_EQ(o.out.find(english), std::string::npos) << english << " in\n" << o.out;
    }
  }
  const Outcome top = Korvax({"--help"});
  EXPECT_NE(top.out.find("   64  falsche oder fehlende Argumente"), std::string::npos) << top.out;
}

// Every complaint about the arguments: German, naming the command and its
// help, with exit code 64 (kExitUsage) from every subcommand.
TEST_F(KorvaxCommand, BadArgumentsAreToldInGermanWithOneExitCode) {
  const struct {
    std::vector<std::string> arguments;
    const char* message;
  } cases[] = {
      {{}, "korvax: Es fehlt ein Befehl (version, fee, show, totals, pdf, einvoice)."},
      {{"fee"}, "korvax fee: Es fehlt ein Befehl (nr2, nr3, nr45, nr7)."},
      {{"fehlt"},
       "korvax: Unbekannter Befehl \"fehlt\" (version, fee, show, totals, pdf, einvoice)."},
      {{"fee", "nr2", "--area", "350"}, "korvax fee nr2: --land-value fehlt"},
      {{"fee", "nr2", "--area", "350", "--land-value", "26.99"},
       "--land-value: \"26.99\" ist keine Zahl in deutscher Schreibweise; das Dezimalzeichen ist "
       "das Komma: 26,99"},
      {{"fee", "nr2", "--area", "-5", "--land-value", "5"}, "--area: -5 ist negativ"},
      {{"fee", "nr2", "--area", "12.5x", "--land-value", "5"},
       "--area: \"12.5x\" ist keine Zahl in deutscher Schreibweise (Dezimalkomma"},
      {{"fee", "nr2", "--area", "2,5", "--land-value", "5"},
       "--area: \"2,5\" ist keine ganze Zahl"},
      {{"fee", "nr2", "--area", "1", "--land-value", "1,234"},
       "--land-value: \"1,234\" hat mehr als 2 Nachkommastellen"},
      {{"fee", "nr2", "--area", "1", "--land-value", "5", "--share", "1200"},
       "--share: 1200 liegt nicht zwischen 1 und 1.000"},
      {{"fee", "nr2", "--area"}, "korvax fee nr2: --area braucht einen Wert."},
      {{"fee", "nr2", "--area", "1", "--area", "2", "--area", "3", "--share", "1", "--share", "2",
        "--land-value", "5"},
       "--share: 2 Werte für 3 Zeilen"},
      {{"fee", "nr2", "--area", "1", "--land-value", "5", "--reduction"}, "ab 4 Flurstücken"},
      {{"fee", "nr3", "--basis", "3.3", "--cost", "5"}, "Nr. 3.3 rechnet nach der Fläche"},
      {{"fee", "nr45", "--axis", "10", "--in-town", "20"}, "20 m im Ort sind mehr als die Achse"},
      {{"fee", "nr45", "--axis", "10", "--density", "IV"}, "\"IV\" ist keine Kategorie"},
      {{"fee", "nr7", "--land-value", "5", "--7.1", "2", "--bogus"},
       "Unbekanntes Argument: --bogus"},
      {{"show", "--db", "x", "--doc", "y", "--user", "1", "--index", "9", "--script", "z"},
       "korvax show: --index 9: keine Gebührenart (0 Nr. 2, 1 Nr. 3, 2 Nr. 4/5, 3 Nr. 7)"},
      {{"show", "--db", "x", "--doc", "y", "--user", "1", "--index", "3", "--script", "z", "--set",
        "Bodenwert=26.99"},
       "--set \"Bodenwert=26.99\": keine Zahl in deutscher Schreibweise"},
      {{"totals", "--db", "x", "--doc", "y", "--user", "1"}, "korvax totals: --invoice fehlt"},
      {{"pdf"}, "korvax pdf: DOKUMENT fehlt."},
  };
  for (const auto& c : cases) {
    const Outcome o = Korvax(c.arguments);
    SCOPED_TRACE(c.message);
    EXPECT_EQ(o.code, 64);
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
    EXPECT_EQ(o.out, "");
  }
}

// The example: 26,99 €/m² is 26.99, not 2.699 (465,28 instead of 1.022,58).
TEST_F(KorvaxCommand, FeePrintsAGermanBreakdown) {
  const Outcome o = Korvax({"fee", "nr2", "--area", "350", "--area", "1.200", "--land-value",
                            "26,99", "--share", "333", "--share", "1000", "--vat", "19"});
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(o.out,
            "Flurstückszerlegung nach Nr. 2.1\n"
            "  Zeile 1: 350 m², Bodenwert 26,99 €/m², Anteil 333/1000              155,09 €\n"
            "      Gebührentabelle 465,28 €, davon ein Drittel (Anteil 333/1000)\n"
            "  Zeile 2: 1.200 m², Bodenwert 26,99 €/m²                             720,92 €\n"
            "      Gebührentabelle 720,92 €\n"
            "  Summe (netto)                                                       876,01 €\n"
            "  Umsatzsteuer 19 %                                                   166,44 €\n"
            "  Gesamtbetrag                                                      1.042,45 €\n");
}

// One quote per category with the cases the fee rules name, as JSON.
TEST_F(KorvaxCommand, FeeQuotesEveryCategoryAsJson) {
  const struct {
    std::vector<std::string> arguments;
    std::vector<double> amounts;
  } cases[] = {
      {{"nr2", "--area", "150000", "--land-value", "5", "--unmarked", "3", "--new-points", "3"},
       {2597.37, -230.07, 600}},
      {{"nr3", "--basis", "3.2", "--cost", "72.000", "--parts", "3"}, {81.81}},
      {{"nr3", "--basis", "3.3", "--area", "151", "--share", "500"}, {76.70}},
      {{"nr45", "--item", "5.1.4", "--axis", "120", "--in-town", "120"}, {552, 110.40}},
      {{"nr7", "--7.3", "1", "--land-value", "2", "--new-points", "7"}, {38.34, 111.66, 400}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> arguments = {"fee", "--json"};
    arguments.insert(arguments.begin() + 1, c.arguments.begin(), c.arguments.end());
    const Outcome o = Korvax(arguments);
    SCOPED_TRACE(c.arguments.front());
    ASSERT_EQ(o.code, 0) << o.err;
    const nlohmann::json quote = nlohmann::json::parse(o.out);
    ASSERT_EQ(quote["rows"].size(), c.amounts.size()) << o.out;
    double net = 0;
    for (size_t i = 0; i < c.amounts.size(); ++i) {
      EXPECT_DOUBLE_EQ(quote["rows"][i]["amount"].get<double>(), c.amounts[i]) << o.out;
      net += c.amounts[i];
    }
    EXPECT_NEAR(quote["net"].get<double>(), net, 1e-9);
    EXPECT_EQ(quote["category"], c.arguments.front());
  }
}

}  // namespace
}  // namespace korvax::testing
