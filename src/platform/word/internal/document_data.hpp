// The state behind every handle of one open document: the package, the
// parsed main part, the stories and their live ranges. Only the layer sees it.
//
// Two counters say what changed: every edit raises the revision, which is
// all that integer positions and the comments' places are kept for; every
// removal and every added row or paragraph raises the generation, by which a
// handle learns in one place (Handle::Doc) whether its element is still there.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "platform/word/handle.hpp"
#include "platform/word/package.hpp"
#include "story.hpp"

namespace korvax::word::detail {

struct RangeState;

inline pugi::xml_node Xml(const Node* n) {
  return pugi::xml_node(reinterpret_cast<pugi::xml_node_struct*>(const_cast<Node*>(n)));
}
inline Node* NodeOf(pugi::xml_node n) {
  return reinterpret_cast<Node*>(n.internal_object());
}

// Character formatting that text typed at a collapsed range receives.
struct RunFormat {
  std::optional<bool> bold;
  std::optional<double> size;  // points
  bool Empty() const { return !bold && !size; }
};

// One story: the main text, a comment's text or a text box's text.
struct Story {
  pugi::xml_node root;
  bool edited = false;  // a text box's fallback copy must follow
  // The live ranges of the story, linked through themselves: a range joins
  // when made and leaves when it goes, so an edit moves the living alone.
  RangeState* ranges = nullptr;
  // The positions as of one revision.
  std::optional<Layout> layout;
  unsigned long long layout_revision = 0;
  // The order of its places as of one generation.
  std::optional<Layout> order;
  unsigned long long order_generation = 0;
};

struct RangeState {
  RangeState(std::shared_ptr<class DocumentData> of, std::shared_ptr<Story> in, Point from,
             Point to)
      : doc(std::move(of)), story(std::move(in)), start(from), end(to) {
    Join();
  }
  RangeState(const RangeState&) = delete;
  RangeState& operator=(const RangeState&) = delete;
  ~RangeState() { Leave(); }

  std::shared_ptr<class DocumentData> doc;
  std::shared_ptr<Story> story;
  Point start, end;
  RunFormat pending;
  unsigned long long seen = 0;  // the generation the story was last found alive in

  // Puts the range into the list of `to`, leaving the one it was in.
  void MoveTo(std::shared_ptr<Story> to) {
    Leave();
    story = std::move(to);
    Join();
  }
  RangeState* Next() const { return next_; }

 private:
  void Join() {
    next_ = story->ranges;
    if (next_) next_->prev_ = this;
    story->ranges = this;
  }
  void Leave() {
    if (!story) return;
    if (prev_) {
      prev_->next_ = next_;
    } else if (story->ranges == this) {
      story->ranges = next_;
    }
    if (next_) next_->prev_ = prev_;
    prev_ = next_ = nullptr;
  }
  RangeState* prev_ = nullptr;
  RangeState* next_ = nullptr;
};

// The range behind a handle: 91 when there is none or it has no document,
// 5825 when its story was deleted.
RangeState& Live(const std::shared_ptr<RangeState>& range);

// The markers of a comment in the main story.
struct CommentAnchor {
  std::string id;
  pugi::xml_node start, end, reference;
};

// Where new content goes: before `before` in `parent` (append when null).
struct InsertPoint {
  pugi::xml_node parent;
  pugi::xml_node before;
  pugi::xml_node Insert(const char* name) {
    return before ? parent.insert_child_before(name, before) : parent.append_child(name);
  }
};

class DocumentData : public std::enable_shared_from_this<DocumentData> {
 public:
  explicit DocumentData(Package package);

  Package package;
  std::string main_part;  // "word/document.xml" or what the relationships name
  pugi::xml_node body;
  std::shared_ptr<Story> main;
  std::shared_ptr<RangeState> selection;
  int bookmarks_default_sorting = 0;
  bool bookmarks_show_hidden = false;

  // What changed (see above); every edit calls it.
  void Changed(bool structure) {
    ++revision_;
    if (structure) ++generation_;
  }
  // True when n is still in its part; `seen` remembers the generation in
  // which it was, so that most checks end there.
  bool Alive(pugi::xml_node n, unsigned long long& seen) const {
    return seen == generation_ || FoundAlive(n, seen);
  }
  // Moves a removed object aside instead of freeing it, so that a handle
  // still held finds it gone rather than freed memory; never saved.
  void Bury(pugi::xml_node n);

  std::shared_ptr<Story> StoryFor(pugi::xml_node root);
  // Integer positions: one walk of the story per revision.
  const Layout& LayoutOf(Story& story);
  int Position(Story& story, Point p) { return LayoutOf(story).Position(p); }
  Point PointAt(Story& story, int position) { return LayoutOf(story).PointAt(position); }
  // The order of places (Layout::Rank): one walk of the story's paragraphs,
  // rows and cells per generation, none of their text.
  const Layout& OrderOf(Story& story);
  Point StoryEnd(Story& story);  // the last place a range may reach
  int StoryEndPosition(Story& story);
  std::shared_ptr<RangeState> NewRange(const std::shared_ptr<Story>& story, Point start, Point end);
  std::shared_ptr<RangeState> NewRange(const std::shared_ptr<Story>& story, int start, int end);
  void SetSelection(const std::shared_ptr<Story>& story, Point start, Point end);

