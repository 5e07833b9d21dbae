// Floating shapes of the main story; text boxes carry a story of their own.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/word/handle.hpp"
#include "platform/word/range.hpp"

namespace korvax::word {

inline constexpr int msoTextOrientationHorizontal = 1;
inline constexpr int wdRelativeVerticalPositionPage = 1;
inline constexpr int wdRelativeVerticalPositionParagraph = 2;

// A shape's fill (DrawingML a:solidFill or a:noFill).
class FillFormat {
 public:
  explicit FillFormat(detail::Node* sp_pr) : sp_pr_(sp_pr) {}
  bool Visible() const;  // false with a:noFill
  void SetVisible(bool visible);
  double Transparency() const;  // 0 opaque .. 1 clear
  void SetTransparency(double transparency);

 private:
  detail::Node* sp_pr_;
};

// A shape's outline (a:ln).
class LineFormat {
 public:
  explicit LineFormat(detail::Node* sp_pr) : sp_pr_(sp_pr) {}
  bool Visible() const;
  void SetVisible(bool visible);

 private:
  detail::Node* sp_pr_;
};

// The text of a text box.
class TextFrame : public Handle {
 public:
  TextFrame(DocumentDataPtr doc, detail::Node* content) : Handle(std::move(doc), content) {}
  word::Range TextRange() const;  // the text box story, without its final mark
};

class Shape : public Handle {
 public:
  Shape() = default;  // refers to no shape; every member fails with 5825
  Shape(DocumentDataPtr doc, detail::Node* anchor) : Handle(std::move(doc), anchor) {}
  std::string Name() const;
  void SetName(std::string_view name);
  FillFormat Fill() const;
  LineFormat Line() const;
  int RelativeVerticalPosition() const;
  void SetRelativeVerticalPosition(int relative);
  double Left() const;  // points
  void SetLeft(double points);
  double Top() const;
  void SetTop(double points);
  double Width() const;
  void SetWidth(double points);
  double Height() const;
  void SetHeight(double points);
  word::TextFrame TextFrame() const;
  void Select() const;  // the selection goes to the start of the text box's text
  void Delete();
  explicit operator bool() const { return node_ != nullptr; }

 private:
  detail::Node* Anchor() const;  // the wp:anchor, while it is in the document
};

class Shapes {
 public:
  explicit Shapes(DocumentDataPtr doc) : doc_(std::move(doc)) {}
  int Count() const { return static_cast<int>(Anchors().size()); }
  Shape Item(int index) const;              // 1-based; 5941 outside
  Shape Item(std::string_view name) const;  // by name; 5941 when absent
  // A floating text box, positioned on the page, anchored in the paragraph of
  // the selection.
  Shape AddTextbox(int orientation, double left, double top, double width, double height);

 private:
  // The floating shapes of the body, taken at first use; adding one drops
  // the list, so that the next use sees the new box.
  const std::vector<detail::Node*>& Anchors() const;

  DocumentDataPtr doc_;
  mutable std::optional<std::vector<detail::Node*>> anchors_;
};

}  // namespace korvax::word
