// The invoice and its record in the host database stay in step through
// korvax show: the totals are kept only with the saved invoice, a failure of
// either is said with its own exit code, and totals are never computed from
// billing settings that could not be read.
#include <stdlib.h>

#include <functional>
#include <memory>
#include <string>

#include "../support/host_database.hpp"
#include "office_life.hpp"
#include "platform/word/word.hpp"
#include "reliability_fixture.hpp"

namespace korvax::reliability {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBrutto = "SELECT Brutto FROM Rechnung WHERE ID_Rechnungsnummer = 17";

class RecordInStepTest : public OfficeTest {
 protected:
  // Runs korvax show for Nr. 2 with one new line; `meanwhile` runs once it
  // has the invoice open and before the user's input comes.
  Process& RunNr2(const std::string& parcel, bool existing,
                  const std::function<void()>& meanwhile = {}, const std::string& after = "") {
    run_ = std::make_unique<Process>(Show(0), dir_, "show");
    EXPECT_TRUE(run_->AwaitReadingInput());
    if (meanwhile) meanwhile();
    run_->Feed(ShowScript(0, parcel, existing, after));
    run_->Wait();
    return *run_;
  }

  std::string Brutto() const { return testing::QueryText(database_, kBrutto); }

  std::unique_ptr<Process> run_;
};

TEST_F(RecordInStepTest, TheTotalsAreKeptWithTheSavedInvoiceAndNeitherWithoutTheOther) {
  // Billed once, with no $TMPDIR to write to: nothing needs it.
  ::setenv("TMPDIR", (dir_ / "fehlt").c_str(), 1);
  Process& first = RunNr2("Flst.Nr. 1/2", false);
  ::unsetenv("TMPDIR");
  ASSERT_EQ(first.Code(), 0) << first.Err();
  const std::string billed = Brutto();
  EXPECT_NE(billed, "0.0");
  const std::string invoice = ReadBytes(invoice_);

  // The invoice changes meanwhile: it is not saved, the record stays.
  testing::WriteDocx(dir_ / "andere.docx", P("Fassung eines anderen Programms"));
  Process& changed =
      RunNr2("Flst.Nr. 2/2", true, [&] { fs::rename(dir_ / "andere.docx", invoice_); });
  EXPECT_EQ(changed.Code(), 5) << changed.Err();
  EXPECT_NE(changed.Err().find("Korvax-Kopie"), std::string::npos) << changed.Err();
  EXPECT_NE(changed.Err().find("Der Datensatz der Rechnung blieb unverändert"), std::string::npos);
  EXPECT_EQ(Brutto(), billed);
  WriteBytes(invoice_, invoice);

  // The database does not take the totals (another writer holds it): the
  // invoice is not saved either, and the input is kept in a copy.
  {
    OtherConnection writer(database_, "BEGIN IMMEDIATE; UPDATE Termine SET Datum = Datum");
    Process& locked = RunNr2("Flst.Nr. 3/2", true);
    EXPECT_EQ(locked.Code(), 74) << locked.Err();
    EXPECT_NE(locked.Err().find("Fehler 3260 in GebührenTabelle.SummeBilden"), std::string::npos)
        << locked.Err();
    EXPECT_NE(locked.Err().find("Korvax-Kopie"), std::string::npos) << locked.Err();
  }
  EXPECT_EQ(ReadBytes(invoice_), invoice);
  EXPECT_EQ(Brutto(), billed);

  // The invoice is saved but the record cannot be committed (another program
  // is in the middle of reading): said as such, and the record stays as it was.
  {
    OtherConnection reader(database_, "BEGIN; SELECT count(*) FROM Rechnung");
    Process& stale = RunNr2("Flst.Nr. 4/2", true);
    EXPECT_EQ(stale.Code(), 6) << stale.Err();
    EXPECT_NE(stale.Err().find("Die Rechnung wurde gespeichert, aber ihr Datensatz"),
              std::string::npos)
        << stale.Err();
  }
  EXPECT_NE(ReadBytes(invoice_), invoice);
  EXPECT_EQ(Brutto(), billed);
}

TEST_F(RecordInStepTest, TotalsAreNotComputedFromSettingsThatCouldNotBeRead) {
  Process& first = RunNr2("Flst.Nr. 1/2", false);
  ASSERT_EQ(first.Code(), 0) << first.Err();
  const std::string billed = Brutto();
  auto totals = [&] {
    auto doc = word::Document::Open(invoice_);
    for (int t = 1; t <= doc->Tables().Count(); ++t) {
      const std::string text = doc->Tables().Item(t).Range().Text();
      if (text.find("Rechnungsbetrag") != std::string::npos) return text;
    }
    return std::string();
  };
  const std::string old_totals = totals();
  ASSERT_FALSE(old_totals.empty());

  testing::ExecSql(database_, "DROP TABLE TempDoc");
  Process& unreadable = RunNr2(
      "Flst.Nr. 2/2", true, {},
      R"(,{"action": "answer", "button": "OK", "prompt": "Die Abrechnungseinstellungen (Tabelle )"
      R"(TempDoc) ließen sich nicht lesen. Die Summen der Rechnung wurden deshalb nicht neu )"
      R"(gebildet; sie und der Datensatz der Rechnung bleiben, wie sie waren."})");
  EXPECT_EQ(unreadable.Code(), 3) << unreadable.Err();
  EXPECT_NE(unreadable.Err().find("fertig, mit Fehlern"), std::string::npos);
  EXPECT_NE(unreadable.Err().find("Fehler 3078 in Rechnung.Show (Schritt 400)"), std::string::npos)
      << unreadable.Err();
  EXPECT_EQ(Brutto(), billed);
  EXPECT_EQ(totals(), old_totals);
  // The new line itself is in the invoice: nothing the user entered is lost.
  auto doc = word::Document::Open(invoice_);
  EXPECT_NE(doc->Content().Text().find("Flst.Nr. 2/2"), std::string::npos);
}

}  // namespace
}  // namespace korvax::reliability
