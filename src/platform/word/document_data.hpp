// The state behind every handle of one open document: the package, the parsed
// main part, the position index, the stories and their live ranges. Handles
// (Range, Table, Comment, Shape...) share it; only this layer sees it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "platform/word/package.hpp"
#include "platform/word/text_index.hpp"

namespace korvax::word {
class Document;
}

namespace korvax::word::detail {

struct RangeState;

// Character formatting that text typed at a collapsed range receives.
struct RunFormat {
  std::optional<bool> bold;
  std::optional<double> size;  // points
  bool Empty() const { return !bold && !size; }
};

// One story: the main text, a comment's text or a text box's text.
struct Story {
  pugi::xml_node root;
  bool alive = true;
  bool edited = false;  // a text box's fallback copy must follow
  // The live ranges of the story, linked through themselves: a range joins
  // when made and leaves when it goes, so an edit moves the living alone.
  RangeState* ranges = nullptr;
  // The story's length as of one revision of the position index.
  mutable int length = 0;
  mutable unsigned long long length_revision = ~0ULL;
};

struct RangeState {
  RangeState() = default;
  // A range of `in` in `of`, in the story's list from the start.
  RangeState(std::shared_ptr<class DocumentData> of, const std::shared_ptr<Story>& in)
      : doc(std::move(of)), story(in) {
    Join();
  }
  RangeState(const RangeState&) = delete;
  RangeState& operator=(const RangeState&) = delete;
  ~RangeState() { Leave(); }

  std::shared_ptr<class DocumentData> doc;
  std::shared_ptr<Story> story;
  int start = 0;
  int end = 0;
  RunFormat pending;

  // Puts the range into the list of `to`, leaving the one it was in.
  void MoveTo(std::shared_ptr<Story> to) {
    Leave();
    story = std::move(to);
    Join();
  }
  RangeState* Next() const { return next; }

 private:
  void Join() {
    next = story->ranges;
    if (next) next->prev = this;
    story->ranges = this;
  }
  void Leave() {
    if (!story) return;
    if (prev) {
      prev->next = next;
    } else if (story->ranges == this) {
      story->ranges = next;
    }
    if (next) next->prev = prev;
    prev = next = nullptr;
  }
  RangeState* prev = nullptr;
  RangeState* next = nullptr;
};

// The markers of a comment in the main story.
struct CommentAnchor {
  std::string id;
  pugi::xml_node start, end, reference;
  pugi::xml_node first;  // the marker met first in document order
};

// The comments of the document as the comment collections list them, and the
// text their anchors span, so that a range finds its comments by a binary
// search instead of scoping every anchor of the document again.
struct CommentLookup {
  struct Anchored {
    pugi::xml_node comment;
    size_t anchor = 0;  // in CommentAnchors()
    int start = 0;      // the anchor's span in the main story, once positioned
    int end = 0;
  };
  std::vector<Anchored> anchored;          // in anchor order
  std::vector<pugi::xml_node> unanchored;  // in the order of the comments part

  // The positions hold for one revision of the text index only.
  bool positioned = false;
  unsigned long long revision = 0;
  std::vector<int> starts;       // the anchored starts, ascending
  std::vector<size_t> by_start;  // the entry of `anchored` behind each of `starts`
  std::vector<int> reach;        // the largest end below each node of a tree over `starts`

  // Appends the entries with start <= last and end >= first, in anchor order.
  void Overlapping(int first, int last, std::vector<size_t>& out) const;
};

// Small elements that edits add over and over. They are parsed once into the
// main part, among the removed content that is never saved, and copied from
// there: a copy shares the names and values parsed instead of allocating and
// copying its own.
struct Prototypes {
  pugi::xml_node run;   // <w:r/>
  pugi::xml_node text;  // <w:t xml:space="preserve">, with a text to replace
  pugi::xml_node tab, line_break, page_break;
  pugi::xml_node paragraph_properties, tabs;  // empty w:pPr, w:tabs
  pugi::xml_node jc[4];                       // w:val left, center, right, both
  // Properties of a paragraph that had none: w:pPr with an empty w:tabs, or
  // with a w:jc as above.
  pugi::xml_node paragraph_tabs, aligned[4];
};

// Where new content goes: before `before` in `parent` (append when null).
struct InsertPoint {
  pugi::xml_node parent;
  pugi::xml_node before;
};

class DocumentData : public std::enable_shared_from_this<DocumentData> {
 public:
  explicit DocumentData(Package package);

  Package package;
  std::string main_part;  // "word/document.xml" or what the relationships name
  pugi::xml_node body;
  TextIndex index;
  std::shared_ptr<Story> main;
  std::shared_ptr<RangeState> selection;
  std::weak_ptr<Document> owner;
  int bookmarks_default_sorting = 0;
  bool bookmarks_show_hidden = false;

