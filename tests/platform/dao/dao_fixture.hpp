// Temporary SQLite files with the host's tables, written through SQLite
// itself so that the layer under test is checked against the file as stored.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "../../support/host_database.hpp"
#include "common/error.hpp"
#include "platform/dao/dao.hpp"

namespace korvax::dao::testing {

// Expects the call to fail with that Jet number; returns the description.
inline std::string ErrorOf(const std::function<void()>& call, int32_t number) {
  try {
    call();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), number) << e.description();
    return e.description();
  }
  ADD_FAILURE() << "expected error " << number;
  return "";
}

class DatabaseFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("korvax-dao-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    path_ = (dir_ / "verwaltung.db").string();
    Sql(R"(
      CREATE TABLE TempDoc (ID INTEGER PRIMARY KEY, ID_Benutzer INTEGER, ID_Auftragsnummer INTEGER,
        "MeßtruppZusammenfassen" BOOLEAN, AbschlagAbsolut REAL, Zahlungsziel BIT,
        "MwStErmäßigt" INTEGER, Bemerkung TEXT);
      INSERT INTO TempDoc VALUES (1, -5, 4711, 1, NULL, 0, 70, 'erster');
      INSERT INTO TempDoc VALUES (2, 3, 4712, 0, 250.5, 1, 70, NULL);
      CREATE TABLE Termine (ID INTEGER PRIMARY KEY, ID_Terminart INTEGER,
        ID_Rechnungsnummer INTEGER, Datum DATE);
      INSERT INTO Termine VALUES (1, 8, 17, '2024-03-01');
      INSERT INTO Termine VALUES (2, 7, 17, '2024-02-01');
      INSERT INTO Termine VALUES (3, 8, 18, '2024-04-02 13:45:10');
      INSERT INTO Termine VALUES (4, 8, 19, 45352);
      CREATE TABLE Rechnung (ID_Rechnungsnummer INTEGER PRIMARY KEY, Rechnungsart INTEGER,
        ID_Auftragsnummer INTEGER, NettoRechnung DOUBLE, Brutto DOUBLE, Gedruckt DATETIME,
        CHECK (Brutto >= 0));
      INSERT INTO Rechnung VALUES (17, 4, 4711, 100000, 119000, NULL);
      INSERT INTO Rechnung VALUES (18, 5, 4711, 50000, 59500, NULL);
      CREATE TABLE Version (Zahlungsziel TEXT, AbstandZahlungsziel REAL, BundZahlungsziel INTEGER);
      INSERT INTO Version VALUES ('Zahlbar bis <14>.', 24.5, 1);
    )");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // Runs SQL on the file through a connection of its own.
  void Sql(const std::string& sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << (message != nullptr ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
  }

  // The first column of the first row, as text, read by a connection of its own.
  std::string Scalar(const std::string& sql) { return korvax::testing::QueryText(path_, sql); }

  std::shared_ptr<Database> Open(bool read_only = false) {
    return CreateWorkspace()->OpenDatabase(path_, read_only);
  }

  std::filesystem::path dir_;
  std::string path_;
};

}  // namespace korvax::dao::testing
