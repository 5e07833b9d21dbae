#include "dao_fixture.hpp"

namespace korvax::dao::testing {
namespace {

TEST(SqlIntegerTest, NumbersBecomeDecimalIntegersAndAnythingElseFails) {
  EXPECT_EQ(SqlInteger(Variant(int32_t{17})), "17");
  EXPECT_EQ(SqlInteger(Variant(int16_t{-5})), "-5");
  EXPECT_EQ(SqlInteger(Variant(2.5)), "2");  // halves to the even neighbour
  EXPECT_EQ(SqlInteger(Variant(3.5)), "4");
  EXPECT_EQ(SqlInteger(Variant(" 42 ")), "42");
  EXPECT_EQ(SqlInteger(Variant(true)), "-1");
  // Text that is no number never reaches the query.
  EXPECT_EQ(ErrorOf([] { SqlInteger(Variant("5; DROP TABLE Rechnung")); }, 13),
            "Typen unverträglich");
  ErrorOf([] { SqlInteger(Variant("17 OR 1=1")); }, 13);
  ErrorOf([] { SqlInteger(Variant::Null()); }, 94);
  ErrorOf([] { SqlInteger(Variant(3e10)); }, 6);
}

using SqlIntegerQueryTest = DaoTest;

TEST_P(SqlIntegerQueryTest, FieldsCountByTheirValue) {
  auto db = Open();
  auto invoice = db->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
  const Variant number(std::static_pointer_cast<Object>(invoice->Field("ID_Rechnungsnummer")));
  auto dates = db->OpenRecordset(
      "SELECT ID_Terminart, ID_Rechnungsnummer, Datum From Termine WHERE (((ID_Terminart)=8) "
      "AND ((ID_Rechnungsnummer)=" +
          SqlInteger(number) + "));",
      dbOpenForwardOnly);
  EXPECT_EQ(dates->Field("Datum")->Value(), Variant(Date::FromYmd(2024, 3, 1)));
  dates->MoveNext();
  EXPECT_TRUE(dates->Eof());  // the Jet parentheses ran unchanged: one row

  db->Execute("UPDATE TempDoc SET Bemerkung = '5; DROP TABLE Rechnung' WHERE ID = 1");
  auto settings = db->OpenRecordset("SELECT * FROM TempDoc WHERE ID = 1");
  const Variant text(std::static_pointer_cast<Object>(settings->Field("Bemerkung")));
  ErrorOf([&] { SqlInteger(text); }, 13);
}

KORVAX_ON_EVERY_BACKEND(SqlIntegerQueryTest);

}  // namespace
}  // namespace korvax::dao::testing
