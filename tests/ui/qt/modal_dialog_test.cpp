// The Qt back end running a form modally: typing, Enter, buttons, the grid,
// model changes, the close box, the hourglass, window positions, message
// boxes and failures.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <stdexcept>

#include "test_form.hpp"
#include "ui/qt/grid_view.hpp"

namespace korvax::ui::testing {

class ModalDialogTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TestForm> form_;
  std::unique_ptr<QtUi> ui_;

 private slots:
  void init() {
    form_ = forms::Form::Create<TestForm>();
    ui_ = std::make_unique<QtUi>();
    forms::SetBackend(ui_.get());
  }

  void cleanup() {
    forms::SetBackend(nullptr);
    ui_.reset();
    form_.reset();
  }

  void OpensModallyAtTheFormsPlaceAndOkEndsTheModalCall() {
    form_->SetLeft(1500);
    form_->SetTop(1200);
    DriveModal(*ui_, *form_, [&](FormView& view) {
      QVERIFY(view.isModal() && QApplication::activeModalWidget() == &view);
      QCOMPARE(view.windowTitle(), QString("Testabrechnung"));
      // The window's position comes from and goes to the form.
      QCOMPARE(view.pos(), QPoint(100, 80));
      view.move(200, 150);
      QCOMPARE(form_->Left(), 3000.0f);
      QCOMPARE(form_->Top(), 2250.0f);
      form_->SetLeft(450);  // the dialog code moves the window
      QCOMPARE(view.pos().x(), 30);
      form_->SetMousePointer(forms::kMousePointerHourglass);
      QVERIFY(QApplication::overrideCursor() != nullptr);
      QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
      form_->SetMousePointer(forms::kMousePointerDefault);
      QVERIFY(QApplication::overrideCursor() == nullptr);
      QTest::mouseClick(Widget<QPushButton>(view, "CommandEnde"), Qt::LeftButton);
    });
    QVERIFY(!form_->IsVisible());
    QVERIFY(form_->IsLoaded());  // OK only hides the form
    QCOMPARE(form_->events.back(), std::string("CommandEnde_Click"));
    QVERIFY(ui_->ViewOf(*form_) == nullptr);
  }

  void TypingPastingAndTabGoThroughKeyPressAndTheMask() {
    DriveModal(*ui_, *form_, [&](FormView& view) {
      auto* flst = Widget<QLineEdit>(view, "TextBoxFlst");
      QTest::mouseClick(flst, Qt::LeftButton);
      QTest::keyClicks(flst, "Äb!c");  // the KeyPress handler refuses "!"
      QCOMPARE(flst->text(), QString("Äbc"));
      QCOMPARE(form_->keys.front(), int{U'Ä'});
      QTest::keyClick(flst, Qt::Key_Backspace);
      QCOMPARE(form_->Get<forms::TextBox>("TextBoxFlst").Text(), std::string("Äb"));
      QTest::keyClick(flst, Qt::Key_Home);  // Qt moves the caret, the model follows
      QCOMPARE(form_->Get<forms::TextBox>("TextBoxFlst").SelStart(), 0);
      QTest::keyClick(flst, Qt::Key_Delete);
      QCOMPARE(flst->text(), QString("b"));
      form_->keys.clear();

      auto& model = form_->Get<forms::MaskedEdit>("MaskEdBoxWert");
      auto* wert = Widget<QLineEdit>(view, "MaskEdBoxWert");
      QTest::mouseClick(wert, Qt::LeftButton, {}, QPoint(4, wert->height() / 2));
      QVERIFY(model.HasFocus());
      // Typing across the comma: the money fields in fee_dialogs_test.cpp.
      QTest::keyClicks(wert, "12");
      QCOMPARE(model.Text(), std::string("12   ,  "));
      QTest::keyClick(wert, Qt::Key_Return);
      QTest::keyClick(wert, Qt::Key_Home);
      QTest::keyClick(wert, Qt::Key_Delete);  // blanks the digit
      QCOMPARE(model.Text(), std::string(" 2   ,  "));
      QTest::keyClick(wert, Qt::Key_Z, Qt::ControlModifier);  // no undo behind the model
      QCOMPARE(wert->displayText(), QString(" 2   ,  "));
      QApplication::clipboard()->setText("34");
      QTest::keyClick(wert, Qt::Key_V, Qt::ControlModifier);  // pasted text is typed
      QCOMPARE(wert->displayText(), QString("34   ,  "));
      // Tab from the field before it: the GotFocus handler selects all.
      QTest::mouseClick(flst, Qt::LeftButton);
      QTest::keyClick(flst, Qt::Key_Tab);
      QVERIFY(wert->hasFocus());
      QCOMPARE(wert->selectedText(), QString("34   ,  "));
    });
    const std::vector<int> expected = {'1', '2', forms::kKeyEnter, '3', '4'};
    QCOMPARE(form_->keys, expected);
  }

