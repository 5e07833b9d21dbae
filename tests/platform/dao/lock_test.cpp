#include <chrono>

#include "dao_fixture.hpp"

namespace korvax::dao::testing {
namespace {

using LockTest = DaoTest;

constexpr std::chrono::milliseconds kWait{1000};

TEST_P(LockTest, LockedRecordFailsAfterTheBoundedWaitAndWritesNothing) {
  auto rs = store_->WorkspaceWaiting(kWait)
                ->OpenDatabase(store_->Name())
                ->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
  store_->LockInvoice(17);
  rs->Edit();
  rs->Field("NettoRechnung")->SetValue(Variant(1.0));
  rs->Field("Brutto")->SetValue(Variant(2.0));

  const auto start = std::chrono::steady_clock::now();
  const std::string text = ErrorOf([&] { rs->Update(); }, 3260);
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(text.rfind("Aktualisieren nicht möglich; momentan gesperrt", 0), 0u) << text;
  EXPECT_GE(waited, kWait * 3 / 4);
  EXPECT_LT(waited, std::chrono::seconds(10));
  // Still pending, to be retried once the lock is gone: then it goes through whole.
  EXPECT_EQ(rs->EditMode(), dbEditInProgress);
  store_->Release();
  EXPECT_EQ(Number("SELECT \"Brutto\" FROM \"Rechnung\" WHERE \"ID_Rechnungsnummer\" = 17"),
            119000);
  rs->Update();
  EXPECT_EQ(Number("SELECT \"NettoRechnung\" + \"Brutto\" FROM \"Rechnung\" "
                   "WHERE \"ID_Rechnungsnummer\" = 17"),
            3);
}

TEST_P(LockTest, ExecuteOnALockedRecordFails) {
  auto db = store_->WorkspaceWaiting(std::chrono::milliseconds(200))->OpenDatabase(store_->Name());
  store_->LockInvoice(17);
  ErrorOf([&] { db->Execute("UPDATE Rechnung SET Brutto = 5 WHERE ID_Rechnungsnummer = 17"); },
          3260);
  store_->Release();
  EXPECT_EQ(Scalar("SELECT count(*) FROM \"Rechnung\" WHERE \"Brutto\" = 5"), "0");
}

KORVAX_ON_EVERY_BACKEND(LockTest);

}  // namespace
}  // namespace korvax::dao::testing
