#include "ui/qt/form_view.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QMoveEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "ui/qt/grid_view.hpp"

namespace korvax::ui {

namespace {

std::vector<FormView*>& RunningViews() {
  static std::vector<FormView*> views;
  return views;
}

// The override cursor for a mouse pointer; the default pointer has none.
bool CursorFor(int pointer, Qt::CursorShape& shape) {
  switch (pointer) {
    case forms::kMousePointerHourglass:
      shape = Qt::WaitCursor;
      return true;
    case 13:  // arrow and hourglass
      shape = Qt::BusyCursor;
      return true;
    default:
      return false;
  }
}

}  // namespace

FormView::FormView(forms::Form& form, QWidget* parent, bool interactive)
    : QDialog(parent), form_(form), interactive_(interactive) {
  setObjectName(ToQt(form.Name()));
  desktop_font_ = QApplication::font();
  scale_ = ScaleFor(desktop_font_);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::CustomizeWindowHint);
  form_.EnsureLoaded();
  BuildWidgets();
  if (interactive_) {
    previous_observer_ = form_.Observer();
    form_.SetObserver(this);
  }
  SyncAll();
}

FormView::~FormView() {
  if (interactive_ && form_.Observer() == this) form_.SetObserver(previous_observer_);
  auto& views = RunningViews();
  views.erase(std::remove(views.begin(), views.end(), this), views.end());
  if (cursor_ != 0) QApplication::restoreOverrideCursor();
}

QWidget* FormView::WidgetOf(const forms::Control& control) const {
  auto found = widgets_.find(&control);
  return found == widgets_.end() ? nullptr : found->second;
}

GridTable* FormView::GridOf(const forms::Control& control) const {
  auto found = grids_.find(&control);
  return found == grids_.end() ? nullptr : found->second;
}

FormView* FormView::Innermost() {
  const auto& views = RunningViews();
  return views.empty() ? nullptr : views.back();
}

FormView* FormView::Running(const forms::Form& form) {
  for (FormView* view : RunningViews()) {
    if (&view->form_ == &form) return view;
  }
  return nullptr;
}

void FormView::Run() {
  running_ = true;
  finished_ = false;
  RunningViews().push_back(this);
  setWindowModality(Qt::ApplicationModal);
  PlaceWindow();
  show();
  activateWindow();
  SyncAll();
  if (!finished_ && form_.IsVisible() && !failure_) loop_.exec(QEventLoop::DialogExec);
  running_ = false;
  auto& views = RunningViews();
  views.erase(std::remove(views.begin(), views.end(), this), views.end());
  hide();
  if (cursor_ != 0) {
    QApplication::restoreOverrideCursor();
    cursor_ = 0;
  }
  if (failure_) std::rethrow_exception(failure_);
}

void FormView::PlaceWindow() {
  placing_ = true;
  QPoint position(static_cast<int>(form_.Left()) / kTwipsPerPixel,
                  static_cast<int>(form_.Top()) / kTwipsPerPixel);
  // A form that never had a position (first use) opens centred over its
  // owner, or on the screen, instead of in the screen's corner.
  if (position.isNull()) {
    QRect area = parentWidget() != nullptr ? parentWidget()->window()->frameGeometry()
                                           : (screen() != nullptr ? screen()->availableGeometry()
                                                                  : QRect(0, 0, 1024, 768));
    position = area.center() - QPoint(width() / 2, height() / 2);
  }
  model_position_ = QPoint(static_cast<int>(form_.Left()) / kTwipsPerPixel,
                           static_cast<int>(form_.Top()) / kTwipsPerPixel);
  move(position);
  placing_ = false;
}

void FormView::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  // The form's Top and Left follow the window, so that the position stored
  // at unload is where the user left it.
  if (placing_ || !interactive_ || !running_ || !form_.IsLoaded()) return;
  const QPoint position = pos();
  model_position_ = position;
  ++quiet_;
  try {
    if (static_cast<int>(form_.Left()) / kTwipsPerPixel != position.x()) {
      form_.SetLeft(static_cast<float>(position.x() * kTwipsPerPixel));
    }
    if (static_cast<int>(form_.Top()) / kTwipsPerPixel != position.y()) {
      form_.SetTop(static_cast<float>(position.y() * kTwipsPerPixel));
    }
  } catch (...) {
    if (!failure_) failure_ = std::current_exception();
  }
  --quiet_;
}

void FormView::closeEvent(QCloseEvent* event) {
  // The close box is the user's unload; the form's Unload handler may keep
  // the form, and only a form that went away ends the dialog.
  event->ignore();
  if (!running_) return;
  UserAction([this] { form_.UserClose(); });
}

void FormView::keyPressEvent(QKeyEvent* event) {
  // Keys that no control took: Enter and Escape still reach the form's
  // default and cancel buttons, as on the classic forms.
  const std::u32string keys = ModelKeys(event);
  if (keys.size() == 1 && keys[0] == forms::kKeyEnter) {
    if (forms::CommandButton* button = form_.DefaultButton()) {
      UserAction([button] { button->Click(); });
    }
  } else if (keys.size() == 1 && keys[0] == forms::kKeyEscape) {
    if (forms::CommandButton* button = form_.CancelButton()) {
      UserAction([button] { button->Click(); });
    } else if (form_.EscapeCloses()) {
      UserAction([this] { form_.UserClose(); });
    }
  }
  event->accept();
}

void FormView::UserAction(const std::function<void()>& action) {
  if (!interactive_ || !running_ || finished_) return;
  ++action_depth_;
  try {
    action();
  } catch (...) {
    if (!failure_) failure_ = std::current_exception();
  }
  --action_depth_;
  AfterAction();
}