  void GridShowsTheModelsCellsAndReportsClicks() {
    DriveModal(*ui_, *form_, [&](FormView& view) {
      auto& grid = form_->Get<forms::Grid>("GridTest");
      GridTable* table = view.GridOf(grid);
      QVERIFY(table != nullptr);
      QCOMPARE(table->horizontalHeaderItem(1)->text(), QString("Fläche [m²]"));
      QCOMPARE(table->item(1, 2)->text(), QString("150,50"));
      QCOMPARE(table->ModelText(1, 2), QString("   12,00"));  // model rows count the header
      QVERIFY(table->item(1, 2)->textAlignment() & Qt::AlignRight);
      QCOMPARE(table->columnWidth(0), view.Scale().X(3000));
      grid.SetTextMatrix(2, 1, "  1300");
      grid.AddItem("Flst.Nr. 15\t   99");
      QTRY_COMPARE(table->rowCount(), 3);
      QCOMPARE(table->item(1, 1)->text(), QString("1300"));
      QCOMPARE(table->item(2, 0)->text(), QString("Flst.Nr. 15"));

      form_->events.clear();
      const QRect cell = table->visualItemRect(table->item(1, 1));
      QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
      QCOMPARE(grid.Row(), 2);
      QCOMPARE(grid.ColSel(), 3);  // the handler selected the whole line
      QVERIFY(grid.HasFocus());
      QCOMPARE(form_->events.front(), std::string("SelChange 2"));
      QCOMPARE(table->selectedRanges().front().columnCount(), 4);
      // A click on the same cell reports again, just as the first did.
      const std::vector<std::string> first = form_->events;
      form_->events.clear();
      QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
      QCOMPARE(form_->events, first);
      QTest::keyClick(table, Qt::Key_Up);  // a keyboard move reports at once
      QCOMPARE(grid.Row(), 1);
    });
  }

  void ModelChangesShowInTheWidgetsAndUserChoicesReachTheModels() {
    DriveModal(*ui_, *form_, [&](FormView& view) {
      form_->Get<forms::TextBox>("TextBoxFlst").SetText("Flst.Nr. 7");
      form_->Get<forms::OptionButton>("Option33").SetValue(true);
      form_->Get<forms::ComboBox>("ComboBox4").SetListIndex(1);
      form_->Get<forms::CommandButton>("CommandFrage").SetEnabled(false);
      form_->Get<forms::Label>("LabelNr").SetCaption("Nummer");
      form_->Get<forms::Frame>("FrameAbrechnung").SetVisible(false);
      form_->SetCaption("Gebäudeaufnahme");
      QCOMPARE(Widget<QLineEdit>(view, "TextBoxFlst")->text(), QString("Flst.Nr. 7"));
      QVERIFY(Widget<QRadioButton>(view, "Option33")->isChecked());
      QCOMPARE(Widget<QComboBox>(view, "ComboBox4")->currentText(), QString("5.1.2"));
      QVERIFY(!Widget<QPushButton>(view, "CommandFrage")->isEnabled());
      QCOMPARE(Widget<QLabel>(view, "LabelNr")->text(), QString("Nummer"));
      QVERIFY(!Widget<QGroupBox>(view, "FrameAbrechnung")->isVisible());
      QCOMPARE(view.windowTitle(), QString("Gebäudeaufnahme"));
      form_->Get<forms::Frame>("FrameAbrechnung").SetVisible(true);

      QTest::mouseClick(Widget<QCheckBox>(view, "chkBereich"), Qt::LeftButton);
      QCOMPARE(form_->Get<forms::CheckBox>("chkBereich").Value(), 1);
      QCOMPARE(form_->events.back(), std::string("chkBereich_Click"));
      QTest::mouseClick(Widget<QRadioButton>(view, "Option32"), Qt::LeftButton);
      QVERIFY(form_->Get<forms::OptionButton>("Option32").Value());
      QVERIFY(!Widget<QRadioButton>(view, "Option33")->isChecked());
      // Clicking the chosen option keeps it chosen.
      QTest::mouseClick(Widget<QRadioButton>(view, "Option32"), Qt::LeftButton);
      QVERIFY(Widget<QRadioButton>(view, "Option32")->isChecked());
      auto* combo = Widget<QComboBox>(view, "ComboBox4");
      combo->setFocus();
      QTest::keyClick(combo, Qt::Key_Up);
      QCOMPARE(form_->Get<forms::ComboBox>("ComboBox4").Text(), std::string("5.1.1"));
    });
  }

