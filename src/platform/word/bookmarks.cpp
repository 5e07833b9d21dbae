#include "platform/word/bookmarks.hpp"

#include <cstring>

#include "platform/word/document_data.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {
namespace {

pugi::xml_node FindStart(detail::DocumentData& d, std::string_view name) {
  for (auto x : d.body.select_nodes(".//w:bookmarkStart")) {
    if (name == x.node().attribute("w:name").value()) return x.node();
  }
  return {};
}

pugi::xml_node InsertAt(detail::InsertPoint at, const char* name) {
  return at.before ? at.parent.insert_child_before(name, at.before) : at.parent.append_child(name);
}

}  // namespace

void Bookmarks::Add(std::string_view name, const word::Range& range) {
  range.Start();  // 91 for a range that refers to nothing
  auto& d = *doc_;
  auto& state = *range.State();
  if (state.story != d.main) throw errors::NotAvailable("Textmarke außerhalb des Haupttextes");
  if (name.empty() || name.size() > 40) throw errors::ValueOutOfRange();
  if (auto old = FindStart(d, name)) d.DeleteBookmark(old.attribute("w:id").value());
  std::string id = d.NewId("w:bookmarkStart", d.body);
  int start = range.Start();
  int end = range.End();
  detail::InsertPoint at = d.PointAt(*state.story, start);
  auto s = InsertAt(at, "w:bookmarkStart");
  s.append_attribute("w:id") = id.c_str();
  s.append_attribute("w:name") = std::string(name).c_str();
  if (end != start) at = d.PointAt(*state.story, end);
  InsertAt(at, "w:bookmarkEnd").append_attribute("w:id") = id.c_str();
}

bool Bookmarks::Exists(std::string_view name) const {
  return static_cast<bool>(FindStart(*doc_, name));
}

int Bookmarks::Count() const {
  int n = 0;
  for (auto x : doc_->body.select_nodes(".//w:bookmarkStart")) {
    n += doc_->bookmarks_show_hidden || x.node().attribute("w:name").value()[0] != '_';
  }
  return n;
}

Range Bookmarks::Item(std::string_view name) const {
  auto& d = *doc_;
  pugi::xml_node start = FindStart(d, name);
  if (!start) throw errors::NoSuchMember();
  int s = d.index.PositionOf(start);
  int e = s;
  for (auto x : d.body.select_nodes(".//w:bookmarkEnd")) {
    if (std::strcmp(x.node().attribute("w:id").value(), start.attribute("w:id").value()) == 0) {
      e = d.index.PositionOf(x.node());
      break;
    }
  }
  return word::Range(d.NewRange(d.main, s, std::max(s, e)));
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
