#include "story.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "common/text.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word::detail {
namespace {

// The local name of a w: element, or null for any other prefix.
const char* WordLocal(const char* name) {
  return name[0] == 'w' && name[1] == ':' ? name + 2 : nullptr;
}

bool Is(const char* name, const char* what) {
  return std::strcmp(name, what) == 0;
}

}  // namespace

Kind KindOf(pugi::xml_node n) {
  const char* s = WordLocal(n.name());
  if (!s) return Kind::Other;
  // Asked for nearly every element a walk meets: the first letter rules out
  // most names before one is compared.
  switch (s[0]) {
    case 'p':
      return s[1] == 0 ? Kind::Paragraph : Kind::Other;
    case 't':
      // tc, tr, tbl, txbxContent, and much tcPr, trPr, tblPr, tblGrid.
      if (s[1] == 'c' || s[1] == 'r') {
        return s[2] != 0 ? Kind::Other : s[1] == 'c' ? Kind::Cell : Kind::Row;
      }
      if (s[1] == 'b') return Is(s, "tbl") ? Kind::Table : Kind::Other;
      return Is(s, "txbxContent") ? Kind::StoryRoot : Kind::Other;
    case 's':
      return Is(s, "sdt") ? Kind::Sdt : Kind::Other;
    case 'c':
      if (Is(s, "customXml")) return Kind::CustomXml;
      return Is(s, "comment") ? Kind::StoryRoot : Kind::Other;
    case 'b':
      return Is(s, "body") ? Kind::StoryRoot : Kind::Other;
    case 'h':
      return Is(s, "hdr") ? Kind::StoryRoot : Kind::Other;
    case 'f':
      return Is(s, "ftr") || Is(s, "footnote") ? Kind::StoryRoot : Kind::Other;
    case 'e':
      return Is(s, "endnote") ? Kind::StoryRoot : Kind::Other;
    default:
      return Kind::Other;
  }
}

bool IsContainer(pugi::xml_node n) {
  Kind k = KindOf(n);
  return k == Kind::StoryRoot || k == Kind::Table || k == Kind::Row || k == Kind::Cell;
}

Walk Classify(pugi::xml_node n, int& length) {
  length = 0;
  const char* name = n.name();
  const char* s = WordLocal(name);
  if (!s) {
    if (Is(name, "mc:AlternateContent") || Is(name, "mc:Choice")) return Walk::Descend;
    return Walk::Skip;  // foreign markup and mc:Fallback carry no text of the story
  }
  // By the first letter, then the name in full: most elements are runs,
  // their properties and their text.
  auto one = [&](bool atom) {
    length = atom ? 1 : 0;
    return atom ? Walk::Atom : Walk::Descend;
  };
  switch (s[0]) {
    case 't':
      if (s[1] == 0) {
        length = text::Len(n.child_value());
        return Walk::Atom;
      }
      if (Is(s, "txbxContent")) return Walk::Skip;
      return one(Is(s, "tab"));
    case 'r':
      return Is(s, "rPr") ? Walk::Skip : Walk::Descend;
    case 'p':
      if (Is(s, "pPr") || Is(s, "pict")) return Walk::Skip;
      return one(Is(s, "ptab"));
    case 'b':
    case 'c':
      if (Is(s, "customXmlPr")) return Walk::Skip;
      return one(Is(s, "br") || Is(s, "cr"));
    case 'n':
    case 'e':
    case 'f':
    case 'o':
      if (Is(s, "fldChar")) return Walk::Skip;
      return one(Is(s, "noBreakHyphen") || Is(s, "footnoteReference") ||
                 Is(s, "endnoteReference") || Is(s, "object"));
    case 's':
      if (Is(s, "sectPr") || Is(s, "sdtPr") || Is(s, "sdtEndPr") || Is(s, "smartTagPr")) {
        return Walk::Skip;
      }
      return one(Is(s, "softHyphen") || Is(s, "sym"));
    case 'd':
      if (Is(s, "drawing")) return n.child("wp:inline") ? one(true) : Walk::Skip;
      return Is(s, "del") || Is(s, "delText") || Is(s, "delInstrText") ? Walk::Skip : Walk::Descend;
    case 'i':
      return Is(s, "instrText") ? Walk::Skip : Walk::Descend;
    case 'm':
      return Is(s, "moveFrom") ? Walk::Skip : Walk::Descend;
    default:
      return Walk::Descend;
  }
}

