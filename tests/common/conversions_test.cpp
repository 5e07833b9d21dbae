#include <gtest/gtest.h>

#include "common/error.hpp"
#include "common/text.hpp"
#include "common/variant.hpp"

namespace korvax {
namespace {

int ErrorNumberOf(auto&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

TEST(Conversions, IntegersRoundHalvesToEvenAndOverflow) {
  EXPECT_EQ(ToInteger(Variant(2.5)), 2);
  EXPECT_EQ(ToInteger(Variant(3.5)), 4);
  EXPECT_EQ(ToInteger(Variant(-2.5)), -2);
  EXPECT_EQ(ToInteger(Variant(32767.0)), 32767);
  EXPECT_EQ(ErrorNumberOf([] { ToInteger(Variant(int32_t{40000})); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { ToInteger(Variant(-32768.5)); }), 0);  // halves to -32768
  EXPECT_EQ(ErrorNumberOf([] { ToInteger(Variant(-32769.0)); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { ToLong(Variant(3e9)); }), 6);
  EXPECT_EQ(ToLong(Variant("-5")), -5);
}

TEST(Conversions, TextsAreReadWithTheGermanDecimalComma) {
  EXPECT_DOUBLE_EQ(ToDouble(Variant("12,5")), 12.5);
  EXPECT_DOUBLE_EQ(ToDouble(Variant(" 1.234,5 ")), 1234.5);
  EXPECT_DOUBLE_EQ(ToDouble(Variant("-0,25")), -0.25);
  EXPECT_DOUBLE_EQ(ToDouble(Variant("1,5E3")), 1500);
  EXPECT_EQ(ErrorNumberOf([] { ToDouble(Variant("zwölf")); }), 13);
  EXPECT_EQ(ErrorNumberOf([] { ToDouble(Variant("")); }), 13);
  EXPECT_EQ(ErrorNumberOf([] { ToDouble(Variant("12,5 m")); }), 13);
  EXPECT_EQ(ErrorNumberOf([] { ToDouble(Variant::Null()); }), 94);
  EXPECT_EQ(ErrorNumberOf([] { ToText(Variant::Null()); }), 94);
  EXPECT_DOUBLE_EQ(ToDouble(Variant()), 0);
  EXPECT_DOUBLE_EQ(ToDouble(Variant(true)), -1);
}

TEST(Conversions, GeneralNumberFormatHasFifteenDigitsAndADecimalComma) {
  EXPECT_EQ(ToText(Variant(0.1 + 0.2)), "0,3");
  EXPECT_EQ(ToText(Variant(1.0 / 3)), "0,333333333333333");
  EXPECT_EQ(ToText(Variant(2597.37)), "2597,37");
  EXPECT_EQ(ToText(Variant(-12.0)), "-12");
  EXPECT_EQ(ToText(Variant(1e15)), "1E+15");
  EXPECT_EQ(ToText(Variant(int16_t{-5})), "-5");
  EXPECT_EQ(GeneralNumber(19.0f), "19");
  EXPECT_EQ(GeneralNumber(7.5f), "7,5");
}

TEST(Conversions, DatesFromTextAndBack) {
  const Date d = ToDate(Variant("01.03.2026"));
  EXPECT_EQ(d, Date::FromYmd(2026, 3, 1));
  EXPECT_EQ(ToText(Variant(d.AddDays(14))), "15.03.2026");
  EXPECT_EQ(ToDate(Variant("2026-12-05")), Date::FromYmd(2026, 12, 5));
}

TEST(Text, PositionsCountCharactersNotBytes) {
  EXPECT_EQ(text::Len("Gebühr €"), 8);
  EXPECT_EQ(text::Mid("Flst.Nr. Ä12", 10, 2), "Ä1");
  EXPECT_EQ(text::Left("€uro", 1), "€");
  EXPECT_EQ(text::Right("Maß", 2), "aß");
  EXPECT_EQ(text::InStr("Summe € 12", " €"), 6);
  EXPECT_EQ(text::Mid("abc", 5), "");
  EXPECT_EQ(text::WithoutLast("12,50 €\r\a", 2), "12,50 €");
  EXPECT_EQ(text::WithoutLast("Maß", 1), "Ma");
  EXPECT_EQ(ErrorNumberOf([] { text::WithoutLast("\a", 2); }), 5);
  EXPECT_EQ(text::Utf8ToCp1252("Gebühr €"), "Geb\xfchr \x80");
}

}  // namespace
}  // namespace korvax
