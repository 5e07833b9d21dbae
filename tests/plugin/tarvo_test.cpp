#include <gtest/gtest.h>

#include "../common/log_fixture.hpp"
#include "common/error.hpp"
#include "host_database.hpp"
#include "platform/dao/dao.hpp"
#include "plugin/dialog_registry.hpp"
#include "plugin/plugin_state.hpp"
#include "plugin/tarvo.hpp"

namespace korvax {
namespace {

class TarvoTest : public testing::TempEnvironment {
 protected:
  void SetUp() override {
    TempEnvironment::SetUp();
    ResetLibrary();
    db_path_ = dir_ / "office.sqlite";
    testing::CreateHostDatabase(db_path_);
    workspace_ = dao::CreateWorkspace();
    tarvo_.Put("VaroWorkspace", Variant(std::static_pointer_cast<Object>(workspace_)));
    tarvo_.Put("DatenbankPfad", Variant(db_path_.string()));
    tarvo_.Put("ID_Benutzer", Variant(int32_t{7}));
  }
  void TearDown() override {
    ResetLibrary();
    RegisterDialog(3, nullptr);
    RegisterTotals(nullptr);
    TempEnvironment::TearDown();
  }
  void Show(int16_t index) {
    int16_t i = index;
    tarvo_.Show(i, nullptr, 42);
    EXPECT_EQ(i, index);
  }
  int ErrorOf(auto&& f) {
    try {
      f();
    } catch (const Error& e) {
      return e.number();
    }
    return 0;
  }

