// Marking a written table: the marker comment of BookmarkSetzen and the
// bookmark of a main table.
#include "document_fixture.hpp"

#include "common/operation.hpp"

namespace korvax::testing {
namespace {

using BookmarkSetzenTest = DocumentTest;

TEST_F(BookmarkSetzenTest, PutsTheKeyCommentOnCell15AndLeavesTheSelectionThere) {
  Open(InvoiceBuilder().Paragraph("Rechnung").Table().Table());
  BookmarkSetzen(TableNo(2), "Korvax_2");
  EXPECT_EQ(LogEntries(), 0);
  ASSERT_EQ(doc_->Comments().Count(), 1);
  EXPECT_EQ(doc_->Comments().Item(1).Range().Text(), "Korvax_2");
  EXPECT_EQ(TableNo(2).Cell(1, 5).Range().Comments().Count(), 1);
  EXPECT_EQ(TableNo(1).Range().Comments().Count(), 0);
  const word::Range cell = TableNo(2).Cell(1, 5).Range();
  const word::Selection selection = doc_->Application()->Selection();
  EXPECT_EQ(selection.Start(), cell.Start());
  EXPECT_EQ(selection.Text(), "T2R1C5");
}

TEST_F(BookmarkSetzenTest, TheBookmarkOfAMainTableCoversCell15) {
  Open(InvoiceBuilder().Table().Table());
  TabellenBookmarkSetzen(TableNo(2), "Korvax_2");
  EXPECT_EQ(LogEntries(), 0);
  word::Bookmarks bookmarks = doc_->Bookmarks();
  ASSERT_TRUE(bookmarks.Exists("Korvax_2"));
  EXPECT_EQ(bookmarks.Item("Korvax_2").Text(), "T2R1C5");
  EXPECT_EQ(bookmarks.DefaultSorting(), word::wdSortByName);
  EXPECT_TRUE(bookmarks.ShowHidden());
  // The bookmark does not identify a table; only the comment does.
  EXPECT_EQ(doc_->Comments().Count(), 0);
}

// Without a table nothing is marked; the comment is reported under
// TK_WordAuto, the bookmark under the caller's names.
TEST_F(BookmarkSetzenTest, AMissingTableIsReportedAndNothingIsMarked) {
  Open(InvoiceBuilder().Table());
  BookmarkSetzen(word::Table(), "Korvax_2");
  EXPECT_EQ(doc_->Comments().Count(), 0);
  EXPECT_GE(LogEntries(), 1);
  EXPECT_NE(Log().find("Ort  : TK_WordAuto.BookmarkSetzen"), std::string::npos);
  Operation op("frmKat2", "CommandEnde_Click");
  TabellenBookmarkSetzen(op, 17, word::Table(), "Korvax_2");
  EXPECT_GE(op.Failures(), 1);
  EXPECT_NE(Log().find("Zeile: 17\r\nOrt  : frmKat2.CommandEnde_Click"), std::string::npos);
}

}  // namespace
}  // namespace korvax::testing
