#include "ui/qt/message_box.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QPushButton>
#include <vector>

#include "common/error.hpp"
#include "ui/qt/control_widgets.hpp"

namespace korvax::ui {

namespace {

constexpr const char* kResultProperty = "korvaxResult";

struct ButtonSpec {
  const char* caption;
  int32_t result;
  QMessageBox::ButtonRole role;
};

std::vector<ButtonSpec> ButtonsOf(int32_t buttons) {
  switch (buttons & 0x0F) {
    case kOkCancel:
      return {{"OK", 1, QMessageBox::AcceptRole}, {"Abbrechen", 2, QMessageBox::RejectRole}};
    case kAbortRetryIgnore:
      return {{"&Abbruch", 3, QMessageBox::RejectRole},
              {"&Wiederholen", 4, QMessageBox::AcceptRole},
              {"&Ignorieren", 5, QMessageBox::AcceptRole}};
    case kYesNoCancel:
      return {{"&Ja", 6, QMessageBox::YesRole},
              {"&Nein", 7, QMessageBox::NoRole},
              {"Abbrechen", 2, QMessageBox::RejectRole}};
    case kYesNo:
      return {{"&Ja", 6, QMessageBox::YesRole}, {"&Nein", 7, QMessageBox::NoRole}};
    case kRetryCancel:
      return {{"&Wiederholen", 4, QMessageBox::AcceptRole},
              {"Abbrechen", 2, QMessageBox::RejectRole}};
    default:
      return {{"OK", 1, QMessageBox::AcceptRole}};
  }
}

QMessageBox::Icon IconOf(int32_t buttons) {
  switch (buttons & 0x70) {
    case 16:
      return QMessageBox::Critical;
    case 32:
      return QMessageBox::Question;
    case 48:
      return QMessageBox::Warning;
    case 64:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

class QtMessageBox : public MessageBoxComponent {
 public:
  explicit QtMessageBox(QWidget* owner) : owner_(owner) {}
  // The component's two display options have no counterpart in a QMessageBox.
  void SetOptions(bool /*first*/, bool /*second*/) override {}

  int32_t Show(const MessageBoxRequest& request) override {
    std::unique_ptr<QMessageBox> box = BuildMessageBox(request, owner_);
    // A box asked for while the dialog shows the hourglass still needs the
    // normal pointer to be answered.
    QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    box->exec();
    QApplication::restoreOverrideCursor();
    return MessageBoxResult(*box);
  }

 private:
  QWidget* owner_;
};

}  // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(const MessageBoxRequest& request, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(request.title.empty() ? QApplication::applicationDisplayName()
                                            : ToQt(request.title));
  box->setText(ToQt(request.prompt));
  box->setIcon(IconOf(request.buttons));
  box->setWindowModality(Qt::ApplicationModal);
  const std::vector<ButtonSpec> specs = ButtonsOf(request.buttons);
  std::vector<QPushButton*> buttons;
  for (const ButtonSpec& spec : specs) {
    QPushButton* button = box->addButton(QString::fromUtf8(spec.caption), spec.role);
    button->setProperty(kResultProperty, spec.result);
    button->setObjectName(QString::fromUtf8(spec.caption).remove(u'&'));
    buttons.push_back(button);
  }
  // 0, 256 and 512 choose the first, second or third button as the default.
  const size_t default_index = static_cast<size_t>((request.buttons >> 8) & 0x3);
  box->setDefaultButton(buttons[default_index < buttons.size() ? default_index : 0]);
  // Escape and the close box answer as Cancel where there is one, as OK on a
  // box with OK alone; a Yes/No question must be answered.
  for (size_t i = 0; i < specs.size(); ++i) {
    if (specs[i].result == 2 || specs.size() == 1) box->setEscapeButton(buttons[i]);
  }
  return box;
}

int32_t MessageBoxResult(const QMessageBox& box) {
  const QAbstractButton* clicked = box.clickedButton();
  if (clicked == nullptr) clicked = box.escapeButton();
  if (clicked == nullptr && !box.buttons().isEmpty()) clicked = box.buttons().first();
  return clicked != nullptr ? clicked->property(kResultProperty).toInt() : 0;
}

std::unique_ptr<MessageBoxComponent> QtMessageBoxFactory::Create() {
  // Without a QApplication a QMessageBox would end the whole process.
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    throw Error(429, "Meldung ohne QApplication nicht möglich");
  }
  return std::make_unique<QtMessageBox>(owner_ ? owner_() : nullptr);
}

}  // namespace korvax::ui
