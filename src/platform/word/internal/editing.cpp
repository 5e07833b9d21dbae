// Text edits on the XML of a story: splitting runs and paragraphs, inserting
// runs, deleting text, paragraphs and tables, and moving live ranges along.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "common/text.hpp"
#include "document_data.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word::detail {
namespace {

bool Is(pugi::xml_node n, const char* name) {
  return std::strcmp(n.name(), name) == 0;
}

void SetText(pugi::xml_node t, std::string_view s) {
  t.text().set(s.data(), s.size());
  if (!t.attribute("xml:space")) t.append_attribute("xml:space") = "preserve";
}

// Moves n and the siblings after it to `to`, in order.
void MoveFrom(pugi::xml_node n, InsertPoint to) {
  while (n) {
    pugi::xml_node next = n.next_sibling();
    if (to.before) {
      to.parent.insert_move_before(n, to.before);
    } else {
      to.parent.append_move(n);
    }
    n = next;
  }
}

// Places an atom at the start of a run of its own so that content can go before it.
InsertPoint BeforeAtom(pugi::xml_node atom) {
  pugi::xml_node run = atom.parent();
  if (!Is(run, "w:r")) return {run, atom};
  if (ContentStart(run, "w:rPr") == atom) return {run.parent(), run};  // nothing before it
  pugi::xml_node second = run.parent().insert_child_after("w:r", run);
  for (auto a : run.attributes()) second.append_attribute(a.name()) = a.value();
  if (auto rpr = run.child("w:rPr")) second.append_copy(rpr);
  MoveFrom(atom, {second, {}});
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

pugi::xml_node MakeRun(InsertPoint at, pugi::xml_node rpr_template, std::string_view text,
                       const RunFormat& format) {
  pugi::xml_node run = at.Insert("w:r");
  if (rpr_template) RemoveChangeMarks(run.append_copy(rpr_template));
  ApplyRunFormat(run, format);
  // Plain text between tabs and breaks goes into w:t elements as it stands.
  size_t from = 0;
  while (true) {
    size_t to = text.find_first_of("\t\v\f", from);
    if (to == std::string_view::npos) to = text.size();
    if (to > from) SetText(run.append_child("w:t"), text.substr(from, to - from));
    if (to == text.size()) break;
    pugi::xml_node mark = run.append_child(text[to] == '\t' ? "w:tab" : "w:br");
    if (text[to] == '\f') mark.append_attribute("w:type") = "page";
    from = to + 1;
  }
  return run;
}

// Text as a story holds it: in the shortest UTF-8 form, control characters
// dropped but for the marks a story holds, a line feed a paragraph mark.
// `tail` receives the characters after its last paragraph mark.
std::string StoryText(std::string_view raw, int& tail) {
  std::string out;
  out.reserve(raw.size());
  tail = 0;
  for (char32_t c : text::ToU32(raw)) {
    if (c == '\n') c = '\r';
    if (c >= 32 || c == '\t' || c == '\v' || c == '\f' || c == '\r') {
      if (c < 0x80) {
        out.push_back(static_cast<char>(c));
      } else {
        text::AppendUtf8(out, c);
      }
      tail = c == '\r' ? 0 : tail + 1;
    }
  }
  return out;
}

// Clones the elements from p's child down to x (runs, hyperlinks, content
// controls) into q, each with what follows it in its parent; returns x's clone.
pugi::xml_node CloneAround(pugi::xml_node x, pugi::xml_node p, pugi::xml_node q) {
  if (x == p) return q;
  pugi::xml_node outer = CloneAround(x.parent(), p, q);
  pugi::xml_node clone = ShallowClone(x, outer);
  MoveFrom(x.next_sibling(), {outer, {}});
  return clone;
}

pugi::xml_node SplitParagraph(pugi::xml_node p, InsertPoint at) {
  pugi::xml_node q = p.parent().insert_child_after("w:p", p);
  for (auto a : p.attributes()) {
    std::string_view name = a.name();
    if (name != "w14:paraId" && name != "w14:textId") q.append_attribute(a.name()) = a.value();
  }
  if (pugi::xml_node ppr = p.child("w:pPr")) {
    q.append_copy(ppr);
    if (auto sect = ppr.child("w:sectPr")) ppr.remove_child(sect);
  }
  MoveFrom(at.before, {CloneAround(at.parent, p, q), {}});
  return q;
}

}  // namespace

InsertPoint DocumentData::PointIn(pugi::xml_node p, int k) {
  InsertPoint point{p, {}};
  // The atom that holds position k.
  pugi::xml_node holder;
  int holder_start = 0;
  int pos = 0;
  ForEachAtom(p, pos, [&](pugi::xml_node atom, int start, int len) {
    if (start + len <= k) return true;
    holder = atom;
    holder_start = start;
    return false;
  });
  if (!holder) return point;
  if (holder_start < k) {
    pugi::xml_node rest = holder.parent().insert_child_after("w:t", holder);
    std::string_view bytes = holder.child_value();
    std::string head = text::Left(bytes, k - holder_start);
    SetText(rest, bytes.substr(head.size()));
    SetText(holder, head);
    return BeforeAtom(rest);
  }
  return BeforeAtom(holder);
}

Point DocumentData::EndWithParagraph(Story& story, Point p) {
  if (story.root != body || p != At(body)) return p;
  const pugi::xml_node last = BlockAtOrBefore(body.last_child());
  if (!last || IsParagraph(last)) return p;
  // Places at the end stay where they are: before the new paragraph's mark.
  Point moved = At(body.insert_child_after("w:p", last));
  for (RangeState* r = story.ranges; r; r = r->Next()) {
    if (r->start == p) r->start = moved;
    if (r->end == p) r->end = moved;
  }
  Changed(true);
  return moved;
}

InsertPoint DocumentData::PointAt(Story& story, Point p) {
  Point spot = Locate(EndWithParagraph(story, p));
  return PointIn(spot.Owner(), spot.offset);
}

std::pair<Point, Point> DocumentData::InsertText(Story& story, Point at, std::string_view raw,
                                                 const RunFormat& format) {
  int tail = 0;
  const std::string text = StoryText(raw, tail);
  if (text.empty()) return {at, at};
  pugi::xml_node p = at.Owner();
  const int k = at.offset;
  const pugi::xml_node rpr = RunPropertiesTemplate(p, k);
  InsertPoint point = PointIn(p, k);
  pugi::xml_node last = p;
  size_t begin = 0;
  while (true) {
    size_t mark = text.find('\r', begin);
    std::string_view piece = std::string_view(text).substr(begin, mark - begin);
    if (!piece.empty()) {
      pugi::xml_node run = MakeRun(point, rpr, piece, format);
      point = {run.parent(), run.next_sibling()};
    }
    if (mark == std::string::npos) break;
    last = SplitParagraph(last, point);
    point = {last, ContentStart(last)};
    begin = mark + 1;
  }
  // The text after the insertion point now follows the new text; in the
  // paragraph split off last, when there was a paragraph mark in it.
  const bool split = last != p;
  const Point after = split ? At(last, tail) : At(p, k + tail);
  auto move = [&](Point& x, bool moves_at) {
    if (x.owner != at.owner || x.offset < k || (x.offset == k && !moves_at)) return;
    x = split ? At(last, x.offset - k + tail) : At(p, x.offset + (after.offset - k));
  };
  for (RangeState* r = story.ranges; r; r = r->Next()) {
    const bool collapsed = r->start == r->end;
    move(r->start, !collapsed);
    move(r->end, false);
  }
  story.edited = true;
  Changed(split);
  return {at, after};
}

namespace {

void DeleteInParagraph(DocumentData& d, pugi::xml_node p, int from, int to) {
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
        d.Bury(h.atom);  // an inline text box: its story may still be referred to
      } else {
        run.remove_child(h.atom);
      }
      RemoveIfEmptyRun(run);
    } else {
      std::u32string t = text::ToU32(h.atom.child_value());
      t.erase(static_cast<size_t>(a), static_cast<size_t>(b - a));
      SetText(h.atom, text::ToUtf8(t));
    }
  }
}

