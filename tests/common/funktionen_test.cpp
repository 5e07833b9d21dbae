#include <gtest/gtest.h>

#include <memory>

#include "common/error.hpp"
#include "common/funktionen.hpp"
#include "common/settings_store.hpp"
#include "log_fixture.hpp"

namespace korvax {
namespace {

using Helpers = testing::TempEnvironment;

// A field of the test's own holding a value.
class TestField : public ValueObject {
 public:
  explicit TestField(Variant v) : value_(std::move(v)) {}
  Variant Value() const override { return value_; }
  std::string TypeName() const override { return "Field"; }

 private:
  Variant value_;
};

Variant FieldOf(Variant v) {
  return Variant(std::shared_ptr<Object>(std::make_shared<TestField>(std::move(v))));
}

// Null and "" read as Integer 0 (numbers) or False (flags); anything else
// passes unchanged, a value that is no field included.
TEST_F(Helpers, FieldReadersTurnNullIntoZero) {
  EXPECT_EQ(ZahlDatensatzLesen(FieldOf(Variant::Null())), Variant(int16_t{0}));
  EXPECT_EQ(ZahlDatensatzLesen(FieldOf(Variant(""))), Variant(int16_t{0}));
  EXPECT_EQ(ZahlDatensatzLesen(FieldOf(Variant(int32_t{0}))), Variant(int32_t{0}));
  EXPECT_EQ(ZahlDatensatzLesen(FieldOf(Variant("abc"))), Variant("abc"));
  EXPECT_FALSE(ToBoolean(BoolDatensatzLesen(FieldOf(Variant::Null()))));
  EXPECT_EQ(BoolDatensatzLesen(FieldOf(Variant(true))), Variant(true));
  EXPECT_EQ(BoolDatensatzLesen(Variant(int16_t{0})), Variant(int16_t{0}));
  EXPECT_EQ(LogEntries(), 0);
}

TEST_F(Helpers, WertFormatierenExamples) {
  EXPECT_EQ(WertFormatieren("1234,5", 11, 2), "   1.234,50");
  EXPECT_EQ(WertFormatieren("7", 4, 0), "   7");
  EXPECT_EQ(WertFormatieren("12   ,50", 8, 2), "   12,00");  // decimals behind position 5 drop
  EXPECT_EQ(WertFormatieren("12,5", 8, 4), "    12.5");      // unformatted, only aligned
  EXPECT_EQ(WertFormatieren("1.431,64", 7, 2), "1.431,64");  // longer than the width: whole
  EXPECT_EQ(WertFormatieren("46,02", 8, 2), "   46,02");
  EXPECT_EQ(WertFormatieren("-111,66", 8, 2), " -111,66");
  EXPECT_EQ(WertFormatieren(" 3", 2, 0), " 3");
  EXPECT_EQ(WertFormatieren("   12,  ", 8, 2), "   12,00");
  EXPECT_EQ(LogEntries(), 0);
}

TEST_F(Helpers, TauscheIsCaseSensitive) {
  EXPECT_EQ(Tausche("DM 12 M", "M", ""), "D 12 ");
  EXPECT_EQ(Tausche("aAa", "a", "ä"), "äAä");
}

TEST_F(Helpers, CValReadsPrefixesUnderGermanRules) {
  EXPECT_DOUBLE_EQ(CVal(" 12,5 "), 12.5);
  EXPECT_DOUBLE_EQ(CVal("12,5 m²"), 12.5);
  EXPECT_DOUBLE_EQ(CVal("  1.234,50 €"), 1234.5);
  EXPECT_DOUBLE_EQ(CVal("m 12"), 0);
  EXPECT_DOUBLE_EQ(CVal(","), 0);
  EXPECT_DOUBLE_EQ(CVal(""), 0);
  EXPECT_DOUBLE_EQ(CVal("-46,02 €"), -46.02);
  EXPECT_EQ(LogEntries(), 0);
  EXPECT_DOUBLE_EQ(CVal("1-2 Stück"), 0);  // a prefix that is no number is reported
  EXPECT_EQ(LogEntries(), 1);
  EXPECT_NE(Log().find("Error 13: \r\nTypen unvertr\xe4glich"), std::string::npos);
}

class TestWindow : public WindowPlacement {
 public:
  std::string Name() const override { return "G_frmTabelle"; }
  int16_t WindowState() const override { return state; }
  void SetWindowState(int16_t s) override { state = s; }
  float Top() const override { return top; }
  void SetTop(float t) override { top = t; }
  float Left() const override { return left; }
  void SetLeft(float l) override { left = l; }
  int16_t state = 0;
  float top = 99, left = 99;
};

// The dialog tests round-trip a normal window; here a maximised one stores
// only its state, and a stored value that does not convert fails only its step.
TEST_F(Helpers, WindowPositionMaximisedAndUnreadable) {
  TestWindow maxed;
  maxed.state = 2;
  maxed.top = 1;
  SetWindowReg(maxed);
  EXPECT_EQ(GetSetting("VaroVerwaltung", "G_frmTabelle", "State", ""), "2");
  EXPECT_EQ(GetSetting("VaroVerwaltung", "G_frmTabelle", "Top", "-"), "-");
  SaveSetting("VaroVerwaltung", "G_frmTabelle", "State", "0");
  SaveSetting("VaroVerwaltung", "G_frmTabelle", "Top", "oben");
  SaveSetting("VaroVerwaltung", "G_frmTabelle", "Left", "300");
  TestWindow w;
  GetWindowReg(w);
  EXPECT_EQ(w.top, 99);
  EXPECT_EQ(w.left, 300);
  EXPECT_EQ(LogEntries(), 1);
}

TEST_F(Helpers, MessageBoxWithoutComponentIsReportedAndGivesZero) {
  RegisterMessageBoxFactory(nullptr);
  MessageBoxRequest ask;
  ask.prompt = "Zeile löschen?";
  ask.buttons = 4;
  EXPECT_EQ(MsgBox(ask), 0);
  EXPECT_GE(LogEntries(), 1);
  EXPECT_NE(Log().find("Error 429: "), std::string::npos);
}

}  // namespace
}  // namespace korvax
