// korvax show on an office's PostgreSQL server: a server that cannot be had
// or does not take the totals leaves the invoice unsaved (exit 8), and
// several seats billing one order at once lose nothing.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "../common/log_fixture.hpp"
#include "../support/docx.hpp"
#include "test_server.hpp"

namespace korvax::testing {
namespace {

namespace fs = std::filesystem;

// The office: user 7, order 4711 with its ordinary invoice 17 and its down
// payment invoice 18, totals not yet written.
constexpr const char* kOfficeRows = R"(
  INSERT INTO "TempDoc" VALUES (7, 4711, TRUE, 12, 0, 100, FALSE, 190, 1, 2, 3, 4, 190, 70, 5);
  INSERT INTO "Rechnung" VALUES (17, 4711, '2026-0017', 1, 0, 0, 0, 190),
                                (18, 4711, '2026-0018', 5, 0, 0, 0, 190);
  INSERT INTO "Version" VALUES ('Zahlbar bis <14>.', 25.5, 0);
)";

constexpr const char* kRecord =
    "SELECT \"NettoRechnung\" || '/' || \"Brutto\" || '/' || \"MehrwertsteuerFreierbetrag\" "
    "FROM \"Rechnung\" WHERE \"ID_Rechnungsnummer\" = ";

class ShowServerTest : public TempEnvironment {
 protected:
  void SetUp() override {
    TempEnvironment::SetUp();
    std::string why;
    const std::string server = TestServer(&why);
    if (server.empty()) GTEST_SKIP() << why;
    schema_ = std::make_unique<ServerSchema>(server);
    schema_->Sql(ReadFile(KORVAX_SOURCE_DIR "/schema/host-postgresql.sql") + kOfficeRows);
  }

  // A Nr. 2 line of that area, then OK: the totals are written.
  fs::path Script(const std::string& name, int area) {
    const fs::path path = dir_ / name;
    std::ofstream(path) << R"({"steps": [
      {"form": "frmKat1", "action": "type", "control": "TextBoxFlst", "text": "123/5", "replace": true},
      {"action": "type", "control": "MaskEdBoxFläche", "text": ")"
                        << area << R"(", "replace": true},
      {"action": "type", "control": "MaskEdBoxWert", "text": "45,", "replace": true},
      {"action": "type", "control": "MaskEdBoxAnteil", "text": "1000", "replace": true},
      {"action": "key", "control": "MaskEdBoxAnteil", "key": "Enter"},
      {"action": "click", "control": "CommandEnde"}]})";
    return path;
  }

  fs::path Invoice(const std::string& name) {
    return InvoiceBuilder().Paragraph("Rechnung " + name).Write(dir_ / (name + ".docx"));
  }

  // The command line of one seat; its log, output and exit code go to files
  // named after the invoice.
  std::string Seat(const std::string& db, const fs::path& invoice, int id, const fs::path& script) {
    const std::string base = invoice.string();
    return "KORVAX_LOG_DIR=" + ShellQuoted(dir_.string()) + "/log-" + invoice.stem().string() +
           " " + ShellQuoted(KORVAX_BINARY_DIR "/src/host/korvax") + " show --db " +
           ShellQuoted(db) + " --doc " + ShellQuoted(base) + " --user 7 --index 0 --invoice " +
           std::to_string(id) + " --script " + ShellQuoted(script.string()) + " >" +
           ShellQuoted(base + ".out") + " 2>&1; echo $? >" + ShellQuoted(base + ".rc");
  }

  // Runs the seats at the same time and waits for all of them.
  void RunTogether(const std::vector<std::string>& seats) {
    std::string command = "(";
    for (const std::string& seat : seats) command += " (" + seat + ") &";
    command += " wait)";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }

  int ExitCode(const fs::path& invoice) { return std::stoi(ReadFile(invoice.string() + ".rc")); }
  std::string Output(const fs::path& invoice) { return ReadFile(invoice.string() + ".out"); }
  std::string Record(int id) { return schema_->Scalar(kRecord + std::to_string(id)); }

  std::unique_ptr<ServerSchema> schema_;
};