  // Text edits (editing.cpp); every live range of the story moves along.
  // Inserts UTF-8 text at a paragraph place (Locate) and returns where the
  // new text begins and ends. '\r' starts a new paragraph, '\v' is a line
  // break, '\t' a tab. The start of a range that is not collapsed moves past
  // text inserted where it stands; ends and collapsed ranges stay before it.
  std::pair<Point, Point> InsertText(Story& story, Point at, std::string_view text,
                                     const RunFormat& format);
  void Delete(Story& story, Point start, Point end);
  // What goes to the end of the document content goes into the body's own
  // last paragraph, as in Word: a body that ends with a table or a content
  // control (as generators write them) gets an empty one after it when p is
  // that end; ranges at the end then stand before its mark, and so does the
  // place returned. Opening a document changes nothing.
  Point EndWithParagraph(Story& story, Point p);
  // Splits runs so that a marker element can be placed exactly at p.
  InsertPoint PointAt(Story& story, Point p);
  // The same within a paragraph.
  InsertPoint PointIn(pugi::xml_node paragraph, int offset);
  // Removes a table with its comments and bookmarks; places inside it go to
  // the place after it.
  void RemoveTable(pugi::xml_node table);

  // The related parts, created on demand (parts.cpp).
  std::string PartByRelType(std::string_view type_suffix);
  pugi::xml_node PartRoot(std::string_view type_suffix);  // null when there is no such part
  pugi::xml_node CommentsRoot(bool create);
  // Word writes a text box twice (DrawingML and a VML fallback for old
  // readers); after edits the fallback gets a copy of the edited text.
  void SyncTextBoxFallbacks();

  // Every comment's markers in document order of their first marker, for
  // one generation: text typed or deleted within paragraphs leaves markers
  // where they are.
  const std::vector<CommentAnchor>& CommentAnchors();
  // The span of the main story between two markers (the end may be null),
  // and the one an anchor covers.
  std::pair<Point, Point> MarkedSpan(pugi::xml_node start, pugi::xml_node end);
  std::pair<Point, Point> ScopeOf(const CommentAnchor& anchor);
  // The comments with their anchors' places ranked in document order
  // (Layout::Rank), in anchor order; those without an anchor have none.
  // For one revision.
  struct PlacedComment {
    pugi::xml_node comment;
    bool anchored = false;
    uint64_t start = 0, end = 0;
  };
  const std::vector<PlacedComment>& PlacedComments(bool ranked);
  // Removes comments with their markers, in one walk of the main part.
  void DeleteComments(const std::set<std::string>& ids);
  void DeleteBookmark(const std::string& id);
  std::string NewId(const char* element, pugi::xml_node in);

  // The drawings of the main part, for one revision: its floating shapes in
  // the body outside fallbacks for old readers, in document order, and the
  // highest drawing id in use.
  struct Drawings {
    unsigned long long revision = 0;
    std::vector<pugi::xml_node> anchors;
    long highest_id = 0;
  };
  const Drawings& DrawingsOf();

  // The rows of a table, for one generation: cells are asked for by row
  // and column one after another.
  const std::vector<pugi::xml_node>& RowsOf(pugi::xml_node table);

 private:
  bool FoundAlive(pugi::xml_node n, unsigned long long& seen) const;
  unsigned long long revision_ = 1;
  unsigned long long generation_ = 1;
  std::unordered_map<pugi::xml_node_struct*, std::shared_ptr<Story>> stories_;
  struct {
    unsigned long long generation = 0;  // markers come and go with the structure
    std::vector<CommentAnchor> anchors;
  } anchors_;
  struct {
    unsigned long long revision = 0;
    bool ranked = false;
    std::vector<PlacedComment> list;
  } placed_;
  Drawings drawings_;
  struct {
    unsigned long long generation = 0;
    pugi::xml_node table;
    std::vector<pugi::xml_node> rows;
  } rows_;
};

// Small helpers over WordprocessingML (markup.cpp).
// The child `name` of parent, added where `order` puts it when missing.
pugi::xml_node ChildInOrder(pugi::xml_node parent, const char* name,
                            std::initializer_list<const char*> order);
extern const std::initializer_list<const char*> kParagraphOrder;
// Removes tracked changes (w:ins, w:del, moves, w:rPrChange) from run
// properties: formatting copied as a template must not carry them along.
void RemoveChangeMarks(pugi::xml_node rpr);
// A paragraph's own properties removed but for the section it ends and its
// mark's character formatting (without tracked changes).
void ClearParagraphFormatting(pugi::xml_node paragraph);
void ApplyRunFormat(pugi::xml_node run, const RunFormat& format);
// The run properties that text typed at offset takes over.
pugi::xml_node RunPropertiesTemplate(pugi::xml_node paragraph, int offset);
// Removes a w:r that holds nothing but its properties.
void RemoveIfEmptyRun(pugi::xml_node run);
// Removes the children of parent that `gone` picks.
template <class F>
void RemoveChildren(pugi::xml_node parent, F&& gone) {
  for (pugi::xml_node c = parent.first_child(), next; c; c = next) {
    next = c.next_sibling();
    if (gone(c)) parent.remove_child(c);
  }
}
// Calls f(n) for every element below root in document order; f must not
// change the tree.
template <class F>
void ForEachElement(pugi::xml_node root, F&& f) {
  struct Walker : pugi::xml_tree_walker {
    F& f;
    explicit Walker(F& fn) : f(fn) {}
    bool for_each(pugi::xml_node& n) override {
      if (n.type() == pugi::node_element) f(n);
      return true;
    }
  } walker(f);
  root.traverse(walker);
}

}  // namespace korvax::word::detail