void FormView::AfterAction() {
  if (failure_ || !form_.IsLoaded() || !form_.IsVisible()) {
    Finish();
    return;
  }
  SyncAll();
}

void FormView::Finish() {
  if (finished_) return;
  finished_ = true;
  loop_.quit();
}

void FormView::ControlChanged(forms::Control& control) {
  if (previous_observer_ != nullptr) previous_observer_->ControlChanged(control);
  if (quiet_ > 0 || finished_ || !form_.IsLoaded()) return;
  try {
    // A grid changes cell by cell while a dialog fills it; it is brought up
    // to date once, when the action ends or the event loop next runs.
    if (GridTable* table = GridOf(control)) {
      table->MarkChanged();
    } else {
      UpdateControl(control);
    }
    auto key = layout_keys_.find(&control);
    if (key != layout_keys_.end() && !(key->second == KeyOf(control))) Relayout();
  } catch (...) {
    if (!failure_) failure_ = std::current_exception();
  }
  ScheduleSync();
}

void FormView::FormChanged(forms::Form& form) {
  if (previous_observer_ != nullptr) previous_observer_->FormChanged(form);
  if (quiet_ > 0 || finished_) return;
  if (!form_.IsLoaded() || !form_.IsVisible()) {
    // Hidden or unloaded: the modal call returns. An unloaded form must not
    // be read any more, which would load it again.
    if (running_) Finish();
    return;
  }
  SyncWindow();
}

void FormView::ScheduleSync() {
  if (sync_pending_ || !running_) return;
  sync_pending_ = true;
  QTimer::singleShot(0, this, [this] {
    sync_pending_ = false;
    if (running_ && !finished_ && form_.IsLoaded() && form_.IsVisible()) SyncAll();
  });
}

void FormView::SyncAll() {
  if (!form_.IsLoaded()) return;
  // Reading the models cannot be allowed to unwind through Qt's event
  // dispatch; a failure ends the dialog like one in a user action.
  try {
    for (forms::Control* control : controls_) UpdateControl(*control);
    bool moved = layout_keys_.empty();
    for (forms::Control* control : controls_) {
      if (!(layout_keys_[control] == KeyOf(*control))) moved = true;
    }
    if (moved) Relayout();
    SyncWindow();
    if (running_) SyncFocus();
  } catch (...) {
    if (!failure_) failure_ = std::current_exception();
    if (running_) Finish();
  }
}

FormView::LayoutKey FormView::KeyOf(const forms::Control& control) const {
  LayoutKey key;
  key.geometry = {control.Left(), control.Top(), control.Width(), control.Height()};
  if (auto* captioned = dynamic_cast<const forms::CaptionedControl*>(&control)) {
    key.caption = captioned->Caption();
  }
  key.font = control.GetFont();
  key.visible = control.Visible();
  return key;
}

void FormView::Relayout() {
  for (forms::Control* control : controls_) layout_keys_[control] = KeyOf(*control);
  geometry_ = LayOutForm(form_, widgets_, scale_);
  for (const auto& [control, rect] : geometry_.rects) {
    if (QWidget* widget = WidgetOf(*control)) widget->setGeometry(rect);
  }
  for (forms::Control* control : controls_) {
    if (control->Kind() == forms::ControlKind::kLabel) UpdateControl(*control);
  }
  setFixedSize(geometry_.content);
}

void FormView::SyncWindow() {
  if (!form_.IsLoaded()) return;
  const QString caption = ToQt(form_.Caption());
  if (windowTitle() != caption) setWindowTitle(caption);
  SyncCursor();
  if (!running_) return;
  const QPoint wanted(static_cast<int>(form_.Left()) / kTwipsPerPixel,
                      static_cast<int>(form_.Top()) / kTwipsPerPixel);
  // Only a position the dialog code set moves the window; the window's own
  // moves are written to the form as they happen.
  if (wanted != model_position_) {
    model_position_ = wanted;
    placing_ = true;
    move(wanted);
    placing_ = false;
  }
}

void FormView::SyncCursor() {
  if (!interactive_ || !running_) return;
  int pointer = forms::ScreenMousePointer();
  if (pointer == forms::kMousePointerDefault) pointer = form_.MousePointer();
  Qt::CursorShape shape = Qt::ArrowCursor;
  const bool override_wanted = CursorFor(pointer, shape);
  if (pointer == cursor_ || (!override_wanted && cursor_ == 0)) return;
  if (cursor_ != 0) QApplication::restoreOverrideCursor();
  cursor_ = 0;
  if (override_wanted) {
    QApplication::setOverrideCursor(QCursor(shape));
    cursor_ = pointer;
  }
}

void FormView::SyncFocus() {
  forms::Control* active = form_.ActiveControl();
  if (active == nullptr) return;
  QWidget* widget = WidgetOf(*active);
  if (widget == nullptr || widget->hasFocus() || !widget->isEnabled()) return;
  syncing_focus_ = true;
  widget->setFocus(Qt::OtherFocusReason);
  syncing_focus_ = false;
}

void FormView::FocusEntered(forms::Control& control) {
  // While the models run, Qt moves the focus on its own only because a widget
  // was disabled or hidden; the models' focus is put back when the action ends.
  if (syncing_focus_ || updating_ > 0 || action_depth_ > 0 || !running_ || finished_) return;
  if (form_.ActiveControl() == &control) return;
  if (!control.AcceptsFocus() || !control.IsUsable()) return;
  UserAction([this, &control] { form_.MoveFocus(&control); });
}

}  // namespace korvax::ui