int TextLength(pugi::xml_node p) {
  int pos = 0;
  ForEachAtom(p, pos, [](pugi::xml_node, int, int) { return true; });
  return pos;
}

pugi::xml_node ContentStart(pugi::xml_node p, const char* properties) {
  pugi::xml_node c = p.first_child();
  while (c && (c.type() != pugi::node_element || Is(c.name(), properties))) c = c.next_sibling();
  return c;
}

pugi::xml_node BlockAtOrBefore(pugi::xml_node n) {
  for (; n; n = n.previous_sibling()) {
    const Kind k = KindOf(n);
    if (k == Kind::Paragraph || k == Kind::Table || k == Kind::Sdt || k == Kind::CustomXml) {
      return n;
    }
  }
  return {};
}

namespace {

// The units a container holds: blocks (paragraphs and tables) in a story
// root or cell, rows in a table, cells in a row. A level is named by the
// kind of its units, Paragraph standing for blocks.
using Level = Kind;

Level LevelOf(Kind unit) {
  return unit == Kind::Row || unit == Kind::Cell ? unit : Kind::Paragraph;
}

Level InsideOf(Kind container) {
  return container == Kind::Table ? Kind::Row
         : container == Kind::Row ? Kind::Cell
                                  : Kind::Paragraph;
}

bool IsUnit(Kind kind, Level level) {
  return kind == level || (kind == Kind::Table && level == Kind::Paragraph);
}

// Content controls and custom XML around units, which are looked through.
bool IsWrapper(pugi::xml_node n, Kind k) {
  return k == Kind::Sdt || k == Kind::CustomXml ||
         (k == Kind::Other && Is(n.name(), "w:sdtContent"));
}
bool IsWrapper(pugi::xml_node n) {
  return IsWrapper(n, KindOf(n));
}

// What a wrapper holds its units in; null for anything else.
pugi::xml_node Inside(pugi::xml_node n, Kind k) {
  if (k == Kind::Sdt) return n.child("w:sdtContent");
  return k == Kind::CustomXml ? n : pugi::xml_node();
}

// The first unit from n on (kForward) or back, into wrappers, for which
// found(unit, kind) holds.
template <bool kForward, class F>
pugi::xml_node FindUnit(pugi::xml_node n, Level level, F& found) {
  for (; n; n = kForward ? n.next_sibling() : n.previous_sibling()) {
    const Kind k = KindOf(n);
    if (IsUnit(k, level)) {
      if (found(n, k)) return n;
    } else if (pugi::xml_node inside = Inside(n, k)) {
      pugi::xml_node from = kForward ? inside.first_child() : inside.last_child();
      if (pugi::xml_node u = FindUnit<kForward>(from, level, found)) return u;
    }
  }
  return {};
}

bool Any(pugi::xml_node, Kind) {
  return true;
}

pugi::xml_node FirstFrom(pugi::xml_node n, Level level) {
  return FindUnit<true>(n, level, Any);
}

pugi::xml_node LastFrom(pugi::xml_node n, Level level) {
  return FindUnit<false>(n, level, Any);
}

}  // namespace

pugi::xml_node UnitAt(pugi::xml_node container, int index, int* count) {
  int left = index;
  auto counted = [&](pugi::xml_node, Kind) { return --left == 0; };
  pugi::xml_node u = FindUnit<true>(container.first_child(), InsideOf(KindOf(container)), counted);
  if (!u && count) *count = index - left;
  return u;
}

pugi::xml_node FirstUnit(pugi::xml_node container) {
  return FirstFrom(container.first_child(), InsideOf(KindOf(container)));
}

pugi::xml_node NextUnit(pugi::xml_node unit) {
  const Level level = LevelOf(KindOf(unit));
  for (pugi::xml_node n = unit; n; n = n.parent()) {
    if (pugi::xml_node u = FirstFrom(n.next_sibling(), level)) return u;
    if (!IsWrapper(n.parent())) return {};
  }
  return {};
}

pugi::xml_node ContainerOf(pugi::xml_node n) {
  if (KindOf(n) == Kind::StoryRoot) return {};
  for (pugi::xml_node x = n.parent(); x; x = x.parent()) {
    if (IsContainer(x)) return x;
  }
  return {};
}

pugi::xml_node RootOf(pugi::xml_node n) {
  for (pugi::xml_node x = n; x; x = x.parent()) {
    if (KindOf(x) == Kind::StoryRoot) return x;
  }
  return {};
}

