// Text edits on the XML of a story: splitting runs and paragraphs, inserting
// runs, deleting text, paragraphs and tables, and moving live ranges along.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <set>

#include "platform/word/document_data.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word::detail {
namespace {

bool Is(pugi::xml_node n, const char* name) {
  // Inline: names mostly differ within their first characters.
  const char* a = n.name();
  while (*a && *a == *name) ++a, ++name;
  return *a == *name;
}

void SetText(pugi::xml_node t, std::string_view s) {
  t.text().set(s.data(), s.size());
  if (!t.attribute("xml:space")) t.append_attribute("xml:space") = "preserve";
}

void SetText(pugi::xml_node t, std::u32string_view s) {
  SetText(t, std::string_view(Utf8(s)));
}

// The bytes of the first n characters of UTF-8 text, counted as CountChars
// counts them.
size_t ByteOffset(std::string_view s, int n) {
  size_t i = 0;
  for (; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && n-- == 0) break;
  }
  return i;
}

// Places an atom at the start of a run of its own so that content can go before it.
InsertPoint BeforeAtom(pugi::xml_node atom) {
  pugi::xml_node run = atom.parent();
  if (!Is(run, "w:r")) return {run, atom};
  bool content_before = false;
  for (pugi::xml_node c = run.first_child(); c && c != atom; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && !Is(c, "w:rPr")) content_before = true;
  }
  if (!content_before) return {run.parent(), run};
  pugi::xml_node second = run.parent().insert_child_after("w:r", run);
  for (auto a : run.attributes()) second.append_attribute(a.name()) = a.value();
  if (auto rpr = run.child("w:rPr")) second.append_copy(rpr);
  for (pugi::xml_node c = atom; c;) {
    pugi::xml_node next = c.next_sibling();
    second.append_move(c);
    c = next;
  }
  return {run.parent(), second};
}

pugi::xml_node ShallowClone(pugi::xml_node source, pugi::xml_node into) {
  pugi::xml_node clone = into.append_child(source.name());
  for (auto a : source.attributes()) clone.append_attribute(a.name()) = a.value();
  for (const char* props : {"w:sdtPr", "w:smartTagPr", "w:customXmlPr"}) {
    if (auto p = source.child(props)) clone.append_copy(p);
  }
  return clone;
}

pugi::xml_node MakeRun(const Prototypes& proto, InsertPoint at, pugi::xml_node rpr_template,
                       std::string_view text, bool marks, const RunFormat& format) {
  pugi::xml_node run = at.before ? at.parent.insert_copy_before(proto.run, at.before)
                                 : at.parent.append_copy(proto.run);
  if (rpr_template) {
    pugi::xml_node rpr = run.append_copy(rpr_template);
    for (pugi::xml_node c = rpr.first_child(); c;) {
      pugi::xml_node next = c.next_sibling();
      if (IsChangeMark(c.name())) rpr.remove_child(c);
      c = next;
    }
  }
  ApplyRunFormat(run, format);
  // Plain text between tabs and breaks goes into w:t elements as it stands.
  size_t from = 0;
  while (true) {
    size_t to = marks ? from : text.size();
    while (to < text.size() && text[to] != '\t' && text[to] != '\v' && text[to] != '\f') ++to;
    if (to > from) {
      // The prototype's text gives way to this one.
      run.append_copy(proto.text).first_child().set_value(text.data() + from, to - from);
    }
    if (to == text.size()) break;
    char c = text[to];
    run.append_copy(c == '\t' ? proto.tab : c == '\v' ? proto.line_break : proto.page_break);
    from = to + 1;
  }
  return run;
}

pugi::xml_node ContentStart(pugi::xml_node p) {
  pugi::xml_node c = p.first_child();
  while (c && (c.type() != pugi::node_element || Is(c, "w:pPr"))) c = c.next_sibling();
  return c;
}

