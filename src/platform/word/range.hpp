// A contiguous stretch of a story, live as in Word: it keeps covering the same
// text while text before it or inside it is inserted or deleted. Copies of a
// Range share one position (like object references in Word); Duplicate() makes
// an independent one.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/variant.hpp"

namespace korvax::word {

namespace detail {
struct RangeState;
}  // namespace detail

class Comments;
class Tables;

// Word's constants, by their Word names.
inline constexpr int wdCollapseEnd = 0;
inline constexpr int wdCollapseStart = 1;
inline constexpr int wdCharacter = 1;
inline constexpr int wdWord = 2;
inline constexpr int wdWithInTable = 12;
inline constexpr int wdAlignParagraphLeft = 0;
inline constexpr int wdAlignParagraphCenter = 1;
inline constexpr int wdAlignParagraphRight = 2;
inline constexpr int wdAlignParagraphJustify = 3;
inline constexpr int wdAlignTabLeft = 0;
inline constexpr int wdAlignTabDecimal = 3;
inline constexpr int wdUndefined = 9999999;

// Character formatting of a range; reads give wdUndefined when mixed.
class Font {
 public:
  explicit Font(std::shared_ptr<detail::RangeState> range) : range_(std::move(range)) {}
  int Bold() const;  // 1 bold, 0 not, wdUndefined mixed
  void SetBold(bool bold);
  double Size() const;  // points; wdUndefined when mixed
  void SetSize(double points);

 private:
  std::shared_ptr<detail::RangeState> range_;
};

// The tab stops of the paragraphs of a range.
class TabStops {
 public:
  explicit TabStops(std::shared_ptr<detail::RangeState> range) : range_(std::move(range)) {}
  void Add(double position_points, int alignment = wdAlignTabLeft, int leader = 0);
  int Count() const;  // stops of the first paragraph

 private:
  std::shared_ptr<detail::RangeState> range_;
};

// Paragraph formatting of the paragraphs a range touches.
class ParagraphFormat {
 public:
  explicit ParagraphFormat(std::shared_ptr<detail::RangeState> range) : range_(std::move(range)) {}
  int Alignment() const;             // of the first paragraph
  void SetAlignment(int alignment);  // wdAlignParagraph..., on every paragraph
  word::TabStops TabStops() const { return word::TabStops(range_); }

 private:
  std::shared_ptr<detail::RangeState> range_;
};

class Range {
 public:
  Range() = default;  // refers to nothing; every member fails with 91
  explicit Range(std::shared_ptr<detail::RangeState> state) : state_(std::move(state)) {}

  int Start() const;         // 0-based character position in the story
  int End() const;           // position after the last character
  void SetStart(int start);  // clamped to the story; the end follows when passed
  void SetEnd(int end);
  void SetRange(int start, int end);

  std::string Text() const;
  void SetText(std::string_view text);  // replaces the text; the range covers the new text

  // wdCollapseEnd on a cell's range stops before the end-of-cell mark.
  void Collapse(int direction = wdCollapseStart);
  int MoveStart(int unit = wdCharacter, int count = 1);  // units actually moved
  int MoveEnd(int unit = wdCharacter, int count = 1);

  void InsertAfter(std::string_view text);   // the range grows over the new text
  void InsertBefore(std::string_view text);  // likewise
  void InsertParagraphAfter();               // InsertAfter("\r")
  void InsertParagraphBefore();              // InsertBefore("\r")
  void Delete();  // text and whole tables it covers; collapsed: the next character

  word::Font Font() const { return word::Font(state_); }
  // The paragraphs the range touches take the document's default paragraph
  // style without formatting of their own; a section break they end stays,
  // and so does the formatting of their marks.
  void ClearParagraphAllFormatting();
  word::ParagraphFormat ParagraphFormat() const { return word::ParagraphFormat(state_); }
  word::Comments Comments() const;      // comments anchored in the range
  word::Tables Tables() const;          // tables the range lies in or overlaps
  Variant Information(int type) const;  // wdWithInTable
  void Select() const;                  // the selection takes this range's place

  Range Duplicate() const;
  bool IsEqual(const Range& other) const;  // same story and positions
  explicit operator bool() const { return state_ != nullptr; }
  const std::shared_ptr<detail::RangeState>& State() const { return state_; }  // for the layer

 protected:
  detail::RangeState& S() const;
  std::shared_ptr<detail::RangeState> state_;
};

}  // namespace korvax::word
