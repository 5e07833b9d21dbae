// The widgets of a form's view: which widget stands for which control, how
// each follows its model, and how keys typed into them reach the model.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <algorithm>

#include "common/text.hpp"
#include "ui/qt/form_view.hpp"
#include "ui/qt/grid_view.hpp"

namespace korvax::ui {

namespace {

QLineEdit* LineEditOf(QWidget* widget) {
  if (auto* combo = qobject_cast<QComboBox*>(widget)) return combo->lineEdit();
  return qobject_cast<QLineEdit*>(widget);
}

bool IsEdit(forms::ControlKind kind) {
  return kind == forms::ControlKind::kTextBox || kind == forms::ControlKind::kMaskedEdit ||
         kind == forms::ControlKind::kComboBox;
}

// Keys that only move the caret or the selection, or copy: Qt handles them
// and the new selection is written to the model.
bool IsNavigation(const QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Backtab:
      return true;
    default:
      break;
  }
  if (event->key() >= Qt::Key_F1 && event->key() <= Qt::Key_F35) return true;
  return event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll);
}

}  // namespace

void FormView::BuildWidgets() {
  controls_ = form_.Controls();
  for (forms::Control* control : controls_) {
    QWidget* parent = this;
    if (forms::Frame* frame = control->Container()) parent = widgets_.at(frame);
    QWidget* widget = CreateWidget(*control, parent);
    widget->setObjectName(ToQt(control->FullName()));
    widgets_[control] = widget;
  }
  // Shift+Tab is Qt's; it follows the forms' tab order as well.
  std::vector<forms::Control*> order = controls_;
  std::stable_sort(order.begin(), order.end(),
                   [](const forms::Control* a, const forms::Control* b) {
                     return a->TabIndex() < b->TabIndex();
                   });
  QWidget* previous = nullptr;
  for (forms::Control* control : order) {
    QWidget* widget = widgets_[control];
    if (widget->focusPolicy() == Qt::NoFocus) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, widget);
    previous = widget;
  }
}

QWidget* FormView::CreateWidget(forms::Control& control, QWidget* parent) {
  switch (control.Kind()) {
    case forms::ControlKind::kLabel: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      return label;
    }
    case forms::ControlKind::kFrame:
      return new QGroupBox(parent);
    case forms::ControlKind::kCommandButton: {
      auto* button = new Routed<QPushButton>(*this, control, parent);
      button->setAutoDefault(false);
      connect(button, &QPushButton::clicked, this,
              [this, &control] { UserAction([&control] { control.UserClick(); }); });
      return button;
    }
    case forms::ControlKind::kCheckBox: {
      auto* box = new Routed<QCheckBox>(*this, control, parent);
      connect(box, &QCheckBox::clicked, this,
              [this, &control] { UserAction([&control] { control.UserClick(); }); });
      return box;
    }
    case forms::ControlKind::kOptionButton: {
      auto* option = new Routed<QRadioButton>(*this, control, parent);
      // The model keeps the group; Qt's own exclusivity could not show a
      // group in which no option is chosen.
      option->setAutoExclusive(false);
      connect(option, &QRadioButton::clicked, this,
              [this, &control] { UserAction([&control] { control.UserClick(); }); });
      return option;
    }
    case forms::ControlKind::kTextBox:
    case forms::ControlKind::kMaskedEdit: {
      auto* edit = new Routed<QLineEdit>(*this, control, parent);
      // Editing goes through the model's keys only: no context menu, no drops.
      edit->setContextMenuPolicy(Qt::NoContextMenu);
      edit->setAcceptDrops(false);
      edit->setDragEnabled(false);
      connect(edit, &QLineEdit::cursorPositionChanged, this,
              [this, &control] { EditSelectionMoved(control); });
      connect(edit, &QLineEdit::selectionChanged, this,
              [this, &control] { EditSelectionMoved(control); });
      return edit;
    }
    case forms::ControlKind::kComboBox: {
      auto* combo = new Routed<QComboBox>(*this, control, parent);
      combo->setEditable(true);
      combo->setInsertPolicy(QComboBox::NoInsert);
      combo->setCompleter(nullptr);
      combo->lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
      combo->lineEdit()->setAcceptDrops(false);
      auto& model = static_cast<forms::ComboBox&>(control);
      connect(combo, &QComboBox::activated, this, [this, &model](int index) {
        UserAction([&model, index] { model.UserChoose(index); });
      });
      connect(combo->lineEdit(), &QLineEdit::cursorPositionChanged, this,
              [this, &control] { EditSelectionMoved(control); });
      connect(combo->lineEdit(), &QLineEdit::selectionChanged, this,
              [this, &control] { EditSelectionMoved(control); });
      return combo;
    }
    case forms::ControlKind::kGrid: {
      auto& grid = static_cast<forms::Grid&>(control);
      auto* table = new GridTable(*this, grid, parent);
      table->SetScale(scale_);
      table->OnUserSelect([this, &grid](int row, int col, int row_sel, int col_sel) {
        UserAction(
            [&grid, row, col, row_sel, col_sel] { grid.UserSelect(row, col, row_sel, col_sel); });
      });
      grids_[&control] = table;
      return table;
    }
  }
  return new QWidget(parent);
}

