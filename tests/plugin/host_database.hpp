// A host database of the test's own: the tables the plug-in reads and writes.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <stdexcept>
#include <string>

namespace korvax::testing {

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

// TempDoc with one row for user 7 (rate 190 tenths = 19 %), Rechnung, Termine
// and Version with plausible rows.
inline void CreateHostDatabase(const std::filesystem::path& db) {
  ExecSql(db, R"(
    CREATE TABLE TempDoc (ID_Benutzer INTEGER, ID_Auftragsnummer INTEGER,
      MeßtruppZusammenfassen BOOLEAN, ID_Lieferschein INTEGER, AbschlagAbsolut REAL,
      AbschlagProzent INTEGER, Zahlungsziel BOOLEAN, Mehrwertsteuersatz INTEGER,
      Preisgruppe1 INTEGER, Preisgruppe2 INTEGER, Preisgruppe3 INTEGER, Preisgruppe4 INTEGER,
      Mehrwertsteuer INTEGER, MwStErmäßigt INTEGER, Rabatt INTEGER);
    INSERT INTO TempDoc VALUES (7, 4711, 1, 12, 0, 100, 1, 190, 1, 2, 3, 4, 190, 70, 5);
    CREATE TABLE Rechnung (ID_Rechnungsnummer INTEGER PRIMARY KEY, ID_Auftragsnummer INTEGER,
      Rechnungsnummer TEXT, Rechnungsart INTEGER, NettoRechnung REAL, Brutto REAL,
      MehrwertsteuerFreierbetrag REAL, Mehrwertsteuersatz INTEGER);
    INSERT INTO Rechnung VALUES (17, 4711, '2026-0017', 4, 0, 0, 0, 190);
    CREATE TABLE Termine (ID_Termin INTEGER PRIMARY KEY, ID_Terminart INTEGER,
      ID_Rechnungsnummer INTEGER, Datum DATE);
    INSERT INTO Termine VALUES (1, 8, 17, '2026-03-01');
    CREATE TABLE Version (Zahlungsziel TEXT, AbstandZahlungsziel REAL, BundZahlungsziel INTEGER);
    INSERT INTO Version VALUES ('Zahlbar bis <14> ohne Abzug.', 25.5, 0);
  )");
}

}  // namespace korvax::testing
