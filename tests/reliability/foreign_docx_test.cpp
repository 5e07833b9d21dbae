// Real-world documents of many programs (../shared/fixtures/foreign-docx,
// read where they lie): Nr. 7 and then Nr. 2 are billed into each, and Nr. 2
// once more with its table found again. Each comes out whole (every part
// kept, every paragraph still there, the new tables at the end of the body
// where the dialogs find them) and LibreOffice opens it; or, damaged, it is
// refused with a German message and left as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>

#include "../common/log_fixture.hpp"
#include "../dialogs/script_steps.hpp"
#include "../support/docx.hpp"
#include "dialogs/register.hpp"
#include "document/tk_word_auto.hpp"
#include "platform/forms/scripted_ui.hpp"
#include "platform/word/package.hpp"
#include "plugin/dialog_registry.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax::reliability {
namespace {

namespace fs = std::filesystem;
using namespace dialogs::testing;  // NOLINT: the script steps

// The damaged ones, refused: why each cannot be opened.
const std::map<std::string, std::string> kRefused = {
    {"poi-bug53475-password-is-pass.docx", "encrypted: no zip archive"},
    {"poi-truncated62886.docx", "the zip archive is cut off"},
    {"poi-clusterfuzz-5313273089884160.docx", "damaged zip archive"},
    {"poi-ExternalEntityInText.docx", "a DTD declaring an external entity"},
    {"poi-stress025.docx", "no main document part"},
    // Valid, but its 12.6 MB main part holds 506,000 elements: parsed, it
    // would pass the memory bound of 3 x document.xml + 30 MB.
    {"poi-bug65649.docx", "too large to edit within the memory bound"},
};

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The texts of every paragraph of the main part, by namespace rather than
// prefix, with how often each occurs.
std::map<std::string, int> ParagraphTexts(const fs::path& path) {
  word::Package package = word::Package::Read(path);
  std::string main;
  pugi::xml_document rels;
  word::ParseXml(rels, package.Bytes("_rels/.rels"), "rels");
  for (auto rel : rels.document_element().children("Relationship")) {
    if (std::string(rel.attribute("Type").value()).ends_with("/officeDocument")) {
      main = rel.attribute("Target").value();
    }
  }
  if (!main.empty() && main[0] == '/') main.erase(0, 1);
  pugi::xml_document doc;
  word::ParseXml(doc, package.Bytes(main), main);
  std::map<std::string, int> texts;
  for (auto p : doc.select_nodes("//*[local-name()='p']")) {
    std::string text;
    for (auto t : p.node().select_nodes(".//*[local-name()='t']")) text += t.node().text().get();
    ++texts[text];
  }
  return texts;
}

// Parts that billing may change: the main part and its relationships, the
// comments and the content types. All others come back byte for byte.
bool MayChange(const std::string& name) {
  return name == "[Content_Types].xml" || name.find("document") != std::string::npos ||
         name.find("comments") != std::string::npos;
}

class ForeignDocx : public korvax::testing::TempEnvironment {
 protected:
  void SetUp() override {
    TempEnvironment::SetUp();
    ResetLibrary();
    forms::DestroyFormInstances();
    dialogs::RegisterFeeDialogs();
    OrderContext& order = Library().order;
    order.Flurstücksnummer = "12/3";
    order.Fläche = 100;
    order.AnzahlGrenzpunkte = 4;
    order.Bodenwert = 12;
    Library().settings.AbschlagProzent = 100;
    Library().settings.Mehrwertsteuersatz = 19;
  }
  void TearDown() override {
    forms::SetBackend(nullptr);
    forms::DestroyFormInstances();
    ResetLibrary();
    TempEnvironment::TearDown();
  }

  // One fee dialog on the document, the cursor at its end as after typing.
  void Bill(const std::shared_ptr<word::Document>& doc, int index, const json& steps) {
    Library().order.Doc = doc;
    Library().order.Application = doc->Application();
    SetRememberedTableIndex(0);
    word::Range end = doc->Content();
    end.Collapse(word::wdCollapseEnd);
    end.Select();
    forms::ScriptedUi ui(steps);
    forms::SetBackend(&ui);
    RegisteredDialog(index)();
    try {
      ui.Finish();
    } catch (const forms::ScriptError& e) {
      ADD_FAILURE() << "dialog " << index << ": " << e.what();
    }
    forms::SetBackend(nullptr);
  }

  static word::Table Marked(word::Document& doc, const std::string& key) {
    word::Tables tables = doc.Tables();
    for (int i = 1; i <= tables.Count(); ++i) {
      word::Comments comments = tables.Item(i).Range().Comments();
      if (comments.Count() > 0 && comments.Item(1).Range().Text() == key) return tables.Item(i);
    }
    return {};
  }