  std::filesystem::path db_path_;
  std::shared_ptr<dao::Workspace> workspace_;
  Tarvo tarvo_;
};

TEST_F(TarvoTest, ShowReadsTheFourteenSettingsAndOpensTheDialogOfItsIndex) {
  int opened = 0;
  RegisterDialog(3, [&] { ++opened; });
  Show(3);
  const BillingSettings& s = Library().settings;
  EXPECT_EQ(s.ID_Auftragsnummer, 4711);
  EXPECT_TRUE(s.MeßtruppZusammenfassen);
  EXPECT_EQ(s.ID_Lieferschein, 12);
  EXPECT_EQ(s.AbschlagProzent, 100);
  EXPECT_TRUE(s.Zahlungsziel);
  EXPECT_EQ(s.Mehrwertsteuersatz, 19);
  EXPECT_EQ(s.Preisgruppe4, 4);
  EXPECT_EQ(s.Mehrwertsteuer, 19);
  EXPECT_EQ(s.MwStErmäßigt, 7);
  EXPECT_EQ(s.Rabatt, 5);
  EXPECT_EQ(Library().host_window, 42);
  EXPECT_EQ(opened, 1);
  Show(3);  // the second call reads again and reuses the opener
  EXPECT_EQ(opened, 2);
  Show(4);  // indexes without a dialog read the settings and open nothing
  Show(-1);
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(LogEntries(), 0);
}

TEST_F(TarvoTest, VatRateTenthsRoundHalvesToEven) {
  for (auto [stored, held] : {std::pair{160, 16}, {165, 16}, {175, 18}, {75, 8}, {65, 6}}) {
    testing::ExecSql(db_path_, "UPDATE TempDoc SET Mehrwertsteuersatz = " + std::to_string(stored));
    Show(9);
    EXPECT_EQ(Library().settings.Mehrwertsteuersatz, held) << stored;
  }
}

// Null and empty read as 0 through the readers; Null in a field read directly
// is reported and the old value stays.
TEST_F(TarvoTest, NullAndEmptyFields) {
  Show(9);
  testing::ExecSql(db_path_,
                   "UPDATE TempDoc SET AbschlagAbsolut = NULL, Rabatt = '', Zahlungsziel = NULL, "
                   "ID_Auftragsnummer = NULL");
  Show(9);
  EXPECT_EQ(Library().settings.AbschlagAbsolut, 0);
  EXPECT_EQ(Library().settings.Rabatt, 0);
  EXPECT_FALSE(Library().settings.Zahlungsziel);
  EXPECT_EQ(Library().settings.ID_Auftragsnummer, 4711);
  EXPECT_EQ(LogEntries(), 1);
  EXPECT_NE(Log().find("Error 94: "), std::string::npos);
  EXPECT_NE(Log().find("Zeile: 400\r\nOrt  : Rechnung.Show"), std::string::npos);
}

TEST_F(TarvoTest, MissingRowFailsDirectFieldsAndZeroesTheReaderFields) {
  Show(9);
  tarvo_.Put("ID_Benutzer", Variant(int32_t{-5}));
  Show(9);
  const BillingSettings& s = Library().settings;
  EXPECT_EQ(s.ID_Auftragsnummer, 4711);  // read directly: kept
  EXPECT_EQ(s.Mehrwertsteuer, 19);
  EXPECT_EQ(s.Rabatt, 0);  // through a reader: 0
  EXPECT_FALSE(s.Zahlungsziel);
  // Four direct fields fail in Show, ten readers report under their own names.
  const std::string log = Log();
  EXPECT_EQ(LogEntries(), 14);
  EXPECT_NE(log.find("Ort  : Funktionen.ZahlDatensatzLesen"), std::string::npos);
  EXPECT_NE(log.find("Zeile: 120"), std::string::npos);
}

TEST_F(TarvoTest, UnavailableDatabaseLogsEveryDependentStepAndStillOpensTheDialog) {
  int opened = 0;
  RegisterDialog(3, [&] { ++opened; });
  tarvo_.Put("DatenbankPfad", Variant((dir_ / "fehlt.sqlite").string()));
  Show(3);
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(LogEntries(), 16);  // open, query and fourteen fields
  EXPECT_NE(Log().find("Error 3024: "), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "fehlt.sqlite"));
}

TEST_F(TarvoTest, PropertyWritesConvertAndFailuresKeepTheOldValue) {
  tarvo_.Put("Fläche", Variant("12,5"));
  tarvo_.Put("Bodenwert", Variant("26,99"));
  EXPECT_EQ(tarvo_.Get("Bodenwert"), Variant(26.99));
  EXPECT_EQ(tarvo_.Get("Fläche"), Variant(12.5));
  EXPECT_EQ(ErrorOf([&] { tarvo_.Put("Fläche", Variant("zwölf")); }), 13);
  EXPECT_EQ(tarvo_.Get("Fläche"), Variant(12.5));
  tarvo_.Put("Achslänge", Variant(2.5));
  EXPECT_EQ(tarvo_.Get("Achslänge"), Variant(int16_t{2}));
  tarvo_.Put("Achslänge", Variant(3.5));
  EXPECT_EQ(tarvo_.Get("Achslänge"), Variant(int16_t{4}));
  EXPECT_EQ(ErrorOf([&] { tarvo_.Put("Achslänge", Variant(int32_t{40000})); }), 6);
  EXPECT_EQ(tarvo_.Get("Achslänge"), Variant(int16_t{4}));
  EXPECT_EQ(ErrorOf([&] { tarvo_.Put("NeueAbfrage", Variant("keine Datenbank")); }), 13);
  EXPECT_EQ(ErrorOf([&] { tarvo_.Put("Doc", Variant()); }), 91);
  tarvo_.Put("Flurstücksnummer", Variant(int32_t{123}));
  EXPECT_EQ(tarvo_.Get("Flurstücksnummer"), Variant("123"));
  EXPECT_EQ(LogEntries(), 0);
}

TEST_F(TarvoTest, InstancesShareTheOrderContextButNotPDocument) {
  Tarvo other;
  tarvo_.Put("Baukosten", Variant(int32_t{250000}));
  tarvo_.Put("pDocument", Variant("eigenes"));
  EXPECT_EQ(other.Get("Baukosten"), Variant(250000.0));
  EXPECT_EQ(other.Get("pDocument"), Variant());
  EXPECT_EQ(tarvo_.Get("pDocument"), Variant("eigenes"));
}

TEST_F(TarvoTest, DispatchIdsFollowTheInterfaceOrder) {
  EXPECT_EQ(Tarvo::DispatchId("Show"), 1);
  EXPECT_EQ(Tarvo::DispatchId("Aktualisieren"), 2);
  EXPECT_EQ(Tarvo::DispatchId("pDocument"), 3);
  EXPECT_EQ(Tarvo::DispatchId("NeueAbfrage"), 17);
  EXPECT_EQ(Tarvo::DispatchId("Gibtsnicht"), 0);
  std::vector<Variant> none;
  EXPECT_EQ(tarvo_.Invoke(Tarvo::DispatchId("ID_Benutzer"), DispatchKind::PropertyGet, none),
            Variant(int32_t{7}));
}

// The member that rebuilds the totals without a dialog: the settings of
// the user and the invoice record as for Show, then the registered totals.
TEST_F(TarvoTest, SummeBildenReadsTheSettingsThenRebuildsTheTotals) {
  EXPECT_EQ(Tarvo::DispatchId("SummeBilden"), 18);
  auto database = workspace_->OpenDatabase(db_path_.string());
  auto invoice = database->OpenRecordset("SELECT * FROM Rechnung");
  std::vector<bool> calls;
  RegisterTotals([&](bool zahlungsziel) {
    EXPECT_EQ(Library().settings.Mehrwertsteuersatz, 19);
    EXPECT_EQ(Library().Rechnung, invoice);
    calls.push_back(zahlungsziel);
  });
  std::vector<Variant> args = {Variant(std::static_pointer_cast<Object>(invoice))};
  tarvo_.Invoke(18, DispatchKind::Method, args);
  EXPECT_EQ(calls, std::vector<bool>{true});
  EXPECT_EQ(LogEntries(), 0);

  RegisterTotals(nullptr);  // a build without the dialogs' library
  tarvo_.SummeBilden(invoice);
  EXPECT_EQ(LogEntries(), 1);
  EXPECT_NE(Log().find("Ort  : Rechnung.SummeBilden"), std::string::npos) << Log();
}

}  // namespace
}  // namespace korvax
