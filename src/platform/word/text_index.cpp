#include "platform/word/text_index.hpp"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/text.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word::detail {
namespace {

// A name against a literal, compared in line: most names differ early.
template <size_t N>
bool Eq(const char* a, const char (&b)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
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

#if defined(__SSE2__)
// Whole aligned blocks of 16 bytes are read: a block never crosses a page, so
// the bytes read before the text and past its terminator are harmless; they
// are masked out. The sanitizer would take them for overflows.
[[gnu::no_sanitize_address]] int CountChars(const char* s) {
  // Windows into this table give masks of the bytes from or before a place.
  alignas(16) static constexpr signed char kWindow[48] = {
      0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   // cleared
      -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,  // set
      0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0};  // cleared
  auto address = reinterpret_cast<std::uintptr_t>(s);
  size_t skip = address & 15;
  const auto* block = reinterpret_cast<const __m128i*>(address - skip);
  const __m128i zero = _mm_setzero_si128();
  // Continuation bytes (10xxxxxx) are the ones below 11000000 taken as signed.
  const __m128i lowest_lead = _mm_set1_epi8(-64);
  __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kWindow + 16 - skip));
  __m128i sum = zero;
  while (true) {
    __m128i bytes = _mm_load_si128(block);
    // Every byte but a continuation byte starts a character; each start adds 1.
    __m128i starts = _mm_andnot_si128(_mm_cmplt_epi8(bytes, lowest_lead), keep);
    int ends = _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(bytes, zero), keep));
    if (ends) {
      int end = std::countr_zero(static_cast<unsigned>(ends));
      starts = _mm_and_si128(starts,
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(kWindow + 32 - end)));
      sum = _mm_add_epi64(sum, _mm_sad_epu8(_mm_sub_epi8(zero, starts), zero));
      break;
    }
    sum = _mm_add_epi64(sum, _mm_sad_epu8(_mm_sub_epi8(zero, starts), zero));
    keep = _mm_cmpeq_epi8(zero, zero);
    ++block;
  }
  return static_cast<int>(_mm_cvtsi128_si64(sum) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sum, sum)));
}
#else
int CountChars(const char* s) {
  // Every byte but the continuation bytes (10xxxxxx) starts a character;
  // eight bytes at a time, the continuation bytes are counted by their bits.
  size_t n = std::strlen(s);
  size_t continuation = 0;
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s + i, 8);
    // One bit per continuation byte, at the byte's top; the multiplication
    // adds the bytes up into the top byte.
    std::uint64_t marks = (w & (~w << 1) & 0x8080808080808080ull) >> 7;
    continuation += static_cast<size_t>((marks * 0x0101010101010101ull) >> 56);
  }
  for (; i < n; ++i) continuation += (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
  return static_cast<int>(n - continuation);
}
#endif

