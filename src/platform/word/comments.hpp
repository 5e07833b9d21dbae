// Comments (annotations): each has its own story and an anchor in the main story.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "platform/word/range.hpp"

namespace korvax::word {

namespace detail {
class DocumentData;
}

class Comment {
 public:
  Comment() = default;  // refers to no comment; every member fails with 5825
  Comment(std::shared_ptr<detail::DocumentData> doc, pugi::xml_node comment)
      : doc_(std::move(doc)), comment_(comment) {}
  word::Range Range() const;  // the comment's text, without its final paragraph mark
  word::Range Scope() const;  // the anchored text of the main story
  void Delete();              // with its anchor
  std::string Id() const;
  pugi::xml_node Node() const { return comment_; }

 private:
  std::shared_ptr<detail::DocumentData> doc_;
  pugi::xml_node comment_;
};

class Comments {
 public:
  Comments(std::shared_ptr<detail::DocumentData> doc, std::vector<pugi::xml_node> comments)
      : doc_(std::move(doc)), comments_(std::move(comments)) {}
  int Count() const { return static_cast<int>(comments_.size()); }
  Comment Item(int index) const;  // 1-based, in the order of the anchors; 5941 outside
  Comment Add(const word::Range& range, std::string_view text);

  // Every comment of the document in anchor order; those within [start, end] only
  // when a range is given.
  static Comments Of(const std::shared_ptr<detail::DocumentData>& doc, const word::Range* within);

 private:
  std::shared_ptr<detail::DocumentData> doc_;
  std::vector<pugi::xml_node> comments_;
};

}  // namespace korvax::word
