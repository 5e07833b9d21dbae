// What the layer's handles (Table, Cell, Comment, Shape...) hold: their
// document and one element of it, opaque outside the layer.
#pragma once

#include <memory>

namespace korvax::word {

namespace detail {
class DocumentData;
struct Node;  // an element of the document's XML
}  // namespace detail

using DocumentDataPtr = std::shared_ptr<detail::DocumentData>;

class Handle {
 public:
  detail::Node* Node() const { return node_; }  // for the layer

 protected:
  Handle() = default;
  Handle(DocumentDataPtr doc, detail::Node* node) : doc_(std::move(doc)), node_(node) {}
  // A handle to an element just found inside `parent`, which Doc() has
  // found in the document: alive as long as the parent is.
  Handle(const Handle& parent, detail::Node* node)
      : doc_(parent.doc_), node_(node), seen_(parent.seen_) {}
  // The document while the element is in it: 5825 for an empty handle and
  // for an element deleted meanwhile, 91 for a handle without a document.
  detail::DocumentData& Doc() const;

  DocumentDataPtr doc_;
  detail::Node* node_ = nullptr;

 private:
  // The document's generation when the element was last found in it.
  mutable unsigned long long seen_ = 0;
};

}  // namespace korvax::word
