#include "docx_fixture.hpp"

#include <cstdio>
#include <fstream>

#include "common/text.hpp"
#include "dialogs/register.hpp"
#include "document/tk_word_auto.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "platform/word/package.hpp"
#include "plugin/dialog_registry.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::dialogs::testing {

std::filesystem::path WriteInvoice(const std::filesystem::path& path,
                                   const std::vector<std::string>& paragraphs) {
  std::string body;
  for (const auto& p : paragraphs) {
    body += "<w:p><w:r><w:t xml:space=\"preserve\">" + p + "</w:t></w:r></w:p>";
  }
  word::Package package;
  package.SetBytes(
      "[Content_Types].xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
      "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>");
  package.SetBytes("_rels/.rels",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                   "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                   "relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas."
                   "openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
                   "Target=\"word/document.xml\"/></Relationships>");
  package.SetBytes(
      "word/document.xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
      "<w:body>" +
          body +
          "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:top=\"1417\" "
          "w:right=\"1417\" w:bottom=\"1134\" w:left=\"1417\"/></w:sectPr></w:body></w:document>");
  package.SetBytes("word/_rels/document.xml.rels",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                   "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                   "relationships\"></Relationships>");
  package.Write(path);
  return path;
}

std::vector<std::vector<std::string>> TableTexts(const word::Table& table) {
  std::vector<std::vector<std::string>> rows;
  for (int r = 1; r <= table.Rows().Count(); ++r) {
    rows.emplace_back();
    for (int c = 1; c <= table.Columns().Count(); ++c) {
      const std::string t = table.Cell(r, c).Range().Text();
      rows.back().push_back(text::Left(t, text::Len(t) - 2));
    }
  }
  return rows;
}

nlohmann::json PythonDocxTables(const std::filesystem::path& path) {
  const auto out = path.parent_path() / "tables.json";
  const std::string command =
      "/usr/bin/python3 -c \"import docx,json,sys; d=docx.Document(sys.argv[1]); "
      "json.dump([[[c.text for c in r.cells] for r in t.rows] for t in "
      "d.tables], open(sys.argv[2],'w'))\" '" +
      path.string() + "' '" + out.string() + "'";
  if (std::system(command.c_str()) != 0) return nullptr;
  std::ifstream in(out);
  return nlohmann::json::parse(in);
}

void DialogSession::SetUp() {
  TempEnvironment::SetUp();
  ResetLibrary();
  forms::DestroyFormInstances();
  SetRememberedTableIndex(0);
  RegisterFeeDialogs();
  path_ = WriteInvoice(dir_ / "Rechnung.docx", {"Rechnung Nr. 1"});
  doc_ = word::Document::Open(path_);
  OrderContext& order = Library().order;
  order.Doc = doc_;
  order.Application = doc_->Application();
  order.Flurstücksnummer = "12/3";
  order.AnzahlGrenzpunkte = 4;
  order.Bodenwert = 12;
}

void DialogSession::TearDown() {
  forms::SetBackend(nullptr);
  forms::DestroyFormInstances();
  ResetLibrary();
  doc_.reset();
  TempEnvironment::TearDown();
}

void DialogSession::Run(const nlohmann::json& steps, int index) {
  forms::ScriptedUi ui(steps);
  forms::SetBackend(&ui);
  RegisteredDialog(index)();
  try {
    ui.Finish();
  } catch (const forms::ScriptError& e) {
    std::string transcript;
    for (const auto& line : ui.Transcript()) transcript += line + "\n";
    ADD_FAILURE() << e.what() << "\n" << transcript << "\nLog:\n" << Log();
  }
  boxes_ = ui.ShownMessageBoxes();
  forms::SetBackend(nullptr);
}

void DialogSession::Reopen() {
  doc_->Save();
  doc_.reset();
  doc_ = word::Document::Open(path_);
  Library().order.Doc = doc_;
  Library().order.Application = doc_->Application();
}

word::Table DialogSession::Marked(const std::string& key) const {
  word::Tables tables = doc_->Tables();
  for (int i = 1; i <= tables.Count(); ++i) {
    word::Comments comments = tables.Item(i).Range().Comments();
    if (comments.Count() > 0 && comments.Item(1).Range().Text() == key) return tables.Item(i);
  }
  return {};
}

}  // namespace korvax::dialogs::testing