struct Part {
  pugi::xml_node p;
  int base, a, b, len;
};
struct Whole {
  pugi::xml_node table;
  int base, len;
};

// The paragraphs [s, e) touches and the tables it covers whole, below a
// container starting at pos; returns the container's length.
int Collect(pugi::xml_node container, int pos, int s, int e, std::vector<Part>& parts,
            std::vector<Whole>& tables) {
  const int start = pos;
  for (pugi::xml_node u = FirstUnit(container); u; u = NextUnit(u)) {
    if (IsParagraph(u)) {
      const int len = TextLength(u) + 1;
      if (pos < e && pos + len > s) {
        parts.push_back({u, pos, std::max(s - pos, 0), std::min(e - pos, len), len});
      }
      pos += len;
      continue;
    }
    const size_t kept_parts = parts.size(), kept_tables = tables.size();
    const int len = Collect(u, pos, s, e, parts, tables);
    if (IsTable(u) && s <= pos && pos + len <= e && pos < e && pos + len > s) {
      parts.resize(kept_parts);
      tables.resize(kept_tables);
      tables.push_back({u, pos, len});
    }
    pos += len;
  }
  const Kind kind = KindOf(container);
  pos += kind == Kind::Cell ? 1 : kind == Kind::Row ? 2 : 0;
  return pos - start;
}

