// The fee dialogs and the table selection run through the Qt back end on a
// small invoice: each opens, takes a line, is saved as a screenshot to
// docs/screenshots/<form name>.png and is left with Abbruch.
#include <unistd.h>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "dialogs/register.hpp"
#include "document/tk_word_auto.hpp"
#include "platform/word/package.hpp"
#include "platform/word/word.hpp"
#include "plugin/dialog_registry.hpp"
#include "plugin/g_frm_tabelle.hpp"
#include "plugin/plugin_state.hpp"
#include "test_form.hpp"
#include "ui/qt/grid_view.hpp"

namespace korvax::ui::testing {

namespace {

constexpr const char* kContentTypes =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
constexpr const char* kPackageRelationships =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>";
constexpr const char* kDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
    "<w:body><w:p><w:r><w:t>Rechnung Nr. 1</w:t></w:r></w:p>"
    "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/></w:sectPr></w:body></w:document>";
constexpr const char* kDocumentRelationships =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "</Relationships>";

std::filesystem::path ScreenshotPath(const std::string& name) {
  return std::filesystem::path(KORVAX_SCREENSHOT_DIR) / (name + ".png");
}

}  // namespace

class FeeDialogsTest : public QObject {
  Q_OBJECT

 private:
  std::filesystem::path dir_;
  std::shared_ptr<word::Document> doc_;
  std::unique_ptr<QtUi> ui_;

  // Clicks a button of the modal form as the user would.
  static void Press(FormView& view, const char* button) {
    auto* widget = Widget<QPushButton>(view, button);
    QVERIFY2(widget != nullptr, button);
    QTest::mouseClick(widget, Qt::LeftButton);
  }

 private slots:
  void init() {
    dir_ = std::filesystem::temp_directory_path() /
           ("korvax-qt-" + std::to_string(::getpid()) + "-" + QTest::currentTestFunction());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    setenv("KORVAX_LOG_DIR", dir_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    ResetLibrary();
    forms::DestroyFormInstances();
    SetRememberedTableIndex(0);
    dialogs::RegisterFeeDialogs();

    word::Package package;
    package.SetBytes("[Content_Types].xml", kContentTypes);
    package.SetBytes("_rels/.rels", kPackageRelationships);
    package.SetBytes("word/document.xml", kDocument);
    package.SetBytes("word/_rels/document.xml.rels", kDocumentRelationships);
    package.Write(dir_ / "Rechnung.docx");
    doc_ = word::Document::Open(dir_ / "Rechnung.docx");
    OrderContext& order = Library().order;
    order.Doc = doc_;
    order.Application = doc_->Application();
    order.Flurstücksnummer = "12/3";
    order.Fläche = 450;
    order.Bodenwert = 12;
    order.Baukosten = 250000;
    order.Achslänge = 120;
    order.AnzahlGrenzpunkte = 4;

    ui_ = std::make_unique<QtUi>();
    forms::SetBackend(ui_.get());
  }

  void cleanup() {
    forms::SetBackend(nullptr);
    ui_.reset();
    forms::DestroyFormInstances();
    ResetLibrary();
    doc_.reset();
    std::filesystem::remove_all(dir_);
  }

  void EachFeeDialogOpensTakesALineAndCancels_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::newRow("Nr. 2") << 0 << "frmKat1";
    QTest::newRow("Nr. 3") << 1 << "frmKat2";
    QTest::newRow("Nr. 4/5") << 2 << "frmKat3";
    QTest::newRow("Nr. 7") << 3 << "frmKat4";
  }

  void EachFeeDialogOpensTakesALineAndCancels() {
    QFETCH(int, index);
    QFETCH(QString, name);
    DialogOpener open = RegisteredDialog(index);
    if (!open) QSKIP("no dialog registered under this index");
    std::string shown;
    int grid_rows = 0;
    bool saved = false;
    int unmasked_limit = 0;
    QTimer::singleShot(0, [&] {
      forms::Form* form = forms::Form::CurrentModal();
      FormView* view = form != nullptr ? ui_->ViewOf(*form) : nullptr;
      if (view == nullptr) return;
      shown = form->Name();
      if (auto* achse = Widget<QLineEdit>(*view, "MaskEdBoxAchse")) {
        unmasked_limit = achse->inputMask().isEmpty() ? achse->maxLength() : -1;
      }
      Press(*view, "CommandÜbernehmen");
      for (forms::Control* control : form->Controls()) {
        if (GridTable* table = view->GridOf(*control)) grid_rows = table->rowCount();
      }
      saved = SaveScreenshot(*form, ScreenshotPath(shown));
      Press(*view, "CommandAbbruch");
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      if (forms::Form* form = forms::Form::CurrentModal()) form->Unload();
    });
    watchdog.start(15000);
    open();
    QCOMPARE(QString::fromStdString(shown), name);
    QVERIFY(grid_rows >= 1);
    QVERIFY(saved);
    QVERIFY(forms::Form::CurrentModal() == nullptr);
    // The Nr. 4/5 dialog's length fields have no mask and at most 64 characters.
    if (name == "frmKat3") QCOMPARE(unmasked_limit, 64);
  }

