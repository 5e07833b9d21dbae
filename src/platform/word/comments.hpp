// Comments (annotations): each has its own story and an anchor in the main story.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/word/handle.hpp"
#include "platform/word/range.hpp"

namespace korvax::word {

class Comment : public Handle {
 public:
  Comment() = default;  // refers to no comment; every member fails with 5825
  Comment(DocumentDataPtr doc, detail::Node* comment) : Handle(std::move(doc), comment) {}
  word::Range Range() const;  // the comment's text, without its final paragraph mark
  word::Range Scope() const;  // the anchored text of the main story
  void Delete();              // with its anchor
  std::string Id() const;
};

// The comments of the document or of a range, looked up when first counted
// or asked for: adding one through the collection needs no lookup.
class Comments {
 public:
  Comments(DocumentDataPtr doc, std::vector<detail::Node*> comments)
      : doc_(std::move(doc)), comments_(std::move(comments)) {}
  int Count() const { return static_cast<int>(List().size()); }
  Comment Item(int index) const;  // 1-based, in the order of the anchors; 5941 outside
  Comment Add(const word::Range& range, std::string_view text);

  // Every comment of the document in anchor order; those within [start, end] only
  // when a range is given.
  static Comments Of(const DocumentDataPtr& doc, const word::Range* within);

 private:
  struct Lazy {};
  Comments(DocumentDataPtr doc, std::optional<word::Range> within, Lazy)
      : doc_(std::move(doc)), within_(std::move(within)) {}
  const std::vector<detail::Node*>& List() const;

  DocumentDataPtr doc_;
  std::optional<word::Range> within_;  // a duplicate: the caller's range may move on
  mutable std::optional<std::vector<detail::Node*>> comments_;
};

}  // namespace korvax::word
