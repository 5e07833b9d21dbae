// The characters of a story as Word counts them, read from the XML as it
// stands: nothing is kept between edits but what one walk of a story gives
// for one revision of the document (Layout).
//
// A story (the body, a comment, a text box) is a tree of units: the blocks
// (paragraphs and tables) of the story root and of each cell, the rows of a
// table, the cells of a row; content controls and custom XML around units
// are looked through. Its characters are the paragraphs' text, each
// paragraph's mark, after a cell's content its end-of-cell mark (7), after a
// row's cells the row's two marks (13 7). A place between two characters is
// a Point: the character it stands before, as its owner (paragraph, cell,
// row) and the offset among the owner's own characters; the story root with
// offset 0 is the end of the story. Every place has exactly one Point.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

namespace korvax::word::detail {

// Word's marks in the text of a story.
inline constexpr char32_t kParagraphMark = 13;
inline constexpr char32_t kCellMark = 7;

enum class Kind : unsigned char {
  Other,
  StoryRoot,  // body, text box content, comment, header, footer, note
  Table,
  Row,
  Cell,
  Paragraph,
  Sdt,        // content control; its units are in w:sdtContent
  CustomXml,  // custom markup; its units are its children
};
Kind KindOf(pugi::xml_node n);
inline bool IsParagraph(pugi::xml_node n) {
  return KindOf(n) == Kind::Paragraph;
}
inline bool IsTable(pugi::xml_node n) {
  return KindOf(n) == Kind::Table;
}
// A story root, table, row or cell.
bool IsContainer(pugi::xml_node n);

// How an element inside a paragraph counts: skipped with its content, looked
// into, or a piece of text of the given length.
enum class Walk { Skip, Descend, Atom };
Walk Classify(pugi::xml_node n, int& length);

// Calls f(atom, start, length) for every piece of text of a paragraph, in
// order, until f returns false.
template <class F>
bool ForEachAtom(pugi::xml_node parent, int& pos, F&& f) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    int len = 0;
    Walk w = Classify(c, len);
    if (w == Walk::Atom) {
      if (!f(c, pos, len)) return false;
      pos += len;
    } else if (w == Walk::Descend) {
      if (!ForEachAtom(c, pos, f)) return false;
    }
  }
  return true;
}

// Calls f(element, name) for every element below root in document order but
// those inside properties (w:rPr, w:pPr, w:tcPr, ...) and text (w:t), which
// hold no markers such as bookmarks and comment anchors; f must not change
// the tree.
template <class F>
void ForEachMarkup(pugi::xml_node root, F&& f) {
  for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    const std::string_view name = c.name();
    f(c, name);
    if (!name.ends_with("Pr") && name != "w:t") ForEachMarkup(c, f);
  }
}

// The characters of a paragraph without its mark.
int TextLength(pugi::xml_node paragraph);

// The first child of a paragraph (or of a run, its properties named) after
// its properties; null when it holds nothing else: no text, no markup without
// characters (a bookmark, the anchor of a floating shape).
pugi::xml_node ContentStart(pugi::xml_node paragraph, const char* properties = "w:pPr");
// The block (paragraph, table, content control, custom XML) at n or the
// nearest before it, passing over markup between blocks (bookmarks,
// comment ranges).
pugi::xml_node BlockAtOrBefore(pugi::xml_node n);

// Units and the containers they belong to.
pugi::xml_node FirstUnit(pugi::xml_node container);
pugi::xml_node NextUnit(pugi::xml_node unit);
// The container's unit at a 1-based index, or null; past the last (or at an
// index of 0 or less) the units are counted into `count`.
pugi::xml_node UnitAt(pugi::xml_node container, int index, int* count = nullptr);
pugi::xml_node ContainerOf(pugi::xml_node n);  // the nearest container above; null above a root
pugi::xml_node RootOf(pugi::xml_node n);       // the story root at or above n

struct Point {
  pugi::xml_node_struct* owner = nullptr;
  int offset = 0;

  pugi::xml_node Owner() const { return pugi::xml_node(owner); }
  explicit operator bool() const { return owner != nullptr; }
  bool operator==(const Point&) const = default;
};
inline Point At(pugi::xml_node owner, int offset = 0) {
  return {owner.internal_object(), offset};
}

