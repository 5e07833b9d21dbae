#include "dao_fixture.hpp"

namespace korvax::dao::testing {
namespace {

using ReadTest = DaoTest;

TEST_P(ReadTest, SettingsQueryOfANegativeUserRunsUnchangedAndFieldNamesIgnoreCase) {
  auto unquoted = Open()->OpenRecordset(
      "SELECT MeßtruppZusammenfassen, MwStErmäßigt FROM TempDoc WHERE MwStErmäßigt = 70");
  EXPECT_EQ(unquoted->RecordCount(), 2);  // umlaut names need no quotes
  EXPECT_EQ(unquoted->Fields().Item(0)->Name(), "MeßtruppZusammenfassen");

  auto rs = Open()->OpenRecordset("SELECT * FROM TempDoc WHERE ID_Benutzer = -5");
  EXPECT_EQ(rs->Type(), dbOpenDynaset);
  ASSERT_FALSE(rs->Eof());
  EXPECT_EQ(rs->Fields().Count(), 8);
  EXPECT_EQ(rs->Field("ID_Auftragsnummer")->Value(), Variant(int32_t{4711}));
  EXPECT_EQ(rs->Field("MeßtruppZusammenfassen")->Value(), Variant(true));
  EXPECT_EQ(rs->Field("MwStErmäßigt")->Value(), Variant(int32_t{70}));
  EXPECT_EQ(rs->Field("Zahlungsziel")->Value(), Variant(false));
  // Field names compare without case, umlauts included.
  EXPECT_EQ(rs->Field("MEßTRUPPZUSAMMENFASSEN")->Value(), Variant(true));
  EXPECT_EQ(rs->Fields().Item("mwstermäßigt")->Value(), Variant(int32_t{70}));
  EXPECT_EQ(rs->Fields().Item("MWSTERMÄßIGT")->Name(), "MwStErmäßigt");
}

TEST_P(ReadTest, MissingFieldIsNotInTheCollection) {
  auto rs = Open()->OpenRecordset("SELECT * FROM TempDoc");
  EXPECT_EQ(ErrorOf([&] { rs->Field("Rabatt"); }, 3265),
            "Element in dieser Auflistung nicht gefunden.");
  ErrorOf([&] { rs->Fields().Item(8); }, 3265);
  ErrorOf([&] { rs->Fields().Item(-1); }, 3265);
  EXPECT_EQ(rs->Fields().Item(0)->Name(), "ID");
}

TEST_P(ReadTest, ValuesComeAsTheirVariantTypes) {
  Sql("INSERT INTO \"TempDoc\" (\"ID\", \"ID_Benutzer\", \"ID_Auftragsnummer\") "
      "VALUES (3, 9, 3000000000)");
  auto db = Open();
  auto rs = db->OpenRecordset("SELECT * FROM TempDoc ORDER BY ID");
  EXPECT_TRUE(rs->Field("AbschlagAbsolut")->Value().IsNull());
  EXPECT_EQ(rs->Field("Bemerkung")->Value(), Variant("erster"));
  rs->MoveNext();
  EXPECT_EQ(rs->Field("AbschlagAbsolut")->Value(), Variant(250.5));
  EXPECT_TRUE(rs->Field("Bemerkung")->Value().IsNull());
  rs->MoveNext();
  EXPECT_EQ(rs->Field("ID_Auftragsnummer")->Value(), Variant(3000000000.0));  // beyond a Long
  EXPECT_TRUE(rs->Field("MeßtruppZusammenfassen")->Value().IsNull());

  auto expression = db->OpenRecordset("SELECT count(*) AS Anzahl, 1.5 AS Faktor FROM TempDoc");
  EXPECT_EQ(expression->Field("Anzahl")->Value(), Variant(int32_t{3}));
  EXPECT_EQ(expression->Field("Faktor")->Value(), Variant(1.5));
  EXPECT_FALSE(expression->Updatable());
}

TEST_P(ReadTest, DateColumnsGiveDatesFromTextOrSerials) {
  auto rs = Open()->OpenRecordset("SELECT ID, Datum FROM Termine ORDER BY ID");
  EXPECT_EQ(rs->Field("Datum")->Value(), Variant(Date::FromYmd(2024, 3, 1)));
  rs->MoveLast();
  EXPECT_EQ(rs->Field("Datum")->Value(), Variant(Date::FromYmd(2024, 3, 1)));  // SQLite: 45352
  rs->MovePrevious();
  const Date with_time = rs->Field("Datum")->Value().AsDate();
  EXPECT_EQ(with_time.Day(), 2);
  EXPECT_EQ(with_time.Hour(), 13);
  EXPECT_EQ(with_time.Second(), 10);
}

TEST_P(ReadTest, EmptyResultIsBofAndEofWithoutCurrentRow) {
  auto db = Open();
  for (auto type : {dbOpenDynaset, dbOpenSnapshot, dbOpenForwardOnly}) {
    auto rs = db->OpenRecordset("SELECT * FROM Termine WHERE ID_Rechnungsnummer = 99", type);
    EXPECT_TRUE(rs->Bof());
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(rs->RecordCount(), 0);
    EXPECT_EQ(ErrorOf([&] { rs->Field("Datum")->Value(); }, 3021), "Kein aktueller Datensatz.");
    ErrorOf([&] { rs->MoveNext(); }, 3021);
  }
}

// Both ways with a stop at each end; forward-only reads ahead only and counts
// the rows it has seen.
TEST_P(ReadTest, Navigation) {
  auto rs = Open()->OpenRecordset("SELECT ID FROM Termine ORDER BY ID", dbOpenSnapshot);
  EXPECT_EQ(rs->RecordCount(), 4);
  rs->MovePrevious();
  EXPECT_TRUE(rs->Bof());
  ErrorOf([&] { rs->Field("ID")->Value(); }, 3021);
  ErrorOf([&] { rs->MovePrevious(); }, 3021);
  rs->MoveNext();
  EXPECT_EQ(rs->Field("ID")->Value(), Variant(int32_t{1}));
  rs->MoveLast();
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
  ErrorOf([&] { rs->MoveNext(); }, 3021);

  auto ahead = Open()->OpenRecordset("SELECT ID FROM Termine ORDER BY ID", dbOpenForwardOnly);
  ahead->MoveFirst();  // still on the first row
  ahead->MoveNext();
  EXPECT_EQ(ahead->Field("ID")->Value(), Variant(int32_t{2}));
  ErrorOf([&] { ahead->MovePrevious(); }, 3219);
  ErrorOf([&] { ahead->MoveFirst(); }, 3219);
  EXPECT_EQ(ahead->RecordCount(), 2);
  ahead->MoveLast();
  EXPECT_EQ(ahead->Field("ID")->Value(), Variant(int32_t{4}));
  EXPECT_EQ(ahead->RecordCount(), 4);
}

KORVAX_ON_EVERY_BACKEND(ReadTest);

}  // namespace
}  // namespace korvax::dao::testing
