// The package side of a document: finding the main part, related parts and
// their relationships, and the bookkeeping of comments and bookmarks.
#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <tuple>

#include "platform/word/document_data.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word::detail {

namespace {

bool EndsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

std::string Directory(const std::string& part) {
  auto slash = part.rfind('/');
  return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// A relationship target resolved against the folder of its source part.
std::string Resolve(const std::string& source, std::string target) {
  if (!target.empty() && target[0] == '/') return target.substr(1);
  std::string dir = Directory(source);
  while (target.rfind("../", 0) == 0) {
    target = target.substr(3);
    if (!dir.empty()) dir = Directory(dir.substr(0, dir.size() - 1));
  }
  return dir + target;
}

// Calls f for every element below root in document order; f must not
// change the tree. pugixml's own walk steps from node to node inside the
// library, where stepping through xml_node costs a call into it per move.
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

enum class Marker { None, RangeStart, RangeEnd, Reference };

// Which comment marker an element is; the third letter rules out nearly
// every element before the common prefix is compared.
Marker CommentMarker(pugi::xml_node n) {
  const char* name = n.name();
  if (name[0] != 'w' || name[1] != ':' || name[2] != 'c') return Marker::None;
  if (std::strncmp(name, "w:comment", 9) != 0) return Marker::None;
  std::string_view rest = name + 9;
  if (rest == "RangeStart") return Marker::RangeStart;
  if (rest == "RangeEnd") return Marker::RangeEnd;
  if (rest == "Reference") return Marker::Reference;
  return Marker::None;
}

}  // namespace

DocumentData::DocumentData(Package pkg) : package(std::move(pkg)) {
  const std::string path = package.Source().string();
  if (!package.Has("_rels/.rels")) throw errors::InvalidDocument(path, "_rels/.rels fehlt");
  for (auto rel : package.Xml("_rels/.rels").document_element().children("Relationship")) {
    if (EndsWith(rel.attribute("Type").value(), "/officeDocument")) {
      main_part = Resolve("", rel.attribute("Target").value());
    }
  }
  if (main_part.empty() || !package.Has(main_part)) {
    throw errors::InvalidDocument(path, "das Hauptdokument (word/document.xml) fehlt");
  }
  // The comment markers and the drawings come with the parse, so that
  // listing the comments or the shapes does not walk the whole body once more.
  const bool parsing = !package.IsParsed(main_part);
  std::vector<pugi::xml_node> found;
  body = package.Xml(main_part, &found).document_element().child("w:body");
  package.AlwaysWrite(main_part);
  if (!body) throw errors::InvalidDocument(path, "das Hauptdokument hat keinen Textkörper");
  if (!body.child("w:p") && !body.child("w:tbl") && !body.child("w:sdt")) {
    // Word never writes a body without a paragraph; give ranges a place to stand.
    body.prepend_child("w:p");
  }
  // Word writes a hundred bytes and more for a paragraph or a cell; a guess
  // on the low side keeps the index's slots below the part's own size, and
  // a document with more blocks grows the index once or twice.
  index.Expect(package.Bytes(main_part).size() / 128);
  main = std::make_shared<Story>();
  main->root = body;
  stories_[body.internal_object()] = main;
  if (parsing) {
    auto in_body = [&](pugi::xml_node n) {
      while (n && n != body) n = n.parent();
      return static_cast<bool>(n);
    };
    auto floating = [&](pugi::xml_node anchor) {  // in the body, outside any mc:Fallback
      for (pugi::xml_node n = anchor; n; n = n.parent()) {
        if (n == body) return true;
        if (std::strcmp(n.name(), "mc:Fallback") == 0) return false;
      }
      return false;
    };
    std::vector<pugi::xml_node> markers, bookmarks;
    shape_anchors_.emplace();
    doc_prs_.emplace();
    for (pugi::xml_node n : found) {
      const char* name = n.name();
      if (name[1] != 'p') {  // w:comment... or w:bookmark...
        if (name[2] == 'c') {
          if (in_body(n)) markers.push_back(n);
        } else if (n.type() == pugi::node_element && in_body(n)) {
          bookmarks.push_back(n);
        }
      } else if (name[3] == 'd') {  // wp:docPr
        doc_prs_->push_back(n);
      } else if (floating(n)) {  // wp:anchor
        shape_anchors_->push_back(n);
      }
    }
    KeepCommentAnchors(markers);
    bookmark_markers = std::move(bookmarks);
  }
}

std::string DocumentData::RelsPartOf(const std::string& part) const {
  auto slash = part.rfind('/');
  std::string dir = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
  return dir + "_rels/" + file + ".rels";
}

std::string DocumentData::PartByRelType(std::string_view suffix) {
  std::string rels = RelsPartOf(main_part);
  if (!package.Has(rels)) return {};
  for (auto rel : package.Xml(rels).document_element().children("Relationship")) {
    if (EndsWith(rel.attribute("Type").value(), suffix) &&
        std::string_view(rel.attribute("TargetMode").value()) != "External") {
      std::string part = Resolve(main_part, rel.attribute("Target").value());
      if (package.Has(part)) return part;
    }
  }
  return {};
}

std::string DocumentData::AddPart(const std::string& part, std::string_view rel_type,
                                  std::string_view content_type) {
  std::string rels = RelsPartOf(main_part);
  pugi::xml_document& doc = package.Has(rels) ? package.Xml(rels) : package.CreateXml(rels);
  pugi::xml_node root = doc.document_element();
  if (!root) {
    root = doc.append_child("Relationships");
    root.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/relationships";
  }
  std::set<std::string> ids;
  for (auto rel : root.children("Relationship")) ids.insert(rel.attribute("Id").value());
  int n = 1;
  while (ids.count("rId" + std::to_string(n))) ++n;
  auto rel = root.append_child("Relationship");
  rel.append_attribute("Id") = ("rId" + std::to_string(n)).c_str();
  rel.append_attribute("Type") = std::string(rel_type).c_str();
  std::string target = part.substr(Directory(main_part).size());
  rel.append_attribute("Target") = target.c_str();

  pugi::xml_node types = package.Xml("[Content_Types].xml").document_element();
  auto over = types.append_child("Override");
  over.append_attribute("PartName") = ("/" + part).c_str();
  over.append_attribute("ContentType") = std::string(content_type).c_str();
  package.CreateXml(part);
  return part;
}

pugi::xml_node DocumentData::CommentsRoot(bool create) {
  std::string part = PartByRelType("/comments");
  if (part.empty()) {
    if (!create) return {};
    part = AddPart(Directory(main_part) + "comments.xml",
                   "http://schemas.openxmlformats.org/officeDocument/2006/relationships/comments",
                   "application/vnd.openxmlformats-officedocument.wordprocessingml.comments+xml");
    pugi::xml_node root = package.Xml(part).append_child("w:comments");
    root.append_attribute("xmlns:w") =
        "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
    return root;
  }
  return package.Xml(part).document_element();
}

pugi::xml_node DocumentData::ExtensionRoot(std::string_view suffix) {
  std::string part = PartByRelType(suffix);
  if (part.empty()) return {};
  return package.Xml(part).document_element();
}

std::string DocumentData::NewId(const char* element, pugi::xml_node in) {
  long max = -1;
  for (auto x : in.select_nodes((std::string(".//") + element).c_str())) {
    max = std::max(max, std::strtol(x.node().attribute("w:id").value(), nullptr, 10));
  }
  return std::to_string(max + 1);
}

const std::vector<CommentAnchor>& DocumentData::CommentAnchors() {
  if (anchors_) return *anchors_;
  std::vector<pugi::xml_node> markers;
  ForEachElement(body, [&](pugi::xml_node n) {
    if (CommentMarker(n) != Marker::None) markers.push_back(n);
  });
  KeepCommentAnchors(markers);
  return *anchors_;
}

void DocumentData::KeepCommentAnchors(const std::vector<pugi::xml_node>& markers) {
  std::vector<CommentAnchor> out;
  std::map<std::string, size_t> seen;
  bool repeated = false;
  for (pugi::xml_node n : markers) {
    Marker kind = CommentMarker(n);
    if (kind == Marker::None) continue;
    std::string id = n.attribute("w:id").value();
    auto [it, fresh] = seen.emplace(id, out.size());
    if (fresh) out.push_back({id, {}, {}, {}, n});
    CommentAnchor& a = out[it->second];
    pugi::xml_node& slot = kind == Marker::RangeStart ? a.start
                           : kind == Marker::RangeEnd ? a.end
                                                      : a.reference;
    if (slot) repeated = true;
    slot = n;
  }
  anchors_ = std::move(out);
  anchor_markers_repeated_ = repeated;
}

namespace {

// Whether a comes before b in document order (an element before its
// descendants). Both must be in the same tree.
bool Precedes(pugi::xml_node a, pugi::xml_node b) {
  if (a == b) return false;
  std::vector<pugi::xml_node> up_a, up_b;
  for (pugi::xml_node n = a; n; n = n.parent()) up_a.push_back(n);
  for (pugi::xml_node n = b; n; n = n.parent()) up_b.push_back(n);
  auto ia = up_a.rbegin();
  auto ib = up_b.rbegin();
  while (ia != up_a.rend() && ib != up_b.rend() && *ia == *ib) ++ia, ++ib;
  if (ia == up_a.rend()) return true;   // a is an ancestor of b
  if (ib == up_b.rend()) return false;  // b is an ancestor of a
  // Siblings under the last common ancestor: look both ways from a's.
  pugi::xml_node ahead = ia->next_sibling();
  pugi::xml_node behind = ia->previous_sibling();
  while (ahead || behind) {
    if (ahead == *ib) return true;
    if (behind == *ib) return false;
    if (ahead) ahead = ahead.next_sibling();
    if (behind) behind = behind.previous_sibling();
  }
  return false;
}

}  // namespace

void DocumentData::CommentAdded(const std::string& id, pugi::xml_node start, pugi::xml_node end,
                                pugi::xml_node reference) {
  comments_.reset();
  if (!anchors_) return;
  auto& anchors = *anchors_;
  // Markers of the same id already in the body would share the anchor.
  for (const auto& a : anchors) {
    if (a.id == id) {
      anchors_.reset();
      return;
    }
  }
  auto at = std::upper_bound(
      anchors.begin(), anchors.end(), start,
      [](pugi::xml_node n, const CommentAnchor& a) { return Precedes(n, a.first); });
  anchors.insert(at, CommentAnchor{id, start, end, reference, start});
}

const std::vector<pugi::xml_node>& DocumentData::ShapeAnchors() {
  if (!shape_anchors_) {
    shape_anchors_.emplace();
    for (auto x : body.select_nodes(".//wp:anchor[not(ancestor::mc:Fallback)]")) {
      shape_anchors_->push_back(x.node());
    }
  } else {
    std::erase_if(*shape_anchors_, IsBuried);
  }
  return *shape_anchors_;
}

long DocumentData::HighestDrawingId() {
  if (!doc_prs_) {
    doc_prs_.emplace();
    for (auto x : body.parent().select_nodes(".//wp:docPr")) doc_prs_->push_back(x.node());
  } else {
    std::erase_if(*doc_prs_, IsBuried);
  }
  long id = 0;
  for (pugi::xml_node pr : *doc_prs_) id = std::max<long>(id, pr.attribute("id").as_int());
  return id;
}

void DocumentData::ShapeAdded(pugi::xml_node anchor) {
  if (shape_anchors_) {
    auto& anchors = *shape_anchors_;
    std::erase_if(anchors, IsBuried);  // kept in document order among the living
    anchors.insert(std::upper_bound(anchors.begin(), anchors.end(), anchor, Precedes), anchor);
  }
  if (doc_prs_) {
    if (pugi::xml_node pr = anchor.child("wp:docPr")) doc_prs_->push_back(pr);
  }
}

void DocumentData::DrawingsFreed(pugi::xml_node subtree) {
  const bool none = (!shape_anchors_ || shape_anchors_->empty()) &&
                    (!doc_prs_ || doc_prs_->empty()) &&
                    (!bookmark_markers || bookmark_markers->empty());
  if (none || std::strcmp(subtree.name(), "w:t") == 0) return;
  auto inside = [&](pugi::xml_node n) {
    while (n && n != subtree) n = n.parent();
    return static_cast<bool>(n);
  };
  if (bookmark_markers) std::erase_if(*bookmark_markers, inside);
  if (shape_anchors_) std::erase_if(*shape_anchors_, inside);
  if (doc_prs_) std::erase_if(*doc_prs_, inside);
}

void DocumentData::DrawingsCopied() {
  // A copy holds drawings or bookmarks only where the main part has some.
  if (bookmark_markers && !bookmark_markers->empty()) bookmark_markers.reset();
  if (shape_anchors_ && shape_anchors_->empty() && doc_prs_ && doc_prs_->empty()) return;
  shape_anchors_.reset();
  doc_prs_.reset();
}

std::pair<int, int> DocumentData::ScopeOf(const CommentAnchor& a) {
  pugi::xml_node s = a.start ? a.start : a.reference;
  pugi::xml_node e = a.end ? a.end : s;
  if (!s) return {0, 0};
  int start = index.PositionOf(s);
  int end = e == s ? start : index.PositionOf(e);
  return {start, std::max(start, end)};
}

const CommentLookup& DocumentData::CommentsInOrder() {
  if (comments_) return *comments_;
  CommentLookup lookup;
  if (pugi::xml_node root = CommentsRoot(false)) {
    std::map<std::string, pugi::xml_node> by_id;
    for (auto c : root.children("w:comment")) by_id[c.attribute("w:id").value()] = c;
    std::set<std::string> listed;
    const auto& anchors = CommentAnchors();
    for (size_t i = 0; i < anchors.size(); ++i) {
      auto it = by_id.find(anchors[i].id);
      if (it == by_id.end()) continue;
      listed.insert(anchors[i].id);
      lookup.anchored.push_back({it->second, i, 0, 0});
    }
    for (auto c : root.children("w:comment")) {
      if (!listed.count(c.attribute("w:id").value())) lookup.unanchored.push_back(c);
    }
  }
  comments_ = std::move(lookup);
  return *comments_;
}

namespace {

int BuildReach(std::vector<int>& reach, const std::vector<int>& ends, size_t node, size_t lo,
               size_t hi) {
  if (hi - lo == 1) return reach[node] = ends[lo];
  size_t mid = lo + (hi - lo) / 2;
  int left = BuildReach(reach, ends, 2 * node, lo, mid);
  int right = BuildReach(reach, ends, 2 * node + 1, mid, hi);
  return reach[node] = std::max(left, right);
}

void CollectReaching(const CommentLookup& c, size_t node, size_t lo, size_t hi, size_t limit,
                     int first, std::vector<size_t>& out) {
  if (lo >= limit || c.reach[node] < first) return;
  if (hi - lo == 1) {
    out.push_back(c.by_start[lo]);
    return;
  }
  size_t mid = lo + (hi - lo) / 2;
  CollectReaching(c, 2 * node, lo, mid, limit, first, out);
  CollectReaching(c, 2 * node + 1, mid, hi, limit, first, out);
}

}  // namespace

void CommentLookup::Overlapping(int first, int last, std::vector<size_t>& out) const {
  size_t limit =
      static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), last) - starts.begin());
  if (limit == 0) return;
  size_t from = out.size();
  CollectReaching(*this, 1, 0, starts.size(), limit, first, out);
  std::sort(out.begin() + static_cast<std::ptrdiff_t>(from), out.end());
}

