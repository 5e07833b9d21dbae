// Tables of a story: cheap handles over w:tbl and its rows and cells.
#pragma once

#include <memory>
#include <vector>

#include <pugixml.hpp>

#include "platform/word/range.hpp"

namespace korvax::word {

namespace detail {
class DocumentData;
}

inline constexpr int wdBorderTop = -1;
inline constexpr int wdBorderLeft = -2;
inline constexpr int wdBorderBottom = -3;
inline constexpr int wdBorderRight = -4;
inline constexpr int wdBorderHorizontal = -5;
inline constexpr int wdBorderVertical = -6;
inline constexpr int wdLineStyleNone = 0;
inline constexpr int wdLineStyleSingle = 1;

using DocumentDataPtr = std::shared_ptr<detail::DocumentData>;

// One of a table's six borders (w:tblBorders).
class Border {
 public:
  Border(DocumentDataPtr doc, pugi::xml_node table, int which);
  int LineStyle() const;  // wdLineStyleNone or wdLineStyleSingle
  void SetLineStyle(int style);

 private:
  DocumentDataPtr doc_;
  pugi::xml_node table_;
  int which_;
};

class Cell {
 public:
  Cell() = default;  // refers to no cell; every member fails with 5825
  Cell(DocumentDataPtr doc, pugi::xml_node cell) : doc_(std::move(doc)), cell_(cell) {}
  word::Range Range() const;  // the cell's text with its end-of-cell mark "\r\a"
  // What Range().Text() holds before the end-of-cell mark, read without a range.
  std::string Text() const;
  double Width() const;  // points
  void SetWidth(double points);
  void Select() const;  // the selection covers the text, not the end-of-cell mark
  pugi::xml_node Node() const { return cell_; }

 private:
  DocumentDataPtr doc_;
  pugi::xml_node cell_;
};

class Rows {
 public:
  Rows(DocumentDataPtr doc, pugi::xml_node table) : doc_(std::move(doc)), table_(table) {}
  int Count() const;
  void Add();  // appends a row shaped like the last one, with empty cells

 private:
  DocumentDataPtr doc_;
  pugi::xml_node table_;
};

class Column {
 public:
  Column(DocumentDataPtr doc, pugi::xml_node table, int index)
      : doc_(std::move(doc)), table_(table), index_(index) {}
  double Width() const;          // points, from the grid
  void SetWidth(double points);  // the grid column and the cell widths of every row

 private:
  DocumentDataPtr doc_;
  pugi::xml_node table_;
  int index_;
};

class Columns {
 public:
  Columns(DocumentDataPtr doc, pugi::xml_node table) : doc_(std::move(doc)), table_(table) {}
  int Count() const;             // the cells of the row with the most, as Word counts them
  Column Item(int index) const;  // 1-based; 5941 outside

 private:
  DocumentDataPtr doc_;
  pugi::xml_node table_;
};

class Table {
 public:
  Table() = default;  // refers to no table; every member fails with 5825
  Table(DocumentDataPtr doc, pugi::xml_node table) : doc_(std::move(doc)), table_(table) {}
  word::Range Range() const;  // cell (1,1) up to after the last end-of-row mark
  void Delete();  // with its comments and bookmarks; ranges inside collapse to its place
  word::Rows Rows() const { return word::Rows(doc_, table_); }
  word::Columns Columns() const { return word::Columns(doc_, table_); }
  word::Cell Cell(int row, int column) const;  // 1-based; 5941 outside the table
  Border Borders(int which) const { return Border(doc_, table_, which); }
  void Select() const;
  bool operator==(const Table& other) const { return table_ == other.table_; }
  explicit operator bool() const { return static_cast<bool>(table_); }
  pugi::xml_node Node() const { return table_; }

 private:
  DocumentDataPtr doc_;
  pugi::xml_node table_;
};

class Tables {
 public:
  Tables(DocumentDataPtr doc, std::vector<pugi::xml_node> tables, pugi::xml_node story_root)
      : doc_(std::move(doc)), tables_(std::move(tables)), root_(story_root) {}
  int Count() const { return static_cast<int>(tables_.size()); }
  Table Item(int index) const;  // 1-based; 5941 outside
  // A new table with empty cells at the range's start (a paragraph there is
  // split), filling the text width; a paragraph always follows it.
  Table Add(const word::Range& range, int rows, int columns);

 private:
  DocumentDataPtr doc_;
  std::vector<pugi::xml_node> tables_;
  pugi::xml_node root_;
};

}  // namespace korvax::word