// True when s is ASCII without control characters: text that a story
// holds as it stands, one character a byte, with no mark in it.
bool PlainAscii(std::string_view s) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    // Below 0x80 a byte plus 0x60 reaches 0x80 exactly when it is 0x20 or more.
    if ((w & kHigh) != 0 || ((w + 0x6060606060606060ull) & kHigh) != kHigh) return false;
  }
  for (; i < s.size(); ++i) {
    auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x20 || b >= 0x80) return false;
  }
  return true;
}

// Text as a story holds it, in UTF-8, and the number of its characters;
// `storage` holds it when it is not `raw` as it stands. `marks` tells
// whether it holds tabs, breaks or paragraph marks.
std::string_view StoryText(std::string_view raw, std::string& storage, int& chars, bool& marks) {
  if (PlainAscii(raw)) {
    chars = static_cast<int>(raw.size());
    marks = false;
    return raw;
  }
  // Text that is not in the shortest UTF-8 form is put into it first, so
  // that the bytes below are those that the characters would give.
  if (!CanonicalUtf8(raw)) {
    storage = Utf8(U32(raw));
    raw = storage;
  }
  // Control characters are dropped, except the marks a story holds; every
  // byte of a longer character is above them.
  auto mark = [](char c) { return c == '\t' || c == '\v' || c == '\f' || c == '\r'; };
  auto kept = [&](char c) { return static_cast<unsigned char>(c) >= 32 || mark(c); };
  chars = 0;
  marks = false;
  size_t i = 0;
  for (; i < raw.size(); ++i) {
    if (static_cast<unsigned char>(raw[i]) < 32) {
      if (!mark(raw[i])) break;
      marks = true;
    }
    chars += (raw[i] & 0xC0) != 0x80;
  }
  if (i == raw.size()) return raw;
  std::string text(raw.substr(0, i));
  for (; i < raw.size(); ++i) {
    char c = raw[i] == '\n' ? '\r' : raw[i];
    if (kept(c)) {
      text.push_back(c);
      chars += (c & 0xC0) != 0x80;
      marks = marks || static_cast<unsigned char>(c) < 32;
    }
  }
  storage = std::move(text);
  return storage;
}

}  // namespace

bool IsChangeMark(const char* name) {
  if (name[0] != 'w' || name[1] != ':') return false;
  std::string_view local = name + 2;
  return local == "ins" || local == "del" || local == "moveFrom" || local == "moveTo" ||
         local == "rPrChange";
}

InsertPoint DocumentData::PointIn(pugi::xml_node p, int k, pugi::xml_node* rpr_template) {
  // Empty handles and their tests without a call into the library each: this
  // runs for every insertion.
  const pugi::xml_node none = Handle(nullptr);
  InsertPoint point{p, none};
  // The atom that holds position k, and for the template the last atom
  // that ends at or before k (or else the first atom).
  pugi::xml_node first = none, before = none, holder = none;
  int holder_start = 0;
  int pos = 0;
  ForEachAtom(p, pos, [&](pugi::xml_node atom, int start, int len) {
    if (!Raw(first)) first = atom;
    if (start + len <= k) {
      if (k > 0) before = atom;
      return true;
    }
    holder = atom;
    holder_start = start;
    return false;
  });
  if (rpr_template) {
    pugi::xml_node atom = Raw(before) ? before : first;
    *rpr_template = Raw(atom) ? atom.parent().child("w:rPr") : p.child("w:pPr").child("w:rPr");
  }
  if (!Raw(holder)) return point;
  if (holder_start < k) {
    size_t cut = static_cast<size_t>(k - holder_start);
    pugi::xml_node rest = holder.parent().insert_child_after("w:t", holder);
    std::string_view bytes = holder.child_value();
    if (CanonicalUtf8(bytes)) {
      size_t at = ByteOffset(bytes, static_cast<int>(cut));
      std::string head(bytes.substr(0, at));
      SetText(rest, bytes.substr(at));
      SetText(holder, std::string_view(head));
    } else {
      std::u32string t = AtomText(holder);
      SetText(rest, std::u32string_view(t).substr(cut));
      SetText(holder, std::u32string_view(t).substr(0, cut));
    }
    return BeforeAtom(rest);
  }
  return BeforeAtom(holder);
}

