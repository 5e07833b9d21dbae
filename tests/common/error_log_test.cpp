#include <gtest/gtest.h>

#include <filesystem>

#include "common/date.hpp"
#include "common/error.hpp"
#include "common/error_log.hpp"
#include "common/operation.hpp"
#include "log_fixture.hpp"

namespace korvax {
namespace {

using ErrorLog = testing::TempEnvironment;

TEST_F(ErrorLog, EntryLayoutIsExactToTheByte) {
  const double at = Date::FromYmdHms(2026, 12, 5, 9, 5, 0).serial;
  const std::string entry = FormatLogEntry("GebührenTabelle", "CommandÜbernehmen_Click",
                                           -2147417848, "Zeile eins\r\nZeile zwei", 0, at);
  EXPECT_EQ(entry,
            "5.12.26 09:05   Error -2147417848: \r\n"
            "Zeile eins\r\nZeile zwei\r\n"
            "Zeile: 0\r\n"
            "Ort  : Geb\xfchrenTabelle.Command\xdc"
            "bernehmen_Click\r\n"
            "User : , \r\n"
            "\r\n");
}

TEST_F(ErrorLog, TwoReportsAppendTwelveLines) {
  ReportError("Rechnung", "Show", 3021, "Kein aktueller Datensatz.", 400);
  ReportError("Rechnung", "Show", 3265, "Element in dieser Auflistung nicht gefunden.", 400);
  const std::string log = Log();
  int lines = 0;
  for (size_t at = log.find("\r\n"); at != std::string::npos; at = log.find("\r\n", at + 2)) {
    ++lines;
  }
  EXPECT_EQ(lines, 12);
  EXPECT_LT(log.find("Error 3021: "), log.find("Error 3265: "));
}

TEST_F(ErrorLog, UnwritableLogLosesTheEntrySilently) {
  setenv("KORVAX_LOG_DIR", (dir_ / "missing" / "folder").c_str(), 1);
  ReportError("Rechnung", "Show", 5, "x", 1);  // must neither throw nor create anything
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));
}

TEST_F(ErrorLog, OperationReportsAFailingStepAndGoesOn) {
  Operation op("Rechnung", "Show");
  int value = 1;
  bool later = false;
  op.Step(100, [&] { value = 2; });
  op.Step(400, [&] {
    throw errors::Overflow();
    value = 3;  // abandoned with the step
  });
  op.Step(101, [&] { later = true; });
  EXPECT_EQ(value, 2);
  EXPECT_TRUE(later);
  EXPECT_EQ(op.Failures(), 1);
  EXPECT_NE(Log().find("Error 6: \r\n\xDC"
                       "berlauf\r\nZeile: 400\r\nOrt  : Rechnung.Show\r\n"),
            std::string::npos);
}

TEST_F(ErrorLog, FailingConditionLeadsIntoTheThenPart) {
  Operation op("Funktionen", "Test");
  const bool taken = op.If(120, []() -> bool { throw errors::TypeMismatch(); });
  EXPECT_TRUE(taken);
  EXPECT_EQ(LogEntries(), 1);
  EXPECT_TRUE(Operation::Quietly([] { throw errors::Overflow(); }) == false);
  EXPECT_EQ(LogEntries(), 1);
}

}  // namespace
}  // namespace korvax
