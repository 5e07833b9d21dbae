#include <chrono>

#include "dao_fixture.hpp"
#include "platform/dao/sqlite_database.hpp"

namespace korvax::dao::testing {
namespace {

using LockTest = DatabaseFile;

// Another process (here: another connection) in the middle of its own write.
class ForeignWriter {
 public:
  explicit ForeignWriter(const std::string& path) {
    sqlite3_open(path.c_str(), &db_);
    EXPECT_EQ(sqlite3_exec(db_,
                           "BEGIN IMMEDIATE; UPDATE Rechnung SET Brutto = 1 "
                           "WHERE ID_Rechnungsnummer = 18",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
  }
  ~ForeignWriter() { sqlite3_close(db_); }
  void RollBack() { sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); }

 private:
  sqlite3* db_ = nullptr;
};

TEST_F(LockTest, LockedFileFailsAfterTheShortWaitAndWritesNothing) {
  auto rs = Open()->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
  ForeignWriter writer(path_);
  rs->Edit();
  rs->Field("NettoRechnung")->SetValue(Variant(1.0));
  rs->Field("Brutto")->SetValue(Variant(2.0));

  const auto start = std::chrono::steady_clock::now();
  const std::string text = ErrorOf([&] { rs->Update(); }, 3260);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(text.rfind("Aktualisieren nicht möglich; momentan gesperrt", 0), 0u) << text;
  EXPECT_GE(waited, std::chrono::milliseconds(1500));
  EXPECT_LT(waited, std::chrono::seconds(10));
  // Still pending, to be retried once the lock is gone.
  EXPECT_EQ(rs->EditMode(), dbEditInProgress);
  writer.RollBack();
  EXPECT_EQ(Scalar("SELECT Brutto FROM Rechnung WHERE ID_Rechnungsnummer = 17"), "119000.0");
}

TEST_F(LockTest, ExecuteOnALockedFileFails) {
  sqlite::SqliteWorkspace workspace(std::chrono::milliseconds(200));
  auto db = workspace.OpenDatabase(path_);
  ForeignWriter writer(path_);
  ErrorOf([&] { db->Execute("UPDATE TempDoc SET Bemerkung = 'x'"); }, 3260);
  writer.RollBack();
  EXPECT_EQ(Scalar("SELECT count(*) FROM TempDoc WHERE Bemerkung = 'x'"), "0");
}

TEST_F(LockTest, ForwardOnlyRecordsetLetsGoOfTheFileAtItsEnd) {
  auto db = Open();
  auto rs = db->OpenRecordset("SELECT ID FROM Termine", dbOpenForwardOnly);
  while (!rs->Eof()) rs->MoveNext();
  // A reader that is done must not hold a writer of another process back.
  sqlite3* other = nullptr;
  sqlite3_open(path_.c_str(), &other);
  sqlite3_busy_timeout(other, 100);
  EXPECT_EQ(sqlite3_exec(other, "UPDATE Termine SET ID_Terminart = 9 WHERE ID = 2", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(other);
}

}  // namespace
}  // namespace korvax::dao::testing
