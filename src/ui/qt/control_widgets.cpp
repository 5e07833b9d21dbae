#include "ui/qt/control_widgets.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/text.hpp"

namespace korvax::ui {

QString ToQt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQt(const QString& text) {
  return text.toStdString();
}

QString PlainCaption(std::string_view caption) {
  QString in = ToQt(caption);
  QString out;
  out.reserve(in.size());
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] == u'&' && i + 1 < in.size()) {
      ++i;  // "&x" shows x, "&&" shows one ampersand
    }
    out += in[i];
  }
  return out;
}

QString QtInputMask(std::string_view mask, char32_t prompt) {
  if (mask.empty()) return {};
  // Characters that Qt reads as mask meta characters must be escaped when
  // the model means them as literals.
  static constexpr std::u32string_view kQtMeta = U"AaNnXx90DdHhBb#><!\\[]{};";
  std::u32string chars = text::ToU32(mask);
  std::u32string out;
  for (size_t i = 0; i < chars.size(); ++i) {
    char32_t c = chars[i];
    if (c == U'#' || c == U'9') {
      out += U'0';  // a digit, not required: an empty position keeps the prompt
      continue;
    }
    if (c == U'\\' && i + 1 < chars.size()) c = chars[++i];
    if (kQtMeta.find(c) != std::u32string_view::npos) out += U'\\';
    out += c;
  }
  out += U';';
  out += prompt;
  return ToQt(text::ToUtf8(out));
}

QFont QtFont(const forms::Font& font, const QFont& desktop) {
  static constexpr std::array<std::string_view, 7> kClassic = {
      "MS Sans Serif", "Microsoft Sans Serif", "MS Shell Dlg", "MS Shell Dlg 2", "Tahoma", "Arial",
      "Segoe UI"};
  constexpr float kClassicSize = 8.25f;
  QFont result = desktop;
  bool classic = std::find(kClassic.begin(), kClassic.end(), font.name) != kClassic.end();
  if (!classic && !font.name.empty()) result.setFamily(ToQt(font.name));
  // Only a size that differs from the classic default is meant as emphasis;
  // the default maps to the desktop's size so that the dialogs read like the
  // rest of the desktop.
  if (font.size > 0 && std::abs(font.size - kClassicSize) > 0.5f) {
    result.setPointSizeF(desktop.pointSizeF() * font.size / kClassicSize);
  }
  result.setBold(font.bold);
  return result;
}

std::u32string ModelKeys(const QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers();
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return std::u32string(1, forms::kKeyEnter);
    case Qt::Key_Escape:
      return std::u32string(1, forms::kKeyEscape);
    case Qt::Key_Tab:
      // Shift+Tab arrives as Backtab; Ctrl+Tab belongs to the desktop.
      if (mods & (Qt::ControlModifier | Qt::AltModifier)) return {};
      return std::u32string(1, forms::kKeyTab);
    case Qt::Key_Backspace:
      return std::u32string(1, forms::kKeyBackspace);
    default:
      break;
  }
  // Ctrl and Alt combinations are shortcuts (copy, access keys), except where
  // Ctrl+Alt stands for AltGr and types a character (German "@", "€").
  bool alt_gr = (mods & Qt::ControlModifier) && (mods & Qt::AltModifier);
  if ((mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && !alt_gr) return {};
  std::u32string keys;
  for (char32_t c : event->text().toStdU32String()) {
    if (c >= 32 && c != 127) keys += c;
  }
  return keys;
}

}  // namespace korvax::ui
