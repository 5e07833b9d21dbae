#include "ui/qt/form_layout.hpp"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace korvax::ui {

namespace {

bool IsField(forms::ControlKind kind) {
  return kind == forms::ControlKind::kTextBox || kind == forms::ControlKind::kMaskedEdit ||
         kind == forms::ControlKind::kComboBox;
}

bool HasCaptionWidth(forms::ControlKind kind) {
  return kind == forms::ControlKind::kLabel || kind == forms::ControlKind::kCheckBox ||
         kind == forms::ControlKind::kOptionButton;
}

// Grows a rectangle to a height, keeping its vertical centre, so that the
// controls of one designed line stay on one line.
void GrowHeight(QRect& rect, int height) {
  if (rect.height() >= height) return;
  const int extra = height - rect.height();
  rect.setTop(rect.top() - extra / 2);
  rect.setHeight(height);
}

bool SameLine(const QRect& a, const QRect& b) {
  const int overlap = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top());
  return overlap > std::min(a.height(), b.height()) / 2;
}

}  // namespace

QString WrapCaption(const QString& caption, const QFontMetrics& metrics, int width, int lines) {
  if (lines < 2 || metrics.horizontalAdvance(caption) <= width) return caption;
  QStringList words = caption.split(u' ', Qt::SkipEmptyParts);
  QStringList out;
  QString line;
  for (const QString& word : words) {
    QString candidate = line.isEmpty() ? word : line + u' ' + word;
    if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > width && out.size() + 1 < lines) {
      out << line;
      line = word;
    } else {
      line = candidate;
    }
  }
  out << line;
  return out.join(u'\n');
}

DesignScale ScaleFor(const QFont& desktop) {
  const QFontMetricsF metrics(desktop);
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const double width = metrics.horizontalAdvance(letters) / letters.size();
  DesignScale scale;
  scale.x = std::clamp(width / 6.0, 1.0, 1.5);
  scale.y = std::clamp(metrics.height() / 13.0, 1.0, 1.5);
  return scale;
}

FormGeometry LayOutForm(const forms::Form& form,
                        const std::map<const forms::Control*, QWidget*>& widgets,
                        const DesignScale& scale) {
  FormGeometry result;
  const std::vector<forms::Control*> controls = form.Controls();

  // 1. Designed places, in pixels relative to the container.
  for (const forms::Control* control : controls) {
    result.rects[control] =
        QRect(scale.X(control->Left()), scale.Y(control->Top()),
              std::max(scale.X(control->Width()), 1), std::max(scale.Y(control->Height()), 1));
  }

  // 2. Fields and buttons get at least the height their font needs; captions
  //    the width their text needs, up to the next control on their line.
  for (const forms::Control* control : controls) {
    auto found = widgets.find(control);
    if (found == widgets.end()) continue;
    QWidget* widget = found->second;
    QRect& rect = result.rects[control];
    const forms::ControlKind kind = control->Kind();
    if (IsField(kind) || kind == forms::ControlKind::kCommandButton) {
      GrowHeight(rect, widget->sizeHint().height());
    }
    if (!HasCaptionWidth(kind)) continue;
    int wanted = widget->sizeHint().width();
    if (wanted <= rect.width()) continue;
    int limit = wanted;
    for (const forms::Control* other : controls) {
      if (other == control || other->Container() != control->Container()) continue;
      const QRect& next = result.rects[other];
      if (next.left() >= rect.left() + rect.width() / 2 && SameLine(rect, next)) {
        limit = std::min(limit, next.left() - 6 - rect.left());
      }
    }
    rect.setWidth(std::max(rect.width(), limit));
  }

  // 3. A label on the line of a field takes the field's height, so that both
  //    texts share one base line.
  for (const forms::Control* label : controls) {
    if (label->Kind() != forms::ControlKind::kLabel) continue;
    QRect& rect = result.rects[label];
    const forms::Control* nearest = nullptr;
    int distance = 0;
    for (const forms::Control* field : controls) {
      if (!IsField(field->Kind()) || field->Container() != label->Container()) continue;
      const QRect& other = result.rects[field];
      if (!SameLine(rect, other)) continue;
      const int gap =
          other.left() >= rect.left() ? other.left() - rect.right() : rect.left() - other.right();
      if (nearest == nullptr || gap < distance) {
        nearest = field;
        distance = gap;
      }
    }
    if (nearest == nullptr || distance > 40) continue;
    const QRect& field = result.rects[nearest];
    rect.setTop(field.top());
    rect.setHeight(field.height());
    result.beside_field[label] = true;
  }

  // 4. Frames grow around their contents, innermost first (a frame is
  //    declared before what it holds, so walking backwards does that).
  for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
    const forms::Control* child = *it;
    forms::Frame* frame = child->Container();
    if (frame == nullptr) continue;
    QRect& outer = result.rects[frame];
    const QRect& inner = result.rects[child];
    outer.setWidth(std::max(outer.width(), inner.right() + 8));
    outer.setHeight(std::max(outer.height(), inner.bottom() + 8));
  }

  // 5. Even margins around the controls placed on the form itself.
  QRect bounds;
  for (const forms::Control* control : controls) {
    if (control->Container() == nullptr && control->Visible()) {
      bounds = bounds.united(result.rects[control]);
    }
  }
  if (bounds.isNull()) bounds = QRect(0, 0, 200, 100);
  const QPoint shift(kFormMargin - bounds.left(), kFormMargin - bounds.top());
  for (const forms::Control* control : controls) {
    if (control->Container() == nullptr) result.rects[control].translate(shift);
  }
  result.content = QSize(bounds.width() + 2 * kFormMargin, bounds.height() + 2 * kFormMargin);
  return result;
}

}  // namespace korvax::ui
