#include "ui/qt/qt_ui.hpp"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QTimer>
#include <memory>

#include "common/error.hpp"
#include "ui/qt/form_view.hpp"
#include "ui/qt/message_box.hpp"

namespace korvax::ui {

QtUi::QtUi(QWidget* parent) : parent_(parent) {
  message_boxes_ = std::make_shared<QtMessageBoxFactory>([this] { return ActiveDialog(); });
}

QtUi::~QtUi() {
  if (forms::Backend() == this) forms::SetBackend(nullptr);
}

void QtUi::RunModal(forms::Form& form) {
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    throw errors::NotSupported("Qt-Dialoge ohne QApplication (RunWithQt)");
  }
  // A form shown from a dialog's handler belongs to that dialog's window.
  QWidget* owner = !running_.empty() ? running_.back() : parent_;
  auto view = std::make_unique<FormView>(form, owner, /*interactive=*/true);
  running_.push_back(view.get());
  struct Pop {
    std::vector<FormView*>& running;
    ~Pop() { running.pop_back(); }
  } pop{running_};
  QTimer player;
  if (script_step_) {
    player.setInterval(pace_ms_);
    QObject::connect(&player, &QTimer::timeout, view.get(), [&] {
      // No step for this dialog while one runs: it may open a nested dialog,
      // whose loop plays the steps that follow.
      player.stop();
      view->UserAction([&] { script_step_(form); });
      player.start();
    });
    player.start();
  }
  view->Run();
}

void QtUi::PlayScript(std::function<void(forms::Form&)> step, int pace_ms) {
  script_step_ = std::move(step);
  pace_ms_ = pace_ms;
}

std::shared_ptr<MessageBoxFactory> QtUi::MessageBoxes() {
  return message_boxes_;
}

QWidget* QtUi::ActiveDialog() const {
  return !running_.empty() ? running_.back() : parent_;
}

FormView* QtUi::ViewOf(const forms::Form& form) const {
  for (FormView* view : running_) {
    if (&view->Model() == &form) return view;
  }
  return nullptr;
}

int RunWithQt(int argc, char** argv, const std::function<void()>& body, QWidget* parent) {
  // QApplication keeps a reference to argc: it lives in this frame, which
  // outlives the application created here.
  std::unique_ptr<QApplication> app;
  if (QApplication::instance() == nullptr) {
    app = std::make_unique<QApplication>(argc, argv);
    // Message boxes without a title of their own carry this one.
    QApplication::setApplicationDisplayName(QStringLiteral("Korvax"));
  }
  QtUi ui(parent);
  forms::UiBackend* previous = forms::Backend();
  forms::SetBackend(&ui);
  struct Restore {
    forms::UiBackend* previous;
    ~Restore() { forms::SetBackend(previous); }
  } restore{previous};
  body();
  return 0;
}

namespace {

// A window's title bar, drawn above a grabbed dialog so that a screenshot
// shows the caption (grab() renders the client area only).
QImage WithTitleBar(const QPixmap& client, const QString& caption, const QWidget& dialog) {
  const QFontMetrics metrics(dialog.font());
  const int bar = metrics.height() + 12;
  const int border = 1;
  const QSize size(client.width() + 2 * border, client.height() + bar + border);
  QImage image(size * client.devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(client.devicePixelRatio());
  image.fill(dialog.palette().color(QPalette::Mid));
  QPainter painter(&image);
  const QRect title(border, border, client.width(), bar - border);
  painter.fillRect(title, dialog.palette().color(QPalette::Window).darker(112));
  QFont font = dialog.font();
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(dialog.palette().color(QPalette::WindowText));
  painter.drawText(title.adjusted(10, 0, -30, 0), Qt::AlignVCenter | Qt::AlignLeft, caption);
  // The close box, as a plain cross.
  const QRect close(title.right() - bar + 8, title.top() + 8, bar - 16, bar - 16);
  painter.setPen(QPen(dialog.palette().color(QPalette::WindowText), 1.5));
  painter.drawLine(close.topLeft(), close.bottomRight());
  painter.drawLine(close.topRight(), close.bottomLeft());
  painter.drawPixmap(border, bar, client);
  return image;
}

}  // namespace

bool SaveScreenshot(const forms::Form& form, const std::filesystem::path& path) {
  if (FormView* running = FormView::Running(form)) {
    return WithTitleBar(running->grab(), running->windowTitle(), *running)
        .save(QString::fromStdString(path.string()), "PNG");
  }
  // Rendering does not change the form; the view needs the non-const form
  // only to route input, which an off-screen view never receives.
  FormView view(const_cast<forms::Form&>(form), nullptr, /*interactive=*/false);
  view.ensurePolished();
  return WithTitleBar(view.grab(), view.windowTitle(), view)
      .save(QString::fromStdString(path.string()), "PNG");
}

}  // namespace korvax::ui
