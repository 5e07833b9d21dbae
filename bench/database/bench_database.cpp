// The database part of the totals (P1): what the totals, the final invoice's
// down payments and the payment due note ask of the host database for one
// invoice, on a SQLite file and on a PostgreSQL server over a local socket
// (a throwaway one of tools/pg-server, durable as an office's: fsync on).
// The host has the database and the invoice record open before, as in P1.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "platform/dao/dao.hpp"

namespace korvax::dao {
namespace {

namespace fs = std::filesystem;

// The demo office's order: final invoice 17 after down payment 16.
constexpr const char* kRows = R"(
  INSERT INTO "TempDoc" VALUES (1, 4711, FALSE, NULL, 0, 100, TRUE, 190, 1, 1, 1, 1, 190, 70, 0);
  INSERT INTO "Rechnung" VALUES (16, 4711, '2026-0009', 5, 100000, 119000, 0, 190),
                                (17, 4711, '2026-0017', 4, 0, 0, 0, 190);
  INSERT INTO "Termine" ("ID_Terminart", "ID_Rechnungsnummer", "Datum")
    VALUES (8, 16, '2026-09-15'), (8, 17, '2026-12-01');
  INSERT INTO "Version" VALUES ('Bitte zahlen Sie bis zum <14> ohne Abzug.', 26.0, 0);
)";

std::string Schema(const char* file) {
  std::ifstream in(std::string(KORVAX_SOURCE_DIR) + "/schema/" + file);
  return std::string(std::istreambuf_iterator<char>(in), {}) + kRows;
}

// CPU seconds a process has used, from /proc (the server's backend is
// another process; its work counts as much as the layer's).
double CpuSeconds(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string field;
  for (int i = 1; i <= 13 && in >> field; ++i) {
  }
  long user = 0, system = 0;
  in >> user >> system;
  return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void DatabasePart(benchmark::State& state, const std::string* name) {
  auto database = CreateWorkspace()->OpenDatabase(*name);
  auto invoice = database->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
  const int backend =
      IsServerConnection(*name)
          ? static_cast<int>(ToLong(
                database->OpenRecordset("SELECT pg_backend_pid() AS p")->Field("p")->Value()))
          : 0;
  const double server_before = backend != 0 ? CpuSeconds(backend) : 0;
  double cents = 0;
  for (auto _ : state) {
    // The final invoice: the order's down payment invoices and their dates.
    auto earlier = database->OpenRecordset(
        "SELECT * FROM Rechnung WHERE ID_Auftragsnummer = " +
            SqlInteger(invoice->Field("ID_Auftragsnummer")->Value()) + " AND Rechnungsart = 5",
        dbOpenDynaset);
    while (!earlier->Eof()) {
      auto date = database->OpenRecordset(
          "SELECT * FROM Termine WHERE ID_Rechnungsnummer = " +
              SqlInteger(earlier->Field("ID_Rechnungsnummer")->Value()) + " AND ID_Terminart = 8",
          dbOpenDynaset);
      benchmark::DoNotOptimize(date->Field("Datum")->Value());
      benchmark::DoNotOptimize(earlier->Field("Brutto")->Value());
      earlier->MoveNext();
    }
    // The totals into the invoice record.
    cents += 1;
    invoice->Edit();
    invoice->Field("NettoRechnung")->SetValue(Variant(cents));
    invoice->Field("Brutto")->SetValue(Variant(cents * 1.19));
    invoice->Field("MehrwertsteuerFreierbetrag")->SetValue(Variant(0.0));
    invoice->Field("Mehrwertsteuersatz")->SetValue(Variant(int16_t{190}));
    invoice->Update();
    // The payment due note: its template and the invoice date.
    auto version = database->OpenRecordset("Version");
    version->MoveFirst();
    benchmark::DoNotOptimize(version->Field("Zahlungsziel")->Value());
    benchmark::DoNotOptimize(version->Field("AbstandZahlungsziel")->Value());
    auto date = database->OpenRecordset(
        "SELECT ID_Terminart, ID_Rechnungsnummer, Datum From Termine WHERE (((ID_Terminart)=8) "
        "AND ((ID_Rechnungsnummer)=17));",
        dbOpenForwardOnly);
    benchmark::DoNotOptimize(date->Field("Datum")->Value());
  }
  // The server's CPU per iteration, in milliseconds (clock ticks: meaningful
  // over many iterations only).
  state.counters["server_cpu_ms"] = backend != 0 ? (CpuSeconds(backend) - server_before) * 1000 /
                                                       static_cast<double>(state.iterations())
                                                 : 0;
}

}  // namespace
}  // namespace korvax::dao

int main(int argc, char** argv) {
  using namespace korvax::dao;
  benchmark::Initialize(&argc, argv);
  const fs::path dir = fs::temp_directory_path() / ("korvax-bench-db-" + std::to_string(getpid()));
  fs::create_directories(dir);

  static const std::string file = (dir / "office.sqlite").string();
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_exec(db, Schema("host-sqlite.sql").c_str(), nullptr, nullptr, nullptr);
  sqlite3_close(db);
  benchmark::RegisterBenchmark("P1 database part/SQLite", DatabasePart, &file);

  const std::string tool = std::string(KORVAX_SOURCE_DIR) + "/tools/pg-server";
  const std::string state = (dir / "server").string();
  // KORVAX_BENCH_PG: a database of one's own with the host tables instead.
  static std::string server = std::getenv("KORVAX_BENCH_PG") ? std::getenv("KORVAX_BENCH_PG") : "";
  if (!server.empty()) {
    benchmark::RegisterBenchmark("P1 database part/PostgreSQL", DatabasePart, &server);
  } else if (std::system((tool + " start " + state + " --durable >/dev/null").c_str()) == 0) {
    std::ifstream in(state + "/conninfo");
    std::getline(in, server);
  }
  if (!server.empty() && std::getenv("KORVAX_BENCH_PG") == nullptr) {
    std::ofstream(dir / "office.sql") << Schema("host-postgresql.sql");
    const std::string load = "psql -X -q -v ON_ERROR_STOP=1 -d '" + server + "' -f " +
                             (dir / "office.sql").string() + " >/dev/null";
    if (std::system(load.c_str()) == 0) {
      benchmark::RegisterBenchmark("P1 database part/PostgreSQL", DatabasePart, &server);
    }
  } else if (server.empty()) {
    std::cerr << "bench_database: kein PostgreSQL-Server\n";
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::system((tool + " stop " + state).c_str());
  fs::remove_all(dir);
  return 0;
}