namespace {

// The place before the first character of a unit or container of the given
// kind (First).
Point FirstOf(pugi::xml_node n, Kind kind);

// The place before the last character of a unit of the given kind; null
// for a table without rows.
Point LastOf(pugi::xml_node unit, Kind kind) {
  switch (kind) {
    case Kind::Paragraph:
      return At(unit, TextLength(unit));
    case Kind::Row:
      return At(unit, 1);
    case Kind::Cell:
      return At(unit);
    default:
      if (pugi::xml_node row = LastFrom(unit.last_child(), InsideOf(kind))) {
        return LastOf(row, KindOf(row));
      }
      return {};  // a table without rows
  }
}

// The first place of the units from n on (kForward) or the last place of
// those from n back, into wrappers; null when none has one.
template <bool kForward>
Point PlaceFrom(pugi::xml_node n, Level level) {
  Point place;
  auto has = [&](pugi::xml_node u, Kind k) {
    place = kForward ? FirstOf(u, k) : LastOf(u, k);
    return bool(place);
  };
  FindUnit<kForward>(n, level, has);
  return place;
}

Point FirstOf(pugi::xml_node n, Kind kind) {
  if (kind == Kind::Paragraph) return At(n);
  if (Point p = PlaceFrom<true>(n.first_child(), InsideOf(kind))) return p;
  return kind == Kind::Table ? Point{} : At(n);
}

// The first place of the units after a unit of the given kind (kForward)
// or the last of those before it, looking out of the wrappers around it.
// Null when there is none; `up` and `k` then hold the unit's container and
// its kind.
template <bool kForward>
Point Beside(pugi::xml_node unit, Kind kind, pugi::xml_node& up, Kind& k) {
  for (pugi::xml_node n = unit;; n = up) {
    pugi::xml_node from = kForward ? n.next_sibling() : n.previous_sibling();
    if (Point p = PlaceFrom<kForward>(from, LevelOf(kind))) return p;
    up = n.parent();
    k = KindOf(up);
    if (!IsWrapper(up, k)) break;
  }
  // The first ancestor that is no wrapper is the container, as a rule (the
  // walk of ContainerOf spared).
  if (kind == Kind::StoryRoot) {
    up = {};
  } else if (k != Kind::StoryRoot && k != Kind::Table && k != Kind::Row && k != Kind::Cell) {
    up = ContainerOf(up);  // markup of another kind around the unit
    k = KindOf(up);
  }
  return {};
}

// The place before the last character in front of a unit of the given
// kind; null at the story's start.
Point Before(pugi::xml_node unit, Kind kind) {
  pugi::xml_node up;
  Kind k;
  if (Point p = Beside<false>(unit, kind, up, k)) return p;
  if (!up || k == Kind::StoryRoot) return {};
  return Before(up, k);  // a cell's, row's or table's first unit
}

}  // namespace

Point First(pugi::xml_node n) {
  return FirstOf(n, KindOf(n));
}

Point After(pugi::xml_node unit) {
  pugi::xml_node up;
  Kind k;
  if (Point p = Beside<true>(unit, KindOf(unit), up, k)) return p;
  if (!up) return At(unit);  // a story root: its end
  return k == Kind::Table ? After(up) : At(up);
}

Point NextOwner(Point p) {
  pugi::xml_node owner = p.Owner();
  if (KindOf(owner) == Kind::StoryRoot) return {};
  return After(owner);
}

Point Next(Point p) {
  pugi::xml_node owner = p.Owner();
  switch (KindOf(owner)) {
    case Kind::Paragraph:
      return p.offset < TextLength(owner) ? At(owner, p.offset + 1) : After(owner);
    case Kind::Row:
      return p.offset == 0 ? At(owner, 1) : After(owner);
    case Kind::Cell:
      return After(owner);
    default:
      return p;
  }
}

Point Back(Point p) {
  pugi::xml_node owner = p.Owner();
  Kind kind = KindOf(owner);
  if ((kind == Kind::Paragraph || kind == Kind::Row) && p.offset > 0)
    return At(owner, p.offset - 1);
  if (kind == Kind::Paragraph) return Before(owner, kind);
  // A container's own mark comes after its units.
  if (Point q = PlaceFrom<false>(owner.last_child(), InsideOf(kind))) return q;
  return kind == Kind::StoryRoot ? Point{} : Before(owner, kind);
}

