// Named places of the main story (w:bookmarkStart / w:bookmarkEnd).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/word/range.hpp"

namespace korvax::word {

namespace detail {
class DocumentData;
}

inline constexpr int wdSortByName = 0;

class Bookmarks {
 public:
  explicit Bookmarks(std::shared_ptr<detail::DocumentData> doc) : doc_(std::move(doc)) {}
  void Add(std::string_view name, const word::Range& range);  // replaces one of that name
  bool Exists(std::string_view name) const;
  int Count() const;
  word::Range Item(std::string_view name) const;  // the marked range; 5941 when absent
  int DefaultSorting() const;
  void SetDefaultSorting(int sorting);
  bool ShowHidden() const;
  void SetShowHidden(bool show);

 private:
  std::shared_ptr<detail::DocumentData> doc_;
};

}  // namespace korvax::word
