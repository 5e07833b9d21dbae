// Turns the designed geometry of a form (twips, 15 to a pixel at 96 dpi) into
// widget rectangles that suit the desktop's font. The forms were designed for
// the classic 8 pt dialog font; the design is scaled by how much wider and
// taller the desktop's font is, and then tidied: captions get the width they
// need, fields the height their font needs, a label on the same line as a
// field is centred on it, frames grow around their contents, and the whole
// form gets even margins. Controls keep their designed places otherwise, so
// what the designer lined up stays lined up.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <map>

#include "platform/forms/form.hpp"

namespace korvax::ui {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kFormMargin = 12;  // pixels around the controls

// Pixels per designed pixel, horizontally and vertically.
struct DesignScale {
  double x = 1.0;
  double y = 1.0;
  int X(int twips) const { return static_cast<int>(twips * x / kTwipsPerPixel + 0.5); }
  int Y(int twips) const { return static_cast<int>(twips * y / kTwipsPerPixel + 0.5); }
};
// The scale for a desktop font, against the classic dialog font's average
// character width of 6 and height of 13 pixels; between 1 and 1.5.
DesignScale ScaleFor(const QFont& desktop);

struct FormGeometry {
  // Per control, relative to its container's widget.
  std::map<const forms::Control*, QRect> rects;
  // Labels that sit beside a field; the view centres their text vertically.
  std::map<const forms::Control*, bool> beside_field;
  QSize content;  // the dialog's client size
};

// widgets: the widget of every control, with its font and text already set,
// so that size hints are those of the final widget.
FormGeometry LayOutForm(const forms::Form& form,
                        const std::map<const forms::Control*, QWidget*>& widgets,
                        const DesignScale& scale);

// Inserts line breaks so that a caption fits `width` pixels in `lines` lines
// at most; returns it unchanged when it fits on one line or cannot be broken.
QString WrapCaption(const QString& caption, const QFontMetrics& metrics, int width, int lines);

}  // namespace korvax::ui
