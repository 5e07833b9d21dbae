#include "platform/word/text_index.hpp"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>

#include "common/text.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word::detail {
namespace {

bool Eq(const char* a, const char* b) {
  return std::strcmp(a, b) == 0;
}

// The local name of a w: element, or null for any other prefix.
const char* WordLocal(const char* name) {
  return name[0] == 'w' && name[1] == ':' ? name + 2 : nullptr;
}

}  // namespace

Kind KindOf(pugi::xml_node n) {
  const char* s = WordLocal(n.name());
  if (!s) return Kind::Other;
  // Asked for nearly every element the layer walks: the second letter rules
  // out most names (w:t, w:tab, w:tcPr, w:b, w:color, w:sz...) before any
  // string is compared.
  switch (s[0]) {
    case 'p':
      return s[1] == 0 ? Kind::Paragraph : Kind::Other;
    case 't':
      if (s[1] == 'r' && s[2] == 0) return Kind::Row;
      if (s[1] == 'c' && s[2] == 0) return Kind::Cell;
      if (s[1] == 'b' && s[2] == 'l' && s[3] == 0) return Kind::Table;
      return s[1] == 'x' && Eq(s, "txbxContent") ? Kind::StoryRoot : Kind::Other;
    case 'b':
      return s[1] == 'o' && Eq(s, "body") ? Kind::StoryRoot : Kind::Other;
    case 'c':
      if (s[1] == 'o' && Eq(s, "comment")) return Kind::StoryRoot;
      return s[1] == 'u' && Eq(s, "customXml") ? Kind::CustomXml : Kind::Other;
    case 'h':
      return s[1] == 'd' && Eq(s, "hdr") ? Kind::StoryRoot : Kind::Other;
    case 'f':
      return (s[1] == 't' && Eq(s, "ftr")) || (s[1] == 'o' && Eq(s, "footnote")) ? Kind::StoryRoot
                                                                                 : Kind::Other;
    case 'e':
      return s[1] == 'n' && Eq(s, "endnote") ? Kind::StoryRoot : Kind::Other;
    case 's':
      return s[1] == 'd' && s[2] == 't' && s[3] == 0 ? Kind::Sdt : Kind::Other;
    default:
      return Kind::Other;
  }
}

int CountChars(const char* s) {
  int n = 0;
  for (; *s; ++s) n += (static_cast<unsigned char>(*s) & 0xC0) != 0x80;
  return n;
}

Walk Classify(pugi::xml_node n, int& length) {
  const char* name = n.name();
  length = 0;
  if (const char* s = WordLocal(name)) {
    // One comparison at most per name: by its first character, then in full.
    switch (s[0]) {
      case 't':
        if (s[1] == 0) {
          length = CountChars(n.child_value());
          return Walk::Atom;
        }
        if (Eq(s, "tab")) {
          length = 1;
          return Walk::Atom;
        }
        return Eq(s, "txbxContent") ? Walk::Skip : Walk::Descend;
      case 'r':
        return Eq(s, "rPr") ? Walk::Skip : Walk::Descend;
      case 'p':
        if (Eq(s, "pPr") || Eq(s, "pict")) return Walk::Skip;
        if (Eq(s, "ptab")) {
          length = 1;
          return Walk::Atom;
        }
        return Walk::Descend;
      case 'b':
      case 'c':
        if (Eq(s, "br") || Eq(s, "cr")) {
          length = 1;
          return Walk::Atom;
        }
        return Eq(s, "customXmlPr") ? Walk::Skip : Walk::Descend;
      case 'n':
      case 'e':
      case 'f':
      case 'o':
        if (Eq(s, "noBreakHyphen") || Eq(s, "footnoteReference") || Eq(s, "endnoteReference") ||
            Eq(s, "object")) {
          length = 1;
          return Walk::Atom;
        }
        return Eq(s, "fldChar") ? Walk::Skip : Walk::Descend;
      case 's':
        if (Eq(s, "softHyphen") || Eq(s, "sym")) {
          length = 1;
          return Walk::Atom;
        }
        return Eq(s, "sectPr") || Eq(s, "sdtPr") || Eq(s, "sdtEndPr") || Eq(s, "smartTagPr")
                   ? Walk::Skip
                   : Walk::Descend;
      case 'd':
        if (Eq(s, "drawing")) {
          if (n.child("wp:inline")) {
            length = 1;
            return Walk::Atom;
          }
          return Walk::Skip;
        }
        return Eq(s, "del") || Eq(s, "delText") || Eq(s, "delInstrText") ? Walk::Skip
                                                                         : Walk::Descend;
      case 'i':
        return Eq(s, "instrText") ? Walk::Skip : Walk::Descend;
      case 'm':
        return Eq(s, "moveFrom") ? Walk::Skip : Walk::Descend;
      default:
        return Walk::Descend;
    }
  }
  if (Eq(name, "mc:Fallback")) return Walk::Skip;
  if (Eq(name, "mc:AlternateContent") || Eq(name, "mc:Choice")) return Walk::Descend;
  return Walk::Skip;  // foreign markup carries no text of the story
}