const CommentLookup& DocumentData::PositionedComments() {
  CommentsInOrder();
  CommentLookup& c = *comments_;
  if (c.positioned && c.revision == index.Revision()) return c;
  const auto& anchors = CommentAnchors();
  for (auto& a : c.anchored) std::tie(a.start, a.end) = ScopeOf(anchors[a.anchor]);
  size_t n = c.anchored.size();
  c.by_start.resize(n);
  for (size_t i = 0; i < n; ++i) c.by_start[i] = i;
  std::stable_sort(c.by_start.begin(), c.by_start.end(),
                   [&](size_t x, size_t y) { return c.anchored[x].start < c.anchored[y].start; });
  c.starts.resize(n);
  std::vector<int> ends(n);
  for (size_t i = 0; i < n; ++i) {
    c.starts[i] = c.anchored[c.by_start[i]].start;
    ends[i] = c.anchored[c.by_start[i]].end;
  }
  c.reach.assign(n == 0 ? 0 : 4 * n, 0);
  if (n > 0) BuildReach(c.reach, ends, 1, 0, n);
  c.positioned = true;
  c.revision = index.Revision();
  return c;
}

void DocumentData::DeleteComment(const std::string& id) {
  comments_.reset();
  // Every marker of the id goes below, so its anchor goes from those kept.
  std::optional<CommentAnchor> kept;
  if (anchors_) {
    for (const auto& a : *anchors_) {
      if (a.id == id) kept = a;
    }
    std::erase_if(*anchors_, [&](const CommentAnchor& a) { return a.id == id; });
  }
  pugi::xml_node root = CommentsRoot(false);
  std::set<std::string> para_ids;
  if (root) {
    pugi::xml_node comment = root.find_child_by_attribute("w:comment", "w:id", id.c_str());
    if (comment) {
      for (auto p : comment.select_nodes(".//w:p[@w14:paraId]")) {
        para_ids.insert(p.node().attribute("w14:paraId").value());
      }
      auto it = stories_.find(comment.internal_object());
      if (it != stories_.end()) {
        it->second->alive = false;
        stories_.erase(it);
      }
      index.Forget(comment);
      Bury(comment);
    }
  }
  if (!para_ids.empty()) {
    if (auto ext = ExtensionRoot("/commentsExtended")) {
      std::vector<pugi::xml_node> gone;
      for (auto ex : ext.children()) {
        if (para_ids.count(ex.attribute("w15:paraId").value())) gone.push_back(ex);
        if (para_ids.count(ex.attribute("w15:paraIdParent").value())) {
          ex.remove_attribute("w15:paraIdParent");
        }
      }
      for (auto n : gone) ext.remove_child(n);
    }
    std::set<std::string> durable;
    if (auto ids = ExtensionRoot("/commentsIds")) {
      std::vector<pugi::xml_node> gone;
      for (auto c : ids.children()) {
        if (para_ids.count(c.attribute("w16cid:paraId").value())) {
          durable.insert(c.attribute("w16cid:durableId").value());
          gone.push_back(c);
        }
      }
      for (auto n : gone) ids.remove_child(n);
    }
    if (auto ext = ExtensionRoot("/commentsExtensible")) {
      std::vector<pugi::xml_node> gone;
      for (auto c : ext.children()) {
        if (durable.count(c.attribute("w16cex:durableId").value())) gone.push_back(c);
      }
      for (auto n : gone) ext.remove_child(n);
    }
  }
  // The comment's markers in the main part: those of the body from its kept
  // anchor when no marker of the body was written twice, else found in one
  // walk.
  std::vector<pugi::xml_node> ranges, refs;
  auto take = [&](pugi::xml_node n) {
    Marker kind = CommentMarker(n);
    if (kind == Marker::None || id != n.attribute("w:id").value()) return;
    (kind == Marker::Reference ? refs : ranges).push_back(n);
  };
  if (kept && !anchor_markers_repeated_) {
    if (kept->start) ranges.push_back(kept->start);
    if (kept->end) ranges.push_back(kept->end);
    if (kept->reference) refs.push_back(kept->reference);
    for (pugi::xml_node c = body.parent().first_child(); c; c = c.next_sibling()) {
      if (c == body || c.type() != pugi::node_element) continue;
      take(c);
      ForEachElement(c, take);
    }
  } else {
    ForEachElement(body.parent(), take);
  }
  for (auto n : ranges) n.parent().remove_child(n);
  for (auto ref : refs) {
    pugi::xml_node run = ref.parent();
    run.remove_child(ref);
    bool empty = true;
    for (auto c : run.children()) {
      if (c.type() == pugi::node_element && std::strcmp(c.name(), "w:rPr") != 0) empty = false;
    }
    if (empty && std::strcmp(run.name(), "w:r") == 0) {
      index.Forget(run);
      run.parent().remove_child(run);
    }
  }
}

