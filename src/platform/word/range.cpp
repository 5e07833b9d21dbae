#include "platform/word/range.hpp"

#include <algorithm>
#include <cmath>

#include "common/text.hpp"
#include "internal/document_data.hpp"
#include "platform/word/comments.hpp"
#include "platform/word/table.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {

using detail::DocumentData;
using detail::Point;
using detail::RangeState;

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

// Word's "words": a run of letters and digits with its trailing blanks, each
// punctuation mark with its trailing blanks, a paragraph mark, an
// end-of-cell mark. The length of the one starting at i.
int WordLength(const std::u32string& t, size_t i) {
  if (i >= t.size()) return 0;
  size_t j = i;
  if (t[j] == detail::kParagraphMark) {
    return (j + 1 < t.size() && t[j + 1] == detail::kCellMark) ? 2 : 1;
  }
  if (IsWordChar(t[j])) {
    while (j < t.size() && IsWordChar(t[j])) ++j;
  } else if (!IsBlank(t[j])) {
    ++j;
  }
  while (j < t.size() && IsBlank(t[j])) ++j;
  return static_cast<int>(j - i);
}

std::u32string Window(DocumentData& d, detail::Story& story, int from, int to) {
  return text::ToU32(detail::Text(d.PointAt(story, from), d.PointAt(story, to)));
}

int NextWordBoundary(DocumentData& d, detail::Story& story, int pos) {
  int limit = d.StoryEndPosition(story);
  if (pos >= limit) return limit;
  std::u32string t = Window(d, story, pos, std::min(limit, pos + kWindow));
  return std::min(limit, pos + std::max(WordLength(t, 0), 1));
}

int PreviousWordBoundary(DocumentData& d, detail::Story& story, int pos) {
  if (pos <= 0) return 0;
  int from = std::max(0, pos - kWindow);
  std::u32string t = Window(d, story, from, pos);
  size_t i = 0;
  if (from > 0) {
    // Segmentation is only certain from a paragraph start on.
    size_t mark = t.find(detail::kParagraphMark);
    if (mark != std::u32string::npos && mark + 1 < t.size()) {
      i = mark + 1;
      if (t[i] == detail::kCellMark) ++i;
    }
  }
  size_t last = i;
  while (i < t.size()) {
    last = i;
    i += static_cast<size_t>(std::max(WordLength(t, i), 1));
  }
  return from + static_cast<int>(last);
}

// Moves p by count characters (back when negative), not past the story's
// start or `limit`; returns the characters moved.
int Advance(Point& p, int count, Point limit) {
  int moved = 0;
  while (moved < count && !(p == limit)) {
    pugi::xml_node owner = p.Owner();
    if (detail::IsParagraph(owner)) {
      int room = (limit.owner == p.owner ? limit.offset : detail::TextLength(owner)) - p.offset;
      int step = std::min(room, count - moved);
      if (step > 0) {
        p.offset += step;
        moved += step;
        continue;
      }
    }
    Point next = detail::Next(p);
    if (next == p) break;
    p = next;
    ++moved;
  }
  while (moved < -count) {
    if (detail::IsParagraph(p.Owner()) && p.offset > 0) {
      int step = std::min(p.offset, -count - moved);
      p.offset -= step;
      moved += step;
      continue;
    }
    Point back = detail::Back(p);
    if (!back) break;
    p = back;
    ++moved;
  }
  return moved;
}

// Moves one end of a range by count units; returns the units moved.
int Move(RangeState& s, Point& end, int unit, int count, const char* what) {
  auto& d = *s.doc;
  int moved = 0;
  if (unit == wdWord) {
    int pos = d.Position(*s.story, end);
    for (; moved < std::abs(count); ++moved) {
      int next =
          count > 0 ? NextWordBoundary(d, *s.story, pos) : PreviousWordBoundary(d, *s.story, pos);
      if (next == pos) break;
      pos = next;
    }
    end = d.PointAt(*s.story, pos);
  } else if (unit == wdCharacter) {
    moved = Advance(end, count, d.StoryEnd(*s.story));
  } else {
    throw errors::NotAvailable(std::string(what) + " mit dieser Einheit");
  }
  return count < 0 ? -moved : moved;
}

}  // namespace

RangeState& Range::S() const {
  return detail::Live(state_);
}

int Range::Start() const {
  auto& s = S();
  return s.doc->Position(*s.story, s.start);
}

int Range::End() const {
  auto& s = S();
  return s.doc->Position(*s.story, s.end);
}

void Range::SetStart(int start) {
  SetRange(start, std::max(start, End()));
}

void Range::SetEnd(int end) {
  SetRange(std::min(end, Start()), end);
}

void Range::SetRange(int start, int end) {
  if (end < start) std::swap(start, end);
  auto& s = S();
  auto& d = *s.doc;
  int limit = d.StoryEndPosition(*s.story);
  s.start = d.PointAt(*s.story, std::clamp(start, 0, limit));
  s.end = d.PointAt(*s.story, std::clamp(end, 0, limit));
}

