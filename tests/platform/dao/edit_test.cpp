#include "dao_fixture.hpp"

namespace korvax::dao::testing {
namespace {

using EditTest = DaoTest;

constexpr const char* kInvoice = "SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17";
constexpr const char* kStoredNetto =
    "SELECT \"NettoRechnung\" FROM \"Rechnung\" WHERE \"ID_Rechnungsnummer\" = 17";
constexpr const char* kStoredBrutto =
    "SELECT \"Brutto\" FROM \"Rechnung\" WHERE \"ID_Rechnungsnummer\" = 17";

TEST_P(EditTest, UpdateWritesTheRowBackAndShowsItAtOnce) {
  auto rs = Open()->OpenRecordset(kInvoice);
  ASSERT_TRUE(rs->Updatable());
  rs->Edit();
  EXPECT_EQ(rs->EditMode(), dbEditInProgress);
  rs->Field("NettoRechnung")->SetValue(Variant(15000.0));
  rs->Field("brutto")->SetValue(Variant(int32_t{17850}));
  rs->Field("Gedruckt")->SetValue(Variant(Date::FromYmd(2024, 3, 15)));
  EXPECT_EQ(rs->Field("NettoRechnung")->Value(), Variant(15000.0));  // the edit buffer
  EXPECT_EQ(Number(kStoredNetto), 100000);
  rs->Update();
  EXPECT_EQ(rs->EditMode(), dbEditNone);
  // As stored: a REAL column gives back a Double, a DATETIME column a date.
  EXPECT_EQ(rs->Field("Brutto")->Value(), Variant(17850.0));
  EXPECT_EQ(rs->Field("Gedruckt")->Value(), Variant(Date::FromYmd(2024, 3, 15)));

  EXPECT_EQ(Number(kStoredNetto), 15000);
  EXPECT_EQ(Number(kStoredBrutto), 17850);
  EXPECT_EQ(Scalar("SELECT substr(CAST(\"Gedruckt\" AS TEXT), 1, 10) FROM \"Rechnung\" "
                   "WHERE \"ID_Rechnungsnummer\" = 17"),
            "2024-03-15");
  EXPECT_EQ(Number("SELECT \"Brutto\" FROM \"Rechnung\" WHERE \"ID_Rechnungsnummer\" = 18"), 59500);
}

TEST_P(EditTest, ParenthesisedQueryWithUmlautColumnsCanBeEdited) {
  auto rs = Open()->OpenRecordset(
      "SELECT ID, \"MeßtruppZusammenfassen\", \"MwStErmäßigt\" FROM TempDoc "
      "WHERE (((ID_Benutzer)=-5));");
  rs->Edit();
  rs->Field("meßtruppzusammenfassen")->SetValue(Variant(false));
  rs->Field("MwStErmäßigt")->SetValue(Variant("75"));
  rs->Update();
  EXPECT_EQ(rs->Field("MwStErmäßigt")->Value(), Variant(int32_t{75}));
  EXPECT_EQ(Number("SELECT CAST(\"MeßtruppZusammenfassen\" AS INTEGER) + \"MwStErmäßigt\" "
                   "FROM \"TempDoc\" WHERE \"ID\" = 1"),
            75);
}

TEST_P(EditTest, UpdateWithoutEditOrCurrentRowIsRefusedAndMovingDropsTheEdit) {
  auto rs = Open()->OpenRecordset(kInvoice);
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }, 3020),
            "Update oder CancelUpdate ohne AddNew oder Edit.");
  ErrorOf([&] { rs->CancelUpdate(); }, 3020);
  ErrorOf([&] { rs->Field("Brutto")->SetValue(Variant(1.0)); }, 3020);
  rs->Edit();
  rs->Field("Brutto")->SetValue(Variant(1.0));
  rs->CancelUpdate();
  EXPECT_EQ(rs->Field("Brutto")->Value(), Variant(119000.0));
  ErrorOf([&] { rs->Update(); }, 3020);
  // Moving away drops a pending edit.
  rs->Edit();
  rs->Field("Brutto")->SetValue(Variant(1.0));
  rs->MoveNext();
  EXPECT_EQ(rs->EditMode(), dbEditNone);
  ErrorOf([&] { rs->Update(); }, 3020);
  EXPECT_EQ(Number(kStoredBrutto), 119000);
  // Edit needs a current row.
  ASSERT_TRUE(rs->Eof());
  ErrorOf([&] { rs->Edit(); }, 3021);
  auto empty = Open()->OpenRecordset("SELECT * FROM Rechnung WHERE Rechnungsart = 7");
  ErrorOf([&] { empty->Edit(); }, 3021);
}