InsertPoint DocumentData::PointAt(Story& story, int pos) {
  EndWithParagraph(story, pos);
  auto spot = index.Locate(story.root, pos);
  return PointIn(spot.paragraph, spot.offset);
}

pugi::xml_node DocumentData::SplitParagraph(pugi::xml_node p, InsertPoint at) {
  pugi::xml_node q = p.parent().insert_child_after("w:p", p);
  for (auto a : p.attributes()) {
    std::string_view name = a.name();
    if (name != "w14:paraId" && name != "w14:textId") q.append_attribute(a.name()) = a.value();
  }
  if (pugi::xml_node ppr = p.child("w:pPr")) {
    q.append_copy(ppr);
    if (auto sect = ppr.child("w:sectPr")) ppr.remove_child(sect);
  }
  std::vector<pugi::xml_node> chain;
  for (pugi::xml_node x = at.parent; x && x != p; x = x.parent()) chain.push_back(x);
  std::reverse(chain.begin(), chain.end());
  std::vector<pugi::xml_node> clones;
  pugi::xml_node dest = q;
  for (auto w : chain) {
    dest = ShallowClone(w, dest);
    clones.push_back(dest);
  }
  for (pugi::xml_node c = at.before; c;) {
    pugi::xml_node next = c.next_sibling();
    dest.append_move(c);
    c = next;
  }
  for (size_t i = chain.size(); i-- > 0;) {
    pugi::xml_node target = i == 0 ? q : clones[i - 1];
    for (pugi::xml_node c = chain[i].next_sibling(); c;) {
      pugi::xml_node next = c.next_sibling();
      target.append_move(c);
      c = next;
    }
  }
  return q;
}

int DocumentData::InsertText(Story& story, int pos, std::string_view raw, const RunFormat& format,
                             int* inserted) {
  int chars = 0;
  bool marks = true;
  std::string storage;
  std::string_view text = StoryText(raw, storage, chars, marks);
  if (inserted) *inserted = 0;
  EndWithParagraph(story, pos);
  return InsertAt(story, index.Locate(story.root, pos), text, chars, marks, format, inserted);
}

int DocumentData::InsertTextAfter(Story& story, int start, int end, std::string_view raw,
                                  const RunFormat& format, int* inserted) {
  int chars = 0;
  bool marks = true;
  std::string storage;
  std::string_view text = StoryText(raw, storage, chars, marks);
  if (inserted) *inserted = 0;
  EndWithParagraph(story, end);
  TextIndex::Spot spot;
  pugi::xml_node cell;
  if (!CellEndSpot(story.root, start, end, spot, cell)) {
    spot = index.Locate(story.root, index.EndInsertPosition(story.root, start, end));
    cell = {};
  }
  int at = InsertAt(story, spot, text, chars, marks, format, inserted);
  if (cell) {
    // The containers down to the cell start where they started.
    cell_path_.revision = index.Revision();
    cell_path_.valid = true;
    // The cell's range is formatted next, as a rule: a cell of one paragraph
    // gives that paragraph, all of it, to ForEachParagraph.
    auto& info = *cell_path_.levels.back().info;  // the cell's, as CellEndSpot ends there
    if (info.children.size() == 1 && info.children[0] == spot.paragraph) {
      int length = info.length[0];
      paragraphs_.spans.clear();
      paragraphs_.spans.push_back({spot.paragraph, 0, length, length});
      paragraphs_.root = story.root;
      paragraphs_.start = spot.start;  // the cell's, as the paragraph comes first
      paragraphs_.end = spot.start + info.total;
      paragraphs_.revision = index.Revision();
      paragraphs_.valid = true;
    }
  }
  return at;
}

