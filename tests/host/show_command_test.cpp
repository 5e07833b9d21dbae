// korvax show, run as the office software would run it: exit codes and
// messages for bad arguments and files, and a whole run on a small office
// database and invoice.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../common/log_fixture.hpp"
#include "../support/docx.hpp"
#include "../plugin/host_database.hpp"

namespace korvax::testing {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Outcome {
  int code = -1;
  std::string out;
  std::string err;
};

class ShowCommandTest : public TempEnvironment {
 protected:
  void SetUp() override {
    TempEnvironment::SetUp();
    database_ = dir_ / "office.sqlite";
    CreateHostDatabase(database_);
    invoice_ = InvoiceBuilder()
                   .Paragraph("Rechnung 2026-0017")
                   .Table("Korvax_4")
                   .Table("Korvax_4A")
                   .Write(dir_ / "invoice.docx");
    script_ = dir_ / "actions.json";
    Write(script_, "[]");
  }

  void Write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

  // Runs korvax with the arguments; the log and settings stay in dir_.
  Outcome Korvax(const std::vector<std::string>& arguments) {
    std::string command = Quote(KORVAX_BINARY_DIR "/src/host/korvax");
    for (const std::string& a : arguments) command += " " + Quote(a);
    command +=
        " >" + Quote((dir_ / "out.txt").string()) + " 2>" + Quote((dir_ / "err.txt").string());
    const int status = std::system(command.c_str());
    Outcome outcome;
    outcome.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = Read(dir_ / "out.txt");
    outcome.err = Read(dir_ / "err.txt");
    return outcome;
  }

  // A complete call: the options of `extra` replace those of the same name
  // and the rest are added.
  std::vector<std::string> Call(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> call = {
        "show",   "--db", database_.string(), "--doc", invoice_.string(),
        "--user", "7",    "--index",          "9"};
    for (size_t i = 0; i < extra.size(); ++i) {
      const bool has_value = i + 1 < extra.size() && extra[i + 1].rfind("--", 0) != 0;
      auto at = std::find(call.begin() + 1, call.end(), extra[i]);
      if (at != call.end() && has_value && extra[i] != "--set") {
        *(at + 1) = extra[++i];
        continue;
      }
      call.push_back(extra[i]);
      if (has_value) call.push_back(extra[++i]);
    }
    return call;
  }