namespace {

// The one character an atom other than w:t stands for.
char32_t AtomChar(pugi::xml_node a) {
  std::string_view local = a.name() + 2;
  if (local == "tab" || local == "ptab") return kTab;
  if (local == "br") {
    std::string_view type = a.attribute("w:type").value();
    if (type == "page") return kPageBreak;
    if (type == "column") return 14;
    return kLineBreak;
  }
  if (local == "cr") return kParagraphMark;
  if (local == "noBreakHyphen") return 0x1e;
  if (local == "softHyphen") return 0x1f;
  if (local == "sym") return '(';
  if (local == "footnoteReference" || local == "endnoteReference") return 2;
  return 1;  // inline picture or object
}

bool IsText(pugi::xml_node atom) {
  const char* name = atom.name();
  return name[2] == 't' && name[3] == 0;
}

void Put(std::u32string& out, char32_t c) {
  out.push_back(c);
}

void Put(std::string& out, char32_t c) {
  text::AppendUtf8(out, c);
}

// Characters [from, to) of UTF-8 text; a character starts at every byte that
// is not a continuation byte, as CountChars counts them.
void PutChars(std::u32string& out, const char* text, int from, int to) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  for (int i = 0; *s && i < to; ++i) {
    char32_t c = *s;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra) c &= (0x3F >> extra);
    ++s;
    for (int k = 0; k < extra && (*s & 0xC0) == 0x80; ++k, ++s) c = (c << 6) | (*s & 0x3F);
    while ((*s & 0xC0) == 0x80) ++s;
    if (i >= from) out.push_back(c);
  }
}

const char* SkipChars(const char* s, int n) {
  for (; *s; ++s) {
    if ((static_cast<unsigned char>(*s) & 0xC0) != 0x80 && n-- == 0) break;
  }
  return s;
}

void PutChars(std::string& out, const char* text, int from, int to) {
  const char* a = SkipChars(text, from);
  const char* b = SkipChars(a, to - from);
  out.append(a, static_cast<size_t>(b - a));
}

}  // namespace

std::u32string AtomText(pugi::xml_node a) {
  std::u32string out;
  if (IsText(a)) {
    PutChars(out, a.child_value(), 0, INT_MAX);
  } else {
    out.push_back(AtomChar(a));
  }
  return out;
}

pugi::xml_node TextIndex::Parent(pugi::xml_node n) {
  if (IsStoryRoot(n)) return {};
  for (pugi::xml_node x = n.parent(); x; x = x.parent()) {
    if (IsContainer(x)) return x;
  }
  return {};
}

pugi::xml_node TextIndex::RootOf(pugi::xml_node n) {
  for (pugi::xml_node x = n; x; x = x.parent()) {
    if (IsStoryRoot(x)) return x;
  }
  return {};
}

void TextIndex::Flatten(pugi::xml_node parent, bool rows, bool cells,
                        std::vector<pugi::xml_node>& out) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    Kind k = KindOf(c);
    if (k == Kind::Sdt) {
      Flatten(c.child("w:sdtContent"), rows, cells, out);
    } else if (k == Kind::CustomXml) {
      Flatten(c, rows, cells, out);
    } else if (rows    ? k == Kind::Row
               : cells ? k == Kind::Cell
                       : (k == Kind::Paragraph || k == Kind::Table)) {
      out.push_back(c);
    }
  }
}