  // Bills the copy at `path`; false when the document was refused.
  bool BillAndCheck(const fs::path& original, const fs::path& path) {
    std::shared_ptr<word::Document> doc;
    try {
      doc = word::Document::Open(path);
    } catch (const Error& e) {
      EXPECT_TRUE(kRefused.count(original.filename())) << e.description();
      EXPECT_EQ(e.description().rfind("Die Datei \"" + path.string(), 0), 0u) << e.description();
      EXPECT_EQ(Bytes(path), Bytes(original));
      return false;
    }
    EXPECT_FALSE(kRefused.count(original.filename())) << "opened";
    Bill(doc, 3, Script(Line("Flst.Nr. 7", "1", "0", "0", "12,"), kOk));
    Bill(doc, 0, Script(kApply, kOk));
    doc->Save();
    doc = word::Document::Open(path);
    Bill(doc, 0, Script(kErsteTabelle, Click("CommandButtonNeu"), kApply, kOk));
    doc->Save();

    word::Package before = word::Package::Read(original);
    word::Package after = word::Package::Read(path);
    for (const std::string& name : before.Names()) {
      if (!MayChange(name)) {
        EXPECT_EQ(before.Bytes(name), after.Bytes(name)) << name;
      }
    }
    std::map<std::string, int> texts = ParagraphTexts(path);
    for (const auto& [text, count] : ParagraphTexts(original)) {
      EXPECT_GE(texts[text], count) << "paragraph \"" << text << "\"";
    }
    auto saved = word::Document::Open(path);
    EXPECT_EQ(korvax::testing::TableTexts(Marked(*saved, "Korvax_4")).size(), 2u);
    EXPECT_EQ(korvax::testing::TableTexts(Marked(*saved, "Korvax_1")).size(), 3u);
    EXPECT_TRUE(Marked(*saved, "RE_Summe"));
    return true;
  }
};

TEST_F(ForeignDocx, BilledDocumentsStayWholeOrAreRefusedUnchanged) {
  const fs::path corpus = korvax::testing::SharedFixtures("foreign-docx");
  KORVAX_SKIP_WITHOUT(corpus);
  std::vector<fs::path> originals;
  for (const auto& e : fs::directory_iterator(corpus)) {
    if (e.path().extension() == ".docx") originals.push_back(e.path());
  }
  std::sort(originals.begin(), originals.end());
  ASSERT_FALSE(originals.empty());
  const fs::path out = dir_ / "billed";
  fs::create_directories(out);
  std::vector<fs::path> billed;
  for (const fs::path& original : originals) {
    SCOPED_TRACE(original.filename().string());
    const fs::path path = out / original.filename();
    fs::copy_file(original, path);
    // The shared originals are read-only; a copy to bill is the office's own file.
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    if (BillAndCheck(original, path)) billed.push_back(path);
  }

  if (!fs::exists("/usr/bin/soffice")) GTEST_SKIP() << "no LibreOffice";
  // LibreOffice opens every billed document whose original it opens (it
  // cannot store some originals as OpenDocument at all). One LibreOffice
  // for each set: it takes seconds to start.
  auto convert = [&](const std::vector<fs::path>& files, const fs::path& to) {
    std::string command = "cd " + dir_.string() + " && HOME=" + dir_.string() +
                          " timeout 900 /usr/bin/soffice -env:UserInstallation=file://" +
                          dir_.string() + "/profile --headless --convert-to odt --outdir " +
                          to.string();
    for (const fs::path& path : files) command += " '" + path.string() + "'";
    std::system((command + " > /dev/null 2>&1").c_str());
  };
  std::vector<fs::path> opened;
  for (const fs::path& path : billed) opened.push_back(corpus / path.filename());
  convert(opened, dir_ / "original");
  convert(billed, dir_ / "odt");
  for (const fs::path& path : billed) {
    SCOPED_TRACE(path.filename().string());
    const fs::path name = path.filename().replace_extension(".odt");
    if (!fs::exists(dir_ / "original" / name)) continue;
    const std::string content = korvax::testing::RunCommand(
        "unzip -p '" + (dir_ / "odt" / name).string() + "' content.xml");
    EXPECT_NE(content.find("Grenzfeststellung nach"), std::string::npos);
    EXPECT_NE(content.find("Flurstückszerlegung nach Nr. 2.1"), std::string::npos);
  }
}

}  // namespace
}  // namespace korvax::reliability