TEST_F(ShowServerTest, AServerThatCannotBeHadOrTakesNoTotalsLeavesTheInvoiceUnsaved) {
  std::string why;
  const std::string server = TestServer(&why);
  schema_->Sql(R"(
    CREATE FUNCTION "Langsam"() RETURNS trigger LANGUAGE plpgsql AS
      $$ BEGIN PERFORM pg_sleep(3); RETURN NEW; END $$;
    CREATE FUNCTION "Abbruch"() RETURNS trigger LANGUAGE plpgsql AS
      $$ BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END $$;)");
  const struct {
    std::string db;
    const char* trigger;  // on the totals' write
    const char* says;
  } cases[] = {
      {"host=/nonexistent/korvax dbname=buero", nullptr, "nicht erreichbar"},
      {server + " user=kennwort password=falsch", nullptr, "Anmeldung abgelehnt"},
      {schema_->ConnectionString(), "Abbruch", "Verbindung zum Datenbankserver ist abgebrochen"},
      {schema_->ConnectionString("-cstatement_timeout=300"), "Langsam", "Zeitüberschreitung"},
  };
  const fs::path script = Script("nr2.json", 450);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.says);
    if (c.trigger != nullptr) {
      schema_->Sql(
          std::string("CREATE TRIGGER \"Fehler\" BEFORE UPDATE ON \"Rechnung\" FOR EACH ROW "
                      "EXECUTE FUNCTION \"") +
          c.trigger + "\"()");
    }
    const fs::path invoice = Invoice("fehler");
    const std::string before = ReadFile(invoice);
    RunTogether({Seat(c.db, invoice, 17, script)});
    EXPECT_EQ(ExitCode(invoice), 8);
    EXPECT_NE(Output(invoice).find(c.says), std::string::npos) << Output(invoice);
    EXPECT_EQ(Output(invoice).find("falsch"), std::string::npos) << Output(invoice);
    EXPECT_EQ(ReadFile(invoice), before);
    EXPECT_EQ(Record(17), "0/0/0");
    if (c.trigger != nullptr) schema_->Sql("DROP TRIGGER \"Fehler\" ON \"Rechnung\"");
  }
}

// Two seats write the totals of invoice 17 while a third bills invoice 18 of
// the same order; the writes wait for each other's row lock (a trigger holds
// it a moment). Each record ends with one seat's totals whole.
TEST_F(ShowServerTest, SeveralSeatsBillingOneOrderAtOnceLoseNothing) {
  const std::string db = schema_->ConnectionString();
  const std::array<fs::path, 3> scripts = {Script("a.json", 450), Script("b.json", 900),
                                           Script("c.json", 380)};
  const std::array<int, 3> records = {17, 17, 18};
  // Each seat alone first: what it writes.
  std::array<std::string, 3> alone;
  for (int s = 0; s < 3; ++s) {
    const fs::path invoice = Invoice("allein" + std::to_string(s));
    RunTogether({Seat(db, invoice, records[s], scripts[s])});
    ASSERT_EQ(ExitCode(invoice), 0) << Output(invoice);
    alone[s] = Record(records[s]);
  }
  ASSERT_NE(alone[0], alone[1]);
  schema_->Sql(R"(
    CREATE FUNCTION "Halten"() RETURNS trigger LANGUAGE plpgsql AS
      $$ BEGIN PERFORM pg_sleep(0.2); RETURN NEW; END $$;
    CREATE TRIGGER "Halten" BEFORE UPDATE ON "Rechnung" FOR EACH ROW EXECUTE FUNCTION "Halten"();)");

  for (int round = 1; round <= 20; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    schema_->Sql(
        "ALTER TABLE \"Rechnung\" DISABLE TRIGGER \"Halten\"; "
        "UPDATE \"Rechnung\" SET \"NettoRechnung\" = 0, \"Brutto\" = 0, "
        "\"MehrwertsteuerFreierbetrag\" = 0; "
        "ALTER TABLE \"Rechnung\" ENABLE TRIGGER \"Halten\";");
    std::vector<std::string> seats;
    std::array<fs::path, 3> invoices;
    for (int s = 0; s < 3; ++s) {
      invoices[s] = Invoice("platz" + std::to_string(s));
      seats.push_back(Seat(db, invoices[s], records[s], scripts[s]));
    }
    RunTogether(seats);
    for (const fs::path& invoice : invoices) {
      EXPECT_EQ(ExitCode(invoice), 0) << Output(invoice);
      EXPECT_NE(Output(invoice).find("Rechnung gespeichert"), std::string::npos);
    }
    const std::string seventeen = Record(17);
    EXPECT_TRUE(seventeen == alone[0] || seventeen == alone[1]) << seventeen;
    EXPECT_EQ(Record(18), alone[2]);
    EXPECT_EQ(schema_->Scalar("SELECT count(*) FROM \"Rechnung\""), "2");
  }
}

}  // namespace
}  // namespace korvax::testing