// The place before a unit's or container's first character; the end of an
// empty container is its own first mark. Null for a table without rows.
Point First(pugi::xml_node n);
// The place right after a unit: the next unit's first character or the
// container's own mark.
Point After(pugi::xml_node unit);
Point Next(Point p);  // one character on; the end of the story stays
Point Back(Point p);  // one character back; null at the story's start
// <0, 0, >0 as a stands before, at or after b in the same story.
int Compare(Point a, Point b);
// The paragraph and the offset in it where text typed at p goes: a place on
// a cell's, row's or the story's own mark falls back to the end of the text
// before it. 5941 where there is no paragraph to go to.
Point Locate(Point p);
// Where text added at the end of [start, end) goes, and where the range
// collapses to its end: before the cell's last paragraph mark when the
// range ends with an end-of-cell mark, else end itself.
Point EndInsertion(Point start, Point end);

// The text of [from, to) in UTF-8, marks included.
std::string Text(Point from, Point to);
// A cell's text up to its end-of-cell mark "\r\a", without it.
std::string CellText(pugi::xml_node cell);

// Where a marker element (bookmark, comment anchor) stands in its story.
Point MarkerPoint(pugi::xml_node marker);

// The integer positions of one story, or of one container in it, for one
// revision, from one walk. Without its characters counted, a layout still
// orders places, for as long as no paragraph, row or cell comes or goes.
class Layout {
 public:
  explicit Layout(pugi::xml_node container, bool characters = true);
  int Length() const { return length_; }
  std::optional<int> Find(Point p) const;  // none for a place outside
  int Position(Point p) const { return Find(p).value_or(0); }
  Point PointAt(int position) const;  // clamped to the container
  // The owner's rank in document order, then the offset, as one number that
  // compares as the positions do. A place outside ranks first.
  uint64_t Rank(Point p) const;

 private:
  struct Segment {
    int start;
    int rank;
    pugi::xml_node_struct* owner;
  };
  const Segment* Owned(Point p) const;
  void Lay(pugi::xml_node container);
  void LayUnits(pugi::xml_node parent, Kind container);
  void Add(pugi::xml_node owner, int count);
  bool characters_;
  std::vector<Segment> segments_;  // in document order
  std::vector<Segment> by_owner_;  // the same, ordered by owner to be found
  int length_ = 0;
};

// The next owner of characters after those of p's owner, or null at the end.
Point NextOwner(Point p);

// True when p stands on a cell's end-of-cell mark and end is the first place
// of the next cell, so that nothing lies between them but that mark: what
// NextOwner(p) == end says, told from the siblings in between without a walk.
// False where content controls or custom XML stand around the cells.
inline bool EndsAfterCellMark(Point p, Point end) {
  if (end.offset != 0 || p.offset != 0) return false;
  pugi::xml_node cell = p.Owner(), paragraph = end.Owner();
  if (paragraph.parent() != cell.next_sibling() || KindOf(cell) != Kind::Cell ||
      KindOf(paragraph.parent()) != Kind::Cell || KindOf(paragraph) != Kind::Paragraph) {
    return false;
  }
  for (pugi::xml_node x = paragraph.previous_sibling(); x; x = x.previous_sibling()) {
    if (KindOf(x) != Kind::Other) return false;  // a unit or a wrapper before it
  }
  return true;
}

// Calls f(paragraph, from, to) for the paragraphs [start, end) touches (a
// collapsed range: the one it stands in), from and to being offsets in the
// paragraph; to is kThroughMark where the range goes on past its mark.
inline constexpr int kThroughMark = INT32_MAX;
template <class F>
void ForEachParagraph(Point start, Point end, F&& f) {
  for (Point p = start; p;) {
    pugi::xml_node owner = p.Owner();
    const bool last = p.owner == end.owner;
    if (IsParagraph(owner)) {
      // A paragraph that begins where a range ends is not touched by it,
      // unless the range is collapsed there.
      if (last && end.offset == p.offset && p.offset == 0 && !(start == end)) return;
      f(owner, p.offset, last ? end.offset : kThroughMark);
      if (start == end) return;
    } else if (start == end || EndsAfterCellMark(p, end)) {
      return;
    }
    if (last) return;
    p = NextOwner(p);
  }
}

}  // namespace korvax::word::detail
