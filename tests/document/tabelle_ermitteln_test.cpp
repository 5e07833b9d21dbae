// TabelleErmitteln for main tables: candidates, the cursor table, the choice
// in the table selection dialog and the remembered table position.
#include "document_fixture.hpp"

namespace korvax::testing {
namespace {

using nlohmann::json;

using TabelleErmittelnTest = DocumentTest;

// Without a candidate the dialog is not shown and the position stays.
TEST_F(TabelleErmittelnTest, NoCandidateGivesNoneWithoutDialog) {
  const struct {
    InvoiceBuilder invoice;
    int cursor;  // 0: outside every table
  } cases[] = {
      {InvoiceBuilder().Paragraph("Rechnung").Table().Table(), 0},
      {InvoiceBuilder().Table("", "Bemerkung").Table("RE_HOAI_Kosten"), 1},  // a foreign comment
      {InvoiceBuilder().Table("", "Bemerkung").Table("RE_HOAI_Kosten"), 2},
  };
  SetRememberedTableIndex(2);
  for (const auto& c : cases) {
    Open(c.invoice);
    c.cursor == 0 ? CursorOutside() : CursorIn(c.cursor);
    EXPECT_FALSE(Lookup("Korvax_2", json::array())) << "cursor in table " << c.cursor;
  }
  EXPECT_EQ(RememberedTableIndex(), 2);
  EXPECT_EQ(forms::Form::FindForm("G_frmTabelle"), nullptr);
  EXPECT_EQ(LogEntries(), 0);
}

// The entries offered, the one chosen, the table handed out and the table
// position remembered for the next call.
TEST_F(TabelleErmittelnTest, TheChosenEntryGivesItsTableAndItsPositionIsRemembered) {
  constexpr int kOutside = 0, kUnmoved = -1;
  struct Case {
    const char* what;
    InvoiceBuilder invoice;
    int cursor;      // table of the cursor, kOutside or kUnmoved
    int remembered;  // before the call
    json script;
    int found;  // table number, 0 for none
    int remembered_after;
  };
  const Case cases[] = {
      {"a cursor table that carries any comment is not offered",
       InvoiceBuilder().Table("Korvax_2").Table("", "Bemerkung"), 2, 0,
       json::array(
           {Expect("optAktTabelle", "enabled", false), Expect("optTabelle(0)", "enabled", true),
            Expect("optTabelle(1)", "enabled", false), Expect("optTabelle(4)", "enabled", false),
            Expect("optNeu", "value", true), Click("optTabelle(0)"), Ok()}),
       1, 1},
      {"an unmarked cursor table is offered",
       InvoiceBuilder().Table("Korvax_1").Table().Table("Korvax_2"), 2, 0,
       json::array({Expect("optAktTabelle", "enabled", true), Click("optAktTabelle"), Ok()}), 2, 2},
      {"the second entry gives the second marked table",
       InvoiceBuilder()
           .Table("Korvax_2")
           .Table("Korvax_1")
           .Table("RE_HOAI_Kosten")
           .Table("Korvax_2")
           .Table("Korvax_2A"),
       kOutside, 0,
       json::array({Expect("optTabelle(1)", "enabled", true),
                    Expect("optTabelle(2)", "enabled", false),
                    Expect("optAktTabelle", "enabled", false), Click("optTabelle(1)"), Ok()}),
       4, 4},
      {"a new billing point gives none and forgets the position",
       InvoiceBuilder().Table("Korvax_2"), kUnmoved, 1, json::array({Click("optNeu"), Ok()}), 0, 0},
      {"closing the dialog reads a new billing point",
       InvoiceBuilder().Table("Korvax_2").Table("Korvax_2"), kUnmoved, 2,
       json::array({Click("optTabelle(1)"), OnTabelle({{"action", "close"}})}), 0, 0},
      {"a key comment outside any table counts but cannot be returned",
       InvoiceBuilder().Paragraph("Vorbemerkung", "Korvax_2").Table("Korvax_2"), kOutside, 7,
       json::array({Expect("optTabelle(1)", "enabled", true), Click("optTabelle(1)"), Ok()}), 0, 7},
      {"keys are compared exactly",
       InvoiceBuilder().Table("Korvax_2A").Table("korvax_2").Table("Korvax_2").Table("Korvax_2 "),
       kOutside, 0,
       json::array({Expect("optTabelle(0)", "enabled", true),
                    Expect("optTabelle(1)", "enabled", false), Click("optTabelle(0)"), Ok()}),
       3, 3},
      // Table 1 carries the key in its second comment only: a candidate, but
      // no Korvax_2 table.
      {"only the first comment of a table identifies it",
       InvoiceBuilder().Table("Bemerkung", "Korvax_2").Table("Korvax_2"), kOutside, 0,
       json::array({Expect("optTabelle(1)", "enabled", true), Click("optTabelle(0)"), Ok()}), 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(c.invoice);
    if (c.cursor == kOutside) CursorOutside();
    if (c.cursor > 0) CursorIn(c.cursor);
    SetRememberedTableIndex(c.remembered);
    const word::Table found = Lookup("Korvax_2", c.script);
    if (c.found == 0) {
      EXPECT_FALSE(found);
    } else {
      EXPECT_TRUE(found == TableNo(c.found));
    }
    EXPECT_EQ(RememberedTableIndex(), c.remembered_after);
    forms::DestroyFormInstances();
  }
}

TEST_F(TabelleErmittelnTest, MoreThanFiveCandidatesReportTheSixthAndOfferFive) {
  InvoiceBuilder invoice;
  for (int i = 0; i < 6; ++i) invoice.Table("Korvax_3");
  Open(invoice);
  CursorOutside();
  const word::Table found =
      Lookup("Korvax_3",
             json::array({Expect("optTabelle(4)", "enabled", true), Click("optTabelle(4)"), Ok()}));
  EXPECT_TRUE(found == TableNo(5));
  EXPECT_EQ(LogEntries(), 1);
  EXPECT_NE(Log().find("Error 340: "), std::string::npos);
  EXPECT_NE(Log().find("Ort  : TK_WordAuto.TabelleErmitteln"), std::string::npos);
}

TEST_F(TabelleErmittelnTest, AnEntryChosenLastTimeIsReadAsItStandsEvenWhenNotOffered) {
  Open(InvoiceBuilder().Table("Korvax_2").Table("Korvax_2").Table("Korvax_3"));
  CursorOutside();
  EXPECT_TRUE(Lookup("Korvax_2", json::array({Click("optTabelle(1)"), Ok()})) == TableNo(2));
  // One Korvax_3 table: the second entry is not offered but still chosen.
  const word::Table found =
      Lookup("Korvax_3", json::array({Expect("optTabelle(1)", "enabled", false),
                                      Expect("optTabelle(1)", "value", true), Ok()}));
  EXPECT_FALSE(found);
  EXPECT_EQ(RememberedTableIndex(), 2);
}

TEST_F(TabelleErmittelnTest, ACursorChoiceNotOfferedThisTimeIsReadAsANewBillingPoint) {
  Open(InvoiceBuilder().Table("Korvax_4").Table().Table("RE_HOAI_Kosten"));
  CursorIn(2);
  EXPECT_TRUE(Lookup("Korvax_4", json::array({Click("optAktTabelle"), Ok()})) == TableNo(2));
  // Now the cursor stands in the foreign table; the dialog still shows the
  // cursor entry chosen, but that table must not be handed out.
  CursorIn(3);
  const word::Table found =
      Lookup("Korvax_4", json::array({Expect("optAktTabelle", "value", true),
                                      Expect("optAktTabelle", "enabled", false), Ok()}));
  EXPECT_FALSE(found);
  EXPECT_EQ(RememberedTableIndex(), 0);
}

TEST_F(TabelleErmittelnTest, WithoutADocumentEveryStepIsReportedAndNothingIsShown) {
  EXPECT_FALSE(Lookup("Korvax_2", json::array()));
  EXPECT_GE(LogEntries(), 1);
  EXPECT_NE(Log().find("Error 91: "), std::string::npos);
  EXPECT_EQ(forms::Form::FindForm("G_frmTabelle"), nullptr);
}

}  // namespace
}  // namespace korvax::testing
