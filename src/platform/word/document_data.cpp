#include "platform/word/document_data.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

#include "common/text.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word::detail {
namespace {

const std::initializer_list<const char*> kRunOrder = {"w:rStyle",
                                                      "w:rFonts",
                                                      "w:b",
                                                      "w:bCs",
                                                      "w:i",
                                                      "w:iCs",
                                                      "w:caps",
                                                      "w:smallCaps",
                                                      "w:strike",
                                                      "w:dstrike",
                                                      "w:outline",
                                                      "w:shadow",
                                                      "w:emboss",
                                                      "w:imprint",
                                                      "w:noProof",
                                                      "w:snapToGrid",
                                                      "w:vanish",
                                                      "w:webHidden",
                                                      "w:color",
                                                      "w:spacing",
                                                      "w:w",
                                                      "w:kern",
                                                      "w:position",
                                                      "w:sz",
                                                      "w:szCs",
                                                      "w:highlight",
                                                      "w:u",
                                                      "w:effect",
                                                      "w:bdr",
                                                      "w:shd",
                                                      "w:fitText",
                                                      "w:vertAlign",
                                                      "w:rtl",
                                                      "w:cs",
                                                      "w:em",
                                                      "w:lang",
                                                      "w:eastAsianLayout",
                                                      "w:specVanish",
                                                      "w:oMath"};

}  // namespace

std::string Utf8(std::u32string_view s) {
  return text::ToUtf8(s);
}

std::u32string U32(std::string_view s) {
  return korvax::text::ToU32(s);
}

bool CanonicalUtf8(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const auto* end = p + s.size();
  while (p < end) {
    unsigned char b = *p;
    if (b < 0x80) {
      ++p;
      continue;
    }
    // U32 reads up to three continuation bytes after a lead byte up to 0xF7
    // and Utf8 writes back the same bytes unless the form was overlong.
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : 1;
    if (b < 0xC2 || b > 0xF7 || end - p <= extra) return false;
    for (int k = 1; k <= extra; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
    }
    if ((b == 0xE0 && p[1] < 0xA0) || (b == 0xF0 && p[1] < 0x90)) return false;
    p += extra + 1;
  }
  return true;
}

namespace {

bool SameName(const char* a, const char* b) {
  while (*a && *a == *b) ++a, ++b;
  return *a == *b;
}

}  // namespace

pugi::xml_node ChildInOrder(pugi::xml_node parent, const char* name,
                            std::initializer_list<const char*> order, pugi::xml_node prototype) {
  if (auto found = parent.child(name)) return found;
  auto rank = [&](const char* n) -> int {
    int i = 0;
    for (const char* o : order) {
      if (SameName(o, n)) return i;
      ++i;
    }
    return -1;
  };
  int mine = 0;
  bool ranked = false;  // an empty parent needs no rank
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    if (!ranked) {
      mine = rank(name);
      ranked = true;
    }
    if (rank(c.name()) > mine) {
      return prototype ? parent.insert_copy_before(prototype, c)
                       : parent.insert_child_before(name, c);
    }
  }
  return prototype ? parent.append_copy(prototype) : parent.append_child(name);
}

pugi::xml_node RunPropertiesTemplate(pugi::xml_node p, int offset) {
  pugi::xml_node before, first;
  int pos = 0;
  ForEachAtom(p, pos, [&](pugi::xml_node atom, int start, int len) {
    if (!first) first = atom;
    if (start + len <= offset && offset > 0) {
      before = atom;
      return true;
    }
    return false;
  });
  pugi::xml_node atom = before ? before : first;
  if (atom) return atom.parent().child("w:rPr");
  return p.child("w:pPr").child("w:rPr");
}

void ApplyRunFormat(pugi::xml_node run, const RunFormat& format) {
  if (format.Empty()) return;
  pugi::xml_node rpr = run.child("w:rPr");
  if (!rpr) rpr = run.prepend_child("w:rPr");
  if (format.bold) {
    for (const char* name : {"w:b", "w:bCs"}) {
      pugi::xml_node b = ChildInOrder(rpr, name, kRunOrder);
      b.remove_attribute("w:val");
      if (!*format.bold) b.append_attribute("w:val") = "0";
    }
  }
  if (format.size) {
    std::string half = std::to_string(static_cast<int>(std::lround(*format.size * 2)));
    for (const char* name : {"w:sz", "w:szCs"}) {
      pugi::xml_node sz = ChildInOrder(rpr, name, kRunOrder);
      sz.remove_attribute("w:val");
      sz.append_attribute("w:val") = half.c_str();
    }
  }
}

