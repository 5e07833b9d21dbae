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

// The element with the attributes given, in their order.
pugi::xml_node Append(pugi::xml_node element,
                      std::initializer_list<std::pair<const char*, std::string>> attributes) {
  for (const auto& [name, value] : attributes) element.append_attribute(name) = value.c_str();
  return element;
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
  return Comments(doc, within ? std::optional(within->Duplicate()) : std::nullopt, Lazy{});
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
  Append(at.Insert("w:commentRangeStart"), {{"w:id", id}});
  if (!collapsed) at = d.PointAt(*state.story, state.end);
  pugi::xml_node range_end = Append(at.Insert("w:commentRangeEnd"), {{"w:id", id}});
  pugi::xml_node ref_run = range_end.parent().insert_child_after("w:r", range_end);
  Append(ref_run.append_child("w:commentReference"), {{"w:id", id}});
  d.Changed(true);  // new markers

  pugi::xml_node comment =
      Append(root.append_child("w:comment"),
             {{"w:id", id}, {"w:author", "Korvax"}, {"w:date", NowUtc()}, {"w:initials", "K"}});
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
  auto extended = d.PartRoot("/commentsExtended");
  auto ids = d.PartRoot("/commentsIds");
  auto extensible = d.PartRoot("/commentsExtensible");
  if ((extended || ids || extensible) && root.attribute("xmlns:w14")) {
    std::string para = RandomHex(0x7FFFFFFF);
    std::string durable = RandomHex(0x7FFFFFFF);
    Append(last, {{"w14:paraId", para}, {"w14:textId", "77777777"}});
    // Appending to a part that is not there (a null node) does nothing.
    Append(extended.append_child("w15:commentEx"), {{"w15:paraId", para}, {"w15:done", "0"}});
    Append(ids.append_child("w16cid:commentId"),
           {{"w16cid:paraId", para}, {"w16cid:durableId", durable}});
    Append(extensible.append_child("w16cex:commentExtensible"),
           {{"w16cex:durableId", durable}, {"w16cex:dateUtc", NowUtc()}});
  }
  return Comment(doc_, NodeOf(comment));
}

}  // namespace korvax::word