int TextIndex::WalkLength(pugi::xml_node p) {
  int pos = 0;
  ForEachAtom(p, pos, [](pugi::xml_node, int, int) { return true; });
  return pos + 1;
}

void TextIndex::List(pugi::xml_node container, Container& info) {
  Kind k = KindOf(container);
  bool rows = k == Kind::Table;
  bool cells = k == Kind::Row;
  // Gathered in a scratch list first so that the container's list is
  // allocated once, at its size (the children's builds reuse the list).
  scratch_.clear();
  Flatten(container, rows, cells, scratch_);
  info.children.assign(scratch_.begin(), scratch_.end());
  info.extra = k == Kind::Cell ? 1 : cells ? 2 : 0;
  if (info.children.size() > kScanned) {
    for (size_t i = 0; i < info.children.size(); ++i) {
      index_[info.children[i].internal_object()] = i;
    }
  }
}

void TextIndex::Measure(Container& info) {
  info.length.resize(info.children.size());
  info.start.resize(info.children.size());  // read below `valid` only
  info.valid = 0;
  info.total = info.extra;
  for (size_t i = 0; i < info.children.size(); ++i) {
    info.length[i] = Length(info.children[i]);
    info.total += info.length[i];
  }
  info.measured = true;
}

TextIndex::Container& TextIndex::Listed(pugi::xml_node container) {
  auto [it, added] = containers_.try_emplace(container.internal_object());
  // Built in place: the map's entries stay where they are while the
  // children's containers are added.
  if (added) List(container, it->second);
  return it->second;
}

TextIndex::Container& TextIndex::Info(pugi::xml_node container) {
  Container& info = Listed(container);
  if (!info.measured) Measure(info);
  return info;
}

const std::vector<pugi::xml_node>& TextIndex::Children(pugi::xml_node container) {
  return Listed(container).children;
}

int TextIndex::Length(pugi::xml_node block) {
  if (IsParagraph(block)) {
    auto [it, added] = paragraph_length_.try_emplace(block.internal_object(), 0);
    if (added) it->second = WalkLength(block);
    return it->second;
  }
  return Info(block).total;
}

int TextIndex::StartIn(Container& c, size_t i) {
  while (c.valid <= i) {
    size_t k = c.valid;
    c.start[k] = k == 0 ? 0 : c.start[k - 1] + c.length[k - 1];
    ++c.valid;
  }
  return c.start[i];
}

size_t TextIndex::IndexIn(pugi::xml_node container, pugi::xml_node child) {
  return IndexOf(Listed(container), child);
}

size_t TextIndex::IndexOf(Container& c, pugi::xml_node child) {
  // A cell's paragraphs, a row's cells: a look along the list is cheaper
  // than a hash lookup, and they need no entry in the map.
  if (c.children.size() <= kScanned) {
    for (size_t i = 0; i < c.children.size(); ++i) {
      if (c.children[i] == child) return i;
    }
    throw errors::NoSuchMember();
  }
  auto it = index_.find(child.internal_object());
  if (it != index_.end() && it->second < c.children.size() && c.children[it->second] == child) {
    return it->second;
  }
  auto found = std::find(c.children.begin(), c.children.end(), child);
  if (found == c.children.end()) throw errors::NoSuchMember();
  size_t i = static_cast<size_t>(found - c.children.begin());
  index_[child.internal_object()] = i;
  return i;
}

int TextIndex::Start(pugi::xml_node block) {
  pugi::xml_node parent = Parent(block);
  if (!parent) return 0;
  Container& c = Info(parent);
  size_t i = IndexOf(c, block);
  return Start(parent) + StartIn(c, i);
}

size_t TextIndex::ChildAt(Container& c, int r) {
  if (c.children.empty()) return 0;
  if (c.valid > 0 && c.start[c.valid - 1] + c.length[c.valid - 1] > r) {
    auto end = c.start.begin() + static_cast<std::ptrdiff_t>(c.valid);
    auto it = std::upper_bound(c.start.begin(), end, r);
    return static_cast<size_t>(it - c.start.begin()) - 1;
  }
  for (size_t i = c.valid == 0 ? 0 : c.valid - 1; i < c.children.size(); ++i) {
    if (StartIn(c, i) + c.length[i] > r) return i;
  }
  return c.children.size() - 1;
}

