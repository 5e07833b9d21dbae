// How the Qt back end renders a form without running it: masks, captions,
// fonts, the tidied layout, message boxes and RunWithQt.
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "test_form.hpp"
#include "ui/qt/control_widgets.hpp"
#include "ui/qt/form_layout.hpp"
#include "ui/qt/grid_view.hpp"
#include "ui/qt/message_box.hpp"

namespace korvax::ui::testing {

class FormRenderingTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { forms::DestroyFormInstances(); }

  void MasksAndCaptionsBecomeQtTexts() {
    QCOMPARE(QtInputMask("#####,##", U' '), QString("00000,00; "));
    QCOMPARE(QtInputMask("####", U'_'), QString("0000;_"));
    QCOMPARE(QtInputMask("99.99 m", U' '), QString("00.00 m; "));
    QCOMPARE(QtInputMask("\\#A#", U' '), QString("\\#\\A0; "));
    // Captions lose their access key marks.
    QCOMPARE(PlainCaption("&Übernehmen"), QString("Übernehmen"));
    QCOMPARE(PlainCaption("Soll && Haben"), QString("Soll & Haben"));
  }

  void FontsAndNumberAlignment() {
    QFont desktop("DejaVu Sans", 9);
    QFont plain = QtFont(forms::Font{}, desktop);
    QCOMPARE(plain.family(), desktop.family());
    QCOMPARE(plain.pointSizeF(), 9.0);
    QFont heading = QtFont(forms::Font{"Tahoma", 16.5f, true}, desktop);
    QCOMPARE(heading.pointSizeF(), 18.0);
    QVERIFY(heading.bold());
    // Numbers are recognised for alignment.
    for (const char* number : {"   12,00", "1.234 m", "  2", "250.000"})
      QVERIFY2(LooksNumeric(number), number);
    for (const char* text : {"Flst.Nr. 12/3", "5.1.1", ""}) QVERIFY2(!LooksNumeric(text), text);
  }

  void LongCaptionsWrapToTheirDesignedLines() {
    QFontMetrics metrics(QApplication::font());
    const QString caption = "aktuelle Cursorposition als Abrechnungspunkt interpretieren";
    const QString wrapped = WrapCaption(caption, metrics, 160, 2);
    QCOMPARE(wrapped.count(u'\n'), 1);
    QCOMPARE(QString(wrapped).replace(u'\n', u' '), caption);
    QCOMPARE(WrapCaption("kurz", metrics, 160, 2), QString("kurz"));
  }

  void LayoutKeepsEveryControlVisibleWithEvenMargins() {
    auto form = forms::Form::Create<TestForm>();
    FormView view(*form, nullptr, /*interactive=*/false);
    const QRect client(QPoint(0, 0), view.size());
    for (forms::Control* control : form->Controls()) {
      QWidget* widget = view.WidgetOf(*control);
      QVERIFY2(widget != nullptr, control->FullName().c_str());
      const QRect on_form(widget->mapTo(&view, QPoint(0, 0)), widget->size());
      QVERIFY2(client.contains(on_form), control->FullName().c_str());
      QVERIFY2(widget->width() >= widget->minimumSizeHint().width() ||
                   control->Kind() == forms::ControlKind::kGrid,
               control->FullName().c_str());
    }
    // The grid is the top-left control and sits at the margin.
    QCOMPARE(view.WidgetOf(form->Get<forms::Grid>("GridTest"))->pos(),
             QPoint(kFormMargin, kFormMargin));
    // A label beside its field shares the field's line.
    QWidget* label = view.WidgetOf(form->Get<forms::Label>("LabelWert"));
    QWidget* field = view.WidgetOf(form->Get<forms::MaskedEdit>("MaskEdBoxWert"));
    QCOMPARE(label->geometry().center().y(), field->geometry().center().y());
    QVERIFY(label->geometry().right() < field->geometry().left());
    // The masked field shows its mask with blank prompts.
    QCOMPARE(static_cast<QLineEdit*>(field)->displayText(), QString("     ,  "));
  }

  void MessageBoxesHaveTheClassicButtons() {
    auto yes_no = BuildMessageBox(Request("Zeile löschen?", 4 + 32, "Titel"), nullptr);
    QCOMPARE(yes_no->windowTitle(), QString("Titel"));
    QCOMPARE(yes_no->icon(), QMessageBox::Question);
    QCOMPARE(yes_no->buttons().size(), 2);
    QCOMPARE(yes_no->defaultButton()->text(), QString("&Ja"));
    auto ok = BuildMessageBox(Request("Fertig", 0 + 64), nullptr);
    QCOMPARE(ok->icon(), QMessageBox::Information);
    QCOMPARE(ok->buttons().size(), 1);
    QCOMPARE(MessageBoxResult(*ok), 1);  // closed without a click: OK
    auto cancel = BuildMessageBox(Request("Weiter?", 1 + 48 + 256), nullptr);
    QCOMPARE(cancel->icon(), QMessageBox::Warning);
    QCOMPARE(cancel->defaultButton()->text(), QString("Abbrechen"));
    QCOMPARE(MessageBoxResult(*cancel), 2);
  }

  void RunWithQtInstallsTheBackEndForTheBody() {
    bool qt_during = false;
    std::shared_ptr<MessageBoxFactory> factory;
    char name[] = "korvax";
    char* argv[] = {name, nullptr};
    QCOMPARE(RunWithQt(1, argv,
                       [&] {
                         qt_during = dynamic_cast<QtUi*>(forms::Backend()) != nullptr;
                         factory = RegisteredMessageBoxFactory();
                       }),
             0);
    QVERIFY(qt_during);
    QVERIFY(factory != nullptr);
    QVERIFY(forms::Backend() == nullptr);
  }
};

}  // namespace korvax::ui::testing

QTEST_MAIN(korvax::ui::testing::FormRenderingTest)
#include "form_rendering_test.moc"
