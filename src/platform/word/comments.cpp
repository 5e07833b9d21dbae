#include "platform/word/comments.hpp"

#include <cstring>
#include <ctime>
#include <random>

#include "common/error.hpp"
#include "common/text.hpp"
#include "internal/document_data.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {

using detail::NodeOf;
using detail::Xml;

namespace {

std::string NowUtc() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

std::string RandomHex(uint32_t below) {
  static std::mt19937 engine(std::random_device{}());
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(engine() % below));
  return buf;
}

}  // namespace

Range Comment::Range() const {
  auto& d = Doc();
  auto story = d.StoryFor(Xml(node_));
  return word::Range(d.NewRange(story, detail::First(story->root), d.StoryEnd(*story)));
}

Range Comment::Scope() const {
  auto& d = Doc();
  std::string id = Id();
  for (const auto& anchor : d.CommentAnchors()) {
    if (anchor.id == id) {
      auto [s, e] = d.ScopeOf(anchor);
      return word::Range(d.NewRange(d.main, s, e));
    }
  }
  return word::Range(d.NewRange(d.main, 0, 0));
}

void Comment::Delete() {
  Doc().DeleteComments({Id()});
}

std::string Comment::Id() const {
  Doc();
  return Xml(node_).attribute("w:id").value();
}

Comment Comments::Item(int index) const {
  if (index < 1 || index > Count()) throw errors::NoSuchMember();
  return Comment(doc_, List()[index - 1]);
}

Comments Comments::Of(const DocumentDataPtr& doc, const word::Range* within) {
  if (within) detail::Live(within->State());  // 91 for a range that refers to nothing
  if (!doc) throw korvax::errors::ObjectNotSet();
  if (!within) return Comments(doc, std::nullopt, Lazy{});
  return Comments(doc, within->Duplicate(), Lazy{});
}

const std::vector<detail::Node*>& Comments::List() const {
  if (comments_) return *comments_;
  auto& d = *doc_;
  auto& out = comments_.emplace();
  const word::Range* within = within_ ? &*within_ : nullptr;
  if (within) detail::Live(within->State());
  if (within && within->State()->story != d.main) return out;
  const auto& placed = d.PlacedComments(within != nullptr);
  if (!within) {
    for (const auto& c : placed) out.push_back(NodeOf(c.comment));
    return out;
  }
  const detail::Layout& order = d.OrderOf(*d.main);
  const auto rs = order.Rank(within->State()->start);
  const auto re = order.Rank(within->State()->end);
  // A collapsed range takes the comments whose span holds it; any other those
  // that overlap it, and empty spans at its start or inside it.
  for (const auto& c : placed) {
    if (!c.anchored) continue;
    bool hit = rs == re ? (c.start <= rs && rs <= c.end)
                        : ((c.start < re && c.end > rs) ||
                           (c.start == c.end && rs <= c.start && c.start < re));
    if (hit) out.push_back(NodeOf(c.comment));
  }
  return out;
}

Comment Comments::Add(const word::Range& range, std::string_view text) {
  detail::Live(range.State());  // 91 for a range that refers to nothing
  if (!doc_) throw korvax::errors::ObjectNotSet();
  auto& d = *doc_;
  auto& state = *range.State();
  if (state.story != d.main) throw errors::NotAvailable("Kommentar außerhalb des Haupttextes");
  pugi::xml_node root = d.CommentsRoot(true);
  std::string id = d.NewId("w:comment", root);

  // With an empty scope the end marker goes right behind the start marker.
  // The range is read again after each marker: a marker at the end of the
  // document may have made the body a paragraph to stand in.
  const bool collapsed = state.start == state.end;
  detail::InsertPoint at = d.PointAt(*state.story, state.start);
  pugi::xml_node range_start = at.Insert("w:commentRangeStart");
  range_start.append_attribute("w:id") = id.c_str();
  if (!collapsed) at = d.PointAt(*state.story, state.end);
  pugi::xml_node range_end = at.Insert("w:commentRangeEnd");
  range_end.append_attribute("w:id") = id.c_str();
  pugi::xml_node ref_run = range_end.parent().insert_child_after("w:r", range_end);
  pugi::xml_node reference = ref_run.append_child("w:commentReference");
  reference.append_attribute("w:id") = id.c_str();
  d.Changed(true);  // new markers

  pugi::xml_node comment = root.append_child("w:comment");
  comment.append_attribute("w:id") = id.c_str();
  comment.append_attribute("w:author") = "Korvax";
  comment.append_attribute("w:date") = NowUtc().c_str();
  comment.append_attribute("w:initials") = "K";
  std::u32string all = text::ToU32(text);
  size_t begin = 0;
  pugi::xml_node last;
  do {
    size_t mark = all.find_first_of(U"\r\n", begin);
    std::u32string line = all.substr(begin, mark == std::u32string::npos ? mark : mark - begin);
    last = comment.append_child("w:p");
    if (begin == 0) last.append_child("w:r").append_child("w:annotationRef");
    if (!line.empty()) {
      auto t = last.append_child("w:r").append_child("w:t");
      t.append_attribute("xml:space") = "preserve";
      t.text().set(text::ToUtf8(line).c_str());
    }
    begin = mark == std::u32string::npos ? mark : mark + 1;
  } while (begin != std::u32string::npos);

  // Word 2013 and later keep reply state and durable ids beside comments.xml.
  auto extended = d.ExtensionRoot("/commentsExtended");
  auto ids = d.ExtensionRoot("/commentsIds");
  auto extensible = d.ExtensionRoot("/commentsExtensible");
  if ((extended || ids || extensible) && root.attribute("xmlns:w14")) {
    std::string para = RandomHex(0x7FFFFFFF);
    std::string durable = RandomHex(0x7FFFFFFF);
    last.append_attribute("w14:paraId") = para.c_str();
    last.append_attribute("w14:textId") = "77777777";
    if (extended) {
      auto ex = extended.append_child("w15:commentEx");
      ex.append_attribute("w15:paraId") = para.c_str();
      ex.append_attribute("w15:done") = "0";
    }
    if (ids) {
      auto c = ids.append_child("w16cid:commentId");
      c.append_attribute("w16cid:paraId") = para.c_str();
      c.append_attribute("w16cid:durableId") = durable.c_str();
    }
    if (extensible) {
      auto c = extensible.append_child("w16cex:commentExtensible");
      c.append_attribute("w16cex:durableId") = durable.c_str();
      c.append_attribute("w16cex:dateUtc") = NowUtc().c_str();
    }
  }
  return Comment(doc_, NodeOf(comment));
}

}  // namespace korvax::word
