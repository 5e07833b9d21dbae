// Character positions of a story as Word counts them, kept in a cache that an
// edit only touches along the path from the edited paragraph to the story root.
//
// A story is a tree of containers (body, table, row, cell, text box, comment)
// whose children are blocks (paragraphs, tables) or rows and cells. Each cached
// container knows its children's lengths and, lazily, their start offsets:
// an edit in the middle lowers the "valid" mark and later lookups extend it
// again from there, so writing a table cell by cell stays linear.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include <pugixml.hpp>

namespace korvax::word::detail {

// Word's marks in the text of a story.
inline constexpr char32_t kParagraphMark = 13;
inline constexpr char32_t kCellMark = 7;
inline constexpr char32_t kLineBreak = 11;
inline constexpr char32_t kPageBreak = 12;
inline constexpr char32_t kTab = 9;

// What an element is to the position index, from its name; the hot paths ask
// this instead of comparing names one by one.
enum class Kind : unsigned char {
  Other,
  StoryRoot,  // body, text box content, comment, header, footer, note
  Table,
  Row,
  Cell,
  Paragraph,
  Sdt,        // content control; its blocks are in w:sdtContent
  CustomXml,  // custom markup; its blocks are its children
};
Kind KindOf(pugi::xml_node n);

inline bool IsStoryRoot(pugi::xml_node n) {
  return KindOf(n) == Kind::StoryRoot;
}
inline bool IsContainer(pugi::xml_node n) {  // a story root, table, row or cell
  Kind k = KindOf(n);
  return k >= Kind::StoryRoot && k <= Kind::Cell;
}
inline bool IsParagraph(pugi::xml_node n) {
  return KindOf(n) == Kind::Paragraph;
}
inline bool IsTable(pugi::xml_node n) {
  return KindOf(n) == Kind::Table;
}

// How an element inside a paragraph counts: skipped with its content, looked
// into, or a piece of text of the given length.
enum class Walk { Skip, Descend, Atom };
Walk Classify(pugi::xml_node n, int& length);
std::u32string AtomText(pugi::xml_node atom);
int CountChars(const char* utf8);

// The element behind a handle without a call into the library (a handle is
// its pointer alone), for the loops and lookups run on every element.
inline pugi::xml_node_struct* Raw(pugi::xml_node n) {
  static_assert(sizeof(pugi::xml_node) == sizeof(pugi::xml_node_struct*));
  return std::bit_cast<pugi::xml_node_struct*>(n);
}
// The handle of an element, or an empty one, made the same way.
inline pugi::xml_node Handle(pugi::xml_node_struct* n) {
  return std::bit_cast<pugi::xml_node>(n);
}
inline bool Same(pugi::xml_node a, pugi::xml_node b) {
  return Raw(a) == Raw(b);
}

// Calls f(atom, start, length) for every piece of text of a paragraph, in
// order, until f returns false.
template <class F>
bool ForEachAtom(pugi::xml_node parent, int& pos, F&& f) {
  for (pugi::xml_node c = parent.first_child(); Raw(c); c = c.next_sibling()) {
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

// A list that keeps up to N items in itself: most containers (a cell's
// paragraph, a row's cells) never need the heap. Its owner must not move
// once the list is in use, as the index's containers never do.
template <class T, size_t N>
class SmallList {
 public:
  SmallList() = default;
  SmallList(const SmallList&) = delete;
  SmallList& operator=(const SmallList&) = delete;
  ~SmallList() {
    if (data_ != inline_.items) delete[] data_;
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](size_t i) { return data_[i]; }
  const T& operator[](size_t i) const { return data_[i]; }
  T& front() { return data_[0]; }
  const T& front() const { return data_[0]; }
  T& back() { return data_[size_ - 1]; }
  const T& back() const { return data_[size_ - 1]; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }

  void clear() { size_ = 0; }  // keeps the storage for the next use
  // New items are left as the storage holds them: the index writes them first.
  void resize(size_t n) {
    Reserve(n);
    size_ = n;
  }
  void assign(const T* from, const T* to) {
    size_t n = static_cast<size_t>(to - from);
    Reserve(n);
    std::uninitialized_copy(from, to, data_);
    size_ = n;
  }

 private:
  void Reserve(size_t n) {
    if (n <= capacity_) return;
    size_t capacity = std::max(n, capacity_ * 2);
    T* data = new T[capacity]();
    std::copy(data_, data_ + size_, data);
    if (data_ != inline_.items) delete[] data_;
    data_ = data;
    capacity_ = capacity;
  }
  // The items kept in place are written before they are read, so they are
  // not constructed up front (a handle's constructor is a library call).
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
  union Items {
    Items() {}
    T items[N];
  } inline_;
  T* data_ = inline_.items;
  size_t size_ = 0;
  size_t capacity_ = N;
};

class TextIndex {
  // Containers of up to this many children sum their lengths when asked
  // for a start (a cell's paragraphs, a row's cells), keep no starts and
  // hold their lists in themselves.
  static constexpr size_t kSummed = 8;

 public:
  using Nodes = SmallList<pugi::xml_node, kSummed>;
  struct Container {
    Nodes children;
    SmallList<int, kSummed> length;
    std::vector<int> start;  // valid below `valid`
    size_t valid = 0;
    int total = 0;          // children plus the marks the container adds itself
    int extra = 0;          // 1 for a cell (its mark is 13 7), 2 for a row's end mark
    bool measured = false;  // length, start and total filled in
    // The container itself: its element, what it is, and the container that
    // lists it with its place there (a hint: checked against that list before
    // it is used, since lists are rebuilt after structural edits).
    pugi::xml_node node;
    Kind kind = Kind::Other;
    Container* parent = nullptr;
    size_t index = 0;
    size_t cursor = 0;  // the child ChildAt found last
  };

  TextIndex() = default;
  TextIndex(const TextIndex&) = delete;
  TextIndex& operator=(const TextIndex&) = delete;

  // The logical container a block, row or cell belongs to; null at a root.
  static pugi::xml_node Parent(pugi::xml_node n);
  // The story root above any node.
  static pugi::xml_node RootOf(pugi::xml_node n);

  Container& Info(pugi::xml_node container);  // with the children's lengths
  // The children alone: listing tables, rows or cells measures nothing, so
  // opening a document and walking its tables costs no position index.
  const Nodes& Children(pugi::xml_node container);
  int Length(pugi::xml_node block);     // paragraph, table, row, cell or root
  int Start(pugi::xml_node block);      // absolute, within its story
  int StartIn(Container& c, size_t i);  // offset of child i in its container
  // The child holding relative position r (the last child when r is past all).
  size_t ChildAt(Container& c, int r);

  // A block's story root, start and length, found in one climb.
  struct Extent {
    pugi::xml_node root;
    int start = 0;
    int length = 0;
  };
  Extent ExtentOf(pugi::xml_node block);
  // The same from what the index holds alone: false, with nothing built,
  // unless the block is measured and listed all the way up to a story root.
  // A block found so is in the document when its root is (a deleted table
  // leaves the index before it is buried).
  bool HeldExtent(pugi::xml_node block, Extent& out);
  // True when the block is listed, through containers the index holds, in
  // the story of `root`; builds nothing.
  bool Reaches(pugi::xml_node block, pugi::xml_node root);
  // The children of a container that Reaches root, when the index holds its
  // list; null otherwise. Builds nothing.
  const Nodes* HeldChildren(pugi::xml_node container, pugi::xml_node root);

  // Where a walk over [start, end) of root's story may begin: the container
  // last found by its extent (a cell whose range was just asked for) when it
  // holds all of [start, end), else the root; `base` is where it starts.
  Container& Within(pugi::xml_node root, int start, int end, int& base);

  // A paragraph and the offset in it where text at pos would be inserted.
  // Positions on cell or row marks fall back to the end of the cell's text.
  struct Spot {
    pugi::xml_node paragraph;
    int offset = 0;
    int start = 0;  // the paragraph's position in the story
  };
  Spot Locate(pugi::xml_node root, int pos);
  // True when the character before pos is the end-of-cell mark of a cell.
  bool IsAfterCellMark(pugi::xml_node root, int pos);
  // Where text added at the end of [start, end) goes, and where the range
  // collapses to its end. A bare position belongs to the cell or paragraph
  // that begins there, so a collapsed range stays where it is; only a range
  // that takes in an end-of-cell mark ends inside that cell, after its text.
  int EndInsertPosition(pugi::xml_node root, int start, int end);

  std::u32string Text(pugi::xml_node root, int start, int end);
  // The same text in UTF-8, read straight from the XML.
  std::string TextUtf8(pugi::xml_node root, int start, int end);
  // A cell's, row's or table's whole text in UTF-8, its marks included, from
  // its own container: no position in its story needed.
  std::string BlockTextUtf8(pugi::xml_node block);

  // The position of a marker element (bookmark, comment anchor) in its story.
  int PositionOf(pugi::xml_node node);

  void ParagraphChanged(pugi::xml_node p);  // its text changed, not the block list
  // The same when the change is known to have added `added` characters: no
  // walk over the paragraph for its length.
  void ParagraphChanged(pugi::xml_node p, int added);
  // Its children were added or removed: its child list is read again, the
  // lengths of children it already knew are kept, and its ancestors only
  // take the difference in length.
  void StructureChanged(pugi::xml_node container);
  void Forget(pugi::xml_node subtree);  // before the subtree is removed
  // A table the layer has just built, entered with the lengths it is known
  // to have instead of being measured, before StructureChanged reports it to
  // its container: its rows start at `first_row` and are all that follows,
  // every child of a row is a cell, and every cell holds its properties and
  // then one paragraph without text.
  void TableBuilt(pugi::xml_node table, pugi::xml_node first_row);
  // About how many blocks the index will hold, so that the first measurement
  // of a large story does not grow the index step by step.
  void Expect(size_t blocks) { entries_.Expect(blocks); }
  // Goes up with every change reported above; positions cached elsewhere are
  // good for the revision they were computed at only.
  unsigned long long Revision() const { return revision_; }

 private:
  // What the index knows of one block (paragraph, table, row, cell) or root.
  // Trivial, so that a new slot array needs no construction: a null key
  // marks a free slot, and a new entry starts with nothing known.
  struct Entry {
    pugi::xml_node_struct* key;
    Container* container;  // its list, once built (not for paragraphs)
    Container* parent;     // the container listing it, with its place (a hint)
    size_t index;
    int length;  // a paragraph's length once measured (never 0: it has its mark)
    Kind kind;
  };
  // The entries by element: open addressing over one array, so that a
  // lookup is a multiplication and a probe or two, and the index is freed
  // in one piece.
  class Entries {
   public:
    Entry* Find(const pugi::xml_node_struct* key);
    Entry& Insert(pugi::xml_node_struct* key);                // found or added; others may move
    bool Take(const pugi::xml_node_struct* key, Entry& out);  // false when absent
    void Expect(size_t count) { expected_ = count; }          // for the first array

   private:
    size_t Home(const pugi::xml_node_struct* key) const;
    void Grow();
    // Zeroed memory from the allocator is all free slots: large arrays come
    // as fresh pages that need no clearing.
    struct Free {
      void operator()(Entry* slots) const;
    };
    std::unique_ptr<Entry[], Free> slots_;
    size_t size_ = 0;  // of slots_, a power of two
    size_t count_ = 0;
    size_t expected_ = 0;
    int shift_ = 64;
    Entry null_{};  // for an empty handle, as the slots use a null key for free
    bool null_used_ = false;
  };

  Container* NewContainer(pugi::xml_node node, Kind kind);  // listing nothing yet
  // With `measure`, a container built here is measured as it is listed.
  Container& Listed(pugi::xml_node container, bool measure = false);
  Container* Build(pugi::xml_node container, Kind kind, Entry* found,  // found: its entry
                   bool measure = false);
  void List(Container& c, bool measure = false);
  void Measure(Container& c);
  int LengthOf(Entry& e);  // e is not used afterwards: measuring may move it
  // A child of a measured container: its measured list, or null for a paragraph.
  Container* Sub(pugi::xml_node child);
  // The container listing c (or the block), with the place in `index`; null
  // at a root or, unless `build`, when that container is not held.
  Container* Up(Container& c, size_t& index, bool build);
  Container* PlaceOf(pugi::xml_node block, size_t& index, bool build);
  Container* Fallback(pugi::xml_node block, size_t& index, bool build);
  void SetPlace(Entry& e, Container* parent, size_t index);
  size_t IndexOf(Container& c, pugi::xml_node child);  // where child is in c's list
  // Gives the container holding child i its new length, and so on upwards.
  void Propagate(Container* c, size_t i, int length);
  void Drop(pugi::xml_node n);  // the entry and, for a container, all below it
  void ForgetWalk(pugi::xml_node n);
  static void Flatten(pugi::xml_node parent, bool rows, bool cells,
                      std::vector<pugi::xml_node>& out, std::vector<Kind>& kinds);
  template <class Out>
  void AppendText(Container& c, int base, int s, int e, Out& out);
  int WalkLength(pugi::xml_node p);

  // Where the last container found by its extent starts, so that reading or
  // editing inside it right after (a cell's text, its insertion point) starts
  // there instead of at the root. Good for one revision.
  struct Hint {
    unsigned long long revision = ~0ull;
    pugi::xml_node root;
    Container* container = nullptr;
    int start = 0;
  };
  void Remember(pugi::xml_node root, Container& c, int start);

  Entries entries_;
  Hint hint_;
  // Containers stay where they are: they are made in chunks.
  static constexpr size_t kChunk = 256;
  struct FreeChunk {
    void operator()(Container* chunk) const;
  };
  std::vector<std::unique_ptr<Container[], FreeChunk>> chunks_;
  size_t used_ = kChunk;           // of the last chunk
  std::vector<Container*> free_;   // forgotten ones, for reuse
  std::vector<Container*> roots_;  // held story roots, for text boxes inside forgotten blocks
  std::vector<pugi::xml_node> scratch_;
  std::vector<Kind> scratch_kinds_;
  unsigned long long revision_ = 0;
};

}  // namespace korvax::word::detail
