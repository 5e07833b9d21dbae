#include "platform/word/words.hpp"

#include <algorithm>

namespace korvax::word::detail {
namespace {

// Word's window for finding word boundaries; a word longer than this is cut.
constexpr int kWindow = 256;

bool IsWordChar(char32_t c) {
  if (c < 0x80) return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (c == 0xD7 || c == 0xF7 || c == 0xA0) return false;
  if (c >= 0x2000 && c <= 0x206F) return false;  // general punctuation
  if (c >= 0x20A0 && c <= 0x20CF) return false;  // currency signs such as €
  return c >= 0xC0;
}

bool IsBlank(char32_t c) {
  return c == ' ' || c == 0xA0;
}

}  // namespace

int WordLength(const std::u32string& t, size_t i) {
  if (i >= t.size()) return 0;
  size_t j = i;
  if (t[j] == kParagraphMark) {
    return (j + 1 < t.size() && t[j + 1] == kCellMark) ? 2 : 1;
  }
  if (IsWordChar(t[j])) {
    while (j < t.size() && IsWordChar(t[j])) ++j;
  } else if (!IsBlank(t[j])) {
    ++j;
  }
  while (j < t.size() && IsBlank(t[j])) ++j;
  return static_cast<int>(j - i);
}

int NextWordBoundary(DocumentData& doc, Story& story, int pos) {
  int limit = doc.StoryEnd(story);
  if (pos >= limit) return limit;
  std::u32string t = doc.index.Text(story.root, pos, std::min(limit, pos + kWindow));
  return std::min(limit, pos + std::max(WordLength(t, 0), 1));
}

int PreviousWordBoundary(DocumentData& doc, Story& story, int pos) {
  if (pos <= 0) return 0;
  int from = std::max(0, pos - kWindow);
  std::u32string t = doc.index.Text(story.root, from, pos);
  size_t i = 0;
  if (from > 0) {
    // Segmentation is only certain from a paragraph start on.
    size_t mark = t.find(kParagraphMark);
    if (mark != std::u32string::npos && mark + 1 < t.size()) {
      i = mark + 1;
      if (t[i] == kCellMark) ++i;
    }
  }
  size_t last = i;
  while (i < t.size()) {
    last = i;
    i += static_cast<size_t>(std::max(WordLength(t, i), 1));
  }
  return from + static_cast<int>(last);
}

}  // namespace korvax::word::detail
