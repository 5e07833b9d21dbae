// The fee dialogs run through the Qt back end on a small invoice: each opens,
// takes a line, is saved as a screenshot to docs/screenshots/<form name>.png
// and is left with Abbruch.
#include <unistd.h>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "../../support/docx.hpp"
#include "dialogs/register.hpp"
#include "document/tk_word_auto.hpp"
#include "platform/word/word.hpp"
#include "plugin/dialog_registry.hpp"
#include "plugin/plugin_state.hpp"
#include "test_form.hpp"
#include "ui/qt/grid_view.hpp"

namespace korvax::ui::testing {

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

    doc_ = word::Document::Open(korvax::testing::WriteDocx(
        dir_ / "Rechnung.docx", korvax::testing::ParagraphXml("Rechnung Nr. 1")));
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
    QTest::addColumn<bool>("money_field");  // a MaskEdBoxWert that aligns on the comma
    QTest::newRow("Nr. 2") << 0 << "frmKat1" << true;
    QTest::newRow("Nr. 3") << 1 << "frmKat2" << false;
    QTest::newRow("Nr. 4/5") << 2 << "frmKat3" << false;
    QTest::newRow("Nr. 7") << 3 << "frmKat4" << true;
  }

  void EachFeeDialogOpensTakesALineAndCancels() {
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(bool, money_field);
    DialogOpener open = RegisteredDialog(index);
    if (!open) QSKIP("no dialog registered under this index");
    std::string shown;
    DriveModal(*ui_, open, [&](forms::Form& form, FormView& view) {
      shown = form.Name();
      // The Nr. 4/5 dialog's length fields have no mask and at most 64 characters.
      if (name == "frmKat3") {
        auto* achse = Widget<QLineEdit>(view, "MaskEdBoxAchse");
        QVERIFY(achse != nullptr && achse->inputMask().isEmpty());
        QCOMPARE(achse->maxLength(), 64);
      }
      Press(view, "CommandÜbernehmen");
      int grid_rows = 0;
      for (forms::Control* control : form.Controls()) {
        if (GridTable* table = view.GridOf(*control)) grid_rows = table->rowCount();
      }
      QVERIFY(grid_rows >= 1);
      QVERIFY(
          SaveScreenshot(form, std::filesystem::path(KORVAX_SCREENSHOT_DIR) / (shown + ".png")));
      // The money field's own KeyPress handler aligns the digits on the comma.
      if (auto* wert = money_field ? Widget<QLineEdit>(view, "MaskEdBoxWert") : nullptr) {
        QTest::mouseClick(wert, Qt::LeftButton);
        wert->selectAll();
        QTest::keyClicks(wert, "12,");
        QCOMPARE(wert->displayText(), QString("   12,  "));
        QCOMPARE(wert->cursorPosition(), 6);
      }
      // The line taken is thrown away only after the question.
      QString question;
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        question = box->text();
        QTest::mouseClick(box->findChild<QPushButton*>("Ja"), Qt::LeftButton);
      });
      Press(view, "CommandAbbruch");
      QCOMPARE(question, QString("Die geänderten Zeilen verwerfen?"));
    });
    QCOMPARE(QString::fromStdString(shown), name);
    QVERIFY(forms::Form::CurrentModal() == nullptr);
  }
};

}  // namespace korvax::ui::testing

QTEST_MAIN(korvax::ui::testing::FeeDialogsTest)
#include "fee_dialogs_test.moc"