void FormView::UpdateControl(forms::Control& control) {
  QWidget* widget = WidgetOf(control);
  if (widget == nullptr) return;
  QSignalBlocker block(widget);
  ++updating_;
  struct Done {
    int& updating;
    ~Done() { --updating; }
  } done{updating_};
  widget->setVisible(control.Visible());
  widget->setEnabled(control.Enabled());
  const QFont font = QtFont(control.GetFont(), desktop_font_);
  if (widget->font() != font) widget->setFont(font);

  auto designed_lines = [&](const QWidget* w) {
    return std::max(1, scale_.Y(control.Height()) / std::max(1, w->fontMetrics().height()));
  };
  switch (control.Kind()) {
    case forms::ControlKind::kLabel: {
      auto* label = static_cast<QLabel*>(widget);
      label->setText(PlainCaption(static_cast<forms::Label&>(control).Caption()));
      const bool beside = geometry_.beside_field.count(&control) > 0;
      label->setWordWrap(!beside && designed_lines(label) >= 2);
      label->setAlignment(Qt::AlignLeft | (beside ? Qt::AlignVCenter : Qt::AlignTop));
      break;
    }
    case forms::ControlKind::kFrame:
      static_cast<QGroupBox*>(widget)->setTitle(
          PlainCaption(static_cast<forms::Frame&>(control).Caption()));
      break;
    case forms::ControlKind::kCommandButton: {
      auto& model = static_cast<forms::CommandButton&>(control);
      auto* button = static_cast<QPushButton*>(widget);
      button->setText(ToQt(model.Caption()));
      button->setDefault(model.Default());
      break;
    }
    case forms::ControlKind::kCheckBox: {
      auto& model = static_cast<forms::CheckBox&>(control);
      auto* box = static_cast<QCheckBox*>(widget);
      box->setText(ToQt(model.Caption()));
      box->setTristate(model.Value() == 2);
      box->setCheckState(model.Value() == 1   ? Qt::Checked
                         : model.Value() == 2 ? Qt::PartiallyChecked
                                              : Qt::Unchecked);
      break;
    }
    case forms::ControlKind::kOptionButton: {
      auto& model = static_cast<forms::OptionButton&>(control);
      auto* option = static_cast<QRadioButton*>(widget);
      // A caption designed over two lines wraps, as the classic option did.
      const int text_width = scale_.X(control.Width()) - 22;
      option->setText(WrapCaption(ToQt(model.Caption()), option->fontMetrics(), text_width,
                                  designed_lines(option)));
      option->setChecked(model.Value());
      break;
    }
    case forms::ControlKind::kTextBox:
    case forms::ControlKind::kMaskedEdit:
    case forms::ControlKind::kComboBox:
      UpdateEditWidget(control);
      break;
    case forms::ControlKind::kGrid:
      grids_.at(&control)->Update();
      break;
  }
}