  fs::path database_;
  fs::path invoice_;
  fs::path script_;
};

TEST_F(ShowCommandTest, HelpExplainsEveryOption) {
  const Outcome o = Korvax({"show", "--help"});
  EXPECT_EQ(o.code, 0);
  for (const char* option : {"--db", "--doc", "--user", "--index", "--invoice", "--set",
                             "--cursor-table", "--script", "--gui"}) {
    EXPECT_NE(o.out.find(option), std::string::npos) << option;
  }
  EXPECT_NE(o.out.find("Rückgabewerte"), std::string::npos);
}

TEST_F(ShowCommandTest, ABadNumberIsRefused) {
  const Outcome o = Korvax(Call({"--user", "sieben", "--script", script_.string()}));
  EXPECT_EQ(o.code, 64);
  EXPECT_NE(o.err.find("\"sieben\" ist keine ganze Zahl"), std::string::npos) << o.err;
}

TEST_F(ShowCommandTest, AnUnknownArgumentIsRefused) {
  const Outcome o = Korvax(Call({"--script", script_.string(), "--verbose"}));
  EXPECT_EQ(o.code, 64);
  EXPECT_NE(o.err.find("unbekanntes Argument \"--verbose\""), std::string::npos) << o.err;
}

TEST_F(ShowCommandTest, AMissingOptionIsNamed) {
  const Outcome o = Korvax({"show", "--db", database_.string(), "--script", script_.string()});
  EXPECT_EQ(o.code, 64);
  EXPECT_NE(o.err.find("--doc fehlt"), std::string::npos) << o.err;
}

TEST_F(ShowCommandTest, AnIndexOutsideSixteenBitsIsRefused) {
  const Outcome o = Korvax(Call({"--index", "40000", "--script", script_.string()}));
  EXPECT_EQ(o.code, 64);
  EXPECT_NE(o.err.find("liegt nicht zwischen -32768 und 32767"), std::string::npos) << o.err;
}

TEST_F(ShowCommandTest, AMissingDocumentIsNamed) {
  const Outcome o =
      Korvax(Call({"--doc", (dir_ / "fehlt.docx").string(), "--script", script_.string()}));
  EXPECT_EQ(o.code, 66);
  EXPECT_NE(o.err.find("fehlt.docx\" gibt es nicht"), std::string::npos) << o.err;
}

TEST_F(ShowCommandTest, AFileThatIsNoDocxIsRefused) {
  Write(invoice_, "Rechnung als Text");
  const Outcome o = Korvax(Call({"--script", script_.string()}));
  EXPECT_EQ(o.code, 65);
  EXPECT_NE(o.err.find("ist kein lesbares Word-Dokument (.docx)"), std::string::npos) << o.err;
  EXPECT_EQ(Read(invoice_), "Rechnung als Text");
}

TEST_F(ShowCommandTest, AScriptThatIsNoJsonIsRefused) {
  Write(script_, "[{\"action\": ");
  const Outcome o = Korvax(Call({"--script", script_.string()}));
  EXPECT_EQ(o.code, 65);
  EXPECT_NE(o.err.find("ist fehlerhaft"), std::string::npos) << o.err;
}

TEST_F(ShowCommandTest, ADatabaseThatIsNoDatabaseIsRefused) {
  const Outcome o = Korvax(Call({"--db", script_.string(), "--script", script_.string()}));
  EXPECT_EQ(o.code, 65);
  EXPECT_NE(o.err.find("lässt sich nicht öffnen"), std::string::npos) << o.err;
}

TEST_F(ShowCommandTest, AnUnknownInvoiceIsPointedOutAndTheRunGoesOn) {
  const Outcome o = Korvax(Call({"--invoice", "999", "--script", script_.string()}));
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_NE(o.err.find("keine Rechnung mit ID_Rechnungsnummer 999"), std::string::npos) << o.err;
}

TEST_F(ShowCommandTest, GuiAndScriptExcludeEachOther) {
  const Outcome o = Korvax(Call({"--gui", "--script", script_.string()}));
  EXPECT_EQ(o.code, 64);
  EXPECT_NE(o.err.find("schließen sich aus"), std::string::npos) << o.err;
}

TEST_F(ShowCommandTest, APropertyValueThatDoesNotConvertIsRefused) {
  const Outcome o = Korvax(Call({"--set", "Fläche=zwölf", "--script", script_.string()}));
  EXPECT_EQ(o.code, 64);
  EXPECT_NE(o.err.find("--set \"Fläche=zwölf\""), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("(Fehler 13)"), std::string::npos) << o.err;
}

TEST_F(ShowCommandTest, ACursorTableBeyondTheDocumentIsRefused) {
  const Outcome o = Korvax(Call({"--cursor-table", "3", "--script", script_.string()}));
  EXPECT_EQ(o.code, 64);
  EXPECT_NE(o.err.find("die Rechnung hat 2 Tabelle(n)"), std::string::npos) << o.err;
}

TEST_F(ShowCommandTest, ShowWithAnIndexWithoutDialogLeavesTheInvoiceAlone) {
  const std::string before = Read(invoice_);
  const Outcome o =
      Korvax(Call({"--invoice", "17", "--set", "Fläche=12,5", "--set", "Achslänge=2,5",
                   "--cursor-table", "2", "--script", script_.string()}));
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_NE(o.out.find("Rechnung unverändert"), std::string::npos) << o.out;
  EXPECT_EQ(Read(invoice_), before);
  EXPECT_EQ(LogEntries(), 0);
}

TEST_F(ShowCommandTest, AScriptWithStepsNoDialogTookFails) {
  Write(script_, R"([{"form": "G_frmTabelle", "action": "click", "control": "cmdEnde"}])");
  const std::string before = Read(invoice_);
  const Outcome o = Korvax(Call({"--script", script_.string()}));
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("Das Skript lief nicht wie geschrieben"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("nicht gespeichert"), std::string::npos) << o.err;
  EXPECT_EQ(Read(invoice_), before);
}

TEST_F(ShowCommandTest, TheTableSelectionOffersTheTablesOfTheCategoryAndTheCursorTable) {
  invoice_ =
      InvoiceBuilder().Table("Korvax_4").Table("Korvax_4").Table().Write(dir_ / "invoice.docx");
  Write(script_, R"js([
    {"form": "G_frmTabelle", "action": "expect", "control": "optTabelle(1)", "enabled": true
},
    {"form": "G_frmTabelle", "action": "expect", "control": "optTabelle(2)", "enabled": false},
    {"form": "G_frmTabelle", "action": "expect", "control": "optAktTabelle", "enabled": true},
    {"form": "G_frmTabelle", "action": "click", "control": "optTabelle(1)"},
    {"form": "G_frmTabelle", "action": "click", "control": "cmdEnde"},
    {"form": "frmKat4", "action": "click", "control": "CommandAbbruch"}
  ])js");
  const std::string before = Read(invoice_);
  const Outcome o =
      Korvax(Call({"--index", "3", "--cursor-table", "3", "--script", script_.string()}));
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_NE(o.out.find("Rechnung unverändert"), std::string::npos) << o.out;
  EXPECT_EQ(Read(invoice_), before);
}

TEST_F(ShowCommandTest, AnUnknownUserIsLoggedAndTheRunGoesOn) {
  const Outcome o = Korvax(Call({"--user", "99", "--script", script_.string()}));
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_NE(o.err.find("Fehler wurden protokolliert"), std::string::npos) << o.err;
  EXPECT_GE(LogEntries(), 1);
  EXPECT_NE(Log().find("Ort  : Rechnung.Show"), std::string::npos);
}

}  // namespace
}  // namespace korvax::testing
