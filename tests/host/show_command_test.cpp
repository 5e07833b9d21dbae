// korvax show, run as the office software would run it: exit codes and
// messages for bad arguments and files, and a whole run on a small office
// database and invoice.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../common/log_fixture.hpp"
#include "../plugin/host_database.hpp"
#include "../support/docx.hpp"
#include "platform/word/word.hpp"
#include "run_korvax.hpp"

namespace korvax::testing {
namespace {

namespace fs = std::filesystem;

// The Nr. 3 dialog, which the test invoice has no table for, left at once.
constexpr const char* kAbbruch =
    R"([{"form": "frmKat2", "action": "click", "control": "CommandAbbruch"}])";

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
    Write(script_, kAbbruch);
  }

  void Write(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

  // Runs korvax with the arguments; the log and settings stay in dir_.
  Outcome Korvax(const std::vector<std::string>& arguments) { return RunKorvax(arguments, dir_); }

  // A complete call with the script of script_: the options of `extra`
  // replace those of the same name and the rest are added.
  std::vector<std::string> Call(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> call = {
        "show",    "--db", database_.string(), "--doc",         invoice_.string(), "--user", "7",
        "--index", "1",    "--script",         script_.string()};
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

// Bad arguments and files: the exit code and the German message; the invoice
// stays as it was.
TEST_F(ShowCommandTest, RefusalsGiveTheirExitCodeAndNameTheCause) {
  struct Case {
    std::vector<std::string> arguments;
    int code;
    std::string message;
  };
  const Case cases[] = {
      {Call({"--user", "sieben"}), 64, "\"sieben\" ist keine ganze Zahl"},
      {Call({"--verbose"}), 64, "unbekanntes Argument \"--verbose\""},
      {{"show", "--db", database_.string(), "--script", script_.string()}, 64, "--doc fehlt"},
      {Call({"--index", "40000"}), 64, "liegt nicht zwischen -32768 und 32767"},
      {Call({"--gui"}), 2, "Qt-Dialoge"},
      {Call({"--set", "Fläche=zwölf"}), 64,
       "--set \"Fläche=zwölf\": keine Zahl in deutscher Schreibweise"},
      {Call({"--set", "Flurstücksnummer"}), 64, "erwartet Eigenschaft=Wert"},
      {Call({"--cursor-table", "3"}), 64, "die Rechnung hat 2 Tabelle(n)"},
      {Call({"--doc", (dir_ / "fehlt.docx").string()}), 66, "fehlt.docx\" gibt es nicht"},
      {Call({"--db", script_.string()}), 65, "lässt sich nicht öffnen"},
  };
  const std::string before = ReadFile(invoice_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const Outcome o = Korvax(c.arguments);
    EXPECT_EQ(o.code, c.code);
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err;
  }
  EXPECT_EQ(ReadFile(invoice_), before);
}

TEST_F(ShowCommandTest, FilesThatDoNotParseAreRefused) {
  Write(script_, "[{\"action\": ");
  Outcome o = Korvax(Call());
  EXPECT_EQ(o.code, 65);
  EXPECT_NE(o.err.find("ist fehlerhaft"), std::string::npos) << o.err;

  Write(script_, kAbbruch);
  Write(invoice_, "Rechnung als Text");
  o = Korvax(Call());
  EXPECT_EQ(o.code, 65);
  EXPECT_NE(o.err.find("ist kein lesbares Word-Dokument (.docx)"), std::string::npos) << o.err;
  EXPECT_EQ(ReadFile(invoice_), "Rechnung als Text");
}

TEST_F(ShowCommandTest, AnUnknownInvoiceOrUserIsPointedOutAndTheRunGoesOn) {
  Outcome o = Korvax(Call({"--invoice", "999"}));
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_NE(o.err.find("keine Rechnung mit ID_Rechnungsnummer 999"), std::string::npos) << o.err;
  EXPECT_EQ(LogEntries(), 0);

  // A user without settings: the dialog still opens, but the run says what it logged.
  o = Korvax(Call({"--user", "99"}));
  EXPECT_EQ(o.code, 3) << o.err;
  EXPECT_NE(o.err.find("fertig, mit Fehlern (14 Einträge im Fehlerprotokoll"), std::string::npos)
      << o.err;
  EXPECT_NE(o.err.find("Fehler 3021 in Rechnung.Show (Schritt 400): Kein aktueller Datensatz."),
            std::string::npos)
      << o.err;
  EXPECT_EQ(LogEntries(), 14);
  EXPECT_NE(Log().find("Ort  : Rechnung.Show"), std::string::npos);
}

TEST_F(ShowCommandTest, ADialogLeftWithAbbruchLeavesTheInvoiceAlone) {
  const std::string before = ReadFile(invoice_);
  const Outcome o = Korvax(Call({"--invoice", "17", "--set", "Fläche=12,5", "--set",
                                 "Achslänge=2,5", "--cursor-table", "2"}));
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_NE(o.out.find("Rechnung unverändert"), std::string::npos) << o.out;
  EXPECT_EQ(ReadFile(invoice_), before);
  EXPECT_EQ(LogEntries(), 0);
}

TEST_F(ShowCommandTest, AScriptWithStepsNoDialogTookFails) {
  Write(script_, R"([{"form": "G_frmTabelle", "action": "click", "control": "cmdEnde"}])");
  const std::string before = ReadFile(invoice_);
  const Outcome o = Korvax(Call());
  EXPECT_EQ(o.code, 1);
  EXPECT_NE(o.err.find("Das Skript lief nicht wie geschrieben"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("nicht gespeichert"), std::string::npos) << o.err;
  EXPECT_EQ(ReadFile(invoice_), before);
}

TEST_F(ShowCommandTest, TheTableSelectionOffersTheTablesOfTheCategoryAndTheCursorTable) {
  invoice_ =
      InvoiceBuilder().Table("Korvax_4").Table("Korvax_4").Table().Write(dir_ / "invoice.docx");
  Write(script_, R"js([
    {"form": "G_frmTabelle", "action": "expect", "control": "optTabelle(1)", "enabled": true},
    {"form": "G_frmTabelle", "action": "expect", "control": "optAktTabelle", "enabled": true},
    {"form": "G_frmTabelle", "action": "click", "control": "optTabelle(1)"},
    {"form": "G_frmTabelle", "action": "click", "control": "cmdEnde"},
    {"form": "frmKat4", "action": "click", "control": "CommandAbbruch"}
  ])js");
  const std::string before = ReadFile(invoice_);
  const Outcome o = Korvax(Call({"--index", "3", "--cursor-table", "3"}));
  // The fixture's cells hold no numbers, which loading the lines logs.
  EXPECT_EQ(o.code, 3) << o.err;
  EXPECT_NE(o.err.find("Fehler 13 in frmKat4.LesenWerte"), std::string::npos) << o.err;
  EXPECT_NE(o.out.find("Rechnung unverändert"), std::string::npos) << o.out;
  EXPECT_EQ(ReadFile(invoice_), before);
}

// A Nr. 7 line added alone leaves the totals as they were; korvax totals and
// korvax show --totals bring the invoice and its record up to date.
TEST_F(ShowCommandTest, TotalsAreRebuiltOnDemandAfterAnyDialog) {
  invoice_ = InvoiceBuilder().Paragraph("Rechnung 2026-0017").Write(dir_ / "invoice.docx");
  Write(script_, R"js([
    {"form": "frmKat4", "action": "type", "control": "MaskEdBox7_1", "text": "1", "replace": true},
    {"action": "type", "control": "MaskEdBoxWert", "text": "12,", "replace": true},
    {"action": "click", "control": "CommandÜbernehmen"},
    {"action": "click", "control": "CommandEnde"}])js");
  // The sum of the one totals table.
  auto summe = [&] {
    const auto doc = word::Document::Open(invoice_);
    std::string sum = "keine";
    for (int t = 1; t <= doc->Tables().Count(); ++t) {
      const auto cells = TableTexts(doc->Tables().Item(t));
      if (cells[0].size() > 3 && cells[0][1] == "Summe")
        sum = sum == "keine" ? cells[0][3] : "zwei";
    }
    return sum;
  };
  auto netto = [&] {
    return std::stod(QueryText(database_, "SELECT NettoRechnung FROM Rechnung"));
  };

  EXPECT_EQ(Korvax(Call({"--index", "3", "--invoice", "17"})).code, 0);
  EXPECT_EQ(summe(), "keine");
  EXPECT_EQ(netto(), 0);

  const std::vector<std::string> totals = {
      "totals", "--db", database_.string(), "--doc", invoice_.string(),
      "--user", "7",    "--invoice",        "17"};
  Outcome o = Korvax(totals);
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_NE(o.out.find("Rechnung gespeichert"), std::string::npos) << o.out;
  EXPECT_EQ(summe(), "      46,02 €");
  EXPECT_EQ(netto(), 4602);
  EXPECT_EQ(Korvax(totals).code, 0);  // again: still one totals table
  EXPECT_EQ(summe(), "      46,02 €");

  Write(script_, R"js([
    {"form": "G_frmTabelle", "action": "click", "control": "optTabelle(0)"},
    {"form": "G_frmTabelle", "action": "click", "control": "cmdEnde"},
    {"form": "frmKat4", "action": "click", "control": "CommandButtonNeu"},
    {"action": "type", "control": "MaskEdBox7_1", "text": "1", "replace": true},
    {"action": "type", "control": "MaskEdBoxWert", "text": "12,", "replace": true},
    {"action": "click", "control": "CommandÜbernehmen"},
    {"action": "click", "control": "CommandEnde"}])js");
  o = Korvax(Call({"--index", "3", "--invoice", "17", "--totals"}));
  EXPECT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(summe(), "      92,04 €");
  EXPECT_EQ(netto(), 9204);
  EXPECT_EQ(LogEntries(), 0) << Log();
}

}  // namespace
}  // namespace korvax::testing
