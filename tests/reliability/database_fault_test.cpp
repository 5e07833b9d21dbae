// Database faults under the plug-in: a locked file, a read-only database,
// missing tables and columns, values of the wrong type. Through the dao layer
// each is a korvax::Error and an invoice record is written whole or not at
// all; through Tarvo::Show each is logged and Show goes on to the dialog.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "../common/log_fixture.hpp"
#include "../plugin/host_database.hpp"
#include "common/error.hpp"
#include "platform/dao/dao.hpp"
#include "platform/dao/sqlite_database.hpp"
#include "plugin/dialog_registry.hpp"
#include "plugin/plugin_state.hpp"
#include "plugin/tarvo.hpp"
#include "reliability_fixture.hpp"

namespace korvax {
namespace {

using reliability::ErrorOf;
using reliability::OtherConnection;

constexpr auto kShortWait = std::chrono::milliseconds(100);

// Another process in the middle of its own transaction on the file; a write
// makes the lock real in every journal mode.
std::string LockedBy(const char* begin) {
  return std::string(begin) + "; UPDATE Version SET BundZahlungsziel = 1";
}

class DatabaseFaultTest : public testing::TempEnvironment {
 protected:
  void SetUp() override {
    TempEnvironment::SetUp();
    ResetLibrary();
    db_path_ = dir_ / "office.sqlite";
    testing::CreateHostDatabase(db_path_);
    workspace_ = std::make_shared<dao::sqlite::SqliteWorkspace>(kShortWait);
    tarvo_.Put("VaroWorkspace", Variant(std::static_pointer_cast<Object>(workspace_)));
    tarvo_.Put("DatenbankPfad", Variant(db_path_.string()));
    tarvo_.Put("ID_Benutzer", Variant(int32_t{7}));
    RegisterDialog(3, [this] { ++opened_; });
  }
  void TearDown() override {
    ResetLibrary();
    RegisterDialog(3, nullptr);
    TempEnvironment::TearDown();
  }

  void Sql(const std::string& sql) { testing::ExecSql(db_path_, sql); }

  // Show for the Nr. 7 dialog; it must return normally and open the dialog.
  void Show() {
    int16_t index = 3;
    const int before = opened_;
    tarvo_.Show(index, nullptr, 42);
    EXPECT_EQ(opened_, before + 1) << "the dialog did not open";
  }

  // The invoice record 17 as stored, field by field.
  std::string Invoice() {
    auto rs = dao::CreateWorkspace()
                  ->OpenDatabase(db_path_.string())
                  ->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
    std::string row;
    for (int i = 0; i < rs->Fields().Count(); ++i)
      row += ToText(rs->Fields().Item(i)->Value()) + "|";
    return row;
  }

  // Opens invoice 17 for editing and sets the four totals, as the totals do.
  std::shared_ptr<dao::Recordset> EditInvoice() {
    auto db = workspace_->OpenDatabase(db_path_.string());
    auto rs = db->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17",
                                dao::dbOpenDynaset);
    rs->Edit();
    rs->Field("NettoRechnung")->SetValue(Variant(15000.0));
    rs->Field("Brutto")->SetValue(Variant(17850.0));
    rs->Field("MehrwertsteuerFreierbetrag")->SetValue(Variant(0.0));
    rs->Field("Mehrwertsteuersatz")->SetValue(Variant(int32_t{190}));
    return rs;
  }

  std::filesystem::path db_path_;
  std::shared_ptr<dao::Workspace> workspace_;
  Tarvo tarvo_;
  int opened_ = 0;
};

TEST_F(DatabaseFaultTest, AnotherWritersLockLeavesShowReadingAndTheInvoiceWholeOrUnwritten) {
  const std::string before = Invoice();
  auto rs = EditInvoice();
  {
    OtherConnection lock(db_path_, LockedBy("BEGIN IMMEDIATE"));
    Show();
    EXPECT_EQ(Library().settings.ID_Auftragsnummer, 4711);  // the committed settings
    EXPECT_EQ(LogEntries(), 0) << Log();
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 3260);
  }
  EXPECT_EQ(Invoice(), before);
  rs->Update();  // the pending edit goes through once the lock is gone
  EXPECT_EQ(Invoice(), "17|4711|2026-0017|4|15000|17850|0|190|");
}

TEST_F(DatabaseFaultTest, ShowOnAnExclusivelyLockedDatabaseLogsAndOpensTheDialog) {
  {
    OtherConnection lock(db_path_, LockedBy("BEGIN EXCLUSIVE"));
    Show();
  }
  EXPECT_NE(Log().find("Ort  : Rechnung.Show"), std::string::npos);
  Show();  // the lock is gone: the settings read again
  EXPECT_EQ(Library().settings.Rabatt, 5);
}

TEST_F(DatabaseFaultTest, RefusedInvoiceValueLeavesTheWholeRecordUnchanged) {
  // A rule of the office's database rejects one of the four values.
  Sql("CREATE TRIGGER keine_negativen BEFORE UPDATE ON Rechnung WHEN NEW.Brutto < 0 "
      "BEGIN SELECT RAISE(ABORT, 'Brutto negativ'); END");
  const std::string before = Invoice();
  auto rs = EditInvoice();
  rs->Field("Brutto")->SetValue(Variant(-1.0));
  EXPECT_NE(ErrorOf([&] { rs->Update(); }), 0);
  EXPECT_EQ(Invoice(), before);
}

