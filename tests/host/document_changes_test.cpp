// Saving the invoice only when it changed.
#include <gtest/gtest.h>

#include "../common/log_fixture.hpp"
#include "../support/docx.hpp"
#include "document/tk_word_auto.hpp"
#include "host/document_changes.hpp"
#include "platform/word/word.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::testing {
namespace {

class DocumentChangesTest : public TempEnvironment {
 protected:
  void SetUp() override {
    TempEnvironment::SetUp();
    path_ = InvoiceBuilder().Paragraph("Rechnung").Table().Write(dir_ / "invoice.docx");
    doc_ = word::Document::Open(path_);
  }
  void TearDown() override {
    ResetLibrary();
    TempEnvironment::TearDown();
  }
  std::filesystem::path path_;
  std::shared_ptr<word::Document> doc_;
};

TEST_F(DocumentChangesTest, OnlyAChangedDocumentIsSavedInPlace) {
  const std::string before = ReadFile(path_);
  const host::Fingerprint opened = host::FingerprintOf(*doc_);
  // Reading parses the parts (the comments too); that alone is no change.
  EXPECT_EQ(doc_->Tables().Item(1).Cell(1, 1).Range().Text(), "T1R1C1\r\a");
  EXPECT_EQ(doc_->Comments().Count(), 0);
  EXPECT_FALSE(host::SaveIfChanged(*doc_, opened));
  EXPECT_EQ(ReadFile(path_), before);

  doc_->Tables().Item(1).Cell(2, 2).Range().InsertAfter("x");
  EXPECT_TRUE(host::SaveIfChanged(*doc_, opened));
  EXPECT_NE(ReadFile(path_), before);
  EXPECT_EQ(word::Document::Open(path_)->Tables().Item(1).Cell(2, 2).Range().Text(), "T1R2C2x\r\a");
  const host::Fingerprint saved = host::FingerprintOf(*doc_);
  EXPECT_FALSE(host::SaveIfChanged(*doc_, saved));

  // A marker comment alone is a change too.
  Library().order.Doc = doc_;
  Library().order.Application = doc_->Application();
  BookmarkSetzen(doc_->Tables().Item(1), "Korvax_2");
  EXPECT_TRUE(host::SaveIfChanged(*doc_, saved));
  auto reopened = word::Document::Open(path_);
  ASSERT_EQ(reopened->Comments().Count(), 1);
  EXPECT_EQ(reopened->Comments().Item(1).Range().Text(), "Korvax_2");
}

}  // namespace
}  // namespace korvax::testing
