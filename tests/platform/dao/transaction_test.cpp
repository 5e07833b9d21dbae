#include <sqlite3.h>

#include <chrono>

#include "dao_fixture.hpp"
#include "platform/dao/sqlite_database.hpp"

namespace korvax::dao::testing {
namespace {

using TransactionTest = DaoTest;

constexpr const char* kBrutto =
    "SELECT \"Brutto\" FROM \"Rechnung\" WHERE \"ID_Rechnungsnummer\" = 17";

void SetBrutto(Recordset& invoice, double value) {
  invoice.Edit();
  invoice.Field("Brutto")->SetValue(Variant(value));
  invoice.Update();
}

TEST_P(TransactionTest, WritesAreStoredOnCommitAndUndoneWithoutIt) {
  auto db = Open();
  auto invoice = db->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
  {
    Transaction transaction(db);
    SetBrutto(*invoice, 1.0);
    EXPECT_EQ(db->TransactionLevel(), 1);
    // Nobody else sees it before the commit.
    EXPECT_EQ(Number(kBrutto), 119000);
  }  // no Commit: rolled back
  EXPECT_EQ(db->TransactionLevel(), 0);
  EXPECT_EQ(Number(kBrutto), 119000);

  Transaction transaction(db);
  SetBrutto(*invoice, 2.0);
  transaction.Commit();
  EXPECT_EQ(Number(kBrutto), 2);
}

TEST_P(TransactionTest, NestedTransactionsUndoOnlyTheirOwnWrites) {
  auto db = Open();
  auto invoice = db->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
  db->BeginTrans();
  SetBrutto(*invoice, 1.0);
  db->BeginTrans();
  SetBrutto(*invoice, 2.0);
  db->Rollback();
  db->CommitTrans();
  EXPECT_EQ(Number(kBrutto), 1);

  ErrorOf([&] { db->CommitTrans(); }, 3034);
  ErrorOf([&] { db->Rollback(); }, 3034);
  for (int i = 0; i < 5; ++i) db->BeginTrans();
  ErrorOf([&] { db->BeginTrans(); }, 3003);
  db->Close();  // rolls back all five
  EXPECT_EQ(Number(kBrutto), 1);
}

// A failing write inside a transaction leaves it as it was: the writes before
// it are still committed (Jet's way; the server would give up the whole
// transaction).
TEST_P(TransactionTest, AFailedWriteLeavesTheTransactionGoingOn) {
  auto db = Open();
  auto invoice = db->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
  Transaction transaction(db);
  SetBrutto(*invoice, 5.0);
  ErrorOf([&] { SetBrutto(*invoice, -1.0); }, 3022);
  ErrorOf([&] { db->OpenRecordset("SELECT Unbekannt FROM Rechnung"); }, 3061);
  invoice->CancelUpdate();
  invoice->Edit();
  invoice->Field("NettoRechnung")->SetValue(Variant(4.0));
  invoice->Update();
  transaction.Commit();
  EXPECT_EQ(Number(kBrutto), 5);
  EXPECT_EQ(Number("SELECT \"NettoRechnung\" FROM \"Rechnung\" WHERE \"ID_Rechnungsnummer\" = 17"),
            4);
}

KORVAX_ON_EVERY_BACKEND(TransactionTest);

using SqliteTransactionTest = DaoTest;

TEST_P(SqliteTransactionTest, ACommitThatMustWaitTooLongFailsAndIsRolledBackByTheGuard) {
  const std::string path_ = store_->Name();
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
  EXPECT_EQ(Number(kBrutto), 119000);
}

INSTANTIATE_TEST_SUITE_P(, SqliteTransactionTest, ::testing::Values(Backend::kSqlite), BackendName);

}  // namespace
}  // namespace korvax::dao::testing
