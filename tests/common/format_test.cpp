#include <gtest/gtest.h>

#include "common/format.hpp"

namespace korvax {
namespace {

TEST(Format, NumberFormatsUseGermanSeparatorsAndRoundHalvesAway) {
  EXPECT_EQ(Format(1234.5, "#,##0.00"), "1.234,50");
  EXPECT_EQ(Format(1234567.891, "#,##0.00"), "1.234.567,89");
  EXPECT_EQ(Format(0.125, "0.00"), "0,13");
  EXPECT_EQ(Format(2.675, "0.00"), "2,68");  // 2.67499999... in binary
  EXPECT_EQ(Format(-2.5, "#,##0"), "-3");
  EXPECT_EQ(Format(5.0, "####0.00"), "5,00");
  EXPECT_EQ(Format(999.995, "#,##0.00"), "1.000,00");
  EXPECT_EQ(Format(12.25, "#,##0.0"), "12,3");
  EXPECT_EQ(Format(-0.001, "0.00"), "0,00");
  EXPECT_EQ(Format(204.52 * 7, "0.00"), "1431,64");
  EXPECT_EQ(Format(0.00456, "0.000"), "0,005");
  EXPECT_EQ(Format(1e20, "#,##0"), "100.000.000.000.000.000.000");
}

TEST(Format, AtSignsRightAlignAndKeepALongerTextWhole) {
  EXPECT_EQ(Format(Variant("7"), "@@@@"), "   7");
  EXPECT_EQ(Format(Variant("12345"), "@@@"), "12345");
  EXPECT_EQ(Format(Variant(120.0), "@@@@@ m"), "  120 m");
  EXPECT_EQ(Format(Variant(1.5), "@@@@@@"), "   1,5");
  EXPECT_EQ(Format(Variant("ä"), "@@"), " ä");
}

TEST(Format, Dates) {
  const Date d = Date::FromYmdHms(2026, 12, 5, 9, 5, 0);
  EXPECT_EQ(Format(Variant(d), "d/m/yy"), "5.12.26");
  EXPECT_EQ(Format(Variant(d), "hh:mm"), "09:05");
  EXPECT_EQ(Format(Variant(d), "Short Date"), "05.12.2026");
}

TEST(Val, ReadsTheLeadingNumberWithADecimalPoint) {
  EXPECT_EQ(Val("26,99"), 26);
  EXPECT_EQ(Val(" 1 000"), 1000);
  EXPECT_EQ(Val("12.5 m"), 12.5);
  EXPECT_EQ(Val(""), 0);
  EXPECT_EQ(Val("abc"), 0);
  EXPECT_EQ(Val("  -7"), -7);
  EXPECT_EQ(Val("1.234 m"), 1.234);
  EXPECT_EQ(Val("1e3"), 1000);
}

}  // namespace
}  // namespace korvax
