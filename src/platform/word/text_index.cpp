#include "platform/word/text_index.hpp"

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/word/word_errors.hpp"

namespace korvax::word::detail {
namespace {

bool Is(pugi::xml_node n, const char* name) {
  return std::strcmp(n.name(), name) == 0;
}

}  // namespace

bool IsStoryRoot(pugi::xml_node n) {
  return Is(n, "w:body") || Is(n, "w:txbxContent") || Is(n, "w:comment") || Is(n, "w:hdr") ||
         Is(n, "w:ftr") || Is(n, "w:footnote") || Is(n, "w:endnote");
}

bool IsContainer(pugi::xml_node n) {
  return IsStoryRoot(n) || Is(n, "w:tbl") || Is(n, "w:tr") || Is(n, "w:tc");
}

bool IsParagraph(pugi::xml_node n) {
  return Is(n, "w:p");
}
bool IsTable(pugi::xml_node n) {
  return Is(n, "w:tbl");
}

int CountChars(const char* s) {
  int n = 0;
  for (; *s; ++s) n += (static_cast<unsigned char>(*s) & 0xC0) != 0x80;
  return n;
}

Walk Classify(pugi::xml_node n, int& length) {
  const char* name = n.name();
  length = 0;
  if (std::strncmp(name, "w:", 2) == 0) {
    const char* local = name + 2;
    if (std::strcmp(local, "t") == 0) {
      length = CountChars(n.child_value());
      return Walk::Atom;
    }
    static const char* const kOne[] = {"tab",
                                       "ptab",
                                       "br",
                                       "cr",
                                       "noBreakHyphen",
                                       "softHyphen",
                                       "sym",
                                       "footnoteReference",
                                       "endnoteReference",
                                       "object"};
    for (const char* one : kOne) {
      if (std::strcmp(local, one) == 0) {
        length = 1;
        return Walk::Atom;
      }
    }
    if (std::strcmp(local, "drawing") == 0) {
      if (n.child("wp:inline")) {
        length = 1;
        return Walk::Atom;
      }
      return Walk::Skip;
    }
    static const char* const kSkip[] = {"pPr",         "rPr",         "del",          "moveFrom",
                                        "instrText",   "delText",     "fldChar",      "pict",
                                        "txbxContent", "sectPr",      "delInstrText", "sdtPr",
                                        "sdtEndPr",    "customXmlPr", "smartTagPr"};
    for (const char* skip : kSkip) {
      if (std::strcmp(local, skip) == 0) return Walk::Skip;
    }
    return Walk::Descend;
  }
  if (std::strcmp(name, "mc:Fallback") == 0) return Walk::Skip;
  if (std::strcmp(name, "mc:AlternateContent") == 0 || std::strcmp(name, "mc:Choice") == 0) {
    return Walk::Descend;
  }
  return Walk::Skip;  // foreign markup carries no text of the story
}

std::u32string AtomText(pugi::xml_node a) {
  std::string_view local = a.name() + 2;
  if (local == "t") {
    std::u32string out;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(a.child_value());
    while (*s) {
      char32_t c = *s;
      int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
      if (extra) c &= (0x3F >> extra);
      ++s;
      for (int i = 0; i < extra && (*s & 0xC0) == 0x80; ++i, ++s) c = (c << 6) | (*s & 0x3F);
      out.push_back(c);
    }
    return out;
  }
  if (local == "tab" || local == "ptab") return std::u32string(1, kTab);
  if (local == "br") {
    std::string_view type = a.attribute("w:type").value();
    if (type == "page") return std::u32string(1, kPageBreak);
    if (type == "column") return std::u32string(1, 14);
    return std::u32string(1, kLineBreak);
  }
  if (local == "cr") return std::u32string(1, kParagraphMark);
  if (local == "noBreakHyphen") return U"\x1e";
  if (local == "softHyphen") return U"\x1f";
  if (local == "sym") return U"(";
  if (local == "footnoteReference" || local == "endnoteReference") return U"\x02";
  return U"\x01";  // inline picture or object
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
    if (Is(c, "w:sdt")) {
      Flatten(c.child("w:sdtContent"), rows, cells, out);
    } else if (Is(c, "w:customXml")) {
      Flatten(c, rows, cells, out);
    } else if (rows ? Is(c, "w:tr") : cells ? Is(c, "w:tc") : (Is(c, "w:p") || Is(c, "w:tbl"))) {
      out.push_back(c);
    }
  }
}

int TextIndex::WalkLength(pugi::xml_node p) {
  int pos = 0;
  ForEachAtom(p, pos, [](pugi::xml_node, int, int) { return true; });
  return pos + 1;
}

