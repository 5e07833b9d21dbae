// Character positions of a story as Word counts them, kept in a cache that an
// edit only touches along the path from the edited paragraph to the story root.
//
// A story is a tree of containers (body, table, row, cell, text box, comment)
// whose children are blocks (paragraphs, tables) or rows and cells. Each cached
// container knows its children's lengths and, lazily, their start offsets:
// an edit in the middle lowers the "valid" mark and later lookups extend it
// again from there, so writing a table cell by cell stays linear.
#pragma once

#include <string>
#include <unordered_map>
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

class TextIndex {
 public:
  struct Container {
    std::vector<pugi::xml_node> children;
    std::vector<int> length;
    std::vector<int> start;  // valid below `valid`
    size_t valid = 0;
    int total = 0;          // children plus the marks the container adds itself
    int extra = 0;          // 1 for a cell (its mark is 13 7), 2 for a row's end mark
    bool measured = false;  // length, start and total filled in
  };

  // The logical container a block, row or cell belongs to; null at a root.
  static pugi::xml_node Parent(pugi::xml_node n);
  // The story root above any node.
  static pugi::xml_node RootOf(pugi::xml_node n);

  Container& Info(pugi::xml_node container);  // with the children's lengths
  // The children alone: listing tables, rows or cells measures nothing, so
  // opening a document and walking its tables costs no position index.
  const std::vector<pugi::xml_node>& Children(pugi::xml_node container);
  int Length(pugi::xml_node block);     // paragraph, table, row, cell or root
  int Start(pugi::xml_node block);      // absolute, within its story
  int StartIn(Container& c, size_t i);  // offset of child i in its container
  size_t IndexIn(pugi::xml_node container, pugi::xml_node child);
  // The child holding relative position r (the last child when r is past all).
  size_t ChildAt(Container& c, int r);

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
  std::u32string ParagraphText(pugi::xml_node p, int from, int to);

  // The position of a marker element (bookmark, comment anchor) in its story.
  int PositionOf(pugi::xml_node node);

  void ParagraphChanged(pugi::xml_node p);  // its text changed, not the block list
  // Its children were added or removed: its child list is read again, the
  // lengths of children it already knew are kept, and its ancestors only
  // take the difference in length.
  void StructureChanged(pugi::xml_node container);
  void Forget(pugi::xml_node subtree);  // before the subtree is removed
  // Goes up with every change reported above; positions cached elsewhere are
  // good for the revision they were computed at only.
  unsigned long long Revision() const { return revision_; }

 private:
  Container& Listed(pugi::xml_node container);
  void List(pugi::xml_node container, Container& info);
  void Measure(Container& info);
  void ForgetNode(pugi::xml_node n);
  size_t IndexOf(Container& c, pugi::xml_node child);  // IndexIn for a container at hand
  // Gives the ancestors of a block its new length.
  void Propagate(pugi::xml_node block, int length);
  static void Flatten(pugi::xml_node parent, bool rows, bool cells,
                      std::vector<pugi::xml_node>& out);
  template <class Out>
  void AppendText(pugi::xml_node c, int base, int s, int e, Out& out);
  int WalkLength(pugi::xml_node p);

  std::unordered_map<pugi::xml_node_struct*, Container> containers_;
  std::unordered_map<pugi::xml_node_struct*, int> paragraph_length_;
  // Where a child is in its container's list, for containers of more than
  // kScanned children; an entry is a hint, checked against the list.
  static constexpr size_t kScanned = 8;
  std::unordered_map<pugi::xml_node_struct*, size_t> index_;
  std::vector<pugi::xml_node> scratch_;
  unsigned long long revision_ = 0;
};

}  // namespace korvax::word::detail
