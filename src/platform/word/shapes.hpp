// Floating shapes of the main story; text boxes carry a story of their own.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "platform/word/range.hpp"

namespace korvax::word {

namespace detail {
class DocumentData;
}

inline constexpr int msoTextOrientationHorizontal = 1;
inline constexpr int wdRelativeVerticalPositionMargin = 0;
inline constexpr int wdRelativeVerticalPositionPage = 1;
inline constexpr int wdRelativeVerticalPositionParagraph = 2;
inline constexpr int wdRelativeVerticalPositionLine = 3;

using ShapeDataPtr = std::shared_ptr<detail::DocumentData>;

// A shape's fill (DrawingML a:solidFill or a:noFill).
class FillFormat {
 public:
  explicit FillFormat(pugi::xml_node sp_pr) : sp_pr_(sp_pr) {}
  bool Visible() const;  // false with a:noFill
  void SetVisible(bool visible);
  double Transparency() const;  // 0 opaque .. 1 clear
  void SetTransparency(double transparency);

 private:
  pugi::xml_node sp_pr_;
};

// A shape's outline (a:ln).
class LineFormat {
 public:
  explicit LineFormat(pugi::xml_node sp_pr) : sp_pr_(sp_pr) {}
  bool Visible() const;
  void SetVisible(bool visible);

 private:
  pugi::xml_node sp_pr_;
};

// The text of a text box.
class TextFrame {
 public:
  TextFrame(ShapeDataPtr doc, pugi::xml_node content) : doc_(std::move(doc)), content_(content) {}
  word::Range TextRange() const;  // the text box story, without its final mark
  bool HasText() const { return static_cast<bool>(content_); }

 private:
  ShapeDataPtr doc_;
  pugi::xml_node content_;
};

class Shape {
 public:
  Shape() = default;  // refers to no shape; every member fails with 5825
  Shape(ShapeDataPtr doc, pugi::xml_node anchor) : doc_(std::move(doc)), anchor_(anchor) {}
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
  pugi::xml_node Node() const { return anchor_; }
  explicit operator bool() const { return static_cast<bool>(anchor_); }

 private:
  // The anchor, or 5825 when the shape is gone (or there never was one) and
  // 91 when the handle has no document.
  pugi::xml_node Anchor() const;
  detail::DocumentData& Doc() const;

  ShapeDataPtr doc_;
  pugi::xml_node anchor_;  // wp:anchor
};

class Shapes {
 public:
  explicit Shapes(ShapeDataPtr doc);
  int Count() const { return static_cast<int>(Anchors().size()); }
  Shape Item(int index) const;              // 1-based; 5941 outside
  Shape Item(std::string_view name) const;  // by name; 5941 when absent
  // A floating text box, positioned on the page, anchored in the paragraph of
  // the selection.
  Shape AddTextbox(int orientation, double left, double top, double width, double height);

 private:
  // The floating shapes of the body as the document keeps them, taken at
  // first use. Adding one drops the list, so that the next use sees the new
  // box.
  const std::vector<pugi::xml_node>& Anchors() const;

  ShapeDataPtr doc_;
  mutable std::optional<std::vector<pugi::xml_node>> anchors_;
};

}  // namespace korvax::word