TextIndex::Spot TextIndex::Locate(pugi::xml_node root, int pos) {
  pugi::xml_node c = root;
  int r = std::max(pos, 0);
  int base = 0;  // where c starts in the story
  while (true) {
    Container& info = Info(c);
    if (info.children.empty()) throw errors::NoSuchMember();
    size_t i = ChildAt(info, r);
    int start = StartIn(info, i);
    r = std::min(r - start, info.length[i]);
    base += start;
    pugi::xml_node child = info.children[i];
    if (IsParagraph(child)) return {child, std::min(r, info.length[i] - 1), base};
    c = child;
  }
}

bool TextIndex::IsAfterCellMark(pugi::xml_node root, int pos) {
  if (pos <= 0) return false;
  pugi::xml_node c = root;
  int r = pos - 1;
  while (true) {
    Container& info = Info(c);
    if (info.children.empty()) return false;
    int sum = info.total - info.extra;
    if (r >= sum) return KindOf(c) == Kind::Cell && r == sum;
    size_t i = ChildAt(info, r);
    r -= StartIn(info, i);
    if (IsParagraph(info.children[i])) return false;
    c = info.children[i];
  }
}

int TextIndex::EndInsertPosition(pugi::xml_node root, int start, int end) {
  // Two back: before the cell's mark and its last paragraph mark.
  if (end > start && IsAfterCellMark(root, end)) return end - 2;
  return end;
}

namespace {

template <class Out>
void AppendParagraph(pugi::xml_node p, int from, int to, Out& out) {
  int pos = 0;
  ForEachAtom(p, pos, [&](pugi::xml_node atom, int start, int len) {
    if (start >= to) return false;
    if (start + len > from) {
      int a = std::max(from - start, 0);
      int b = std::min(to - start, len);
      if (IsText(atom)) {
        PutChars(out, atom.child_value(), a, b);
      } else if (a < b) {
        Put(out, AtomChar(atom));
      }
    }
    return true;
  });
  if (to > pos && from <= pos) Put(out, kParagraphMark);
}

}  // namespace

std::u32string TextIndex::ParagraphText(pugi::xml_node p, int from, int to) {
  std::u32string out;
  AppendParagraph(p, from, to, out);
  return out;
}

template <class Out>
void TextIndex::AppendText(pugi::xml_node c, int base, int s, int e, Out& out) {
  Container& info = Info(c);
  if (!info.children.empty()) {
    for (size_t i = ChildAt(info, std::max(s - base, 0)); i < info.children.size(); ++i) {
      int cs = base + StartIn(info, i);
      if (cs >= e) break;
      int ce = cs + info.length[i];
      if (ce <= s) continue;
      pugi::xml_node child = info.children[i];
      if (IsParagraph(child)) {
        AppendParagraph(child, s - cs, e - cs, out);
      } else {
        AppendText(child, cs, s, e, out);
      }
    }
  }
  int mark = base + info.total - info.extra;
  if (info.extra == 1 && mark >= s && mark < e) Put(out, kCellMark);
  if (info.extra == 2) {
    if (mark >= s && mark < e) Put(out, kParagraphMark);
    if (mark + 1 >= s && mark + 1 < e) Put(out, kCellMark);
  }
}

std::u32string TextIndex::Text(pugi::xml_node root, int start, int end) {
  std::u32string out;
  if (end > start) AppendText(root, 0, start, end, out);
  return out;
}

std::string TextIndex::TextUtf8(pugi::xml_node root, int start, int end) {
  std::string out;
  if (end > start) AppendText(root, 0, start, end, out);
  return out;
}