  std::shared_ptr<Story> StoryFor(pugi::xml_node root);
  std::shared_ptr<RangeState> NewRange(const std::shared_ptr<Story>& story, int start, int end);
  int StoryLength(const Story& story);  // all characters, the final mark included
  // What goes to the end of the document content goes into the body's own
  // last paragraph, as in Word: a body that ends with a table or a content
  // control (as generators write them) gets an empty one after it when pos
  // is that end. Opening a document changes nothing.
  void EndWithParagraph(Story& story, int pos);
  int StoryEnd(const Story& story);  // last position a range may reach

  // Text edits; every live range of the story is moved along.
  // Inserts UTF-8 text at pos (moved off marks onto the nearest text
  // position) and returns the position where it went; `inserted` gets the
  // number of characters added. '\r' starts a new paragraph, '\v' is a line
  // break, '\t' a tab.
  int InsertText(Story& story, int pos, std::string_view text, const RunFormat& format,
                 int* inserted = nullptr);
  // The same at the end of [start, end): at index.EndInsertPosition(), so
  // inside a cell whose end-of-cell mark ends the range.
  int InsertTextAfter(Story& story, int start, int end, std::string_view text,
                      const RunFormat& format, int* inserted);
  void Delete(Story& story, int start, int end);
  // Splits runs so that a marker element can be placed exactly at pos.
  InsertPoint PointAt(Story& story, int pos);
  // The same within a paragraph; `rpr_template` gets the run properties that
  // text typed at offset takes over (RunPropertiesTemplate).
  InsertPoint PointIn(pugi::xml_node paragraph, int offset, pugi::xml_node* rpr_template = nullptr);
  // Removes a block (a table) with its comments and bookmarks.
  void RemoveTable(pugi::xml_node table);
  // Moves the live ranges of a story over an edit at pos. Ranges collapsed at
  // pos stay before inserted text unless `everything_at_pos` (a whole block
  // went in there).
  void AdjustRanges(Story& story, int pos, int removed, int inserted,
                    bool everything_at_pos = false);
  // Calls f(paragraph, from, to, length) for the paragraphs that [start, end)
  // touches, from and to being offsets in the paragraph. f may change
  // formatting, not text.
  template <class F>
  void ForEachParagraph(Story& story, int start, int end, F&& f) {
    ParagraphList list = TakeParagraphs(story, start, end);
    for (const auto& p : list.spans) f(p.paragraph, p.from, p.to, p.length);
    paragraphs_ = std::move(list);
  }
  void SetSelection(const std::shared_ptr<Story>& story, int start, int end);

  // The related parts, created on demand.
  std::string RelsPartOf(const std::string& part) const;
  std::string PartByRelType(std::string_view type_suffix);
  std::string AddPart(const std::string& part, std::string_view rel_type,
                      std::string_view content_type);
  pugi::xml_node CommentsRoot(bool create);
  pugi::xml_node ExtensionRoot(std::string_view type_suffix);  // commentsExtended...

  // Word writes a text box twice (DrawingML and a VML fallback for old
  // readers); after edits the fallback gets a copy of the edited text.
  void SyncTextBoxFallbacks();

  // Comment bookkeeping shared by tables and the comment collection.
  void DeleteComment(const std::string& id);
  // Every comment's markers in document order of their first marker; kept
  // until a comment is added or deleted, since text edits never move markers
  // out of the tree.
  const std::vector<CommentAnchor>& CommentAnchors();
  // The span [start, end] of the main story that an anchor covers.
  std::pair<int, int> ScopeOf(const CommentAnchor& anchor);
  // The comments in anchor order, then those without an anchor; kept like
  // the anchors.
  const CommentLookup& CommentsInOrder();
  // The same with the anchors' positions; rebuilt after any text edit.
  const CommentLookup& PositionedComments();
  void CommentsChanged() {
    anchors_.reset();
    comments_.reset();
  }
  // A comment was added with its markers already in the main story: its
  // anchor is put in its place in the anchors kept, instead of finding them
  // all again.
  void CommentAdded(const std::string& id, pugi::xml_node start, pugi::xml_node end,
                    pugi::xml_node reference);
  void DeleteBookmark(const std::string& id);
  // The w:bookmarkStart and w:bookmarkEnd elements of the body, in no order:
  // found by the walk at open, kept by whoever adds or removes them (and
  // reset by DrawingsCopied, filtered by DrawingsFreed); buried ones are
  // dropped where they are read. Unset when not known.
  std::optional<std::vector<pugi::xml_node>> bookmark_markers;
  std::string NewId(const char* element, pugi::xml_node in);

