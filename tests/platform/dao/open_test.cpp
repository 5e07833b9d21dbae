#include "dao_fixture.hpp"

namespace korvax::dao::testing {
namespace {

using OpenTest = DaoTest;

TEST_P(OpenTest, ClosedDatabaseOrRecordsetRefusesEverything) {
  auto db = Open();
  auto rs = db->OpenRecordset("SELECT * FROM TempDoc");
  auto field = rs->Field("ID_Benutzer");
  db->Close();
  ErrorOf([&] { db->OpenRecordset("TempDoc"); }, 3420);
  ErrorOf([&] { rs->MoveNext(); }, 3420);
  ErrorOf([&] { field->Value(); }, 3420);
  auto closed = Open()->OpenRecordset("SELECT * FROM Termine");
  closed->Close();  // a closed recordset refuses everything too
  ErrorOf([&] { closed->Eof(); }, 3420);
  ErrorOf([&] { closed->Field("Datum"); }, 3420);
}

TEST_P(OpenTest, RecordsetsKeepWorkingAfterTheDatabaseVariableIsReleased) {
  auto rs = Open()->OpenRecordset("SELECT * FROM TempDoc ORDER BY ID");
  auto field = rs->Field("ID_Benutzer");
  rs.reset();
  EXPECT_EQ(field->Value(), Variant(int32_t{-5}));
}

TEST_P(OpenTest, TableNameOpensTheTable) {
  auto rs = Open()->OpenRecordset("Version");
  EXPECT_EQ(rs->Type(), dbOpenTable);
  rs->MoveFirst();
  EXPECT_EQ(rs->Field("Zahlungsziel")->Value(), Variant("Zahlbar bis <14>."));
  EXPECT_EQ(Open()->OpenRecordset("[version]")->RecordCount(), 1);
  EXPECT_TRUE(Open()->OpenRecordset("termine")->Updatable());
}

TEST_P(OpenTest, FailuresCarryTheirErrorNumberAndNameWhatFailed) {
  auto db = Open();
  struct Row {
    std::function<void()> call;
    int32_t number;
    std::string named;  // a part of the description
  } rows[] = {
      {[&] { db->OpenRecordset("Versionen"); }, 3078,
       "Das Microsoft Jet-Datenbankmodul findet die Eingabetabelle oder Abfrage 'Versionen' "
       "nicht."},
      {[&] { db->OpenRecordset("SELECT * FROM Kunden WHERE ID = 1"); }, 3078, "'Kunden'"},
      {[&] { db->OpenRecordset("SELECT * FORM TempDoc"); }, 3075, "syntax error"},
      {[&] { db->OpenRecordset("SELECT Unbekannt FROM TempDoc"); }, 3061, "Unbekannt"},
      {[&] { db->OpenRecordset("DELETE FROM TempDoc"); }, 3219, ""},
      {[&] { db->OpenRecordset("SELECT * FROM TempDoc", dbOpenTable); }, 3219, ""},
      {[&] { db->OpenRecordset("TempDoc", static_cast<RecordsetType>(3)); }, 3001, ""},
  };
  for (const Row& row : rows) {
    const std::string text = ErrorOf(row.call, row.number);
    EXPECT_NE(text.find(row.named), std::string::npos) << text;
  }
  EXPECT_EQ(Scalar("SELECT count(*) FROM \"TempDoc\""), "2");
}

TEST_P(OpenTest, ExecuteRunsActionQueriesAllOrNothing) {
  auto db = Open();
  db->Execute("UPDATE TempDoc SET ID_Auftragsnummer = 1 WHERE ID_Benutzer = -5");
  EXPECT_EQ(db->RecordsAffected(), 1);
  ErrorOf(
      [&] {
        db->Execute("UPDATE TempDoc SET ID_Auftragsnummer = 2; UPDATE Rechnung SET Brutto = -1");
      },
      3022);
  EXPECT_EQ(Scalar("SELECT \"ID_Auftragsnummer\" FROM \"TempDoc\" WHERE \"ID\" = 1"), "1");
  ErrorOf([&] { db->Execute("SELECT * FROM TempDoc"); }, 3065);
  // A table made through the layer is found by the next query.
  db->Execute("CREATE TABLE \"Käufer\" (\"ID\" INTEGER PRIMARY KEY, \"Straße\" TEXT)");
  db->Execute("INSERT INTO käufer (id, straße) VALUES (1, 'Marktplatz 3')");
  EXPECT_EQ(db->OpenRecordset("SELECT STRAßE FROM KäUFER")->Field("Straße")->Value(),
            Variant("Marktplatz 3"));
}

KORVAX_ON_EVERY_BACKEND(OpenTest);

}  // namespace
}  // namespace korvax::dao::testing