TEST_P(EditTest, ReadOnlyDatabaseAndKindsOfRecordsetRefuseEdits) {
  auto read_only = Open(/*read_only=*/true);
  EXPECT_FALSE(read_only->Updatable());
  auto invoice = read_only->OpenRecordset(kInvoice);
  EXPECT_EQ(invoice->Field("Brutto")->Value(), Variant(119000.0));
  EXPECT_FALSE(invoice->Updatable());
  EXPECT_EQ(ErrorOf([&] { invoice->Edit(); }, 3027),
            "Aktualisieren nicht möglich. Datenbank oder Objekt ist schreibgeschützt.");
  ErrorOf([&] { read_only->Execute("DELETE FROM Rechnung"); }, 3027);
  EXPECT_EQ(Scalar("SELECT count(*) FROM \"Rechnung\""), "2");

  auto db = Open();
  for (auto type : {dbOpenSnapshot, dbOpenForwardOnly}) {
    auto rs = db->OpenRecordset(kInvoice, type);
    EXPECT_FALSE(rs->Updatable());
    ErrorOf([&] { rs->Edit(); }, 3027);
  }
  for (const char* sql : {"SELECT Rechnung.Brutto, Termine.Datum FROM Rechnung, Termine",
                          "SELECT Rechnungsart FROM Rechnung GROUP BY Rechnungsart",
                          "SELECT max(NettoRechnung) AS Netto FROM Rechnung",
                          "SELECT DISTINCT Brutto FROM Rechnung"}) {
    EXPECT_FALSE(db->OpenRecordset(sql)->Updatable()) << sql;
  }
  // Words inside quotes are names, not clauses.
  EXPECT_TRUE(
      db->OpenRecordset("SELECT ID_Rechnungsnummer, Brutto AS \"max(Brutto) GROUP\" FROM Rechnung")
          ->Updatable());
  // Views open as read-only dynasets.
  Sql("CREATE VIEW \"Abschlaege\" AS SELECT * FROM \"Rechnung\" WHERE \"Rechnungsart\" = 5");
  auto view = Open()->OpenRecordset("Abschlaege");
  EXPECT_EQ(view->Type(), dbOpenDynaset);
  EXPECT_FALSE(view->Updatable());
  EXPECT_EQ(view->Field("Brutto")->Value(), Variant(59500.0));
}

TEST_P(EditTest, ComputedColumnsAndWrongTypesAreRefused) {
  auto rs = Open()->OpenRecordset(
      "SELECT ID_Rechnungsnummer, Brutto, Brutto / 100 AS Euro FROM Rechnung "
      "WHERE ID_Rechnungsnummer = 17");
  rs->Edit();
  ErrorOf([&] { rs->Field("Euro")->SetValue(Variant(1.0)); }, 3164);
  ErrorOf([&] { rs->Field("Brutto")->SetValue(Variant("viel")); }, 3421);
  ErrorOf([&] { rs->Field("ID_Rechnungsnummer")->SetValue(Variant("17; DROP TABLE x")); }, 3421);
  rs->Field("Brutto")->SetValue(Variant("1.190,50"));  // German notation converts
  rs->Update();
  EXPECT_EQ(rs->Field("Brutto")->Value(), Variant(1190.5));
  EXPECT_EQ(rs->Field("Euro")->Value(), Variant(1190.0));  // expressions keep the value read
}

TEST_P(EditTest, AddNewAppendsARow) {
  auto rs = Open()->OpenRecordset("Termine");
  rs->AddNew();
  EXPECT_TRUE(rs->Field("Datum")->Value().IsNull());
  rs->Field("ID_Terminart")->SetValue(Variant(int16_t{8}));
  rs->Field("ID_Rechnungsnummer")->SetValue(Variant(int32_t{20}));
  rs->Field("Datum")->SetValue(Variant("15.03.2024"));
  rs->Update();
  EXPECT_EQ(rs->RecordCount(), 5);
  EXPECT_EQ(rs->Field("ID")->Value(), Variant(int32_t{1}));  // the current row stays
  EXPECT_EQ(Scalar("SELECT substr(CAST(\"Datum\" AS TEXT), 1, 10) FROM \"Termine\" "
                   "WHERE \"ID_Rechnungsnummer\" = 20"),
            "2024-03-15");
}

// A deleted row stays current but unreadable until the next move, which
// skips it.
TEST_P(EditTest, DeleteRemovesTheCurrentRow) {
  auto db = Open();
  ErrorOf([&] { db->OpenRecordset(kInvoice, dbOpenSnapshot)->Delete(); }, 3027);
  ErrorOf([&] { db->OpenRecordset("SELECT * FROM Rechnung WHERE Rechnungsart = 7")->Delete(); },
          3021);
  auto rs = db->OpenRecordset("SELECT * FROM Rechnung ORDER BY ID_Rechnungsnummer");
  rs->Delete();
  EXPECT_EQ(Scalar("SELECT count(*) FROM \"Rechnung\" WHERE \"ID_Rechnungsnummer\" = 17"), "0");
  EXPECT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(ErrorOf([&] { rs->Field("Brutto")->Value(); }, 3167), "Datensatz ist gelöscht.");
  ErrorOf([&] { rs->Edit(); }, 3167);
  rs->MoveNext();
  EXPECT_EQ(rs->Field("ID_Rechnungsnummer")->Value(), Variant(int32_t{18}));
  rs->MovePrevious();
  EXPECT_TRUE(rs->Bof());
  rs->MoveFirst();
  rs->Delete();
  ErrorOf([&] { rs->MoveFirst(); }, 3021);
  EXPECT_EQ(Scalar("SELECT count(*) FROM \"Rechnung\""), "0");
}

KORVAX_ON_EVERY_BACKEND(EditTest);

}  // namespace
}  // namespace korvax::dao::testing