  void AccessKeyEnterAndEscapeReachTheirButtons() {
    DriveModal(*ui_, *form_, [&](FormView& view) {
      Widget<QLineEdit>(view, "TextBoxFlst")->setFocus();
      QTest::keyClick(&view, Qt::Key_O, Qt::AltModifier);
      QTRY_VERIFY(!form_->IsVisible());
    });
    QCOMPARE(form_->events.back(), std::string("CommandEnde_Click"));
    form_->events.clear();
    form_->Get<forms::CommandButton>("CommandEnde").SetDefault(true);
    form_->Get<forms::CommandButton>("CommandAbbruch").SetCancel(true);
    DriveModal(*ui_, *form_, [&](FormView& view) {
      QVERIFY(Widget<QPushButton>(view, "CommandEnde")->isDefault());
      auto* flst = Widget<QLineEdit>(view, "TextBoxFlst");
      QTest::mouseClick(flst, Qt::LeftButton);
      QTest::keyClick(flst, Qt::Key_Return);
    });
    QCOMPARE(form_->events.back(), std::string("CommandEnde_Click"));
    QVERIFY(form_->keys.empty());  // the field's KeyPress never saw Enter
    DriveModal(*ui_, *form_, [&](FormView& view) {
      QTest::keyClick(Widget<QLineEdit>(view, "TextBoxFlst"), Qt::Key_Escape);
    });
    QVERIFY(!form_->IsLoaded());  // Abbruch unloads
  }

  void CloseBoxUnloadsUnlessTheUnloadHandlerKeepsTheForm() {
    form_->keep_on_close = true;
    DriveModal(*ui_, *form_, [&](FormView& view) {
      view.close();
      QVERIFY(form_->IsVisible());
      QVERIFY(view.isVisible());
      form_->keep_on_close = false;
      view.close();
    });
    QVERIFY(!form_->IsLoaded());
    QCOMPARE(form_->events.back(), std::string("Unload"));
  }

  void MessageBoxAnswerReturnsToTheHandler() {
    DriveModal(*ui_, *form_, [&](FormView& view) {
      // The box's look is checked in form_rendering_test.cpp.
      QString prompt;
      QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        prompt = box->text();
        QTest::mouseClick(box->findChild<QPushButton*>("Nein"), Qt::LeftButton);
      });
      QTest::mouseClick(Widget<QPushButton>(view, "CommandFrage"), Qt::LeftButton);
      QCOMPARE(prompt, QString("Zeile löschen?"));
      QCOMPARE(form_->answer, 7);
      QVERIFY(form_->IsVisible());
    });
  }

  void FailureInAHandlerEndsTheDialogAndIsThrown() {
    form_->on_ok = [] { throw std::runtime_error("kaputt"); };
    bool thrown = false;
    try {
      DriveModal(*ui_, *form_, [&](FormView& view) {
        QTest::mouseClick(Widget<QPushButton>(view, "CommandEnde"), Qt::LeftButton);
      });
    } catch (const std::runtime_error& e) {
      thrown = std::string(e.what()) == "kaputt";
    }
    QVERIFY(thrown);
    QVERIFY(ui_->ViewOf(*form_) == nullptr);
  }

  void NestedFormsOwnEachOther() {
    auto inner = forms::Form::Create<TestForm>();
    QWidget* inner_parent = nullptr;
    form_->on_ok = [&] {
      DriveModal(*ui_, *inner, [&](FormView& view) { inner_parent = view.parentWidget(); });
    };
    QWidget* outer = nullptr;
    DriveModal(*ui_, *form_, [&](FormView& view) {
      outer = &view;
      QTest::mouseClick(Widget<QPushButton>(view, "CommandEnde"), Qt::LeftButton);
    });
    QVERIFY(outer != nullptr);
    QCOMPARE(inner_parent, outer);
  }
};

}  // namespace korvax::ui::testing

QTEST_MAIN(korvax::ui::testing::ModalDialogTest)
#include "modal_dialog_test.moc"