bool DocumentData::CellEndSpot(pugi::xml_node root, int start, int end, TextIndex::Spot& spot,
                               pugi::xml_node& cell) {
  // Down to the character before end, as IsAfterCellMark goes; when that is
  // an end-of-cell mark, the text goes to the end of the cell's last
  // paragraph, where Locate(end - 2) would find it.
  if (end <= start || end <= 0) return false;
  pugi::xml_node c = root;
  int base = 0;  // where c starts in the story
  // Cells are written one after another: the descent may start at the row
  // or table of the cell written last, if the text did not change since and
  // the character lies inside it, as the descent from the root would get
  // there.
  auto& path = cell_path_;
  size_t depth = 0;
  TextIndex::Container* held = nullptr;
  if (path.valid && path.root == root && path.revision == index.Revision()) {
    for (size_t j = path.levels.size(); j-- > 1;) {
      const auto& level = path.levels[j];
      if (level.start <= end - 1 && end - 1 < level.start + level.info->total) {
        c = level.node;
        base = level.start;
        held = level.info;
        depth = j;
        break;
      }
    }
  }
  path.valid = false;
  path.root = root;
  path.levels.resize(depth);
  int r = end - 1 - base;
  while (true) {
    auto& info = held ? *held : index.Info(c);
    held = nullptr;
    path.levels.push_back({c, &info, base});
    if (info.children.empty()) return false;
    int sum = info.total - info.extra;
    if (r >= sum) {
      if (r != sum || info.kind != Kind::Cell) return false;
      size_t last = info.children.size() - 1;
      if (!IsParagraph(info.children[last])) return false;
      spot = {info.children[last], info.length[last] - 1, base + index.StartIn(info, last)};
      cell = c;
      return true;
    }
    size_t i = index.ChildAt(info, r);
    int cs = index.StartIn(info, i);
    r -= cs;
    base += cs;
    if (IsParagraph(info.children[i])) return false;
    c = info.children[i];
  }
}

int DocumentData::InsertAt(Story& story, TextIndex::Spot spot, std::string_view text, int chars,
                           bool marks, const RunFormat& format, int* inserted) {
  pugi::xml_node p = spot.paragraph;
  int at = spot.start + spot.offset;
  if (text.empty()) return at;
  pugi::xml_node first = p;
  // The story grows by the characters inserted, paragraph marks included.
  bool length_known = story.length_revision == index.Revision();
  pugi::xml_node rpr;
  InsertPoint point = PointIn(p, spot.offset, &rpr);
  const Prototypes& proto = Protos();
  size_t begin = 0;
  bool split = false;
  while (true) {
    size_t mark = marks ? text.find('\r', begin) : std::string_view::npos;
    std::string_view piece =
        text.substr(begin, mark == std::string_view::npos ? std::string_view::npos : mark - begin);
    if (!piece.empty()) {
      pugi::xml_node run = MakeRun(proto, point, rpr, piece, marks, format);
      point = {run.parent(), run.next_sibling()};
    }
    if (mark == std::string_view::npos) break;
    p = SplitParagraph(p, point);
    point = {p, ContentStart(p)};
    split = true;
    begin = mark + 1;
  }
  if (split) {
    index.ParagraphChanged(first);
    index.StructureChanged(TextIndex::Parent(first));
  } else {
    index.ParagraphChanged(first, chars);  // the new runs hold all of the text
  }
  if (length_known) {
    story.length += chars;
    story.length_revision = index.Revision();
  }
  AdjustRanges(story, at, 0, chars);
  story.edited = true;
  if (inserted) *inserted = chars;
  return at;
}