namespace {

// Classify's work; without kCount a piece of text is not counted (its
// length stays 0), for walks that take whole paragraphs.
template <bool kCount>
Walk ClassifyAs(pugi::xml_node n, int& length) {
  const char* name = n.name();
  length = 0;
  if (const char* s = WordLocal(name)) {
    // One comparison at most per name: by its first character, then in full.
    switch (s[0]) {
      case 't':
        if (s[1] == 0) {
          if constexpr (kCount) length = CountChars(n.child_value());
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

}  // namespace

Walk Classify(pugi::xml_node n, int& length) {
  return ClassifyAs<true>(n, length);
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
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else {
    text::AppendUtf8(out, c);
  }
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

// All of a piece of text.
void PutAll(std::u32string& out, const char* text) {
  PutChars(out, text, 0, INT_MAX);
}

void PutAll(std::string& out, const char* text) {
  out.append(text);
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
  for (pugi::xml_node x = n.parent(); Raw(x); x = x.parent()) {
    if (IsContainer(x)) return x;
  }
  return {};
}

pugi::xml_node TextIndex::RootOf(pugi::xml_node n) {
  for (pugi::xml_node x = n; Raw(x); x = x.parent()) {
    if (IsStoryRoot(x)) return x;
  }
  return {};
}

inline size_t TextIndex::Entries::Home(const pugi::xml_node_struct* key) const {
  // Elements near each other in memory get slots near each other: a walk
  // over a table's rows meets entries in few cache lines. A 32 KB block of
  // addresses keeps its order inside a run of 512 slots; the multiplication
  // spreads the blocks' runs over the array.
  const auto a = reinterpret_cast<std::uint64_t>(key);
  const auto block = static_cast<size_t>(((a >> 15) * 0x9E3779B97F4A7C15ull) >> shift_);
  return (block + ((a >> 6) & 511)) & (size_ - 1);
}

TextIndex::Entry* TextIndex::Entries::Find(const pugi::xml_node_struct* key) {
  if (!key) return null_used_ ? &null_ : nullptr;
  if (count_ == 0) return nullptr;
  size_t mask = size_ - 1;
  for (size_t i = Home(key);; i = (i + 1) & mask) {
    Entry& e = slots_[i];
    if (e.key == key) return &e;
    if (!e.key) return nullptr;
  }
}

TextIndex::Entry& TextIndex::Entries::Insert(pugi::xml_node_struct* key) {
  if (!key) {  // an empty handle: kept aside, as the slots use null for free
    null_used_ = true;
    return null_;
  }
  if ((count_ + 1) * 2 > size_) Grow();
  size_t mask = size_ - 1;
  for (size_t i = Home(key);; i = (i + 1) & mask) {
    Entry& e = slots_[i];
    if (e.key == key) return e;
    if (!e.key) {  // a free slot is all zero (Grow, Take): nothing known yet
      e.key = key;
      ++count_;
      return e;
    }
  }
}

bool TextIndex::Entries::Take(const pugi::xml_node_struct* key, Entry& out) {
  if (!key) {
    out = null_;
    null_ = Entry{};
    return std::exchange(null_used_, false);
  }
  if (count_ == 0) return false;
  size_t mask = size_ - 1;
  size_t hole = Home(key);
  while (slots_[hole].key != key) {
    if (!slots_[hole].key) return false;
    hole = (hole + 1) & mask;
  }
  out = slots_[hole];
  // Entries after the hole that may not stay past it (their home slot is
  // not between the hole and them) move up into it, so no search stops short.
  for (size_t j = (hole + 1) & mask; slots_[j].key; j = (j + 1) & mask) {
    size_t home = Home(slots_[j].key);
    bool stays = hole <= j ? (hole < home && home <= j) : (hole < home || home <= j);
    if (!stays) {
      slots_[hole] = slots_[j];
      hole = j;
    }
  }
  slots_[hole] = Entry{};
  --count_;
  return true;
}

void TextIndex::Entries::Free::operator()(Entry* slots) const {
  std::free(slots);
}

void TextIndex::FreeChunk::operator()(Container* chunk) const {
  std::destroy_n(chunk, kChunk);
  std::free(chunk);
}

void TextIndex::Entries::Grow() {
  std::unique_ptr<Entry[], Free> old = std::move(slots_);
  size_t old_size = size_;
  // Four times as many slots while the index is small: a document's first
  // measurement fills it from nothing. The first array holds what is
  // expected at half its slots at most.
  size_ = old_size == 0 ? std::max<size_t>(1024, std::bit_ceil(expected_ * 2 + 1))
                        : old_size * (old_size < (1u << 16) ? 4 : 2);
  // A slot is free by its null key; the rest is written when it is taken.
  slots_.reset(static_cast<Entry*>(std::calloc(size_, sizeof(Entry))));
  if (!slots_) throw std::bad_alloc();
  shift_ = 64 - std::countr_zero(size_);
  size_t mask = size_ - 1;
  for (size_t k = 0; k < old_size; ++k) {
    const Entry& e = old[k];
    if (!e.key) continue;
    size_t i = Home(e.key);
    while (slots_[i].key) i = (i + 1) & mask;
    slots_[i] = e;
  }
}

void TextIndex::Flatten(pugi::xml_node parent, bool rows, bool cells,
                        std::vector<pugi::xml_node>& out, std::vector<Kind>& kinds) {
  // Text between elements has no name and counts as Kind::Other.
  for (pugi::xml_node c = parent.first_child(); Raw(c); c = c.next_sibling()) {
    Kind k = KindOf(c);
    if (k == Kind::Sdt) {
      Flatten(c.child("w:sdtContent"), rows, cells, out, kinds);
    } else if (k == Kind::CustomXml) {
      Flatten(c, rows, cells, out, kinds);
    } else if (rows    ? k == Kind::Row
               : cells ? k == Kind::Cell
                       : (k == Kind::Paragraph || k == Kind::Table)) {
      out.push_back(c);
      kinds.push_back(k);
    }
  }
}

namespace {

// ForEachAtom's walk for the length alone, the names classified in place.
[[gnu::flatten]] int AtomsLength(pugi::xml_node parent) {
  int pos = 0;
  for (pugi::xml_node c = parent.first_child(); Raw(c); c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    int len = 0;
    Walk w = ClassifyAs<true>(c, len);
    if (w == Walk::Atom) {
      pos += len;
    } else if (w == Walk::Descend) {
      pos += AtomsLength(c);
    }
  }
  return pos;
}

}  // namespace

int TextIndex::WalkLength(pugi::xml_node p) {
  return AtomsLength(p) + 1;
}

void TextIndex::SetPlace(Entry& e, Container* parent, size_t index) {
  e.parent = parent;
  e.index = index;
  if (e.container) {
    e.container->parent = parent;
    e.container->index = index;
  }
}

void TextIndex::List(Container& c, bool measure) {
  bool rows = c.kind == Kind::Table;
  bool cells = c.kind == Kind::Row;
  // Gathered in a scratch list first so that the container's list is
  // allocated once, at its size (the children's builds reuse the list).
  scratch_.clear();
  scratch_kinds_.clear();
  Flatten(c.node, rows, cells, scratch_, scratch_kinds_);
  size_t n = scratch_.size();
  c.children.assign(scratch_.data(), scratch_.data() + n);
  c.extra = c.kind == Kind::Cell ? 1 : cells ? 2 : 0;
  if (!measure) {
    for (size_t i = 0; i < n; ++i) {
      Entry& e = entries_.Insert(Raw(c.children[i]));
      e.kind = scratch_kinds_[i];
      SetPlace(e, &c, i);
    }
    return;
  }
  // Each child is measured as soon as it is entered, with its entry at hand;
  // a container's build takes the scratch lists, so the kinds are kept aside.
  Kind few[kSummed];
  std::vector<Kind> many;
  const Kind* kinds = few;
  if (n <= kSummed) {
    std::copy_n(scratch_kinds_.data(), n, few);
  } else {
    many.assign(scratch_kinds_.begin(), scratch_kinds_.end());
    kinds = many.data();
  }
  c.length.resize(n);
  if (n > kSummed) c.start.resize(n);  // read below `valid` only
  c.valid = 0;
  int total = c.extra;
  for (size_t i = 0; i < n; ++i) {
    Entry& e = entries_.Insert(Raw(c.children[i]));
    e.kind = kinds[i];
    SetPlace(e, &c, i);
    c.length[i] = LengthOf(e);  // e is not used afterwards
    total += c.length[i];
  }
  c.total = total;
  c.measured = true;
}

[[gnu::always_inline]] inline TextIndex::Container* TextIndex::NewContainer(pugi::xml_node node,
                                                                            Kind kind) {
  Container* c;
  if (!free_.empty()) {
    c = free_.back();
    free_.pop_back();
  } else {
    if (used_ == kChunk) {
      chunks_.emplace_back();  // first, so that the chunk cannot be lost
      auto* chunk = static_cast<Container*>(std::malloc(sizeof(Container) * kChunk));
      if (!chunk) throw std::bad_alloc();
      std::uninitialized_value_construct_n(chunk, kChunk);
      chunks_.back().reset(chunk);
      used_ = 0;
    }
    c = &chunks_.back()[used_++];
  }
  c->node = node;
  c->kind = kind;
  c->measured = false;
  c->valid = 0;
  c->total = 0;
  return c;
}

TextIndex::Container* TextIndex::Build(pugi::xml_node node, Kind kind, Entry* found, bool measure) {
  Container* c = NewContainer(node, kind);
  Entry& e = found ? *found : entries_.Insert(Raw(node));  // not used once List adds more
  e.container = c;
  e.kind = kind;
  c->parent = e.parent;
  c->index = e.index;
  if (kind == Kind::StoryRoot) roots_.push_back(c);
  List(*c, measure);
  return c;
}

TextIndex::Container& TextIndex::Listed(pugi::xml_node container, bool measure) {
  Entry* e = entries_.Find(Raw(container));
  if (e && e->container) return *e->container;
  return *Build(container, e && e->kind != Kind::Other ? e->kind : KindOf(container), e, measure);
}

void TextIndex::Measure(Container& c) {
  size_t n = c.children.size();
  c.length.resize(n);
  if (n > kSummed) c.start.resize(n);  // read below `valid` only
  c.valid = 0;
  c.total = c.extra;
  for (size_t i = 0; i < n; ++i) {
    c.length[i] = Length(c.children[i]);
    c.total += c.length[i];
  }
  c.measured = true;
}

TextIndex::Container& TextIndex::Info(pugi::xml_node container) {
  Container& c = Listed(container, true);
  if (!c.measured) Measure(c);
  return c;
}

const TextIndex::Nodes& TextIndex::Children(pugi::xml_node container) {
  return Listed(container).children;
}

int TextIndex::LengthOf(Entry& e) {
  if (e.kind == Kind::Paragraph) {
    if (e.length == 0) e.length = WalkLength(Handle(e.key));
    return e.length;
  }
  pugi::xml_node node = Handle(e.key);
  Container* c = e.container ? e.container
                             : Build(node, e.kind != Kind::Other ? e.kind : KindOf(node), &e, true);
  if (!c->measured) Measure(*c);
  return c->total;
}

int TextIndex::Length(pugi::xml_node block) {
  if (Entry* e = entries_.Find(Raw(block))) return LengthOf(*e);
  if (!IsParagraph(block)) return Info(block).total;
  int len = WalkLength(block);
  Entry& e = entries_.Insert(Raw(block));
  e.kind = Kind::Paragraph;
  e.length = len;
  return len;
}

TextIndex::Container* TextIndex::Sub(pugi::xml_node child) {
  Entry* e = entries_.Find(Raw(child));
  if (e ? e->kind == Kind::Paragraph : IsParagraph(child)) return nullptr;
  Container* c = e && e->container ? e->container : &Listed(child, true);
  if (!c->measured) Measure(*c);
  return c;
}

int TextIndex::StartIn(Container& c, size_t i) {
  if (c.children.size() <= kSummed) {
    int start = 0;
    for (size_t k = 0; k < i; ++k) start += c.length[k];
    return start;
  }
  while (c.valid <= i) {
    size_t k = c.valid;
    c.start[k] = k == 0 ? 0 : c.start[k - 1] + c.length[k - 1];
    ++c.valid;
  }
  return c.start[i];
}

size_t TextIndex::IndexOf(Container& c, pugi::xml_node child) {
  Entry* e = entries_.Find(Raw(child));
  if (e && e->parent == &c && e->index < c.children.size() && Same(c.children[e->index], child)) {
    return e->index;
  }
  auto found = std::find(c.children.begin(), c.children.end(), child);
  if (found == c.children.end()) throw errors::NoSuchMember();
  size_t i = static_cast<size_t>(found - c.children.begin());
  if (e) SetPlace(*e, &c, i);
  return i;
}

TextIndex::Container* TextIndex::Fallback(pugi::xml_node block, size_t& index, bool build) {
  pugi::xml_node up = Parent(block);
  if (!up) return nullptr;
  Container* c;
  if (build) {
    c = &Listed(up);
  } else {
    Entry* e = entries_.Find(Raw(up));
    if (!e || !e->container) return nullptr;
    c = e->container;
  }
  index = IndexOf(*c, block);
  return c;
}

TextIndex::Container* TextIndex::Up(Container& c, size_t& index, bool build) {
  if (c.kind == Kind::StoryRoot) return nullptr;
  Container* p = c.parent;
  if (p && c.index < p->children.size() && Same(p->children[c.index], c.node)) {
    index = c.index;
    return p;
  }
  return Fallback(c.node, index, build);
}

TextIndex::Container* TextIndex::PlaceOf(pugi::xml_node block, size_t& index, bool build) {
  if (Entry* e = entries_.Find(Raw(block))) {
    if (e->container) return Up(*e->container, index, build);
    Container* p = e->parent;
    if (p && e->index < p->children.size() && Same(p->children[e->index], block)) {
      index = e->index;
      return p;
    }
  }
  return Fallback(block, index, build);
}

int TextIndex::Start(pugi::xml_node block) {
  size_t i = 0;
  int start = 0;
  for (Container* c = PlaceOf(block, i, true); c; c = Up(*c, i, true)) {
    if (!c->measured) Measure(*c);
    start += StartIn(*c, i);
  }
  return start;
}

TextIndex::Extent TextIndex::ExtentOf(pugi::xml_node block) {
  Extent x;
  x.length = Length(block);
  size_t i = 0;
  Container* top = nullptr;
  for (Container* c = PlaceOf(block, i, true); c; c = Up(*c, i, true)) {
    if (!c->measured) Measure(*c);
    x.start += StartIn(*c, i);
    top = c;
  }
  x.root = top && top->kind == Kind::StoryRoot ? top->node : RootOf(block);
  Entry* e = entries_.Find(Raw(block));
  if (e && e->container && x.root) Remember(x.root, *e->container, x.start);
  return x;
}

bool TextIndex::HeldExtent(pugi::xml_node block, Extent& out) {
  Entry* e = entries_.Find(Raw(block));
  if (!e) return false;
  Container* self = e->container;
  if (e->kind == Kind::Paragraph) {
    if (e->length == 0) return false;
    out.length = e->length;
  } else {
    if (!self || !self->measured) return false;
    out.length = self->total;
    if (self->kind == Kind::StoryRoot) {
      out.root = block;
      out.start = 0;
      return true;
    }
  }
  int start = 0;
  pugi::xml_node node = block;
  Container* p = e->parent;
  size_t i = e->index;
  while (true) {
    if (!p || !p->measured || i >= p->children.size() || !Same(p->children[i], node)) return false;
    start += StartIn(*p, i);
    if (p->kind == Kind::StoryRoot) break;
    node = p->node;
    i = p->index;
    p = p->parent;
  }
  out.root = p->node;
  out.start = start;
  if (self) Remember(out.root, *self, start);
  return true;
}

void TextIndex::Remember(pugi::xml_node root, Container& c, int start) {
  hint_.revision = revision_;
  hint_.root = root;
  hint_.container = &c;
  hint_.start = start;
}

TextIndex::Container& TextIndex::Within(pugi::xml_node root, int s, int e, int& base) {
  // A descent from the root picks, level by level, the child holding the
  // position: for positions inside the remembered container, its ancestors
  // and then itself, so the descent may as well start there.
  if (hint_.revision == revision_ && Same(hint_.root, root) && s >= hint_.start &&
      e <= hint_.start + hint_.container->total) {
    base = hint_.start;
    return *hint_.container;
  }
  base = 0;
  return Info(root);
}

bool TextIndex::Reaches(pugi::xml_node block, pugi::xml_node root) {
  Entry* e = entries_.Find(Raw(block));
  if (!e) return false;
  if (Same(block, root)) return e->container != nullptr;
  pugi::xml_node node = block;
  Container* p = e->parent;
  size_t i = e->index;
  while (p && i < p->children.size() && Same(p->children[i], node)) {
    if (p->kind == Kind::StoryRoot) return Same(p->node, root);
    node = p->node;
    i = p->index;
    p = p->parent;
  }
  return false;
}

const TextIndex::Nodes* TextIndex::HeldChildren(pugi::xml_node container, pugi::xml_node root) {
  Entry* e = entries_.Find(Raw(container));
  if (!e || !e->container) return nullptr;
  if (Same(container, root)) return &e->container->children;
  pugi::xml_node node = container;
  Container* p = e->parent;
  size_t i = e->index;
  while (p && i < p->children.size() && Same(p->children[i], node)) {
    if (p->kind == Kind::StoryRoot) return Same(p->node, root) ? &e->container->children : nullptr;
    node = p->node;
    i = p->index;
    p = p->parent;
  }
  return nullptr;
}

size_t TextIndex::ChildAt(Container& c, int r) {
  if (c.children.empty()) return 0;
  if (c.children.size() <= kSummed) {
    int end = 0;
    for (size_t i = 0; i < c.children.size(); ++i) {
      end += c.length[i];
      if (end > r) return i;
    }
    return c.children.size() - 1;
  }
  // Lookups tend to stay in one child or go on to the next (a table filled
  // row by row): those two are tried before a search.
  for (size_t k = c.cursor; k < c.cursor + 2 && k < c.valid; ++k) {
    if (c.start[k] <= r && r - c.start[k] < c.length[k]) return c.cursor = k;
  }
  if (c.valid > 0 && c.start[c.valid - 1] + c.length[c.valid - 1] > r) {
    auto end = c.start.begin() + static_cast<std::ptrdiff_t>(c.valid);
    auto it = std::upper_bound(c.start.begin(), end, r);
    return c.cursor = static_cast<size_t>(it - c.start.begin()) - 1;
  }
  for (size_t i = c.valid == 0 ? 0 : c.valid - 1; i < c.children.size(); ++i) {
    if (StartIn(c, i) + c.length[i] > r) return c.cursor = i;
  }
  return c.children.size() - 1;
}

TextIndex::Spot TextIndex::Locate(pugi::xml_node root, int pos) {
  int r = std::max(pos, 0);
  int base = 0;  // where c starts in the story
  Container* c = &Within(root, r, r + 1, base);
  r -= base;
  while (true) {
    if (c->children.empty()) throw errors::NoSuchMember();
    size_t i = ChildAt(*c, r);
    int start = StartIn(*c, i);
    r = std::min(r - start, c->length[i]);
    pugi::xml_node child = c->children[i];
    Container* sub = Sub(child);
    if (!sub) {
      Remember(root, *c, base);
      return {child, std::min(r, c->length[i] - 1), base + start};
    }
    base += start;
    c = sub;
  }
}

bool TextIndex::IsAfterCellMark(pugi::xml_node root, int pos) {
  if (pos <= 0) return false;
  int base = 0;
  Container* c = &Within(root, pos - 1, pos, base);
  int r = pos - 1 - base;
  while (true) {
    if (c->children.empty()) return false;
    int sum = c->total - c->extra;
    if (r >= sum) return c->kind == Kind::Cell && r == sum;
    size_t i = ChildAt(*c, r);
    r -= StartIn(*c, i);
    c = Sub(c->children[i]);
    if (!c) return false;
  }
}

int TextIndex::EndInsertPosition(pugi::xml_node root, int start, int end) {
  // Two back: before the cell's mark and its last paragraph mark.
  if (end > start && IsAfterCellMark(root, end)) return end - 2;
  return end;
}

namespace {

// All the text of a paragraph's content, without counting it.
template <class Out>
void AppendAll(pugi::xml_node parent, Out& out) {
  for (pugi::xml_node c = parent.first_child(); Raw(c); c = c.next_sibling()) {
    // The elements of nearly every paragraph are settled here, as Classify
    // settles them, with their name read once: text, a run to look into,
    // the run's or the paragraph's properties to skip, a tab. Text between
    // elements has no name; the only other named nodes, processing
    // instructions, have no children, so that reading one as text or as a
    // run adds nothing, as skipping it would: only a tab needs its type.
    if (const char* s = WordLocal(c.name())) {
      if (s[0] == 't' && s[1] == 0) {
        PutAll(out, c.child_value());
        continue;
      }
      if (s[0] == 'r' && s[1] == 0) {
        AppendAll(c, out);
        continue;
      }
      if ((s[0] == 'r' || s[0] == 'p') && Eq(s + 1, "Pr")) continue;
      if (s[0] == 't' && Eq(s, "tab")) {
        if (c.type() == pugi::node_element) Put(out, kTab);
        continue;
      }
    }
    if (c.type() != pugi::node_element) continue;
    int len = 0;
    Walk w = ClassifyAs<false>(c, len);
    if (w == Walk::Atom) {
      if (IsText(c)) {
        PutAll(out, c.child_value());
      } else {
        Put(out, AtomChar(c));
      }
    } else if (w == Walk::Descend) {
      AppendAll(c, out);
    }
  }
}

template <class Out>
void AppendParagraph(pugi::xml_node p, int from, int to, Out& out) {
  int pos = 0;
  ForEachAtom(p, pos, [&](pugi::xml_node atom, int start, int len) {
    if (start >= to) return false;
    if (start + len > from) {
      int a = std::max(from - start, 0);
      int b = std::min(to - start, len);
      if (IsText(atom)) {
        if (a == 0 && b == len) {
          PutAll(out, atom.child_value());
        } else {
          PutChars(out, atom.child_value(), a, b);
        }
      } else if (a < b) {
        Put(out, AtomChar(atom));
      }
    }
    return true;
  });
  if (to > pos && from <= pos) Put(out, kParagraphMark);
}

}  // namespace

template <class Out>
void TextIndex::AppendText(Container& c, int base, int s, int e, Out& out) {
  if (!c.children.empty()) {
    for (size_t i = ChildAt(c, std::max(s - base, 0)); i < c.children.size(); ++i) {
      int cs = base + StartIn(c, i);
      if (cs >= e) break;
      int ce = cs + c.length[i];
      if (ce <= s) continue;
      pugi::xml_node child = c.children[i];
      if (Container* sub = Sub(child)) {
        AppendText(*sub, cs, s, e, out);
      } else if (s <= cs && ce <= e) {  // all of it, with its mark
        AppendAll(child, out);
        Put(out, kParagraphMark);
      } else {
        AppendParagraph(child, s - cs, e - cs, out);
      }
    }
  }
  int mark = base + c.total - c.extra;
  if (c.extra == 1 && mark >= s && mark < e) Put(out, kCellMark);
  if (c.extra == 2) {
    if (mark >= s && mark < e) Put(out, kParagraphMark);
    if (mark + 1 >= s && mark + 1 < e) Put(out, kCellMark);
  }
}

std::u32string TextIndex::Text(pugi::xml_node root, int start, int end) {
  std::u32string out;
  if (end > start) {
    int base = 0;
    Container& from = Within(root, start, end, base);
    AppendText(from, base, start, end, out);
  }
  return out;
}

std::string TextIndex::TextUtf8(pugi::xml_node root, int start, int end) {
  std::string out;
  if (end > start) {
    out.reserve(static_cast<size_t>(end - start));
    int base = 0;
    Container& from = Within(root, start, end, base);
    AppendText(from, base, start, end, out);
  }
  return out;
}

std::string TextIndex::BlockTextUtf8(pugi::xml_node block) {
  Container& c = Info(block);
  std::string out;
  out.reserve(static_cast<size_t>(c.total));
  AppendText(c, 0, 0, c.total, out);
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
      for (pugi::xml_node c = parent.first_child(); Raw(c); c = c.next_sibling()) {
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
  const Entry* e = entries_.Find(Raw(p));
  ParagraphChanged(p, e && e->length != 0 ? WalkLength(p) - e->length : 0);
}

void TextIndex::ParagraphChanged(pugi::xml_node p, int added) {
  ++revision_;
  Entry* e = entries_.Find(Raw(p));
  if (!e || e->length == 0) return;  // not measured yet: no container counts it
  int len = e->length + added;
  e->length = len;
  // The place the entry keeps, when it still holds; else it is looked for.
  size_t i = e->index;
  Container* c = e->parent;
  if (!c || i >= c->children.size() || !Same(c->children[i], p)) c = PlaceOf(p, i, false);
  Propagate(c, i, len);
}

void TextIndex::Propagate(Container* c, size_t i, int len) {
  // Measuring a container measures everything below it: above one that
  // counts no lengths, none does.
  while (c && c->measured) {
    int delta = len - c->length[i];
    if (delta == 0) return;
    c->length[i] = len;
    c->total += delta;
    c->valid = std::min(c->valid, i + 1);
    len = c->total;
    c = Up(*c, i, false);
  }
}

void TextIndex::StructureChanged(pugi::xml_node container) {
  ++revision_;
  // A container that is not held has no measured ancestor either: measuring
  // a container measures every container below it.
  Entry* found = entries_.Find(Raw(container));
  if (!found || !found->container) return;
  Container& c = *found->container;
  if (!c.measured) {  // only its child list is known, and no ancestor counts its length
    List(c);
    return;
  }
  std::vector<pugi::xml_node>& children = scratch_;
  std::vector<Kind>& kinds = scratch_kinds_;
  children.clear();
  kinds.clear();
  Flatten(container, c.kind == Kind::Table, c.kind == Kind::Row, children, kinds);
  // The children before the first one that differs keep their starts.
  size_t same = 0;
  while (same < children.size() && same < c.children.size() &&
         Same(children[same], c.children[same])) {
    ++same;
  }
  // Children that stay were kept up to date; new ones are measured below,
  // once the lists are in place (measuring them uses the scratch lists).
  c.children.assign(children.data(), children.data() + children.size());
  c.length.resize(children.size());
  for (size_t i = same; i < c.children.size(); ++i) {
    Entry& e = entries_.Insert(Raw(c.children[i]));
    e.kind = kinds[i];
    SetPlace(e, &c, i);
  }
  int total = c.extra;
  for (size_t i = 0; i < same; ++i) total += c.length[i];
  for (size_t i = same; i < c.children.size(); ++i) {
    c.length[i] = Length(c.children[i]);
    total += c.length[i];
  }
  if (c.children.size() > kSummed) c.start.resize(c.children.size());
  c.valid = std::min(c.valid, same);
  c.total = total;
  size_t i = 0;
  Container* up = Up(c, i, false);
  Propagate(up, i, total);
}

void TextIndex::TableBuilt(pugi::xml_node table, pugi::xml_node first_row) {
  ++revision_;
  // An entry is written in full before the next one is added: adding may
  // move the entries.
  auto enter = [&](pugi::xml_node n, Kind kind, Container* own, Container* parent, size_t index,
                   int length) {
    Entry& e = entries_.Insert(Raw(n));
    e.container = own;
    e.parent = parent;
    e.index = index;
    e.length = length;
    e.kind = kind;
  };
  Container* t = NewContainer(table, Kind::Table);
  Entry& te = entries_.Insert(Raw(table));
  te.container = t;
  te.kind = Kind::Table;
  t->parent = te.parent;
  t->index = te.index;
  t->extra = 0;
  std::vector<pugi::xml_node>& rows = scratch_;
  rows.clear();
  for (pugi::xml_node r = first_row; Raw(r); r = r.next_sibling()) rows.push_back(r);
  size_t n = rows.size();
  t->children.assign(rows.data(), rows.data() + n);
  t->length.resize(n);
  if (n > kSummed) t->start.resize(n);
  t->total = 0;
  pugi::xml_node cells[64];  // a table has 63 columns at most
  for (size_t i = 0; i < n; ++i) {
    pugi::xml_node row = t->children[i];
    Container* r = NewContainer(row, Kind::Row);
    r->extra = 2;
    r->parent = t;
    r->index = i;
    size_t m = 0;
    for (pugi::xml_node tc = row.first_child(); Raw(tc) && m < 64; tc = tc.next_sibling()) {
      cells[m++] = tc;
    }
    r->children.assign(cells, cells + m);
    r->length.resize(m);
    for (size_t k = 0; k < m; ++k) {
      Container* c = NewContainer(cells[k], Kind::Cell);
      pugi::xml_node p = cells[k].last_child();
      c->extra = 1;
      c->parent = r;
      c->index = k;
      c->children.assign(&p, &p + 1);
      c->length.resize(1);
      c->length[0] = 1;  // its mark alone
      c->total = 2;
      c->measured = true;
      enter(cells[k], Kind::Cell, c, r, k, 0);
      enter(p, Kind::Paragraph, nullptr, c, 0, 1);
      r->length[k] = c->total;
    }
    r->total = static_cast<int>(2 * m) + r->extra;
    r->measured = true;
    enter(row, Kind::Row, r, t, i, 0);
    t->length[i] = r->total;
    t->total += r->total;
  }
  t->measured = true;
}

void TextIndex::Forget(pugi::xml_node subtree) {
  ++revision_;
  // Text boxes are stories of their own that no list leads to: the held
  // roots inside the subtree are found from their side.
  std::vector<pugi::xml_node> inside;
  for (Container* r : roots_) {
    if (r->node == subtree) continue;
    for (pugi::xml_node x = r->node.parent(); x; x = x.parent()) {
      if (x == subtree) {
        inside.push_back(r->node);
        break;
      }
    }
  }
  for (pugi::xml_node r : inside) Drop(r);
  if (entries_.Find(Raw(subtree))) {
    Drop(subtree);
  } else {
    ForgetWalk(subtree);
  }
}

void TextIndex::ForgetWalk(pugi::xml_node n) {
  for (pugi::xml_node c = n.first_child(); Raw(c); c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    if (entries_.Find(Raw(c))) {
      Drop(c);
    } else {
      ForgetWalk(c);
    }
  }
}

void TextIndex::Drop(pugi::xml_node n) {
  Entry gone;
  if (!entries_.Take(Raw(n), gone)) return;
  Container* c = gone.container;
  if (!c) return;
  // Everything a container lists is below it: its list leads to every entry
  // inside, without a walk over the elements.
  for (pugi::xml_node child : c->children) Drop(child);
  if (c->kind == Kind::StoryRoot) std::erase(roots_, c);
  c->children.clear();
  c->length.clear();
  c->start.clear();
  c->measured = false;
  c->node = pugi::xml_node();
  c->parent = nullptr;
  free_.push_back(c);
}

}  // namespace korvax::word::detail
