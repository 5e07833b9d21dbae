#include "platform/word/comments.hpp"

#include <chrono>
#include <cstring>
#include <ctime>
#include <random>

#include "platform/word/document_data.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {
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

pugi::xml_node InsertAt(detail::InsertPoint at, const char* name) {
  return at.before ? at.parent.insert_child_before(name, at.before) : at.parent.append_child(name);
}

// The document behind a comment handle: 5825 when the comment is gone (or
// there never was one), 91 when the handle has no document.
detail::DocumentData& DocOf(const std::shared_ptr<detail::DocumentData>& doc,
                            pugi::xml_node comment) {
  errors::Alive(comment);
  if (!doc) throw korvax::errors::ObjectNotSet();
  return *doc;
}

}  // namespace

Range Comment::Range() const {
  auto& d = DocOf(doc_, comment_);
  auto story = d.StoryFor(comment_);
  return word::Range(d.NewRange(story, 0, d.StoryEnd(*story)));
}

Range Comment::Scope() const {
  auto& d = DocOf(doc_, comment_);
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
  DocOf(doc_, comment_).DeleteComment(Id());
}

std::string Comment::Id() const {
  DocOf(doc_, comment_);
  return comment_.attribute("w:id").value();
}

Comment Comments::Item(int index) const {
  if (index < 1 || index > Count()) throw errors::NoSuchMember();
  return Comment(doc_, comments_[index - 1]);
}

Comments Comments::Of(const std::shared_ptr<detail::DocumentData>& doc, const word::Range* within) {
  if (within) within->Start();  // 91 for a range that refers to nothing
  if (!doc) throw korvax::errors::ObjectNotSet();
  auto& d = *doc;
  std::vector<pugi::xml_node> out;
  if (!within) {
    const auto& all = d.CommentsInOrder();
    out.reserve(all.anchored.size() + all.unanchored.size());
    for (const auto& a : all.anchored) out.push_back(a.comment);
    out.insert(out.end(), all.unanchored.begin(), all.unanchored.end());
    return Comments(doc, out);
  }
  if (within->State()->story != d.main) return Comments(doc, out);
  int rs = within->Start();
  int re = within->End();
  // A collapsed range takes the comments whose span holds it; any other those
  // that overlap it, and empty spans at its start or inside it. Either way the
  // span ends at or after the range's start and starts before its end (at its
  // start when collapsed), which the lookup narrows down to.
  const auto& all = d.PositionedComments();
  std::vector<size_t> candidates;
  all.Overlapping(rs, rs == re ? rs : re - 1, candidates);
  for (size_t i : candidates) {
    int cs = all.anchored[i].start;
    int ce = all.anchored[i].end;
    bool hit = rs == re ? (cs <= rs && rs <= ce)
                        : ((cs < re && ce > rs) || (cs == ce && rs <= cs && cs < re));
    if (hit) out.push_back(all.anchored[i].comment);
  }
  return Comments(doc, out);
}

Comment Comments::Add(const word::Range& range, std::string_view text) {
  range.Start();  // 91 for a range that refers to nothing
  if (!doc_) throw korvax::errors::ObjectNotSet();
  auto& d = *doc_;
  auto& state = *range.State();
  if (state.story != d.main) throw errors::NotAvailable("Kommentar außerhalb des Haupttextes");
  int start = range.Start();
  int end = range.End();
  pugi::xml_node root = d.CommentsRoot(true);
  std::string id = d.NewId("w:comment", root);

  // With an empty scope the end marker goes right behind the start marker.
  detail::InsertPoint at = d.PointAt(*state.story, start);
  pugi::xml_node range_start = InsertAt(at, "w:commentRangeStart");
  range_start.append_attribute("w:id") = id.c_str();
  if (end != start) at = d.PointAt(*state.story, end);
  pugi::xml_node range_end = InsertAt(at, "w:commentRangeEnd");
  range_end.append_attribute("w:id") = id.c_str();
  pugi::xml_node ref_run = range_end.parent().insert_child_after("w:r", range_end);
  pugi::xml_node reference = ref_run.append_child("w:commentReference");
  reference.append_attribute("w:id") = id.c_str();

  pugi::xml_node comment = root.append_child("w:comment");
  d.CommentAdded(id, range_start, range_end, reference);
  comment.append_attribute("w:id") = id.c_str();
  comment.append_attribute("w:author") = "Korvax";
  comment.append_attribute("w:date") = NowUtc().c_str();
  comment.append_attribute("w:initials") = "K";
  std::u32string all = detail::U32(text);
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
      t.text().set(detail::Utf8(line).c_str());
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
  return Comment(doc_, comment);
}

}  // namespace korvax::word