std::string Range::Text() const {
  auto& s = S();
  return detail::Text(s.start, s.end);
}

void Range::SetText(std::string_view text) {
  auto& s = S();
  auto state = state_;  // the edits below must not outlive the handle
  s.doc->Delete(*s.story, s.start, s.end);
  Point at = detail::Locate(s.doc->EndWithParagraph(*s.story, s.start));
  std::tie(s.start, s.end) = s.doc->InsertText(*s.story, at, text, s.pending);
}

void Range::Collapse(int direction) {
  auto& s = S();
  if (direction == wdCollapseStart) {
    s.end = s.start;
    return;
  }
  s.start = s.end = detail::EndInsertion(s.start, s.end);
}

int Range::MoveStart(int unit, int count) {
  auto& s = S();
  int moved = Move(s, s.start, unit, count, "MoveStart");
  if (detail::Compare(s.end, s.start) < 0) s.end = s.start;
  return moved;
}

int Range::MoveEnd(int unit, int count) {
  auto& s = S();
  int moved = Move(s, s.end, unit, count, "MoveEnd");
  if (detail::Compare(s.start, s.end) > 0) s.start = s.end;
  return moved;
}

void Range::InsertAfter(std::string_view text) {
  auto& s = S();
  auto& d = *s.doc;
  d.EndWithParagraph(*s.story, s.end);
  // The range takes in the new text: its start when it stood at or after
  // the place where the text goes, its end when it stood there.
  Point at = detail::Locate(detail::EndInsertion(s.start, s.end));
  const bool start_after = detail::Compare(s.start, at) >= 0;
  const bool end_at = s.end == at;
  auto [from, to] = d.InsertText(*s.story, at, text, s.pending);
  if (start_after) s.start = from;
  if (end_at) s.end = to;
}

void Range::InsertBefore(std::string_view text) {
  auto& s = S();
  Point at = detail::Locate(s.doc->EndWithParagraph(*s.story, s.start));
  const bool end_at = s.end == at;
  auto [from, to] = s.doc->InsertText(*s.story, at, text, s.pending);
  s.start = from;
  if (end_at) s.end = to;
}

void Range::InsertParagraphAfter() {
  InsertAfter("\r");
}
void Range::InsertParagraphBefore() {
  InsertBefore("\r");
}

void Range::Delete() {
  auto& s = S();
  s.doc->Delete(*s.story, s.start, s.end == s.start ? detail::Next(s.start) : s.end);
}

Range Range::Duplicate() const {
  auto& s = S();
  Range copy(s.doc->NewRange(s.story, s.start, s.end));
  copy.state_->pending = s.pending;
  return copy;
}

bool Range::IsEqual(const Range& other) const {
  return S().story == other.S().story && S().start == other.S().start && S().end == other.S().end;
}

void Range::Select() const {
  auto& s = S();
  s.doc->SetSelection(s.story, s.start, s.end);
}

word::Comments Range::Comments() const {
  S();
  return word::Comments::Of(state_->doc, this);
}

word::Tables Range::Tables() const {
  auto& s = S();
  pugi::xml_node root = s.story->root;
  std::vector<detail::Node*> tables;
  // The unit of the story's top level a place stands in (none at the
  // story's end), and the outermost table the start stands in.
  auto top = [&](Point p, pugi::xml_node* outer) {
    pugi::xml_node unit;
    for (pugi::xml_node x = p.Owner(); x && x != root; x = x.parent()) {
      detail::Kind kind = detail::KindOf(x);
      if (kind == detail::Kind::Paragraph || kind == detail::Kind::Table) unit = x;
      if (outer && kind == detail::Kind::Table) *outer = x;
    }
    return unit;
  };
  pugi::xml_node outer;
  const pugi::xml_node start_unit = top(s.start, &outer);
  const pugi::xml_node end_unit = top(s.end, nullptr);
  if (outer) tables.push_back(detail::NodeOf(outer));
  // Further tables of the top level that the range reaches into: those that
  // end after its start and begin before its end.
  bool past_start = false;
  for (pugi::xml_node u = detail::FirstUnit(root); u; u = detail::NextUnit(u)) {
    const bool has_start = u == start_unit, has_end = u == end_unit;
    if (detail::IsTable(u) && u != outer && (past_start || has_start)) {
      if (!has_end || !(s.end == detail::First(u))) tables.push_back(detail::NodeOf(u));
    }
    if (has_end) break;
    past_start = past_start || has_start;
  }
  return word::Tables(s.doc, std::move(tables), detail::NodeOf(root));
}

Variant Range::Information(int type) const {
  if (type != wdWithInTable)
    throw errors::NotAvailable("Information(" + std::to_string(type) + ")");
  auto& s = S();
  for (pugi::xml_node x = detail::Locate(s.start).Owner(); x; x = detail::ContainerOf(x)) {
    if (detail::KindOf(x) == detail::Kind::Cell) return Variant(true);
  }
  return Variant(false);
}

}  // namespace korvax::word