  void MoneyFieldAlignsOnCommaAndEnterApplies() {
    DialogOpener open = RegisteredDialog(3);
    if (!open) QSKIP("frmKat4 is not registered");
    QString typed;
    int caret = -1;
    QString cell;
    QTimer::singleShot(0, [&] {
      forms::Form* form = forms::Form::CurrentModal();
      FormView* view = form != nullptr ? ui_->ViewOf(*form) : nullptr;
      if (view == nullptr) return;
      auto* wert = Widget<QLineEdit>(*view, "MaskEdBoxWert");
      QTest::mouseClick(wert, Qt::LeftButton);
      wert->selectAll();
      QTest::keyClicks(wert, "12,");
      typed = wert->displayText();
      caret = wert->cursorPosition();
      QTest::keyClick(wert, Qt::Key_Return);
      auto& grid = form->Get<forms::Grid>("GridGebühren6");
      cell = view->GridOf(grid)->ModelText(1, 4);
      Press(*view, "CommandAbbruch");
    });
    open();
    QCOMPARE(typed, QString("   12,  "));
    QCOMPARE(caret, 6);
    QCOMPARE(cell.trimmed(), QString("12,00"));
  }

  void SecondOpenAsksForTheTableThroughQt() {
    DialogOpener open = RegisteredDialog(3);
    if (!open) QSKIP("frmKat4 is not registered");
    // First call: one line, written to the invoice with OK.
    QTimer::singleShot(0, [&] {
      forms::Form* form = forms::Form::CurrentModal();
      if (FormView* view = form != nullptr ? ui_->ViewOf(*form) : nullptr) {
        Press(*view, "CommandÜbernehmen");
        Press(*view, "CommandEnde");
      }
    });
    open();
    // Second call: the table selection comes first, owned by no dialog yet;
    // choosing the first table loads its line into the fee dialog.
    std::string first_form;
    bool chosen_enabled = false;
    QString line;
    QTimer::singleShot(0, [&] {
      forms::Form* tabelle = forms::Form::CurrentModal();
      FormView* view = tabelle != nullptr ? ui_->ViewOf(*tabelle) : nullptr;
      if (view == nullptr) return;
      first_form = tabelle->Name();
      auto* entry = Widget<QRadioButton>(*view, "optTabelle(0)");
      chosen_enabled = entry != nullptr && entry->isEnabled();
      if (entry != nullptr) QTest::mouseClick(entry, Qt::LeftButton);
      QTimer::singleShot(0, [&] {
        forms::Form* form = forms::Form::CurrentModal();
        FormView* fee = form != nullptr ? ui_->ViewOf(*form) : nullptr;
        if (fee == nullptr) return;
        line = fee->GridOf(form->Get<forms::Grid>("GridGebühren6"))->ModelText(1, 0);
        Press(*fee, "CommandAbbruch");
      });
      Press(*view, "cmdEnde");
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
      for (int i = 0; i < 3; ++i) {
        if (forms::Form* form = forms::Form::CurrentModal()) form->Unload();
      }
    });
    watchdog.start(15000);
    open();
    QCOMPARE(first_form, std::string(G_frmTabelle::kName));
    QVERIFY(chosen_enabled);
    QCOMPARE(line, QString("Flst.Nr. 12/3"));
  }

  void TableSelectionRemembersWhereTheUserLeftIt() {
    auto& tabelle = forms::FormInstance<G_frmTabelle>();
    QTimer::singleShot(0, [&] {
      if (FormView* view = ui_->ViewOf(tabelle)) {
        view->move(300, 200);
        view->close();  // the close box: unloads and stores the position
      }
    });
    tabelle.ShowModal();
    QVERIFY(!tabelle.IsLoaded());
    QPoint again;
    QTimer::singleShot(0, [&] {
      if (FormView* view = ui_->ViewOf(tabelle)) {
        again = view->pos();
        Press(*view, "cmdEnde");
      }
    });
    tabelle.ShowModal();
    QCOMPARE(again, QPoint(300, 200));
    QVERIFY(tabelle.optNeu().Value());
  }

  void TableSelectionScreenshot() {
    auto& tabelle = forms::FormInstance<G_frmTabelle>();
    tabelle.optTabelle(0).SetEnabled(true);
    tabelle.optTabelle(1).SetEnabled(true);
    for (int i = 2; i < G_frmTabelle::kEntries; ++i) tabelle.optTabelle(i).SetEnabled(false);
    tabelle.optAktTabelle().SetEnabled(false);
    QVERIFY(SaveScreenshot(tabelle, ScreenshotPath(G_frmTabelle::kName)));
  }
};

}  // namespace korvax::ui::testing

QTEST_MAIN(korvax::ui::testing::FeeDialogsTest)
#include "fee_dialogs_test.moc"
