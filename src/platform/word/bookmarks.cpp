#include "platform/word/bookmarks.hpp"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "internal/document_data.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {
namespace {

// The elements of one name below the body, in document order.
std::vector<pugi::xml_node> ElementsNamed(detail::DocumentData& d, std::string_view name) {
  std::vector<pugi::xml_node> found;
  detail::ForEachElement(d.body, [&](pugi::xml_node n) {
    if (name == n.name()) found.push_back(n);
  });
  return found;
}

// The first of them whose attribute has the value.
pugi::xml_node FirstWith(detail::DocumentData& d, std::string_view name, const char* attribute,
                         std::string_view value) {
  for (auto x : ElementsNamed(d, name)) {
    if (value == x.attribute(attribute).value()) return x;
  }
  return {};
}

}  // namespace

void Bookmarks::Add(std::string_view name, const word::Range& range) {
  detail::Live(range.State());  // 91 for a range that refers to nothing
  auto& d = *doc_;
  auto& state = *range.State();
  if (state.story != d.main) throw errors::NotAvailable("Textmarke außerhalb des Haupttextes");
  if (name.empty() || name.size() > 40) throw errors::ValueOutOfRange();
  // The bookmark of that name goes (the first in document order, when there
  // are several), and the new one takes the id after the largest left.
  std::vector<pugi::xml_node> starts = ElementsNamed(d, "w:bookmarkStart");
  pugi::xml_node old;
  for (auto x : starts) {
    if (!old && name == x.attribute("w:name").value()) old = x;
  }
  std::string old_id = old ? old.attribute("w:id").value() : "";
  long max = -1;
  for (auto x : starts) {
    const char* v = x.attribute("w:id").value();
    if (!old || old_id != v) max = std::max(max, std::strtol(v, nullptr, 10));
  }
  if (old) d.DeleteBookmark(old_id);
  std::string id = std::to_string(max + 1);
  const bool collapsed = state.start == state.end;
  detail::InsertPoint at = d.PointAt(*state.story, state.start);
  auto s = at.Insert("w:bookmarkStart");
  s.append_attribute("w:id") = id.c_str();
  s.append_attribute("w:name") = std::string(name).c_str();
  if (!collapsed) at = d.PointAt(*state.story, state.end);
  at.Insert("w:bookmarkEnd").append_attribute("w:id") = id.c_str();
  d.Changed(false);
}

bool Bookmarks::Exists(std::string_view name) const {
  return static_cast<bool>(FirstWith(*doc_, "w:bookmarkStart", "w:name", name));
}

int Bookmarks::Count() const {
  int n = 0;
  for (auto x : ElementsNamed(*doc_, "w:bookmarkStart")) {
    n += doc_->bookmarks_show_hidden || x.attribute("w:name").value()[0] != '_';
  }
  return n;
}

Range Bookmarks::Item(std::string_view name) const {
  auto& d = *doc_;
  pugi::xml_node start = FirstWith(d, "w:bookmarkStart", "w:name", name);
  if (!start) throw errors::NoSuchMember();
  pugi::xml_node end = FirstWith(d, "w:bookmarkEnd", "w:id", start.attribute("w:id").value());
  auto [s, e] = d.MarkedSpan(start, end);
  return word::Range(d.NewRange(d.main, s, e));
}

int Bookmarks::DefaultSorting() const {
  return doc_->bookmarks_default_sorting;
}
void Bookmarks::SetDefaultSorting(int sorting) {
  doc_->bookmarks_default_sorting = sorting;
}
bool Bookmarks::ShowHidden() const {
  return doc_->bookmarks_show_hidden;
}
void Bookmarks::SetShowHidden(bool show) {
  doc_->bookmarks_show_hidden = show;
}

}  // namespace korvax::word