void FormView::UpdateEditWidget(forms::Control& control) {
  auto& edit = static_cast<forms::EditControl&>(control);
  QWidget* widget = WidgetOf(control);
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    auto& model = static_cast<forms::ComboBox&>(control);
    QStringList items;
    for (int i = 0; i < model.ListCount(); ++i) items << ToQt(model.List(i));
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
    if (items != shown) {
      combo->clear();
      combo->addItems(items);
    }
    if (combo->currentIndex() != model.ListIndex()) combo->setCurrentIndex(model.ListIndex());
  }
  QLineEdit* line = LineEditOf(widget);
  QSignalBlocker block(line);
  const QString text = ToQt(edit.Text());
  if (auto* masked = dynamic_cast<forms::MaskedEdit*>(&control)) {
    const QString mask = QtInputMask(masked->Mask(), masked->PromptChar());
    if (line->inputMask() != mask) line->setInputMask(mask);
    // Without a mask the box is a plain field limited by MaxLength, which the
    // model also holds every text it accepts to.
    const int max_length = mask.isEmpty() && masked->MaxLength() > 0 ? masked->MaxLength() : 32767;
    if (line->maxLength() != max_length) line->setMaxLength(max_length);
  }
  if (line->displayText() != text) {
    line->setText(text);
    // A text that Qt's mask would show differently is shown as it is.
    if (!line->inputMask().isEmpty() && line->displayText() != text) {
      line->setInputMask(QString());
      line->setText(text);
    }
  }
  const int start = edit.SelStart();
  const int length = edit.SelLength();
  if (length > 0) {
    if (line->selectionStart() != start || line->selectedText().size() != length) {
      line->setSelection(start, length);
    }
  } else if (line->hasSelectedText() || line->cursorPosition() != start) {
    line->deselect();
    line->setCursorPosition(start);
  }
}

void FormView::EditSelectionMoved(forms::Control& control) {
  if (!interactive_ || !running_ || quiet_ > 0 || !form_.IsLoaded()) return;
  QLineEdit* line = LineEditOf(WidgetOf(control));
  auto& edit = static_cast<forms::EditControl&>(control);
  const int start = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
  const int length = line->hasSelectedText() ? static_cast<int>(line->selectedText().size()) : 0;
  ++quiet_;
  try {
    if (edit.SelStart() != start || edit.SelLength() != length) {
      edit.SetSelStart(start);
      edit.SetSelLength(length);
    }
  } catch (...) {
    if (!failure_) failure_ = std::current_exception();
  }
  --quiet_;
}

bool FormView::KeyPressed(forms::Control& control, QKeyEvent* event) {
  if (!interactive_ || !running_ || finished_) return true;
  const std::u32string keys = ModelKeys(event);
  const forms::ControlKind kind = control.Kind();
  if (keys.empty()) return IsEdit(kind) ? EditKey(control, event) : false;
  // Space chooses an option button the way Qt clicks it; arrows move within
  // a grid or a combo box's list and report through their signals.
  if (kind == forms::ControlKind::kOptionButton && keys == U" ") return false;
  UserAction([this, &control, keys] {
    for (char32_t key : keys) {
      if (!form_.IsVisible()) break;
      control.PressKey(static_cast<int>(key));
    }
  });
  return true;
}

bool FormView::EditKey(forms::Control& control, QKeyEvent* event) {
  if (IsNavigation(event)) return false;
  auto& edit = static_cast<forms::EditControl&>(control);
  if (event->matches(QKeySequence::Paste)) {
    // Pasted text is typed, so the model's rules (KeyPress, the mask) apply.
    std::string pasted = FromQt(QApplication::clipboard()->text());
    std::erase_if(pasted, [](char c) { return c == '\r' || c == '\n' || c == '\t'; });
    UserAction([&edit, pasted] { edit.TypeText(pasted); });
  } else if (event->matches(QKeySequence::Cut)) {
    if (edit.SelLength() > 0) {
      QApplication::clipboard()->setText(ToQt(edit.SelText()));
      UserAction([&edit] { edit.PressKey(forms::kKeyBackspace); });
    }
  } else if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
    // Delete clears the selection or the character at the caret; in a
    // masked box it blanks digit positions and keeps the literals.
    UserAction([&edit] {
      std::u32string text = text::ToU32(edit.Text());
      const int start = edit.SelStart();
      const int length = std::max(edit.SelLength(), 1);
      if (start >= static_cast<int>(text.size())) return;
      const int end = std::min(start + length, static_cast<int>(text.size()));
      if (auto* masked = dynamic_cast<forms::MaskedEdit*>(&edit);
          masked && !masked->Mask().empty()) {
        const std::u32string empty = text::ToU32(masked->EmptyText());
        for (int i = start; i < end; ++i) text[i] = empty[i];
      } else {
        text.erase(start, end - start);
      }
      edit.SetText(text::ToUtf8(text));
      edit.SetSelStart(start);
    });
  }
  // Anything else that would edit the text behind the model's back (undo,
  // delete word, ...) is dropped.
  return true;
}

}  // namespace korvax::ui