std::shared_ptr<Story> DocumentData::StoryFor(pugi::xml_node root) {
  auto& slot = stories_[root.internal_object()];
  if (!slot || !slot->alive || slot->root != root) {
    slot = std::make_shared<Story>();
    slot->root = root;
  }
  return slot;
}

namespace {

// Ranges come and go by the thousand (a cell's range, read once and
// dropped): the blocks that hold them are kept in a short list per thread
// for the next range instead of going back to the heap each time.
struct SpareBlocks {
  struct Block {
    Block* next;
  };
  static constexpr int kKept = 64;
  Block* head = nullptr;
  int count = 0;
  bool closed = false;  // the thread is ending: blocks go back to the heap
  SpareBlocks() = default;
  SpareBlocks(const SpareBlocks&) = delete;
  SpareBlocks& operator=(const SpareBlocks&) = delete;
  ~SpareBlocks() {
    closed = true;
    while (head) {
      Block* b = head;
      head = b->next;
      ::operator delete(b);
    }
    count = 0;
  }
};

thread_local SpareBlocks spare_range_blocks;

template <class T>
struct RangeAllocator {
  using value_type = T;
  RangeAllocator() = default;
  template <class U>
  RangeAllocator(const RangeAllocator<U>&) {}

  T* allocate(size_t n) {
    static_assert(sizeof(T) >= sizeof(SpareBlocks::Block));
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);
    auto& spare = spare_range_blocks;
    if (n == 1 && spare.head) {
      SpareBlocks::Block* b = spare.head;
      spare.head = b->next;
      --spare.count;
      return reinterpret_cast<T*>(b);
    }
    return static_cast<T*>(::operator new(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) {
    auto& spare = spare_range_blocks;
    if (n == 1 && !spare.closed && spare.count < SpareBlocks::kKept) {
      auto* b = reinterpret_cast<SpareBlocks::Block*>(p);
      b->next = spare.head;
      spare.head = b;
      ++spare.count;
      return;
    }
    ::operator delete(p);
  }
  template <class U>
  bool operator==(const RangeAllocator<U>&) const {
    return true;
  }
};

}  // namespace

std::shared_ptr<RangeState> DocumentData::NewRange(const std::shared_ptr<Story>& story, int start,
                                                   int end) {
  // Only the control block with the range in it is ever allocated here, so
  // every block the list keeps has the one size.
  auto r =
      std::allocate_shared<RangeState>(RangeAllocator<RangeState>(), shared_from_this(), story);
  if (start > 0 || end > 0) {  // a range at 0 needs no story length (and no index)
    int limit = StoryEnd(*story);
    r->start = std::clamp(start, 0, limit);
    r->end = std::clamp(end, r->start, limit);
  }
  return r;
}

void DocumentData::EndWithParagraph(Story& story, int pos) {
  if (!Same(story.root, body) || pos < StoryLength(story)) return;
  pugi::xml_node last;
  for (pugi::xml_node n = body.last_child(); n && !last; n = n.previous_sibling()) {
    Kind kind = n.type() == pugi::node_element ? KindOf(n) : Kind::Other;
    if (kind == Kind::Paragraph || kind == Kind::Table || kind == Kind::Sdt ||
        kind == Kind::CustomXml) {
      last = n;
    }
  }
  if (!last || IsParagraph(last)) return;
  // Positions up to the end stay where they are: the paragraph comes after.
  body.insert_child_after("w:p", last);
  index.StructureChanged(body);
}

int DocumentData::StoryLength(const Story& story) {
  // Ranges are made and clamped far more often than text changes.
  if (story.length_revision != index.Revision()) {
    story.length = index.Length(story.root);
    story.length_revision = index.Revision();
  }
  return story.length;
}

int DocumentData::StoryEnd(const Story& story) {
  int len = StoryLength(story);
  return Same(story.root, body) ? len : std::max(len - 1, 0);
}

void DocumentData::AdjustRanges(Story& story, int pos, int removed, int inserted,
                                bool everything_at_pos) {
  auto move = [&](int& p, bool start, bool collapsed) {
    if (removed > 0) {
      if (p >= pos + removed) {
        p -= removed;
      } else if (p > pos) {
        p = pos;
      }
    }
    if (inserted > 0 && (p > pos || (p == pos && (everything_at_pos || (start && !collapsed))))) {
      p += inserted;
    }
  };
  for (RangeState* r = story.ranges; r; r = r->Next()) {
    bool collapsed = r->start == r->end;
    move(r->start, true, collapsed);
    move(r->end, false, collapsed);
    if (r->end < r->start) r->end = r->start;
  }
}

DocumentData::ParagraphList DocumentData::TakeParagraphs(Story& story, int start, int end) {
  ParagraphList list = std::move(paragraphs_);
  paragraphs_.valid = false;
  if (list.valid && list.root == story.root && list.start == start && list.end == end &&
      list.revision == index.Revision()) {
    return list;
  }
  list.spans.clear();  // the memory is kept
  ParagraphsIn(story.root, 0, start, end, list.spans);
  list.root = story.root;
  list.start = start;
  list.end = end;
  list.revision = index.Revision();
  list.valid = true;
  return list;
}

void DocumentData::ParagraphsIn(pugi::xml_node c, int base, int start, int end,
                                std::vector<ParagraphList::Span>& out) {
  auto& info = index.Info(c);
  if (info.children.empty()) return;
  for (size_t i = index.ChildAt(info, std::max(start - base, 0)); i < info.children.size(); ++i) {
    int cs = base + index.StartIn(info, i);
    int len = info.length[i];
    if (cs > end || (cs == end && end > start)) break;
    if (cs + len <= start) continue;
    pugi::xml_node child = info.children[i];
    if (IsParagraph(child)) {
      out.push_back({child, std::max(start - cs, 0), std::min(end - cs, len), len});
    } else {
      ParagraphsIn(child, cs, start, end, out);
    }
    if (start == end) return;
  }
}

pugi::xml_node DocumentData::PrototypeHolder() {
  if (!proto_holder_) {
    // Among the removed content: never saved, and no walk over the body
    // or the document element meets it.
    proto_holder_ = body.parent().append_child("korvax-prototypes");
    Bury(proto_holder_);
  }
  return proto_holder_;
}

void DocumentData::MakePrototypes() {
  static constexpr std::string_view kXml =
      "<w:r/><w:t xml:space=\"preserve\">-</w:t><w:tab/><w:br/><w:br w:type=\"page\"/>"
      "<w:pPr/><w:tabs/><w:jc w:val=\"left\"/><w:jc w:val=\"center\"/>"
      "<w:jc w:val=\"right\"/><w:jc w:val=\"both\"/><w:pPr><w:tabs/></w:pPr>"
      "<w:pPr><w:jc w:val=\"left\"/></w:pPr><w:pPr><w:jc w:val=\"center\"/></w:pPr>"
      "<w:pPr><w:jc w:val=\"right\"/></w:pPr><w:pPr><w:jc w:val=\"both\"/></w:pPr>";
  pugi::xml_node holder = PrototypeHolder();
  pugi::xml_node last = holder.last_child();
  holder.append_buffer(kXml.data(), kXml.size());
  pugi::xml_node n = last ? last.next_sibling() : holder.first_child();
  for (pugi::xml_node* slot :
       {&protos_.run, &protos_.text, &protos_.tab, &protos_.line_break, &protos_.page_break,
        &protos_.paragraph_properties, &protos_.tabs, &protos_.jc[0], &protos_.jc[1],
        &protos_.jc[2], &protos_.jc[3], &protos_.paragraph_tabs, &protos_.aligned[0],
        &protos_.aligned[1], &protos_.aligned[2], &protos_.aligned[3]}) {
    *slot = n;
    n = n.next_sibling();
  }
}

pugi::xml_node DocumentData::AddPrototype(unsigned long long key, const std::string& xml) {
  pugi::xml_node holder = PrototypeHolder();
  pugi::xml_node last = holder.last_child();
  holder.append_buffer(xml.data(), xml.size());
  pugi::xml_node n = last ? last.next_sibling() : holder.first_child();
  keyed_protos_.push_back({key, n});
  return n;
}

void DocumentData::SetSelection(const std::shared_ptr<Story>& story, int start, int end) {
  if (selection->story != story) selection->MoveTo(story);
  int limit = StoryEnd(*story);
  selection->start = std::clamp(start, 0, limit);
  selection->end = std::clamp(end, selection->start, limit);
  selection->pending = RunFormat{};
}

}  // namespace korvax::word::detail
