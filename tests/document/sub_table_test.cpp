// TabelleErmitteln for sub-tables: onward from the remembered position,
// never asking, stopped by a foreign table.
#include "document_fixture.hpp"

namespace korvax::testing {
namespace {

using nlohmann::json;

class SubTableTest : public DocumentTest {
 protected:
  // The sub-table search; it must never show the dialog.
  word::Table SubTable(std::string_view key) {
    word::Table found;
    WithUser(json::array(), [&] { found = TabelleErmitteln(key, true); });
    return found;
  }
};

TEST_F(SubTableTest, ARememberedPositionOfZeroGivesNone) {
  Open(InvoiceBuilder().Table("Korvax_4").Table("Korvax_4A"));
  EXPECT_FALSE(SubTable("Korvax_4A"));
  EXPECT_EQ(LogEntries(), 0);
}

TEST_F(SubTableTest, FindsTheFirstSubTableAtOrAfterTheRememberedPosition) {
  Open(InvoiceBuilder()
           .Table("Korvax_4A")
           .Table("Korvax_4")
           .Table()
           .Table("Korvax_4A")
           .Table("Korvax_4A"));
  SetRememberedTableIndex(2);
  EXPECT_TRUE(SubTable("Korvax_4A") == TableNo(4));
  EXPECT_EQ(RememberedTableIndex(), 2);
  EXPECT_EQ(forms::Form::FindForm("G_frmTabelle"), nullptr);
}

TEST_F(SubTableTest, ATableAtTheRememberedPositionItselfCanBeTheSubTable) {
  Open(InvoiceBuilder().Table("Korvax_1A").Table("Korvax_1A"));
  SetRememberedTableIndex(1);
  EXPECT_TRUE(SubTable("Korvax_1A") == TableNo(1));
}

TEST_F(SubTableTest, AForeignTableInBetweenEndsTheSearch) {
  Open(InvoiceBuilder().Table("Korvax_4").Table("RE_HOAI_Kosten").Table("Korvax_4A"));
  SetRememberedTableIndex(1);
  EXPECT_FALSE(SubTable("Korvax_4A"));
}

TEST_F(SubTableTest, AForeignTableAtTheRememberedPositionDoesNotEndTheSearch) {
  Open(InvoiceBuilder().Table("RE_HOAI_Kosten").Table("Korvax_4A"));
  SetRememberedTableIndex(1);
  EXPECT_TRUE(SubTable("Korvax_4A") == TableNo(2));
}

TEST_F(SubTableTest, TablesOfOtherKeysAndWithoutCommentsArePassed) {
  Open(InvoiceBuilder().Table("Korvax_1").Table("korvax_1a").Table().Table("Korvax_1A"));
  SetRememberedTableIndex(1);
  EXPECT_TRUE(SubTable("Korvax_1A") == TableNo(4));
}

TEST_F(SubTableTest, APositionBeyondTheLastTableGivesNone) {
  Open(InvoiceBuilder().Table("Korvax_4").Table("Korvax_4A"));
  SetRememberedTableIndex(5);
  EXPECT_FALSE(SubTable("Korvax_4A"));
  EXPECT_EQ(LogEntries(), 0);
}

TEST_F(SubTableTest, TheSubTableBelongsToTheMainTableChosenLast) {
  Open(InvoiceBuilder()
           .Table("Korvax_4")
           .Table("Korvax_4A")
           .Table("RE_HOAI_Kosten")
           .Table("Korvax_4")
           .Table("Korvax_4A"));
  CursorOutside();
  word::Table main;
  word::Table sub;
  WithUser(json::array({Click("optTabelle(1)"), Ok()}), [&] {
    main = TabelleErmitteln(kKeyNr7, false);
    sub = TabelleErmitteln(kKeyNr7Grundlagen, true);
  });
  EXPECT_TRUE(main == TableNo(4));
  EXPECT_TRUE(sub == TableNo(5));
}

}  // namespace
}  // namespace korvax::testing
