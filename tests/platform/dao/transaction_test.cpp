#include <chrono>

#include "dao_fixture.hpp"
#include "platform/dao/sqlite_database.hpp"

namespace korvax::dao::testing {
namespace {

using TransactionTest = DatabaseFile;

constexpr const char* kBrutto = "SELECT Brutto FROM Rechnung WHERE ID_Rechnungsnummer = 17";

void SetBrutto(Recordset& invoice, double value) {
  invoice.Edit();
  invoice.Field("Brutto")->SetValue(Variant(value));
  invoice.Update();
}

TEST_F(TransactionTest, WritesAreStoredOnCommitAndUndoneWithoutIt) {
  auto db = Open();
  auto invoice = db->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
  {
    Transaction transaction(db);
    SetBrutto(*invoice, 1.0);
    EXPECT_EQ(db->TransactionLevel(), 1);
    // Nobody else sees it before the commit.
    EXPECT_EQ(Scalar(kBrutto), "119000.0");
  }  // no Commit: rolled back
  EXPECT_EQ(db->TransactionLevel(), 0);
  EXPECT_EQ(Scalar(kBrutto), "119000.0");

  Transaction transaction(db);
  SetBrutto(*invoice, 2.0);
  transaction.Commit();
  EXPECT_EQ(Scalar(kBrutto), "2.0");
}

TEST_F(TransactionTest, NestedTransactionsUndoOnlyTheirOwnWrites) {
  auto db = Open();
  auto invoice = db->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
  db->BeginTrans();
  SetBrutto(*invoice, 1.0);
  db->BeginTrans();
  SetBrutto(*invoice, 2.0);
  db->Rollback();
  db->CommitTrans();
  EXPECT_EQ(Scalar(kBrutto), "1.0");

  ErrorOf([&] { db->CommitTrans(); }, 3034);
  ErrorOf([&] { db->Rollback(); }, 3034);
  for (int i = 0; i < 5; ++i) db->BeginTrans();
  ErrorOf([&] { db->BeginTrans(); }, 3003);
  db->Close();  // rolls back all five
  EXPECT_EQ(Scalar(kBrutto), "1.0");
}

TEST_F(TransactionTest, ACommitThatMustWaitTooLongFailsAndIsRolledBackByTheGuard) {
  sqlite::SqliteWorkspace workspace(std::chrono::milliseconds(200));
  auto db = workspace.OpenDatabase(path_);
  auto invoice = db->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
  sqlite3* reader = nullptr;
  sqlite3_open(path_.c_str(), &reader);
  {
    Transaction transaction(db);
    SetBrutto(*invoice, 3.0);
    // Another process in the middle of a read keeps the commit from writing.
    ASSERT_EQ(
        sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM Rechnung", nullptr, nullptr, nullptr),
        SQLITE_OK);
    ErrorOf([&] { transaction.Commit(); }, 3260);
    EXPECT_FALSE(transaction.Committed());
    EXPECT_EQ(db->TransactionLevel(), 1);
    sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
  }
  sqlite3_close(reader);
  EXPECT_EQ(db->TransactionLevel(), 0);
  EXPECT_EQ(Scalar(kBrutto), "119000.0");
}

}  // namespace
}  // namespace korvax::dao::testing