TEST_F(DatabaseFaultTest, WriteProtectedFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into write-protected files";
  const std::string before = Invoice();
  std::filesystem::permissions(
      db_path_, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  Show();  // reading needs no write access
  EXPECT_EQ(Library().settings.Rabatt, 5);
  auto rs = workspace_->OpenDatabase(db_path_.string())
                ->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
  EXPECT_NE(ErrorOf([&] {
              rs->Edit();
              rs->Field("Brutto")->SetValue(Variant(1.0));
              rs->Update();
            }),
            0);
  std::filesystem::permissions(db_path_, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  EXPECT_EQ(Invoice(), before);
}

// A broken settings table after a good Show: every field that cannot be read
// is logged, Show goes on to the dialog, and what it could not read keeps the
// value from before.
struct SchemaFault {
  const char* name;
  const char* sql;
  int min_entries;
  int max_entries;
  const char* logged;
};

class SchemaFaultTest : public DatabaseFaultTest,
                        public ::testing::WithParamInterface<SchemaFault> {};

TEST_P(SchemaFaultTest, IsLoggedAndShowGoesOnWithTheSettingsItCouldRead) {
  Show();
  const BillingSettings kept = Library().settings;
  Sql(GetParam().sql);
  Show();
  EXPECT_GE(LogEntries(), GetParam().min_entries) << Log();
  EXPECT_LE(LogEntries(), GetParam().max_entries) << Log();
  EXPECT_NE(Log().find(GetParam().logged), std::string::npos) << Log();
  EXPECT_EQ(Library().settings.ID_Auftragsnummer, kept.ID_Auftragsnummer);
  EXPECT_EQ(Library().settings.Mehrwertsteuer, kept.Mehrwertsteuer);
  EXPECT_EQ(Library().settings.Preisgruppe4, 4);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SchemaFaultTest,
    ::testing::Values(
        // The query and the fourteen fields.
        SchemaFault{"MissingTable", "DROP TABLE TempDoc", 15, 15, "Error 3078: "},
        SchemaFault{"MissingColumns",
                    "ALTER TABLE TempDoc DROP COLUMN Mehrwertsteuer;"
                    "ALTER TABLE TempDoc DROP COLUMN Zahlungsziel;"
                    "ALTER TABLE TempDoc DROP COLUMN ID_Auftragsnummer",
                    3, 3, "Error 3265: "},
        SchemaFault{"WrongTypes",
                    "UPDATE TempDoc SET Rabatt = 'zwölf', ID_Auftragsnummer = X'00FF10', "
                    "Mehrwertsteuersatz = 1e308, AbschlagProzent = 9e999, Preisgruppe1 = -9e999, "
                    "ID_Lieferschein = '31.02.2026', MeßtruppZusammenfassen = 'vielleicht', "
                    "Zahlungsziel = X'', Mehrwertsteuer = '', MwStErmäßigt = 'NaN'",
                    8, 99, "Error 13: "},
        SchemaFault{"WrongTypedRows",
                    "DROP TABLE TempDoc; CREATE TABLE TempDoc (ID_Benutzer TEXT, Rabatt BLOB);"
                    "INSERT INTO TempDoc VALUES ('7', X'01')",
                    1, 99, "Error 3265: "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DatabaseFaultTest, EveryOddValueReadsAsAValueOrAnError) {
  // Each declared type the host's tables use, with values that do not fit it.
  const std::vector<std::string> types = {"INTEGER", "REAL",     "DOUBLE", "BOOLEAN",  "BIT",
                                          "DATE",    "DATETIME", "TEXT",   "CURRENCY", ""};
  std::vector<std::string> values;
  std::istringstream list(
      "NULL|''|'  '|'abc'|X''|X'00FF'|9e999|-9e999|1e308|-1e-320|2147483648|-2147483649|'1,5'|"
      "'1.234,56'|'31.02.2026'|'2026-13-45'|'99999-01-01'|'00:99:99'|1e15|-1e15|'Wahr'|'0x10'|"
      "9223372036854775807");
  for (std::string v; std::getline(list, v, '|');) values.push_back(v);
  std::string create = "CREATE TABLE Werte (";
  for (size_t t = 0; t < types.size(); ++t)
    create += (t ? ", c" : "c") + std::to_string(t) + " " + types[t];
  Sql(create + ")");
  for (const auto& v : values) {
    std::string row = "INSERT INTO Werte VALUES (" + v;
    for (size_t t = 1; t < types.size(); ++t) row += ", " + v;
    Sql(row + ")");
  }
  auto db = workspace_->OpenDatabase(db_path_.string());
  for (auto type : {dao::dbOpenDynaset, dao::dbOpenSnapshot, dao::dbOpenForwardOnly}) {
    auto rs = db->OpenRecordset("SELECT * FROM Werte", type);
    size_t rows = 0;
    for (; !rs->Eof(); rs->MoveNext(), ++rows) {
      // A clear failure is fine; anything else ends the test.
      for (int i = 0; i < rs->Fields().Count(); ++i) {
        ErrorOf([&] {
          const Variant v = rs->Fields().Item(i)->Value();
          (void)ToText(v);
          (void)ToDouble(v);
        });
      }
      if (type != dao::dbOpenDynaset) continue;
      // Written back through an edit, each row is stored or refused, never half.
      const int failed = ErrorOf([&] {
        rs->Edit();
        for (int i = 0; i < rs->Fields().Count(); ++i)
          ErrorOf([&] { rs->Fields().Item(i)->SetValue(rs->Fields().Item(i)->Value()); });
        rs->Update();
      });
      if (failed != 0 && rs->EditMode() != dao::dbEditNone) rs->CancelUpdate();
    }
    EXPECT_EQ(rows, values.size());
  }
}

}  // namespace
}  // namespace korvax
