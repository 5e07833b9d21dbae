// Tables of a story: cheap handles over a table and its rows and cells.
#pragma once

#include <memory>
#include <vector>

#include "platform/word/handle.hpp"
#include "platform/word/range.hpp"

namespace korvax::word {

inline constexpr int wdBorderTop = -1;
inline constexpr int wdBorderLeft = -2;
inline constexpr int wdBorderBottom = -3;
inline constexpr int wdBorderRight = -4;
inline constexpr int wdBorderHorizontal = -5;
inline constexpr int wdBorderVertical = -6;
inline constexpr int wdLineStyleNone = 0;
inline constexpr int wdLineStyleSingle = 1;

// One of a table's six borders (w:tblBorders).
class Border : public Handle {
 public:
  Border(DocumentDataPtr doc, detail::Node* table, int which);
  int LineStyle() const;  // wdLineStyleNone or wdLineStyleSingle
  void SetLineStyle(int style);

 private:
  int which_;
};

class Cell : public Handle {
 public:
  Cell() = default;  // refers to no cell; every member fails with 5825
  Cell(DocumentDataPtr doc, detail::Node* cell) : Handle(std::move(doc), cell) {}
  Cell(const Handle& table, detail::Node* cell) : Handle(table, cell) {}
  word::Range Range() const;  // the cell's text with its end-of-cell mark "\r\a"
  // What Range().Text() holds before the end-of-cell mark, read without a range.
  std::string Text() const;
  double Width() const;  // points
  void SetWidth(double points);
  void Select() const;  // the selection covers the text, not the end-of-cell mark
};

class Rows : public Handle {
 public:
  Rows(DocumentDataPtr doc, detail::Node* table) : Handle(std::move(doc), table) {}
  int Count() const;
  void Add();  // appends a row shaped like the last one, with empty cells
};

class Column : public Handle {
 public:
  Column(DocumentDataPtr doc, detail::Node* table, int index)
      : Handle(std::move(doc), table), index_(index) {}
  double Width() const;          // points, from the grid
  void SetWidth(double points);  // the grid column and the cell widths of every row

 private:
  int index_;
};

class Columns : public Handle {
 public:
  Columns(DocumentDataPtr doc, detail::Node* table) : Handle(std::move(doc), table) {}
  int Count() const;             // the cells of the row with the most, as Word counts them
  Column Item(int index) const;  // 1-based; 5941 outside
};

class Table : public Handle {
 public:
  Table() = default;  // refers to no table; every member fails with 5825
  Table(DocumentDataPtr doc, detail::Node* table) : Handle(std::move(doc), table) {}
  word::Range Range() const;  // cell (1,1) up to after the last end-of-row mark
  void Delete();  // with its comments and bookmarks; ranges inside collapse to its place
  word::Rows Rows() const { return word::Rows(doc_, node_); }
  word::Columns Columns() const { return word::Columns(doc_, node_); }
  word::Cell Cell(int row, int column) const;  // 1-based; 5941 outside the table
  Border Borders(int which) const { return Border(doc_, node_, which); }
  void Select() const;
  bool operator==(const Table& other) const { return node_ == other.node_; }
  explicit operator bool() const { return node_ != nullptr; }
};

class Tables {
 public:
  Tables(DocumentDataPtr doc, std::vector<detail::Node*> tables, detail::Node* story_root)
      : doc_(std::move(doc)), tables_(std::move(tables)), root_(story_root) {}
  int Count() const { return static_cast<int>(tables_.size()); }
  Table Item(int index) const;  // 1-based; 5941 outside
  // A new table with empty cells at the range's start (a paragraph there is
  // split), filling the text width; a paragraph always follows it.
  Table Add(const word::Range& range, int rows, int columns);

 private:
  DocumentDataPtr doc_;
  std::vector<detail::Node*> tables_;
  detail::Node* root_;
};

}  // namespace korvax::word