int Compare(Point a, Point b) {
  if (a.owner == b.owner) return a.offset - b.offset;
  std::vector<pugi::xml_node> up_a, up_b;
  for (pugi::xml_node n = a.Owner(); n; n = n.parent()) up_a.push_back(n);
  for (pugi::xml_node n = b.Owner(); n; n = n.parent()) up_b.push_back(n);
  auto [ia, ib] = std::mismatch(up_a.rbegin(), up_a.rend(), up_b.rbegin(), up_b.rend());
  // A container's own marks come after everything inside it.
  if (ia == up_a.rend()) return 1;
  if (ib == up_b.rend()) return -1;
  // Siblings under the last common ancestor: look both ways from a's.
  pugi::xml_node ahead = ia->next_sibling();
  pugi::xml_node behind = ia->previous_sibling();
  while (ahead || behind) {
    if (ahead == *ib) return -1;
    if (behind == *ib) return 1;
    if (ahead) ahead = ahead.next_sibling();
    if (behind) behind = behind.previous_sibling();
  }
  return 0;
}

Point Locate(Point p) {
  pugi::xml_node n = p.Owner();
  while (!IsParagraph(n)) {
    n = LastFrom(n.last_child(), InsideOf(KindOf(n)));
    if (!n) throw errors::NoSuchMember();
  }
  return n == p.Owner() ? p : At(n, TextLength(n));
}

Point EndInsertion(Point start, Point end) {
  if (start == end) return end;
  const Point mark = Back(end);
  if (!mark || KindOf(mark.Owner()) != Kind::Cell) return end;
  if (Point p = Back(mark)) return p;
  return First(RootOf(end.Owner()));
}

namespace {

// The one character an atom other than w:t stands for.
char32_t AtomChar(pugi::xml_node a) {
  std::string_view local = a.name() + 2;
  if (local == "tab" || local == "ptab") return '\t';
  if (local == "br") {
    std::string_view type = a.attribute("w:type").value();
    if (type == "page") return '\f';
    if (type == "column") return 14;
    return '\v';
  }
  if (local == "cr") return kParagraphMark;
  if (local == "noBreakHyphen") return 0x1e;
  if (local == "softHyphen") return 0x1f;
  if (local == "sym") return '(';
  if (local == "footnoteReference" || local == "endnoteReference") return 2;
  return 1;  // inline picture or object
}

// Characters [from, to) of a paragraph, its mark as the character after its text.
void AppendParagraph(pugi::xml_node p, int from, int to, std::string& out) {
  int pos = 0;
  ForEachAtom(p, pos, [&](pugi::xml_node atom, int start, int len) {
    if (start >= to) return false;
    if (start + len <= from) return true;
    if (!Is(atom.name(), "w:t")) {
      text::AppendUtf8(out, AtomChar(atom));
    } else if (start >= from && start + len <= to) {
      out += atom.child_value();
    } else {
      out += text::Mid(atom.child_value(), std::max(from - start, 0) + 1,
                       std::min(to, start + len) - std::max(from, start));
    }
    return true;
  });
  if (to > pos && from <= pos) out.push_back('\r');
}

}  // namespace

std::string Text(Point from, Point to) {
  std::string out;
  for (Point p = from; p && !(p == to); p = NextOwner(p)) {
    pugi::xml_node owner = p.Owner();
    const bool last = p.owner == to.owner;
    switch (KindOf(owner)) {
      case Kind::Paragraph:
        AppendParagraph(owner, p.offset, last ? to.offset : INT32_MAX, out);
        break;
      case Kind::Cell:
        out.push_back('\a');
        break;
      case Kind::Row:
        if (p.offset == 0) out.push_back('\r');
        if (!last) out.push_back('\a');
        break;
      default:
        return out;  // the end of the story
    }
    if (last) break;
  }
  return out;
}

std::string CellText(pugi::xml_node cell) {
  std::string text;
  for (pugi::xml_node u = FirstUnit(cell); u; u = NextUnit(u)) {
    if (IsParagraph(u)) {
      AppendParagraph(u, 0, INT32_MAX, text);
    } else {
      text += Text(First(u), After(u));  // a table in the cell
    }
  }
  if (!text.empty()) text.pop_back();  // the mark of its last paragraph or row
  return text;
}