int TextIndex::PositionOf(pugi::xml_node node) {
  pugi::xml_node p;
  for (pugi::xml_node x = node.parent(); x; x = x.parent()) {
    if (IsParagraph(x)) {
      p = x;
      break;
    }
    if (IsContainer(x)) break;
  }
  if (p) {
    int found = -1;
    int pos = 0;
    // A marker sits between atoms: count the atoms that precede it in document order.
    std::function<bool(pugi::xml_node)> walk = [&](pugi::xml_node parent) -> bool {
      for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        if (c == node) {
          found = pos;
          return false;
        }
        int len = 0;
        Walk w = Classify(c, len);
        if (w == Walk::Atom) {
          pos += len;
        } else if (w == Walk::Descend && !walk(c)) {
          return false;
        }
      }
      return true;
    };
    walk(p);
    return Start(p) + std::max(found, 0);
  }
  // A marker between blocks stands at the start of the next block.
  for (pugi::xml_node x = node; x; x = x.parent()) {
    for (pugi::xml_node s = x.next_sibling(); s; s = s.next_sibling()) {
      Kind k = KindOf(s);
      if (k == Kind::Paragraph || k == Kind::Table || k == Kind::Row || k == Kind::Cell) {
        return Start(s);
      }
    }
    pugi::xml_node up = x.parent();
    if (IsContainer(up)) {
      Container& info = Info(up);
      return Start(up) + info.total - info.extra;
    }
  }
  return 0;
}

void TextIndex::ParagraphChanged(pugi::xml_node p) {
  ++revision_;
  int len = WalkLength(p);
  auto [it, added] = paragraph_length_.try_emplace(p.internal_object(), len);
  if (added) return;  // not measured yet: no container counts it
  it->second = len;
  Propagate(p, len);
}

void TextIndex::Propagate(pugi::xml_node child, int len) {
  for (pugi::xml_node parent = Parent(child); parent; child = parent, parent = Parent(parent)) {
    // Measuring a container measures everything below it: above one that
    // counts no lengths, none does.
    auto found = containers_.find(parent.internal_object());
    if (found == containers_.end() || !found->second.measured) return;
    Container& c = found->second;
    size_t i = IndexOf(c, child);
    int delta = len - c.length[i];
    if (delta == 0) return;
    c.length[i] = len;
    c.total += delta;
    c.valid = std::min(c.valid, i + 1);
    len = c.total;
  }
}

void TextIndex::StructureChanged(pugi::xml_node container) {
  ++revision_;
  // A container that is not cached has no cached ancestor either: building
  // a container builds every container below it.
  auto found = containers_.find(container.internal_object());
  if (found == containers_.end()) return;
  Container& c = found->second;
  if (!c.measured) {  // only its child list is known, and no ancestor counts its length
    List(container, c);
    return;
  }
  std::vector<pugi::xml_node> children;
  children.reserve(c.children.size() + 1);
  Kind k = KindOf(container);
  Flatten(container, k == Kind::Table, k == Kind::Row, children);
  // The children before the first one that differs keep their starts.
  size_t same = 0;
  while (same < children.size() && same < c.children.size() && children[same] == c.children[same]) {
    ++same;
  }
  std::vector<int> length(children.size());
  std::copy(c.length.begin(), c.length.begin() + static_cast<std::ptrdiff_t>(same), length.begin());
  int total = c.extra;
  for (size_t i = 0; i < same; ++i) total += length[i];
  for (size_t i = same; i < children.size(); ++i) {
    // Children that stay were kept up to date; new ones are measured here.
    if (children.size() > kScanned) index_[children[i].internal_object()] = i;
    length[i] = Length(children[i]);
    total += length[i];
  }
  Container& info = c;  // the map's nodes stay where they are while Length() adds more
  info.children = std::move(children);
  info.length = std::move(length);
  info.start.resize(info.children.size());
  info.valid = std::min(info.valid, same);
  info.total = total;
  Propagate(container, total);
}

void TextIndex::Forget(pugi::xml_node subtree) {
  ++revision_;
  ForgetNode(subtree);
}

void TextIndex::ForgetNode(pugi::xml_node n) {
  // Only blocks, rows, cells and story roots are keys of the maps; the rest
  // is walked for the text boxes (story roots) it may hold.
  switch (KindOf(n)) {
    case Kind::Paragraph:
      paragraph_length_.erase(n.internal_object());
      index_.erase(n.internal_object());
      break;
    case Kind::StoryRoot:
    case Kind::Table:
    case Kind::Row:
    case Kind::Cell:
      containers_.erase(n.internal_object());
      index_.erase(n.internal_object());
      break;
    default:
      break;
  }
  for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element) ForgetNode(c);
  }
}

}  // namespace korvax::word::detail
