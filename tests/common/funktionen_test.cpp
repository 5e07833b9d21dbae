#include <gtest/gtest.h>

#include <memory>

#include "common/error.hpp"
#include "common/funktionen.hpp"
#include "common/settings_store.hpp"
#include "log_fixture.hpp"

namespace korvax {
namespace {

using Helpers = testing::TempEnvironment;

// A field of the test's own: a value, or a failure when there is no current row.
class TestField : public ValueObject {
 public:
  explicit TestField(Variant v, bool fails = false) : value_(std::move(v)), fails_(fails) {}
  Variant Value() const override {
    if (fails_) throw Error(3021, "Kein aktueller Datensatz.");
    return value_;
  }
  std::string TypeName() const override { return "Field"; }

 private:
  Variant value_;
  bool fails_;
};

Variant FieldOf(Variant v, bool fails = false) {
  return Variant(std::shared_ptr<Object>(std::make_shared<TestField>(std::move(v), fails)));
}

TEST_F(Helpers, NumericReaderTurnsNullAndEmptyIntoZero) {
  EXPECT_EQ(ZahlDatensatzLesen(FieldOf(Variant::Null())), Variant(int16_t{0}));
  EXPECT_EQ(ZahlDatensatzLesen(FieldOf(Variant(""))), Variant(int16_t{0}));
  EXPECT_EQ(ZahlDatensatzLesen(FieldOf(Variant(int32_t{0}))), Variant(int32_t{0}));
  EXPECT_EQ(ZahlDatensatzLesen(FieldOf(Variant("abc"))), Variant("abc"));
  EXPECT_EQ(ZahlDatensatzLesen(FieldOf(Variant(12.5))), Variant(12.5));
  EXPECT_EQ(LogEntries(), 0);
}

TEST_F(Helpers, FlagReaderTurnsNullIntoFalse) {
  EXPECT_FALSE(ToBoolean(BoolDatensatzLesen(FieldOf(Variant::Null()))));
  EXPECT_EQ(BoolDatensatzLesen(FieldOf(Variant(true))), Variant(true));
  EXPECT_EQ(BoolDatensatzLesen(Variant(int16_t{0})), Variant(int16_t{0}));
}

TEST_F(Helpers, ReaderWithoutCurrentRowReportsAtCheckpoint120AndGivesZero) {
  EXPECT_EQ(ZahlDatensatzLesen(FieldOf(Variant(5.0), true)), Variant(int16_t{0}));
  EXPECT_EQ(LogEntries(), 1);
  EXPECT_NE(Log().find("Kein aktueller Datensatz.\r\nZeile: 120\r\nOrt  : Funktionen."
                       "ZahlDatensatzLesen\r\n"),
            std::string::npos);
}

TEST_F(Helpers, WertFormatierenExamples) {
  EXPECT_EQ(WertFormatieren("1234,5", 11, 2), "   1.234,50");
  EXPECT_EQ(WertFormatieren("", 8, 2), "    0,00");
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

TEST_F(Helpers, WindowPositionOfANeverStoredFormIsNormalAtZero) {
  TestWindow w;
  w.state = 2;
  GetWindowReg(w);
  EXPECT_EQ(w.state, 0);
  EXPECT_EQ(w.top, 0);
  EXPECT_EQ(w.left, 0);
}

TEST_F(Helpers, WindowPositionRoundTripsAndMaximisedStoresOnlyTheState) {
  TestWindow w;
  w.top = 1234.5f;
  w.left = 600;
  SetWindowReg(w);
  EXPECT_EQ(GetSetting("VaroVerwaltung", "G_frmTabelle", "Top", ""), "1234,5");
  TestWindow back;
  GetWindowReg(back);
  EXPECT_EQ(back.top, 1234.5f);
  EXPECT_EQ(back.left, 600);

  TestWindow maxed;
  maxed.state = 2;
  maxed.top = 1;
  SetWindowReg(maxed);
  EXPECT_EQ(GetSetting("VaroVerwaltung", "G_frmTabelle", "State", ""), "2");
  EXPECT_EQ(GetSetting("VaroVerwaltung", "G_frmTabelle", "Top", ""), "1234,5");
}

TEST_F(Helpers, StoredValueThatDoesNotConvertFailsOnlyItsStep) {
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

TEST_F(Helpers, MessageBoxPassesTheRequestAndReturnsTheAnswer) {
  struct Box : MessageBoxComponent {
    void SetOptions(bool a, bool b) override { options = a && b; }
    int32_t Show(const MessageBoxRequest& r) override {
      return options && r.prompt == "Zeile löschen?" && r.buttons == 4 ? 6 : 7;
    }
    bool options = false;
  };
  struct Factory : MessageBoxFactory {
    std::unique_ptr<MessageBoxComponent> Create() override { return std::make_unique<Box>(); }
  };
  RegisterMessageBoxFactory(std::make_shared<Factory>());
  MessageBoxRequest ask;
  ask.prompt = "Zeile löschen?";
  ask.buttons = 4;
  EXPECT_EQ(MsgBox(ask), 6);
  RegisterMessageBoxFactory(nullptr);
}

}  // namespace
}  // namespace korvax
