// TabelleErmitteln for main tables: candidates, the cursor table, the choice
// in the table selection dialog and the remembered table position.
#include "document_fixture.hpp"

namespace korvax::testing {
namespace {

using nlohmann::json;

using TabelleErmittelnTest = DocumentTest;

TEST_F(TabelleErmittelnTest, NoCommentsAndCursorOutsideTablesGiveNoneWithoutDialog) {
  Open(InvoiceBuilder().Paragraph("Rechnung").Table().Table());
  CursorOutside();
  SetRememberedTableIndex(2);
  const word::Table found = Lookup("Korvax_2", json::array());
  EXPECT_FALSE(found);
  EXPECT_EQ(RememberedTableIndex(), 2);
  EXPECT_EQ(forms::Form::FindForm("G_frmTabelle"), nullptr);
  EXPECT_EQ(LogEntries(), 0);
}

TEST_F(TabelleErmittelnTest, ACursorTableWithAForeignCommentIsNoCandidate) {
  Open(InvoiceBuilder().Table("", "Bemerkung").Table("RE_HOAI_Kosten"));
  for (int table : {1, 2}) {
    CursorIn(table);
    EXPECT_FALSE(Lookup("Korvax_2", json::array())) << "cursor in table " << table;
  }
  EXPECT_EQ(forms::Form::FindForm("G_frmTabelle"), nullptr);
}

TEST_F(TabelleErmittelnTest, ACursorTableThatCarriesAnyCommentDoesNotOfferTheCursorEntry) {
  Open(InvoiceBuilder().Table("Korvax_2").Table("", "Bemerkung"));
  CursorIn(2);
  const word::Table found = Lookup(
      "Korvax_2",
      json::array(
          {Expect("optAktTabelle", "enabled", false), Expect("optTabelle(0)", "enabled", true),
           Expect("optTabelle(1)", "enabled", false), Expect("optTabelle(4)", "enabled", false),
           Expect("optNeu", "value", true), Click("optTabelle(0)"), Ok()}));
  EXPECT_TRUE(found == TableNo(1));
  EXPECT_EQ(RememberedTableIndex(), 1);
}

TEST_F(TabelleErmittelnTest, AnUnmarkedCursorTableIsOfferedAndItsPositionRemembered) {
  Open(InvoiceBuilder().Table("Korvax_1").Table().Table("Korvax_2"));
  CursorIn(2);
  const word::Table found =
      Lookup("Korvax_2",
             json::array({Expect("optAktTabelle", "enabled", true), Click("optAktTabelle"), Ok()}));
  EXPECT_TRUE(found == TableNo(2));
  EXPECT_EQ(RememberedTableIndex(), 2);
}

TEST_F(TabelleErmittelnTest, TheSecondEntryGivesTheSecondMarkedTableAndRemembersItsPosition) {
  Open(InvoiceBuilder()
           .Table("Korvax_2")
           .Table("Korvax_1")
           .Table("RE_HOAI_Kosten")
           .Table("Korvax_2")
           .Table("Korvax_2A"));
  CursorOutside();
  const word::Table found = Lookup(
      "Korvax_2",
      json::array({Expect("optTabelle(1)", "enabled", true),
                   Expect("optTabelle(2)", "enabled", false),
                   Expect("optAktTabelle", "enabled", false), Click("optTabelle(1)"), Ok()}));
  EXPECT_TRUE(found == TableNo(4));
  EXPECT_EQ(found.Cell(1, 1).Range().Text(), "T4R1C1\r\a");
  EXPECT_EQ(RememberedTableIndex(), 4);
}

TEST_F(TabelleErmittelnTest, ANewBillingPointGivesNoneAndForgetsThePosition) {
  Open(InvoiceBuilder().Table("Korvax_3"));
  SetRememberedTableIndex(1);
  EXPECT_FALSE(Lookup("Korvax_3", json::array({Click("optNeu"), Ok()})));
  EXPECT_EQ(RememberedTableIndex(), 0);
}

TEST_F(TabelleErmittelnTest, AKeyCommentOutsideAnyTableCountsButCannotBeReturned) {
  Open(InvoiceBuilder().Paragraph("Vorbemerkung", "Korvax_2").Table("Korvax_2"));
  CursorOutside();
  SetRememberedTableIndex(7);
  const word::Table found =
      Lookup("Korvax_2",
             json::array({Expect("optTabelle(1)", "enabled", true), Click("optTabelle(1)"), Ok()}));
  EXPECT_FALSE(found);
  EXPECT_EQ(RememberedTableIndex(), 7);  // no table found: unchanged
}

TEST_F(TabelleErmittelnTest, KeysAreComparedExactly) {
  Open(InvoiceBuilder().Table("Korvax_1A").Table("korvax_1").Table("Korvax_1").Table("Korvax_1 "));
  CursorOutside();
  const word::Table found = Lookup(
      "Korvax_1",
      json::array({Expect("optTabelle(0)", "enabled", true),
                   Expect("optTabelle(1)", "enabled", false), Click("optTabelle(0)"), Ok()}));
  EXPECT_TRUE(found == TableNo(3));
  EXPECT_EQ(RememberedTableIndex(), 3);
}

TEST_F(TabelleErmittelnTest, OnlyTheFirstCommentOfATableIdentifiesIt) {
  // Table 1 carries the key in its second comment only: a candidate, but no
  // Korvax_2 table.
  Open(InvoiceBuilder().Table("Bemerkung", "Korvax_2").Table("Korvax_2"));
  CursorOutside();
  const word::Table found =
      Lookup("Korvax_2",
             json::array({Expect("optTabelle(1)", "enabled", true), Click("optTabelle(0)"), Ok()}));
  EXPECT_TRUE(found == TableNo(2));
  EXPECT_EQ(RememberedTableIndex(), 2);
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

TEST_F(TabelleErmittelnTest, ClosingTheDialogReadsANewBillingPoint) {
  Open(InvoiceBuilder().Table("Korvax_2").Table("Korvax_2"));
  SetRememberedTableIndex(2);
  EXPECT_FALSE(
      Lookup("Korvax_2", json::array({Click("optTabelle(1)"), OnTabelle({{"action", "close"}})})));
  EXPECT_EQ(RememberedTableIndex(), 0);
  EXPECT_TRUE(forms::FormInstance<G_frmTabelle>().optNeu().Value());
}

TEST_F(TabelleErmittelnTest, WithoutADocumentEveryStepIsReportedAndNothingIsShown) {
  EXPECT_FALSE(Lookup("Korvax_2", json::array()));
  EXPECT_GE(LogEntries(), 1);
  EXPECT_NE(Log().find("Error 91: "), std::string::npos);
  EXPECT_EQ(forms::Form::FindForm("G_frmTabelle"), nullptr);
}

}  // namespace
}  // namespace korvax::testing