void TextIndex::Build(pugi::xml_node container, Container& info) {
  bool rows = Is(container, "w:tbl");
  bool cells = Is(container, "w:tr");
  info.children.clear();
  Flatten(container, rows, cells, info.children);
  info.extra = Is(container, "w:tc") ? 1 : cells ? 2 : 0;
  info.length.resize(info.children.size());
  info.start.assign(info.children.size(), 0);
  info.valid = 0;
  info.total = info.extra;
  for (size_t i = 0; i < info.children.size(); ++i) {
    index_[info.children[i].internal_object()] = i;
    info.length[i] = Length(info.children[i]);
    info.total += info.length[i];
  }
}

TextIndex::Container& TextIndex::Info(pugi::xml_node container) {
  auto it = containers_.find(container.internal_object());
  if (it != containers_.end()) return it->second;
  Container info;
  Build(container, info);
  return containers_.emplace(container.internal_object(), std::move(info)).first->second;
}

int TextIndex::Length(pugi::xml_node block) {
  if (IsParagraph(block)) {
    auto it = paragraph_length_.find(block.internal_object());
    if (it != paragraph_length_.end()) return it->second;
    int len = WalkLength(block);
    paragraph_length_[block.internal_object()] = len;
    return len;
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
  Container& c = Info(container);
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
  size_t i = IndexIn(parent, block);
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
  while (true) {
    Container& info = Info(c);
    if (info.children.empty()) throw errors::NoSuchMember();
    size_t i = ChildAt(info, r);
    int start = StartIn(info, i);
    r = std::min(r - start, info.length[i]);
    pugi::xml_node child = info.children[i];
    if (IsParagraph(child)) return {child, std::min(r, info.length[i] - 1)};
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
    if (r >= sum) return Is(c, "w:tc") && r == sum;
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

std::u32string TextIndex::ParagraphText(pugi::xml_node p, int from, int to) {
  std::u32string out;
  int pos = 0;
  ForEachAtom(p, pos, [&](pugi::xml_node atom, int start, int len) {
    if (start >= to) return false;
    if (start + len > from) {
      std::u32string t = AtomText(atom);
      int a = std::max(from - start, 0);
      int b = std::min(to - start, len);
      out.append(t, static_cast<size_t>(a), static_cast<size_t>(b - a));
    }
    return true;
  });
  if (to > pos && from <= pos) out.push_back(kParagraphMark);
  return out;
}

void TextIndex::AppendText(pugi::xml_node c, int base, int s, int e, std::u32string& out) {
  Container& info = Info(c);
  if (!info.children.empty()) {
    for (size_t i = ChildAt(info, std::max(s - base, 0)); i < info.children.size(); ++i) {
      int cs = base + StartIn(info, i);
      if (cs >= e) break;
      int ce = cs + info.length[i];
      if (ce <= s) continue;
      pugi::xml_node child = info.children[i];
      if (IsParagraph(child)) {
        out += ParagraphText(child, s - cs, e - cs);
      } else {
        AppendText(child, cs, s, e, out);
      }
    }
  }
  int mark = base + info.total - info.extra;
  if (info.extra == 1 && mark >= s && mark < e) out.push_back(kCellMark);
  if (info.extra == 2) {
    if (mark >= s && mark < e) out.push_back(kParagraphMark);
    if (mark + 1 >= s && mark + 1 < e) out.push_back(kCellMark);
  }
}

std::u32string TextIndex::Text(pugi::xml_node root, int start, int end) {
  std::u32string out;
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
      if (IsParagraph(s) || IsTable(s) || Is(s, "w:tr") || Is(s, "w:tc")) return Start(s);
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
  bool known = paragraph_length_.count(p.internal_object()) != 0;
  paragraph_length_[p.internal_object()] = len;
  if (!known) return;
  pugi::xml_node child = p;
  for (pugi::xml_node parent = Parent(p); parent; child = parent, parent = Parent(parent)) {
    auto found = containers_.find(parent.internal_object());
    if (found == containers_.end()) return;
    Container& c = found->second;
    size_t i = IndexIn(parent, child);
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
  for (pugi::xml_node x = container; x; x = Parent(x)) containers_.erase(x.internal_object());
}

void TextIndex::Forget(pugi::xml_node subtree) {
  ++revision_;
  containers_.erase(subtree.internal_object());
  paragraph_length_.erase(subtree.internal_object());
  index_.erase(subtree.internal_object());
  for (pugi::xml_node n = subtree.first_child(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_element) Forget(n);
  }
}

}  // namespace korvax::word::detail