// The nearest container that holds both places; a delete changes nothing
// outside it.
pugi::xml_node CommonContainer(Point a, Point b) {
  for (pugi::xml_node c = a.Owner(); c; c = ContainerOf(c)) {
    if (!IsContainer(c)) continue;
    for (pugi::xml_node x = b.Owner(); x; x = x.parent()) {
      if (x == c) return c;
    }
  }
  return RootOf(a.Owner());
}

}  // namespace

void DocumentData::Delete(Story& story, Point start, Point end) {
  if (start.owner == end.owner && IsParagraph(start.Owner()) &&
      end.offset <= TextLength(start.Owner())) {
    // Within the text of one paragraph: only places in it move.
    const int from = start.offset, count = end.offset - start.offset;
    if (count <= 0) return;
    DeleteInParagraph(*this, start.Owner(), from, end.offset);
    auto move = [&](Point& x) {
      if (x.owner == start.owner && x.offset > from) x.offset = std::max(from, x.offset - count);
    };
    for (RangeState* r = story.ranges; r; r = r->Next()) {
      move(r->start);
      move(r->end);
    }
    story.edited = true;
    Changed(false);
    return;
  }
  const pugi::xml_node scope = CommonContainer(start, end);
  const Layout before(scope);
  const int s = before.Position(start);
  const int e = std::min(before.Position(end), before.Length());
  if (e <= s) return;
  std::vector<Part> parts;
  std::vector<Whole> tables;
  Collect(scope, 0, s, e, parts, tables);
  // The live places inside the scope as positions, moved below as the text
  // before them goes; places outside it stay as they are.
  struct Kept {
    Point* place;
    int position;
  };
  std::vector<Kept> kept;
  for (RangeState* r = story.ranges; r; r = r->Next()) {
    for (Point* x : {&r->start, &r->end}) {
      if (auto position = before.Find(*x)) kept.push_back({x, *position});
    }
  }

  std::vector<std::pair<int, int>> removed;  // start, count
  for (const Whole& t : tables) {
    RemoveTable(t.table);
    removed.push_back({t.base, t.len});
  }
  for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
    int to = std::min(it->b, it->len - 1);
    if (it->a < to) DeleteInParagraph(*this, it->p, it->a, to);
    int count = std::max(to - it->a, 0);
    pugi::xml_node next = it->p.next_sibling();
    while (next && !IsParagraph(next) && !IsTable(next) && !Is(next, "w:sdt")) {
      next = next.next_sibling();
    }
    bool has_section = it->p.child("w:pPr").child("w:sectPr");
    if (it->b == it->len && next && IsParagraph(next) && !has_section) {
      MoveFrom(ContentStart(it->p), {next, ContentStart(next)});
      it->p.parent().remove_child(it->p);
      count += 1;
    }
    if (count > 0) removed.push_back({it->base + it->a, count});
  }
  story.edited = true;
  Changed(true);

  std::sort(removed.begin(), removed.end(), [](auto& x, auto& y) { return x.first > y.first; });
  auto move = [&](int& x) {
    for (auto [pos, count] : removed) x = x >= pos + count ? x - count : std::min(x, pos);
  };
  const Layout after(scope);
  for (Kept& k : kept) {
    move(k.position);
    *k.place = after.PointAt(k.position);
  }
}

void DocumentData::RemoveTable(pugi::xml_node table) {
  std::set<std::string> comments;
  std::map<std::string, int> bookmarks;  // the markers of each met: 1 its start, 2 its end
  ForEachMarkup(table, [&](pugi::xml_node n, std::string_view name) {
    if (name == "w:commentRangeStart" || name == "w:commentRangeEnd" ||
        name == "w:commentReference") {
      comments.insert(n.attribute("w:id").value());
    } else if (name == "w:bookmarkStart" || name == "w:bookmarkEnd") {
      bookmarks[n.attribute("w:id").value()] |= name == "w:bookmarkStart" ? 1 : 2;
    }
  });
  // Buried first, the table's own markers go with it, and the walks for the
  // markers left elsewhere pass it by.
  Bury(table);
  DeleteComments(comments);
  // A bookmark wholly inside goes with the table; only one that reaches out
  // of it has a marker elsewhere to remove.
  for (auto& [id, markers] : bookmarks) {
    if (markers != 3) DeleteBookmark(id);
  }
}

}  // namespace korvax::word::detail