void DocumentData::DeleteInParagraph(pugi::xml_node p, int from, int to) {
  struct Hit {
    pugi::xml_node atom;
    int start, len;
  };
  std::vector<Hit> hits;
  int pos = 0;
  ForEachAtom(p, pos, [&](pugi::xml_node atom, int start, int len) {
    if (start >= to) return false;
    if (len > 0 && start + len > from) hits.push_back({atom, start, len});
    return true;
  });
  for (auto& h : hits) {
    int a = std::max(from - h.start, 0);
    int b = std::min(to - h.start, h.len);
    if (a == 0 && b == h.len) {
      pugi::xml_node run = h.atom.parent();
      if (!Is(h.atom, "w:t") && h.atom.select_node(".//w:txbxContent")) {
        Bury(h.atom);  // an inline text box: its story may still be referred to
      } else {
        DrawingsFreed(h.atom);  // an inline picture takes its wp:docPr along
        run.remove_child(h.atom);
      }
      bool empty = true;
      for (auto c : run.children()) {
        if (c.type() == pugi::node_element && !Is(c, "w:rPr")) empty = false;
      }
      if (empty && Is(run, "w:r")) run.parent().remove_child(run);
    } else {
      std::u32string t = AtomText(h.atom);
      t.erase(static_cast<size_t>(a), static_cast<size_t>(b - a));
      SetText(h.atom, t);
    }
  }
}

void DocumentData::MergeIntoNext(pugi::xml_node p, pugi::xml_node next) {
  pugi::xml_node anchor = ContentStart(next);
  for (pugi::xml_node c = ContentStart(p); c;) {
    pugi::xml_node n = c.next_sibling();
    if (anchor) {
      next.insert_move_before(c, anchor);
    } else {
      next.append_move(c);
    }
    c = n;
  }
  index.Forget(p);
  p.parent().remove_child(p);
}

void DocumentData::Delete(Story& story, int start, int end) {
  end = std::min(end, StoryLength(story));
  if (end <= start) return;
  struct Part {
    pugi::xml_node p;
    int base, a, b, len;
  };
  struct Table {
    pugi::xml_node t;
    int base, len;
  };
  std::vector<Part> parts;
  std::vector<Table> tables;
  std::function<void(pugi::xml_node, int)> collect = [&](pugi::xml_node c, int base) {
    auto& info = index.Info(c);
    if (info.children.empty()) return;
    for (size_t i = index.ChildAt(info, std::max(start - base, 0)); i < info.children.size(); ++i) {
      int cs = base + index.StartIn(info, i);
      if (cs >= end) break;
      int len = info.length[i];
      if (cs + len <= start) continue;
      pugi::xml_node child = info.children[i];
      if (IsParagraph(child)) {
        parts.push_back({child, cs, std::max(start - cs, 0), std::min(end - cs, len), len});
      } else if (IsTable(child) && start <= cs && cs + len <= end) {
        tables.push_back({child, cs, len});
      } else {
        collect(child, cs);
      }
    }
  };
  collect(story.root, 0);
  story.edited = true;

  std::vector<std::pair<int, int>> removed;  // start, count
  std::vector<pugi::xml_node> structural;
  for (auto& t : tables) {
    structural.push_back(TextIndex::Parent(t.t));
    RemoveTable(t.t);
    removed.push_back({t.base, t.len});
  }
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
    int to = std::min(it->b, it->len - 1);
    if (it->a < to) DeleteInParagraph(it->p, it->a, to);
    int count = std::max(to - it->a, 0);
    pugi::xml_node next = it->p.next_sibling();
    while (next && next.type() != pugi::node_element) next = next.next_sibling();
    while (next && !IsParagraph(next) && !IsTable(next) && !Is(next, "w:sdt")) {
      next = next.next_sibling();
    }
    bool has_section = it->p.child("w:pPr").child("w:sectPr");
    if (it->b == it->len && next && IsParagraph(next) && !has_section) {
      structural.push_back(TextIndex::Parent(it->p));
      MergeIntoNext(it->p, next);
      index.ParagraphChanged(next);
      count += 1;
    } else {
      index.ParagraphChanged(it->p);
    }
    if (count > 0) removed.push_back({it->base + it->a, count});
  }
  for (auto c : structural) index.StructureChanged(c);
  std::sort(removed.begin(), removed.end(), [](auto& x, auto& y) { return x.first > y.first; });
  for (auto& [pos, count] : removed) AdjustRanges(story, pos, count, 0);
}

