// Regression tests for what fuzzing the number readers and formatters found.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "../common/log_fixture.hpp"
#include "common/date.hpp"
#include "common/error.hpp"
#include "common/format.hpp"
#include "common/funktionen.hpp"
#include "common/variant.hpp"
#include "reliability_fixture.hpp"

namespace korvax {
namespace {

using reliability::ErrorOf;

// A serial far outside any date reached the integer conversion of the date
// parts unchecked (undefined behaviour; garbage digits in practice).
TEST(DateRangeTest, SerialsOutsideTheDateRangeOverflow) {
  const double huge = std::numeric_limits<double>::max();
  for (double serial :
       {-huge, huge, 1e300, -1e19, 2958466.0, -657435.0, std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity()}) {
    EXPECT_EQ(ErrorOf([&] { (void)ToText(Variant(Date{serial})); }), 6) << serial;
    EXPECT_EQ(ErrorOf([&] { (void)Format(serial, "dd.mm.yyyy"); }), 6) << serial;
    EXPECT_EQ(ErrorOf([&] { (void)Format(serial, "hh:mm"); }), 6) << serial;
    EXPECT_EQ(ErrorOf([&] { (void)Format(Variant(Date{serial}), "d/m/yy"); }), 6) << serial;
  }
}

TEST(DateRangeTest, TheFirstAndLastDayStillFormat) {
  EXPECT_EQ(ToText(Variant(Date{-657434.0})), "01.01.0100");
  EXPECT_EQ(ToText(Variant(Date{2958465.5})), "31.12.9999 12:00:00");
  EXPECT_EQ(Format(2958465.0, "dd.mm.yyyy"), "31.12.9999");
  EXPECT_EQ(Format(45352.75, "hh:mm"), "18:00");
}

// Hours or minutes far beyond a day overflowed int arithmetic while a text
// was read as a date.
TEST(DateRangeTest, HugeTimeOrSmallestYearInADateTextDoesNotOverflow) {
  const Date d = ToDate(Variant("01.01.2000 2147483647:2147483647:2147483647"));
  EXPECT_TRUE(std::isfinite(d.serial));
  EXPECT_EQ(ErrorOf([&] { (void)ToText(Variant(d)); }), 6);  // far past 9999
  EXPECT_EQ(ToText(Variant(ToDate(Variant("01.01.2000 36:00:00")))), "02.01.2000 12:00:00");
  // The year before the smallest int year could not be computed.
  const Date smallest = ToDate(Variant("-2147483648-01-01"));
  EXPECT_TRUE(std::isfinite(smallest.serial));
  EXPECT_EQ(ErrorOf([&] { (void)Format(Variant(smallest), "dd.mm.yyyy"); }), 6);
}

class NumberHelpersTest : public testing::TempEnvironment {};

// The helpers that report and continue take the same inputs without failing.
TEST_F(NumberHelpersTest, OddAmountsAreReportedNotThrown) {
  // Val overflows: reported, the text is kept and aligned.
  EXPECT_EQ(WertFormatieren("1e999", 12, 2), "       1e999");
  EXPECT_EQ(CVal("-"), 0);
  EXPECT_EQ(CVal("1e999"), 0);    // overflows: reported, 0
  EXPECT_EQ(CVal("1e999 m"), 1);  // the number in front of the unit is "1"
  // No width at all: the empty format is refused and reported.
  EXPECT_EQ(WertFormatieren("12,5", -30000, 30000), "");
  EXPECT_EQ(WertFormatieren("", 8, 2), "    0,00");
  EXPECT_GT(LogEntries(), 0);
}

}  // namespace
}  // namespace korvax
