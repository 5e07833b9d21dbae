#include "document_data.hpp"

#include <algorithm>
#include <cstring>

#include "common/error.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {

detail::DocumentData& Handle::Doc() const {
  if (!node_) throw errors::ObjectDeleted();
  if (!doc_) throw korvax::errors::ObjectNotSet();
  if (!doc_->Alive(detail::Xml(node_), seen_)) throw errors::ObjectDeleted();
  return *doc_;
}

}  // namespace korvax::word

namespace korvax::word::detail {

RangeState& Live(const std::shared_ptr<RangeState>& range) {
  if (!range || !range->doc) throw korvax::errors::ObjectNotSet();
  if (!range->doc->Alive(range->story->root, range->seen)) throw errors::ObjectDeleted();
  return *range;
}

bool DocumentData::FoundAlive(pugi::xml_node n, unsigned long long& seen) const {
  if (!n || !n.parent()) return false;
  // Up to the node below the document node, the only node without a parent.
  while (n.parent().parent()) n = n.parent();
  if (n.type() != pugi::node_element || std::strcmp(n.name(), kRemovedElement) == 0) return false;
  seen = generation_;
  return true;
}

void DocumentData::Bury(pugi::xml_node n) {
  pugi::xml_node root = n.root();
  pugi::xml_node aside = root.child(kRemovedElement);
  if (!aside) aside = root.append_child(kRemovedElement);
  aside.append_move(n);
  Changed(true);
}

std::shared_ptr<Story> DocumentData::StoryFor(pugi::xml_node root) {
  auto& slot = stories_[root.internal_object()];
  if (!slot) {
    slot = std::make_shared<Story>();
    slot->root = root;
  }
  return slot;
}

const Layout& DocumentData::LayoutOf(Story& story) {
  if (!story.layout || story.layout_revision != revision_) {
    story.layout.emplace(story.root);
    story.layout_revision = revision_;
  }
  return *story.layout;
}

const Layout& DocumentData::OrderOf(Story& story) {
  if (story.layout && story.layout_revision == revision_) return *story.layout;
  if (!story.order || story.order_generation != generation_) {
    story.order.emplace(story.root, false);
    story.order_generation = generation_;
  }
  return *story.order;
}

Point DocumentData::StoryEnd(Story& story) {
  Point end = At(story.root);
  if (story.root == body) return end;
  Point back = Back(end);
  return back ? back : end;
}

int DocumentData::StoryEndPosition(Story& story) {
  int length = LayoutOf(story).Length();
  return story.root == body ? length : std::max(length - 1, 0);
}

std::shared_ptr<RangeState> DocumentData::NewRange(const std::shared_ptr<Story>& story, Point start,
                                                   Point end) {
  auto range = std::make_shared<RangeState>(shared_from_this(), story, start, end);
  range->seen = generation_;  // made from a live handle or range, in a live story
  return range;
}

std::shared_ptr<RangeState> DocumentData::NewRange(const std::shared_ptr<Story>& story, int start,
                                                   int end) {
  if (start <= 0 && end <= 0) {  // a range at 0 needs no positions
    Point first = First(story->root);
    return NewRange(story, first, first);
  }
  const int limit = StoryEndPosition(*story);
  start = std::clamp(start, 0, limit);
  end = std::clamp(end, start, limit);
  return NewRange(story, PointAt(*story, start), PointAt(*story, end));
}

void DocumentData::SetSelection(const std::shared_ptr<Story>& story, Point start, Point end) {
  if (selection->story != story) selection->MoveTo(story);
  selection->start = start;
  selection->end = end;
  selection->pending = RunFormat{};
}

const std::vector<pugi::xml_node>& DocumentData::RowsOf(pugi::xml_node table) {
  if (rows_.generation != generation_ || rows_.table != table) {
    rows_.rows.clear();
    for (pugi::xml_node r = FirstUnit(table); r; r = NextUnit(r)) rows_.rows.push_back(r);
    rows_.table = table;
    rows_.generation = generation_;
  }
  return rows_.rows;
}

const DocumentData::Drawings& DocumentData::DrawingsOf() {
  if (drawings_.revision == revision_) return drawings_;
  drawings_.anchors.clear();
  drawings_.highest_id = 0;
  // Every drawing has its properties (wp:docPr) right below its wp:anchor or
  // wp:inline: one walk finds the ids in use and the floating shapes.
  for (auto x : body.parent().select_nodes(".//wp:docPr")) {
    pugi::xml_node properties = x.node();
    drawings_.highest_id =
        std::max<long>(drawings_.highest_id, properties.attribute("id").as_int());
    pugi::xml_node anchor = properties.parent();
    if (std::strcmp(anchor.name(), "wp:anchor") != 0 || anchor.child("wp:docPr") != properties) {
      continue;
    }
    for (pugi::xml_node up = anchor.parent(); up; up = up.parent()) {
      if (std::strcmp(up.name(), "mc:Fallback") == 0) break;
      if (up == body) {
        drawings_.anchors.push_back(anchor);
        break;
      }
    }
  }
  drawings_.revision = revision_;
  return drawings_;
}

namespace {

enum class Marker { None, RangeStart, RangeEnd, Reference };

Marker CommentMarker(std::string_view name) {
  if (!name.starts_with("w:comment")) return Marker::None;
  std::string_view rest = name.substr(9);
  if (rest == "RangeStart") return Marker::RangeStart;
  if (rest == "RangeEnd") return Marker::RangeEnd;
  if (rest == "Reference") return Marker::Reference;
  return Marker::None;
}

}  // namespace

const std::vector<CommentAnchor>& DocumentData::CommentAnchors() {
  if (anchors_.generation == generation_) return anchors_.anchors;
  std::vector<CommentAnchor> out;
  std::unordered_map<std::string, size_t> seen;
  auto add = [&](pugi::xml_node n, Marker kind) {
    std::string id = n.attribute("w:id").value();
    auto [it, fresh] = seen.emplace(id, out.size());
    if (fresh) out.push_back({id, {}, {}, {}});
    CommentAnchor& a = out[it->second];
    (kind == Marker::RangeStart ? a.start : kind == Marker::RangeEnd ? a.end : a.reference) = n;
  };
  ForEachMarkup(body, [&](pugi::xml_node n, std::string_view name) {
    if (Marker kind = CommentMarker(name); kind != Marker::None) add(n, kind);
  });
  anchors_.anchors = std::move(out);
  anchors_.generation = generation_;
  return anchors_.anchors;
}

std::pair<Point, Point> DocumentData::MarkedSpan(pugi::xml_node s, pugi::xml_node e) {
  Point start = s ? MarkerPoint(s) : Point{};
  if (!start) start = First(body);
  Point end = e ? MarkerPoint(e) : start;
  if (!end || Compare(end, start) < 0) end = start;
  return {start, end};
}

std::pair<Point, Point> DocumentData::ScopeOf(const CommentAnchor& a) {
  return MarkedSpan(a.start ? a.start : a.reference, a.end);
}

const std::vector<DocumentData::PlacedComment>& DocumentData::PlacedComments(bool ranked) {
  if (placed_.revision == revision_ && (placed_.ranked || !ranked)) return placed_.list;
  std::vector<PlacedComment> list;
  if (pugi::xml_node root = CommentsRoot(false)) {
    std::unordered_map<std::string, pugi::xml_node> by_id;
    for (auto c : root.children("w:comment")) by_id.emplace(c.attribute("w:id").value(), c);
    for (const CommentAnchor& a : CommentAnchors()) {
      auto it = by_id.find(a.id);
      if (it == by_id.end()) continue;
      PlacedComment placed{it->second, true, {}, {}};
      if (ranked) {
        auto [s, e] = ScopeOf(a);
        placed.start = OrderOf(*main).Rank(s);
        placed.end = OrderOf(*main).Rank(e);
      }
      list.push_back(placed);
      by_id.erase(it);
    }
    for (auto c : root.children("w:comment")) {
      if (by_id.count(c.attribute("w:id").value())) list.push_back({c, false, {}, {}});
    }
  }
  placed_.list = std::move(list);
  placed_.revision = revision_;
  placed_.ranked = ranked;
  return placed_.list;
}

}  // namespace korvax::word::detail
