// korvax show as several people run it on one invoice: two at once, one
// while the invoice is open in Writer, one on a write-protected invoice.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "office_life.hpp"
#include "platform/word/word.hpp"
#include "reliability_fixture.hpp"

namespace korvax::reliability {
namespace {

namespace fs = std::filesystem;

class TwoUsersTest : public OfficeTest {
 protected:
  // The parcels of the billing lines in the invoice, per category table.
  std::vector<std::string> Parcels(const std::string& prefix) const {
    std::vector<std::string> parcels;
    auto doc = word::Document::Open(invoice_);
    for (int t = 1; t <= doc->Tables().Count(); ++t) {
      const std::string text = doc->Tables().Item(t).Range().Text();
      for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
        parcels.push_back(text.substr(at, text.find('\r', at) - at));
      }
    }
    return parcels;
  }
};

// Both start at the same moment; each waits for its user's input, which the
// test gives only once one of them has ended. Exactly one holds the invoice.
TEST_F(TwoUsersTest, OfTwoAtOnceOneSavesAndTheOtherIsToldAndNoTableIsLost) {
  std::vector<std::string> expected_nr7;
  std::vector<std::string> expected_nr2;
  for (int round = 1; round <= 20; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    Process nr7(Show(3), dir_, "nr7");
    Process nr2(Show(0), dir_, "nr2");
    Process* refused = nullptr;
    for (int i = 0; i < 3000 && refused == nullptr; ++i) {
      if (nr7.Ended())
        refused = &nr7;
      else if (nr2.Ended())
        refused = &nr2;
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(refused, nullptr) << "neither gave way";
    Process& winner = refused == &nr7 ? nr2 : nr7;
    EXPECT_EQ(refused->Code(), 4) << refused->Err();
    EXPECT_NE(refused->Err().find("wird gerade bearbeitet von"), std::string::npos)
        << refused->Err();
    EXPECT_NE(refused->Err().find("(Korvax auf "), std::string::npos) << refused->Err();
    const bool winner_nr7 = &winner == &nr7;
    std::vector<std::string>& lines = winner_nr7 ? expected_nr7 : expected_nr2;
    const std::string parcel = "Flst.Nr. " + std::to_string(round) + "/" + (winner_nr7 ? "7" : "2");
    winner.Feed(ShowScript(winner_nr7 ? 3 : 0, parcel, !lines.empty()));
    EXPECT_EQ(winner.Wait(), 0) << winner.Err();
    EXPECT_NE(winner.Out().find("Rechnung gespeichert"), std::string::npos) << winner.Out();
    lines.push_back(parcel);
    // Every line written so far is still there, once.
    const std::vector<std::string> found = Parcels("Flst.Nr. ");
    for (const auto& expected : {expected_nr7, expected_nr2}) {
      for (const std::string& p : expected) {
        EXPECT_NE(std::find(found.begin(), found.end(), p), found.end()) << p;
      }
    }
    EXPECT_EQ(found.size(), expected_nr7.size() + expected_nr2.size());
  }
  RecordProperty("nr7_saves", static_cast<int>(expected_nr7.size()));
  RecordProperty("nr2_saves", static_cast<int>(expected_nr2.size()));
}

TEST_F(TwoUsersTest, AnInvoiceOpenInWriterOrWriteProtectedIsLeftAlone) {
  const std::string before = ReadBytes(invoice_);
  WriteBytes(dir_ / ".~lock.rechnung.docx#", "Erika Muster,erika,buero-3,14.05.2026 09:12,;");
  Process writer_open(Show(3), dir_, "writer");
  writer_open.Feed(ShowScript(3, "Flst.Nr. 1/1", false));
  EXPECT_EQ(writer_open.Wait(), 4);
  EXPECT_NE(writer_open.Err().find("Erika Muster (LibreOffice auf buero-3, seit 14.05.2026 09:12)"),
            std::string::npos)
      << writer_open.Err();
  fs::remove(dir_ / ".~lock.rechnung.docx#");

  ::chmod(invoice_.c_str(), 0444);
  Process protected_invoice(Show(3), dir_, "protected");
  protected_invoice.Feed(ShowScript(3, "Flst.Nr. 1/1", false));
  EXPECT_EQ(protected_invoice.Wait(), 7);
  EXPECT_NE(protected_invoice.Err().find("schreibgeschützt"), std::string::npos)
      << protected_invoice.Err();
  EXPECT_EQ(ReadBytes(invoice_), before);
}

}  // namespace
}  // namespace korvax::reliability
