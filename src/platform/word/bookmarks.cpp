#include "platform/word/bookmarks.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/word/document_data.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {
namespace {

// The elements of one name below the body, in document order.
std::vector<pugi::xml_node> ElementsNamed(detail::DocumentData& d, const char* name) {
  struct Walker : pugi::xml_tree_walker {
    const char* name;
    std::vector<pugi::xml_node> found;
    bool for_each(pugi::xml_node& n) override {
      const char* a = n.name();
      const char* b = name;
      while (*a && *a == *b) ++a, ++b;  // most names differ within a few characters
      if (*a == *b && n.type() == pugi::node_element) found.push_back(n);
      return true;
    }
  } walker;
  walker.name = name;
  d.body.traverse(walker);
  return std::move(walker.found);
}

bool IsStart(pugi::xml_node marker) {
  return marker.name()[10] == 'S';  // w:bookmarkStart, not w:bookmarkEnd
}

// The bookmark markers of the body: those kept, without the buried ones, or
// else found in one walk and kept from then on.
std::vector<pugi::xml_node>& Markers(detail::DocumentData& d) {
  if (d.bookmark_markers) {
    std::erase_if(*d.bookmark_markers, IsBuried);
  } else {
    struct Walker : pugi::xml_tree_walker {
      std::vector<pugi::xml_node> found;
      bool for_each(pugi::xml_node& n) override {
        const char* a = n.name();
        if (a[0] == 'w' && a[1] == ':' && a[2] == 'b' && n.type() == pugi::node_element &&
            (std::strcmp(a, "w:bookmarkStart") == 0 || std::strcmp(a, "w:bookmarkEnd") == 0)) {
          found.push_back(n);
        }
        return true;
      }
    } walker;
    d.body.traverse(walker);
    d.bookmark_markers = std::move(walker.found);
  }
  return *d.bookmark_markers;
}

pugi::xml_node FindStart(const std::vector<pugi::xml_node>& starts, std::string_view name) {
  for (auto x : starts) {
    if (name == x.attribute("w:name").value()) return x;
  }
  return {};
}

pugi::xml_node FindStart(detail::DocumentData& d, std::string_view name) {
  return FindStart(ElementsNamed(d, "w:bookmarkStart"), name);
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
  // The bookmark of that name goes, and the new one takes the id after the
  // largest left; both from the markers kept. Of several of that name, the
  // first in document order goes: only a walk knows which that is.
  std::vector<pugi::xml_node> starts;
  int named = 0;
  for (auto x : Markers(d)) {
    if (!IsStart(x)) continue;
    starts.push_back(x);
    named += name == x.attribute("w:name").value();
  }
  pugi::xml_node old = named > 1 ? FindStart(d, name) : FindStart(starts, name);
  std::string old_id = old ? old.attribute("w:id").value() : "";
  long max = -1;
  for (auto x : starts) {
    const char* v = x.attribute("w:id").value();
    if (!old || old_id != v) max = std::max(max, std::strtol(v, nullptr, 10));
  }
  if (old) d.DeleteBookmark(old_id);
  std::string id = std::to_string(max + 1);
  int start = range.Start();
  int end = range.End();
  detail::InsertPoint at = d.PointAt(*state.story, start);
  auto s = InsertAt(at, "w:bookmarkStart");
  s.append_attribute("w:id") = id.c_str();
  s.append_attribute("w:name") = std::string(name).c_str();
  if (end != start) at = d.PointAt(*state.story, end);
  auto e = InsertAt(at, "w:bookmarkEnd");
  e.append_attribute("w:id") = id.c_str();
  if (d.bookmark_markers) {
    d.bookmark_markers->push_back(s);
    d.bookmark_markers->push_back(e);
  }
}

bool Bookmarks::Exists(std::string_view name) const {
  return static_cast<bool>(FindStart(*doc_, name));
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
  pugi::xml_node start = FindStart(d, name);
  if (!start) throw errors::NoSuchMember();
  int s = d.index.PositionOf(start);
  int e = s;
  for (auto x : ElementsNamed(d, "w:bookmarkEnd")) {
    if (std::strcmp(x.attribute("w:id").value(), start.attribute("w:id").value()) == 0) {
      e = d.index.PositionOf(x);
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