Point MarkerPoint(pugi::xml_node marker) {
  pugi::xml_node p;
  for (pugi::xml_node x = marker.parent(); x && !IsContainer(x); x = x.parent()) {
    if (IsParagraph(x)) {
      p = x;
      break;
    }
  }
  if (p) {
    // A marker sits between atoms: it stands after those before it in
    // document order, at the paragraph's start inside content the story
    // skips (deleted text, a fallback).
    int pos = 0, len = 0;
    for (pugi::xml_node x = marker; x != p; x = x.parent()) {
      if (x != marker && Classify(x, len) != Walk::Descend) return At(p);
      for (pugi::xml_node s = x.previous_sibling(); s; s = s.previous_sibling()) {
        const Walk w = Classify(s, len);
        pos += w == Walk::Atom ? len : w == Walk::Descend ? TextLength(s) : 0;
      }
    }
    return At(p, pos);
  }
  // A marker between blocks stands at the start of the next one.
  for (pugi::xml_node x = marker; x; x = x.parent()) {
    for (pugi::xml_node s = x.next_sibling(); s; s = s.next_sibling()) {
      Kind k = KindOf(s);
      if (k == Kind::Paragraph || k == Kind::Table || k == Kind::Row || k == Kind::Cell) {
        Point first = First(s);
        return first ? first : After(s);
      }
    }
    pugi::xml_node up = x.parent();
    if (IsContainer(up)) return KindOf(up) == Kind::Table ? After(up) : At(up);
  }
  return {};  // outside any story
}

Layout::Layout(pugi::xml_node container, bool characters) : characters_(characters) {
  Lay(container);
  by_owner_ = segments_;
  // Elements lie in memory mostly in document order: merging their runs
  // costs less than partitioning them.
  std::stable_sort(by_owner_.begin(), by_owner_.end(),
                   [](const Segment& a, const Segment& b) { return a.owner < b.owner; });
}

void Layout::Add(pugi::xml_node owner, int count) {
  segments_.push_back({length_, static_cast<int>(segments_.size()), owner.internal_object()});
  length_ += count;
}

void Layout::Lay(pugi::xml_node container) {
  const Kind kind = KindOf(container);
  LayUnits(container, kind);
  if (kind == Kind::Cell) Add(container, 1);
  if (kind == Kind::Row) Add(container, 2);
  if (kind == Kind::StoryRoot) Add(container, 0);
}

// The units below parent in one pass over its children, looking through
// content controls and custom XML as FirstUnit and NextUnit do.
void Layout::LayUnits(pugi::xml_node parent, Kind container) {
  const bool blocks = container != Kind::Table && container != Kind::Row;
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    switch (KindOf(c)) {
      case Kind::Paragraph:
        if (blocks) Add(c, characters_ ? TextLength(c) + 1 : 1);
        break;
      case Kind::Table:
        if (blocks) Lay(c);
        break;
      case Kind::Row:
        if (container == Kind::Table) Lay(c);
        break;
      case Kind::Cell:
        if (container == Kind::Row) Lay(c);
        break;
      case Kind::Sdt:
        LayUnits(c.child("w:sdtContent"), container);
        break;
      case Kind::CustomXml:
        LayUnits(c, container);
        break;
      default:
        break;
    }
  }
}

const Layout::Segment* Layout::Owned(Point p) const {
  auto it =
      std::lower_bound(by_owner_.begin(), by_owner_.end(), p.owner,
                       [](const Segment& s, pugi::xml_node_struct* o) { return s.owner < o; });
  return it == by_owner_.end() || it->owner != p.owner ? nullptr : &*it;
}

std::optional<int> Layout::Find(Point p) const {
  const Segment* s = Owned(p);
  if (!s) return std::nullopt;
  return s->start + p.offset;
}

uint64_t Layout::Rank(Point p) const {
  const Segment* s = Owned(p);
  if (!s) return 0;
  return (uint64_t{static_cast<uint32_t>(s->rank)} << 32) |
         static_cast<uint32_t>(std::max(p.offset, 0));
}

Point Layout::PointAt(int position) const {
  position = std::clamp(position, 0, length_);
  auto it = std::upper_bound(segments_.begin(), segments_.end(), position,
                             [](int x, const Segment& s) { return x < s.start; });
  const Segment& s = *(it - 1);  // the first segment starts at 0
  return {s.owner, position - s.start};
}

}  // namespace korvax::word::detail
