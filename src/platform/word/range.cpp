#include "platform/word/range.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/error.hpp"
#include "platform/word/comments.hpp"
#include "platform/word/document_data.hpp"
#include "platform/word/table.hpp"
#include "platform/word/word_errors.hpp"
#include "platform/word/words.hpp"

namespace korvax::word {

using detail::DocumentData;
using detail::RangeState;

RangeState& Range::S() const {
  if (!state_ || !state_->doc) throw korvax::errors::ObjectNotSet();
  if (!state_->story->alive) throw errors::ObjectDeleted();
  return *state_;
}

int Range::Start() const {
  return S().start;
}
int Range::End() const {
  return S().end;
}

void Range::SetStart(int start) {
  auto& s = S();
  s.start = std::clamp(start, 0, s.doc->StoryEnd(*s.story));
  if (s.end < s.start) s.end = s.start;
}

void Range::SetEnd(int end) {
  auto& s = S();
  s.end = std::clamp(end, 0, s.doc->StoryEnd(*s.story));
  if (s.start > s.end) s.start = s.end;
}

void Range::SetRange(int start, int end) {
  if (end < start) std::swap(start, end);
  auto& s = S();
  int limit = s.doc->StoryEnd(*s.story);
  s.start = std::clamp(start, 0, limit);
  s.end = std::clamp(end, 0, limit);
}

std::string Range::Text() const {
  auto& s = S();
  return s.doc->index.TextUtf8(s.story->root, s.start, s.end);
}

void Range::SetText(std::string_view text) {
  auto& s = S();
  auto state = state_;  // the edits below must not outlive the handle
  int start = s.start;
  s.doc->Delete(*s.story, s.start, s.end);
  int n = 0;
  int at = s.doc->InsertText(*s.story, start, text, s.pending, &n);
  s.start = at;
  s.end = at + n;
}

void Range::Collapse(int direction) {
  auto& s = S();
  if (direction == wdCollapseStart) {
    s.end = s.start;
    return;
  }
  s.start = s.end = s.doc->index.EndInsertPosition(s.story->root, s.start, s.end);
}

int Range::MoveStart(int unit, int count) {
  auto& s = S();
  int moved = 0;
  if (unit == wdWord) {
    for (; moved < std::abs(count); ++moved) {
      int next = count > 0 ? detail::NextWordBoundary(*s.doc, *s.story, s.start)
                           : detail::PreviousWordBoundary(*s.doc, *s.story, s.start);
      if (next == s.start) break;
      s.start = next;
    }
  } else if (unit == wdCharacter) {
    int target = std::clamp(s.start + count, 0, s.doc->StoryEnd(*s.story));
    moved = std::abs(target - s.start);
    s.start = target;
  } else {
    throw errors::NotAvailable("MoveStart mit dieser Einheit");
  }
  if (s.end < s.start) s.end = s.start;
  return count < 0 ? -moved : moved;
}

int Range::MoveEnd(int unit, int count) {
  auto& s = S();
  int moved = 0;
  if (unit == wdWord) {
    for (; moved < std::abs(count); ++moved) {
      int next = count > 0 ? detail::NextWordBoundary(*s.doc, *s.story, s.end)
                           : detail::PreviousWordBoundary(*s.doc, *s.story, s.end);
      if (next == s.end) break;
      s.end = next;
    }
  } else if (unit == wdCharacter) {
    int target = std::clamp(s.end + count, 0, s.doc->StoryEnd(*s.story));
    moved = std::abs(target - s.end);
    s.end = target;
  } else {
    throw errors::NotAvailable("MoveEnd mit dieser Einheit");
  }
  if (s.start > s.end) s.start = s.end;
  return count < 0 ? -moved : moved;
}

void Range::InsertAfter(std::string_view text) {
  auto& s = S();
  int n = 0;
  int at = s.doc->InsertTextAfter(*s.story, s.start, s.end, text, s.pending, &n);
  s.start = std::min(s.start, at);
  s.end = std::max(s.end, at + n);
}

void Range::InsertBefore(std::string_view text) {
  auto& s = S();
  int n = 0;
  int at = s.doc->InsertText(*s.story, s.start, text, s.pending, &n);
  s.start = at;
  s.end = std::max(s.end, at + n);
}

void Range::InsertParagraphAfter() {
  InsertAfter("\r");
}
void Range::InsertParagraphBefore() {
  InsertBefore("\r");
}

void Range::Delete() {
  auto& s = S();
  int end = s.end == s.start ? s.start + 1 : s.end;
  s.doc->Delete(*s.story, s.start, end);
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
  auto& index = s.doc->index;
  std::vector<pugi::xml_node> tables;
  pugi::xml_node c = s.story->root;
  int r = s.start;
  while (true) {
    auto& info = index.Info(c);
    if (info.children.empty() || r >= info.total - info.extra) break;
    size_t i = index.ChildAt(info, r);
    r -= index.StartIn(info, i);
    pugi::xml_node child = info.children[i];
    if (detail::IsParagraph(child)) break;
    if (detail::IsTable(child) && tables.empty()) tables.push_back(child);
    c = child;
  }
  // Further top-level tables that the range reaches into.
  auto& top = index.Info(s.story->root);
  for (size_t i = 0; i < top.children.size(); ++i) {
    int cs = index.StartIn(top, i);
    if (cs >= s.end) break;
    pugi::xml_node child = top.children[i];
    if (detail::IsTable(child) && cs + top.length[i] > s.start &&
        std::find(tables.begin(), tables.end(), child) == tables.end()) {
      tables.push_back(child);
    }
  }
  return word::Tables(s.doc, std::move(tables), s.story->root);
}

Variant Range::Information(int type) const {
  if (type != wdWithInTable)
    throw errors::NotAvailable("Information(" + std::to_string(type) + ")");
  auto& s = S();
  auto& index = s.doc->index;
  auto spot = index.Locate(s.story->root, s.start);
  for (pugi::xml_node x = spot.paragraph; x; x = detail::TextIndex::Parent(x)) {
    if (std::strcmp(x.name(), "w:tc") == 0) return Variant(true);
  }
  return Variant(false);
}

}  // namespace korvax::word
