#include <gtest/gtest.h>

#include "billing/gebuehr_aus_tabelle.hpp"

namespace korvax {
namespace {

double Fee(double land_value, double area) {
  return GebührAusTabelle(land_value, area);
}

TEST(FeeTable, BoundsAreInclusiveOnWholeParts) {
  EXPECT_DOUBLE_EQ(Fee(10.9, 10.9), 102.26);
  EXPECT_DOUBLE_EQ(Fee(11, 11), 194.29);
  EXPECT_DOUBLE_EQ(Fee(26.99, 350), 465.28);
  EXPECT_DOUBLE_EQ(Fee(300, 100000), 15492.14);
  EXPECT_DOUBLE_EQ(Fee(300, 100000.5), 15492.14);
  EXPECT_DOUBLE_EQ(Fee(257, 5), 306.78);
  EXPECT_DOUBLE_EQ(Fee(-3, 5), 306.78);
  EXPECT_DOUBLE_EQ(Fee(102, 70001), 8794.22);
}

TEST(FeeTable, RuleAboveOneHundredThousandSquareMetres) {
  EXPECT_DOUBLE_EQ(Fee(300, 100001), 13191.33);  // the rule's column 201-500
  EXPECT_DOUBLE_EQ(Fee(5, 150000), 2290.59 + 306.78);
  EXPECT_DOUBLE_EQ(Fee(5, 149999), 2290.59);
  EXPECT_DOUBLE_EQ(Fee(15, 120000), 2290.59);  // the rule's column 0-20, not 11-26
  EXPECT_DOUBLE_EQ(Fee(501, 250000), 15492.14 + 3 * 2045.17);
  EXPECT_NEAR(Fee(5, -1), 1370.25, 1e-9);  // a negative area steps below the base
}

TEST(FeeTable, ShareRule) {
  EXPECT_DOUBLE_EQ(AnteilAnwenden(300, 333), 100);
  EXPECT_DOUBLE_EQ(AnteilAnwenden(300, 500), 150);
  EXPECT_DOUBLE_EQ(AnteilAnwenden(300, 1000), 300);
}

}  // namespace
}  // namespace korvax