  // The drawings of the main part (parts.cpp): found by the walk at open and
  // kept across edits, so that the shapes and a new drawing's id need no walk
  // of the whole body. Removed drawings are buried, and dropped at the next
  // lookup, unless they are freed: whoever frees content that may hold
  // drawings calls DrawingsFreed first; whoever copies such content calls
  // DrawingsCopied.
  const std::vector<pugi::xml_node>& ShapeAnchors();  // floating, in order
  long HighestDrawingId();                            // of every wp:docPr
  void ShapeAdded(pugi::xml_node anchor);
  void DrawingsFreed(pugi::xml_node subtree);
  void DrawingsCopied();

  const Prototypes& Protos() {
    if (!protos_.run) MakePrototypes();
    return protos_;
  }
  // A prototype that callers tell apart by `key`, its text made by `xml()`
  // when first asked for; null once too many are kept, and the caller then
  // builds the element itself.
  template <class F>
  pugi::xml_node KeyedPrototype(unsigned long long key, F&& xml) {
    for (const auto& [k, node] : keyed_protos_) {
      if (k == key) return node;
    }
    if (keyed_protos_.size() >= kKeyedPrototypes) return {};
    return AddPrototype(key, xml());
  }

 private:
  static constexpr size_t kKeyedPrototypes = 32;
  void MakePrototypes();
  pugi::xml_node AddPrototype(unsigned long long key, const std::string& xml);
  pugi::xml_node PrototypeHolder();
  // Builds the anchors from the comment markers of the main story, given in
  // document order.
  void KeepCommentAnchors(const std::vector<pugi::xml_node>& markers);
  // The paragraphs of a range as ForEachParagraph passes them, kept for one
  // revision of the index: formatting a range one setting after another
  // asks for the same paragraphs again.
  struct ParagraphList {
    struct Span {
      pugi::xml_node paragraph;
      int from, to, length;
    };
    pugi::xml_node root;
    int start = 0, end = 0;
    unsigned long long revision = 0;
    bool valid = false;
    std::vector<Span> spans;
  };
  ParagraphList TakeParagraphs(Story& story, int start, int end);
  void ParagraphsIn(pugi::xml_node container, int base, int start, int end,
                    std::vector<ParagraphList::Span>& out);
  // `marks`: the text may hold tabs, breaks or paragraph marks.
  int InsertAt(Story& story, TextIndex::Spot spot, std::string_view text, int chars, bool marks,
               const RunFormat& format, int* inserted);
  // The spot where text added at the end of [start, end) goes when end
  // follows the end-of-cell mark of `cell`; false otherwise.
  bool CellEndSpot(pugi::xml_node root, int start, int end, TextIndex::Spot& spot,
                   pugi::xml_node& cell);
  pugi::xml_node SplitParagraph(pugi::xml_node p, InsertPoint at);
  void DeleteInParagraph(pugi::xml_node p, int from, int to);
  void MergeIntoNext(pugi::xml_node p, pugi::xml_node next);

  std::unordered_map<pugi::xml_node_struct*, std::shared_ptr<Story>> stories_;
  std::optional<std::vector<CommentAnchor>> anchors_;
  bool anchor_markers_repeated_ = false;  // an id with two markers of one kind
  std::optional<CommentLookup> comments_;
  // The floating shapes of the body (none inside mc:Fallback) and every
  // wp:docPr of the main part; unset until known.
  std::optional<std::vector<pugi::xml_node>> shape_anchors_, doc_prs_;
  ParagraphList paragraphs_;
  Prototypes protos_;
  pugi::xml_node proto_holder_;
  std::vector<std::pair<unsigned long long, pugi::xml_node>> keyed_protos_;
  // The containers from the story root down to the cell that text went
  // into last, with their starts, as of one revision of the index.
  struct ContainerPath {
    struct Level {
      pugi::xml_node node;
      TextIndex::Container* info;  // held by the index while the revision lasts
      int start;
    };
    pugi::xml_node root;
    unsigned long long revision = 0;
    bool valid = false;
    std::vector<Level> levels;
  } cell_path_;
};

// Small helpers over WordprocessingML.
// The child `name` of parent, added where `order` puts it when missing (as
// a copy of `prototype` when one is given).
pugi::xml_node ChildInOrder(pugi::xml_node parent, const char* name,
                            std::initializer_list<const char*> order,
                            pugi::xml_node prototype = {});
pugi::xml_node RunPropertiesTemplate(pugi::xml_node paragraph, int offset);
// Tracked changes (w:ins, w:del, moves, w:rPrChange) among run properties:
// formatting copied as a template must not carry them along.
bool IsChangeMark(const char* name);
// A paragraph's own properties removed but for the section it ends and its
// mark's character formatting (without tracked changes).
void ClearParagraphFormatting(pugi::xml_node paragraph);
void ApplyRunFormat(pugi::xml_node run, const RunFormat& format);
std::string Utf8(std::u32string_view s);
std::u32string U32(std::string_view s);
// True when Utf8(U32(s)) == s: every character in its shortest form.
bool CanonicalUtf8(std::string_view s);

}  // namespace korvax::word::detail