void DocumentData::RemoveTable(pugi::xml_node table) {
  std::set<std::string> comments;
  // The markers of each bookmark met: 1 its start, 2 its end.
  std::map<std::string, int> bookmarks;
  std::vector<pugi::xml_node> text_boxes;
  // The comments, bookmarks and text boxes inside the table: for a table of
  // the body, from the markers kept of the whole body when they are known
  // and fewer than the table's characters, else found in one walk.
  pugi::xml_node up = table;
  while (Raw(up) && !Same(up, body)) up = up.parent();
  const size_t kept = bookmark_markers && anchors_ && !anchor_markers_repeated_
                          ? bookmark_markers->size() + 3 * anchors_->size() + stories_.size()
                          : SIZE_MAX;
  if (Raw(up) && kept < static_cast<size_t>(index.Length(table))) {
    auto inside = [&](pugi::xml_node n) {
      for (pugi::xml_node x = n; Raw(x); x = x.parent()) {
        if (Same(x, table)) return true;
        if (Same(x, body)) return false;
      }
      return false;
    };
    for (const auto& a : *anchors_) {
      if (inside(a.start) || inside(a.end) || inside(a.reference)) comments.insert(a.id);
    }
    // Those inside go with the table.
    std::erase_if(*bookmark_markers, [&](pugi::xml_node n) {
      if (!inside(n)) return false;
      // w:bookmarkStart or w:bookmarkEnd
      bookmarks[n.attribute("w:id").value()] |= n.name()[10] == 'S' ? 1 : 2;
      return true;
    });
    for (const auto& [node, story] : stories_) {
      if (inside(story->root)) text_boxes.push_back(story->root);
    }
  } else {
    struct Walker : pugi::xml_tree_walker {
      std::set<std::string> comments;
      std::map<std::string, int> bookmarks;
      std::vector<pugi::xml_node> text_boxes;
      bool for_each(pugi::xml_node& n) override {
        const char* name = n.name();
        if (name[0] != 'w' || name[1] != ':' || n.type() != pugi::node_element) return true;
        char first = name[2];  // most names are ruled out by their first letter
        if (first != 'c' && first != 'b' && first != 't') return true;
        std::string_view local = name + 2;
        if (first == 'c' && (local == "commentRangeStart" || local == "commentRangeEnd" ||
                             local == "commentReference")) {
          comments.insert(n.attribute("w:id").value());
        } else if (first == 'b' && (local == "bookmarkStart" || local == "bookmarkEnd")) {
          bookmarks[n.attribute("w:id").value()] |= local == "bookmarkStart" ? 1 : 2;
        } else if (first == 't' && local == "txbxContent") {
          text_boxes.push_back(n);
        }
        return true;
      }
    } found;
    table.traverse(found);
    comments = std::move(found.comments);
    bookmarks = std::move(found.bookmarks);
    text_boxes = std::move(found.text_boxes);
  }
  for (auto& id : comments) DeleteComment(id);
  // A bookmark wholly inside goes with the table; only one that reaches out
  // of it has a marker elsewhere to remove.
  for (auto& [id, markers] : bookmarks) {
    if (markers != 3) DeleteBookmark(id);
  }
  for (auto x : text_boxes) {
    auto it = stories_.find(x.internal_object());
    if (it != stories_.end()) {
      it->second->alive = false;
      stories_.erase(it);
    }
  }
  pugi::xml_node parent = TextIndex::Parent(table);
  index.Forget(table);
  Bury(table);
  index.StructureChanged(parent);
}

}  // namespace korvax::word::detail
