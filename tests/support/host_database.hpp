// The host database the plug-in reads and writes, as the tests, the C and
// Python hosts of tests/abi and the benchmark inputs all create it.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace korvax::testing {

// The host tables with the rows of one order: TempDoc for user 7 (rate 190
// tenths = 19 %) on order 4711, its ordinary invoice 17, the payment-due date
// of that invoice and the payment terms template. tests/abi/CMakeLists.txt
// copies the text between the sql markers into office.sql for sqlite3 and
// Python, so it stays plain SQL. SQLite keeps each CREATE statement as it is
// written here, indentation included, in the benchmark inputs too.
inline constexpr const char* kHostDatabaseSql = R"sql(
    CREATE TABLE TempDoc (ID_Benutzer INTEGER, ID_Auftragsnummer INTEGER,
      MeßtruppZusammenfassen BOOLEAN, ID_Lieferschein INTEGER, AbschlagAbsolut REAL,
      AbschlagProzent INTEGER, Zahlungsziel BOOLEAN, Mehrwertsteuersatz INTEGER,
      Preisgruppe1 INTEGER, Preisgruppe2 INTEGER, Preisgruppe3 INTEGER, Preisgruppe4 INTEGER,
      Mehrwertsteuer INTEGER, MwStErmäßigt INTEGER, Rabatt INTEGER);
    INSERT INTO TempDoc VALUES (7, 4711, 1, 12, 0, 100, 1, 190, 1, 2, 3, 4, 190, 70, 5);
    CREATE TABLE Rechnung (ID_Rechnungsnummer INTEGER PRIMARY KEY, ID_Auftragsnummer INTEGER,
      Rechnungsnummer TEXT, Rechnungsart INTEGER, NettoRechnung REAL, Brutto REAL,
      MehrwertsteuerFreierbetrag REAL, Mehrwertsteuersatz INTEGER);
    INSERT INTO Rechnung VALUES (17, 4711, '2026-0017', 1, 0, 0, 0, 190);
    CREATE TABLE Termine (ID_Termin INTEGER PRIMARY KEY, ID_Terminart INTEGER,
      ID_Rechnungsnummer INTEGER, Datum DATE);
    INSERT INTO Termine VALUES (1, 8, 17, '2026-03-01');
    CREATE TABLE Version (Zahlungsziel TEXT, AbstandZahlungsziel REAL, BundZahlungsziel INTEGER);
    INSERT INTO Version VALUES ('Zahlbar bis <14> ohne Abzug.', 25.5, 0);
)sql";

inline void ExecSql(const std::filesystem::path& db, const std::string& sql) {
  sqlite3* handle = nullptr;
  if (sqlite3_open(db.c_str(), &handle) != SQLITE_OK) throw std::runtime_error("open");
  char* message = nullptr;
  const int rc = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &message);
  const std::string text = message != nullptr ? message : "";
  sqlite3_free(message);
  sqlite3_close(handle);
  if (rc != SQLITE_OK) throw std::runtime_error(text + " in " + sql);
}

// The first column of the first row of a query, as text, read by a
// connection of its own ("<no row>", "<null>").
inline std::string QueryText(const std::filesystem::path& db, const std::string& sql) {
  sqlite3* handle = nullptr;
  sqlite3_open(db.c_str(), &handle);
  sqlite3_stmt* stmt = nullptr;
  std::string result = "<no row>";
  if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK &&
      sqlite3_step(stmt) == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
    result = text != nullptr ? text : "<null>";
  }
  sqlite3_finalize(stmt);
  sqlite3_close(handle);
  return result;
}

// The host database of the unit tests: invoice 17 is the final invoice of the
// order (Rechnungsart 4), so that totals also look for earlier part invoices.
inline void CreateHostDatabase(const std::filesystem::path& db) {
  ExecSql(db, kHostDatabaseSql);
  ExecSql(db, "UPDATE Rechnung SET Rechnungsart = 4");
}

}  // namespace korvax::testing
