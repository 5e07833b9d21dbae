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

// Onward from the remembered position, never asking: the table handed out
// (0 for none); the remembered position stays as it was.
TEST_F(SubTableTest, TheSearchGoesOnwardFromTheRememberedPosition) {
  struct Case {
    const char* what;
    InvoiceBuilder invoice;
    const char* key;
    int remembered;
    int found;
  };
  const Case cases[] = {
      {"a remembered position of zero gives none",
       InvoiceBuilder().Table("Korvax_4").Table("Korvax_4A"), "Korvax_4A", 0, 0},
      {"the first sub-table at or after the remembered position",
       InvoiceBuilder()
           .Table("Korvax_4A")
           .Table("Korvax_4")
           .Table()
           .Table("Korvax_4A")
           .Table("Korvax_4A"),
       "Korvax_4A", 2, 4},
      {"the table at the remembered position itself",
       InvoiceBuilder().Table("Korvax_1A").Table("Korvax_1A"), "Korvax_1A", 1, 1},
      {"a foreign table in between ends the search",
       InvoiceBuilder().Table("Korvax_4").Table("RE_HOAI_Kosten").Table("Korvax_4A"), "Korvax_4A",
       1, 0},
      {"a foreign table at the remembered position does not end it",
       InvoiceBuilder().Table("RE_HOAI_Kosten").Table("Korvax_4A"), "Korvax_4A", 1, 2},
      {"tables of other keys and without comments are passed",
       InvoiceBuilder().Table("Korvax_1").Table("korvax_1a").Table().Table("Korvax_1A"),
       "Korvax_1A", 1, 4},
      {"a position beyond the last table gives none",
       InvoiceBuilder().Table("Korvax_4").Table("Korvax_4A"), "Korvax_4A", 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Open(c.invoice);
    SetRememberedTableIndex(c.remembered);
    const word::Table found = SubTable(c.key);
    if (c.found == 0) {
      EXPECT_FALSE(found);
    } else {
      EXPECT_TRUE(found == TableNo(c.found));
    }
    EXPECT_EQ(RememberedTableIndex(), c.remembered);
  }
  EXPECT_EQ(forms::Form::FindForm("G_frmTabelle"), nullptr);
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
