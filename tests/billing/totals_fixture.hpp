// The order context of the totals tests: a host database of the test's own,
// the invoice recordset and an invoice document in the temporary folder.
#pragma once

#include <memory>
#include <string>

#include "../common/log_fixture.hpp"
#include "../plugin/host_database.hpp"
#include "invoice_docx.hpp"
#include "platform/dao/dao.hpp"
#include "platform/word/word.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::billing_testing {

class TotalsTest : public korvax::testing::TempEnvironment {
 protected:
  void SetUp() override {
    TempEnvironment::SetUp();
    ResetLibrary();
    db_path_ = dir_ / "office.sqlite";
    korvax::testing::CreateHostDatabase(db_path_);
    Library().settings.Mehrwertsteuersatz = 19;
    Library().settings.AbschlagProzent = 100;
    Library().settings.AbschlagAbsolut = 0;
  }
  void TearDown() override {
    ResetLibrary();
    TempEnvironment::TearDown();
  }

  void Sql(const std::string& sql) { korvax::testing::ExecSql(db_path_, sql); }

  // Opens the host database as NeueAbfrage and, unless `kind` is 0, the
  // invoice 17 of that kind as the invoice recordset.
  void OpenInvoice(int kind) {
    if (kind != 0)
      Sql("UPDATE Rechnung SET Rechnungsart = " + std::to_string(kind) +
          " WHERE ID_Rechnungsnummer = 17");
    database_ = dao::CreateWorkspace()->OpenDatabase(db_path_.string());
    Library().order.NeueAbfrage = database_;
    if (kind != 0) {
      Library().Rechnung = database_->OpenRecordset(
          "SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17", dao::dbOpenDynaset);
    }
  }

  // The invoice document with `body`, as the order context's Doc.
  word::Document& OpenDocument(const std::string& body) {
    path_ = dir_ / "rechnung.docx";
    WriteDocx(path_, body);
    document_ = word::Document::Open(path_);
    Library().order.Doc = document_;
    Library().order.Application = document_->Application();
    return *document_;
  }

  // A field of invoice 17 as stored.
  Variant Stored(const std::string& field) {
    auto rs = dao::CreateWorkspace()
                  ->OpenDatabase(db_path_.string())
                  ->OpenRecordset("SELECT * FROM Rechnung WHERE ID_Rechnungsnummer = 17");
    return rs->Field(field)->Value();
  }

  std::filesystem::path db_path_;
  std::filesystem::path path_;
  std::shared_ptr<dao::Database> database_;
  std::shared_ptr<word::Document> document_;
};

}  // namespace korvax::billing_testing
