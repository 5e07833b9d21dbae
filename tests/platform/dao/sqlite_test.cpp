// What only a database file has: it may be missing, be made, be no database
// or be locked as a whole.
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "dao_fixture.hpp"

namespace korvax::dao::testing {
namespace {

class SqliteFileTest : public DaoTest {
 protected:
  std::filesystem::path Dir() const { return std::filesystem::path(store_->Name()).parent_path(); }
};

TEST_P(SqliteFileTest, MissingFileIsNotFoundAndNeverCreated) {
  const std::string missing = (Dir() / "fehlt.db").string();
  const std::string text = ErrorOf([&] { CreateWorkspace()->OpenDatabase(missing); }, 3024);
  EXPECT_EQ(text, "Datei '" + missing + "' nicht gefunden.");
  EXPECT_FALSE(std::filesystem::exists(missing));
  ErrorOf([&] { CreateWorkspace()->OpenDatabase(missing, true); }, 3024);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_P(SqliteFileTest, CreateDatabaseMakesANewFileButNeverOverwrites) {
  const std::string fresh = (Dir() / "neu.db").string();
  auto db = CreateWorkspace()->CreateDatabase(fresh);
  db->Execute("CREATE TABLE Version (Zahlungsziel TEXT); INSERT INTO Version VALUES ('x')");
  EXPECT_EQ(CreateWorkspace()->OpenDatabase(fresh)->OpenRecordset("Version")->RecordCount(), 1);
  ErrorOf([&] { CreateWorkspace()->CreateDatabase(store_->Name()); }, 3204);
  EXPECT_EQ(Scalar("SELECT count(*) FROM TempDoc"), "2");
}

TEST_P(SqliteFileTest, AFileThatIsNoDatabaseIsRefused) {
  const std::string text_file = (Dir() / "brief.txt").string();
  std::ofstream(text_file) << "Sehr geehrte Damen und Herren, dies ist keine Datenbank.";
  ErrorOf([&] { CreateWorkspace()->OpenDatabase(text_file); }, 3343);
}

TEST_P(SqliteFileTest, RowsOfASubqueryAreNotUpdatable) {
  EXPECT_FALSE(Open()->OpenRecordset("SELECT * FROM (SELECT * FROM Rechnung)")->Updatable());
}

TEST_P(SqliteFileTest, ForwardOnlyRecordsetLetsGoOfTheFileAtItsEnd) {
  auto db = Open();
  auto rs = db->OpenRecordset("SELECT ID FROM Termine", dbOpenForwardOnly);
  while (!rs->Eof()) rs->MoveNext();
  // A reader that is done must not hold a writer of another process back.
  sqlite3* other = nullptr;
  sqlite3_open(store_->Name().c_str(), &other);
  sqlite3_busy_timeout(other, 100);
  EXPECT_EQ(sqlite3_exec(other, "UPDATE Termine SET ID_Terminart = 9 WHERE ID = 2", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(other);
}

INSTANTIATE_TEST_SUITE_P(, SqliteFileTest, ::testing::Values(Backend::kSqlite), BackendName);

}  // namespace
}  // namespace korvax::dao::testing