void DocumentData::SyncTextBoxFallbacks() {
  for (auto& [node, story] : stories_) {
    if (!story->alive || !story->edited || std::strcmp(story->root.name(), "w:txbxContent")) {
      continue;
    }
    story->edited = false;
    pugi::xml_node choice = story->root;
    while (choice && std::strcmp(choice.name(), "mc:Choice") != 0) choice = choice.parent();
    if (!choice || IsBuried(choice)) continue;
    pugi::xml_node copy =
        choice.parent().child("mc:Fallback").select_node(".//w:txbxContent").node();
    if (!copy) continue;
    DrawingsCopied();  // into the fallback, whose drawings go
    while (copy.first_child()) copy.remove_child(copy.first_child());
    for (auto c : story->root.children()) copy.append_copy(c);
  }
}

void DocumentData::DeleteBookmark(const std::string& id) {
  std::vector<pugi::xml_node> hits;
  ForEachElement(body.parent(), [&](pugi::xml_node n) {
    const char* name = n.name();
    if (std::strncmp(name, "w:bookmark", 10) != 0) return;
    std::string_view rest = name + 10;
    if ((rest == "Start" || rest == "End") && id == n.attribute("w:id").value()) hits.push_back(n);
  });
  if (bookmark_markers) {
    std::erase_if(*bookmark_markers, [&](pugi::xml_node n) {
      return std::find(hits.begin(), hits.end(), n) != hits.end();
    });
  }
  for (auto n : hits) n.parent().remove_child(n);
}

}  // namespace korvax::word::detail
