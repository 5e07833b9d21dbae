#include "platform/word/table.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "common/error.hpp"
#include "internal/document_data.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {

using detail::At;
using detail::NodeOf;
using detail::Xml;

namespace {

const std::initializer_list<const char*> kTableOrder = {"w:tblPr", "w:tblGrid", "w:tr"};
const std::initializer_list<const char*> kTablePropertyOrder = {"w:tblStyle",
                                                                "w:tblpPr",
                                                                "w:tblOverlap",
                                                                "w:bidiVisual",
                                                                "w:tblStyleRowBandSize",
                                                                "w:tblStyleColBandSize",
                                                                "w:tblW",
                                                                "w:jc",
                                                                "w:tblCellSpacing",
                                                                "w:tblInd",
                                                                "w:tblBorders",
                                                                "w:shd",
                                                                "w:tblLayout",
                                                                "w:tblCellMar",
                                                                "w:tblLook",
                                                                "w:tblCaption",
                                                                "w:tblDescription"};
const std::initializer_list<const char*> kCellPropertyOrder = {
    "w:cnfStyle", "w:tcW",   "w:gridSpan",      "w:hMerge",    "w:vMerge", "w:tcBorders", "w:shd",
    "w:noWrap",   "w:tcMar", "w:textDirection", "w:tcFitText", "w:vAlign", "w:hideMark"};
const std::initializer_list<const char*> kBorderOrder = {
    "w:top", "w:left", "w:start", "w:bottom", "w:right", "w:end", "w:insideH", "w:insideV"};

// An attribute that already has the value is left alone.
void SetAttribute(pugi::xml_node n, const char* name, const char* value) {
  auto a = n.attribute(name);
  if (!a) {
    a = n.append_attribute(name);
  } else if (std::strcmp(a.value(), value) == 0) {
    return;
  }
  a = value;
}

void SetCellWidth(pugi::xml_node tc, const std::string& twips) {
  pugi::xml_node pr = detail::ChildInOrder(tc, "w:tcPr", {"w:tcPr"});
  pugi::xml_node w = detail::ChildInOrder(pr, "w:tcW", kCellPropertyOrder);
  SetAttribute(w, "w:w", twips.c_str());
  SetAttribute(w, "w:type", "dxa");
}

// The text width of the section, in twips: where a new table's grid must fit.
long TextWidth(pugi::xml_node body) {
  pugi::xml_node sect = body.child("w:sectPr");
  long page = sect.child("w:pgSz").attribute("w:w").as_int(11906);
  long left = sect.child("w:pgMar").attribute("w:left").as_int(1417);
  long right = sect.child("w:pgMar").attribute("w:right").as_int(1417);
  long width = page - left - right;
  return width > 0 ? width : 9072;
}

pugi::xml_node BorderElement(pugi::xml_node table, int which, bool create) {
  static const char* const kNames[] = {"w:top",   "w:left",    "w:bottom",
                                       "w:right", "w:insideH", "w:insideV"};
  static const char* const kAlternative[] = {nullptr, "w:start", nullptr,
                                             "w:end", nullptr,   nullptr};
  int i = -which - 1;
  pugi::xml_node borders = table.child("w:tblPr").child("w:tblBorders");
  if (kAlternative[i] && borders.child(kAlternative[i])) return borders.child(kAlternative[i]);
  if (!create) return borders.child(kNames[i]);
  pugi::xml_node pr = detail::ChildInOrder(table, "w:tblPr", kTableOrder);
  borders = detail::ChildInOrder(pr, "w:tblBorders", kTablePropertyOrder);
  return detail::ChildInOrder(borders, kNames[i], kBorderOrder);
}

// A range over a unit of a story, from its first character to the place after it.
Range RangeOver(detail::DocumentData& d, pugi::xml_node unit) {
  auto story = d.StoryFor(detail::RootOf(unit));
  detail::Point after = detail::After(unit);
  detail::Point first = detail::First(unit);
  return Range(d.NewRange(story, first ? first : after, after));
}

}  // namespace

Border::Border(DocumentDataPtr doc, detail::Node* table, int which)
    : Handle(std::move(doc), table), which_(which) {
  if (which < wdBorderVertical || which > wdBorderTop) throw errors::NoSuchMember();
}

int Border::LineStyle() const {
  Doc();
  std::string_view v = BorderElement(Xml(node_), which_, false).attribute("w:val").value();
  return v.empty() || v == "nil" || v == "none" ? wdLineStyleNone : wdLineStyleSingle;
}

void Border::SetLineStyle(int style) {
  Doc();
  pugi::xml_node b = BorderElement(Xml(node_), which_, true);
  for (const char* a : {"w:val", "w:sz", "w:space", "w:color"}) b.remove_attribute(a);
  if (style == wdLineStyleNone) {
    b.append_attribute("w:val") = "nil";
  } else {
    b.append_attribute("w:val") = "single";
    b.append_attribute("w:sz") = "4";
    b.append_attribute("w:space") = "0";
    b.append_attribute("w:color") = "auto";
  }
}

Range Cell::Range() const {
  return RangeOver(Doc(), Xml(node_));
}

std::string Cell::Text() const {
  Doc();
  return detail::CellText(Xml(node_));
}

double Cell::Width() const {
  Doc();
  auto w = Xml(node_).child("w:tcPr").child("w:tcW");
  std::string_view type = w.attribute("w:type").value();
  if (type.empty() || type == "dxa") return w.attribute("w:w").as_double() / 20;
  return 0;
}

void Cell::SetWidth(double points) {
  Doc();
  SetCellWidth(Xml(node_), std::to_string(std::lround(points * 20)));
}

void Cell::Select() const {
  auto& d = Doc();
  pugi::xml_node cell = Xml(node_);
  detail::Point first = detail::First(cell);
  detail::Point before_mark = detail::Back(At(cell));
  if (!before_mark || detail::Compare(before_mark, first) < 0) before_mark = first;
  d.SetSelection(d.StoryFor(detail::RootOf(cell)), first, before_mark);
}

int Rows::Count() const {
  return static_cast<int>(Doc().RowsOf(Xml(node_)).size());
}

void Rows::Add() {
  auto& d = Doc();
  pugi::xml_node table = Xml(node_);
  const auto& rows = d.RowsOf(table);
  if (rows.empty()) throw errors::NoSuchMember();
  pugi::xml_node last = rows.back();
  // Places right after the table stay after the new row: they belong to
  // what follows it.
  pugi::xml_node row = last.parent().insert_copy_after(last, last);
  row.remove_attribute("w14:paraId");
  row.remove_attribute("w14:textId");
  for (pugi::xml_node tc = row.child("w:tc"); tc; tc = tc.next_sibling("w:tc")) {
    pugi::xml_node first = tc.child("w:p");
    for (pugi::xml_node c = tc.first_child(); c;) {
      pugi::xml_node next = c.next_sibling();
      if (c != first && std::strcmp(c.name(), "w:tcPr") != 0) tc.remove_child(c);
      c = next;
    }
    if (!first) first = tc.append_child("w:p");
    for (pugi::xml_node c = first.first_child(); c;) {
      pugi::xml_node next = c.next_sibling();
      if (std::strcmp(c.name(), "w:pPr") != 0) first.remove_child(c);
      c = next;
    }
    first.remove_attribute("w14:paraId");
    first.remove_attribute("w14:textId");
  }
  d.Changed(true);
}

int Columns::Count() const {
  // As Word counts them: the cells of the row that has the most. A table
  // whose rows have different cell boundaries has a grid of every boundary
  // (cells spanning several grid columns), which is no column of the table.
  auto& d = Doc();
  int n = 0;
  for (pugi::xml_node row : d.RowsOf(Xml(node_))) {
    int cells = 0;
    detail::UnitAt(row, 0, &cells);
    n = std::max(n, cells);
  }
  if (n > 0) return n;
  auto grid = Xml(node_).child("w:tblGrid").children("w:gridCol");
  return static_cast<int>(std::distance(grid.begin(), grid.end()));
}

Column Columns::Item(int index) const {
  // A row with that many cells is enough; only a table without any counts
  // its grid.
  const auto& rows = Doc().RowsOf(Xml(node_));
  const bool found = std::any_of(rows.begin(), rows.end(), [&](pugi::xml_node row) {
    return bool(detail::UnitAt(row, index));
  });
  if (index < 1 || (!found && index > Count())) throw errors::NoSuchMember();
  return Column(doc_, node_, index);
}

double Column::Width() const {
  Doc();
  int i = 1;
  for (auto c : Xml(node_).child("w:tblGrid").children("w:gridCol")) {
    if (i++ == index_) return c.attribute("w:w").as_double() / 20;
  }
  return 0;
}

void Column::SetWidth(double points) {
  auto& d = Doc();
  std::string twips = std::to_string(std::lround(points * 20));
  int i = 1;
  for (auto c : Xml(node_).child("w:tblGrid").children("w:gridCol")) {
    if (i++ == index_) SetAttribute(c, "w:w", twips.c_str());
  }
  for (pugi::xml_node row : d.RowsOf(Xml(node_))) {
    if (pugi::xml_node cell = detail::UnitAt(row, index_)) SetCellWidth(cell, twips);
  }
}

Range Table::Range() const {
  return RangeOver(Doc(), Xml(node_));
}

void Table::Delete() {
  auto& d = Doc();
  pugi::xml_node table = Xml(node_);
  auto story = d.StoryFor(detail::RootOf(table));
  // Places inside go to the place after the table, which stays.
  const detail::Point after = detail::After(table);
  for (detail::RangeState* r = story->ranges; r; r = r->Next()) {
    for (detail::Point* p : {&r->start, &r->end}) {
      for (pugi::xml_node x = p->Owner(); x; x = x.parent()) {
        if (x == table) {
          *p = after;
          break;
        }
      }
    }
  }
  d.RemoveTable(table);
  node_ = nullptr;
}

Cell Table::Cell(int row, int column) const {
  const auto& rows = Doc().RowsOf(Xml(node_));
  if (row < 1 || static_cast<size_t>(row) > rows.size()) throw errors::NoSuchMember();
  pugi::xml_node cell = detail::UnitAt(rows[row - 1], column);
  if (!cell) throw errors::NoSuchMember();
  return word::Cell(*this, NodeOf(cell));
}

void Table::Select() const {
  Range().Select();
}

Table Tables::Item(int index) const {
  if (index < 1 || index > Count()) throw errors::NoSuchMember();
  return Table(doc_, tables_[index - 1]);
}

Table Tables::Add(const word::Range& range, int rows, int columns) {
  detail::Live(range.State());  // 91 for a range that refers to nothing
  if (!doc_) throw korvax::errors::ObjectNotSet();
  if (range.State()->doc != doc_) throw errors::NotAvailable("Tabelle in einem anderen Dokument");
  if (rows < 1 || columns < 1 || rows > 32767 || columns > 63) throw errors::ValueOutOfRange();
  auto& d = *doc_;
  auto story = range.State()->story;
  const bool content_end = range.State()->start == At(story->root);
  detail::Point spot = detail::Locate(d.EndWithParagraph(*story, range.State()->start));
  // What stands before the point stays before the table: text, and at the
  // end of the document content (a range after its last paragraph mark)
  // whatever the last paragraph holds, such as the anchor of a floating
  // shape, which has no character of its own.
  if (spot.offset > 0 || (content_end && detail::ContentStart(spot.Owner()))) {
    spot = At(d.InsertText(*story, spot, "\r", {}).second.Owner());
    // The paragraph made for the table holds nothing: it takes the default
    // paragraph style, not the formatting of the one it was split from.
    if (detail::TextLength(spot.Owner()) == 0) detail::ClearParagraphFormatting(spot.Owner());
  }
  pugi::xml_node before = spot.Owner();
  pugi::xml_node container = detail::ContainerOf(before);

  long width = TextWidth(d.body);
  if (std::strcmp(container.name(), "w:tc") == 0) {
    width = container.child("w:tcPr").child("w:tcW").attribute("w:w").as_int(width);
  }
  std::string cell_width = std::to_string(width / columns);
  // The cells take the character formatting of the paragraph mark they are
  // inserted at (a font size set at the insertion point), nothing of its
  // paragraph formatting: a heading's style or page break stays with it.
  const pugi::xml_node mark_format = before.child("w:pPr").child("w:rPr");
  // Word joins two tables with nothing between them into one.
  if (detail::IsTable(detail::BlockAtOrBefore(before.previous_sibling())))
    before.parent().insert_child_before("w:p", before);
  pugi::xml_node table = before.parent().insert_child_before("w:tbl", before);
  // Parsed from its markup but for the rows after the first, which are copies.
  std::string markup = "<w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblBorders>";
  for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
    markup +=
        std::string("<w:") + side + " w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"auto\"/>";
  }
  markup += "</w:tblBorders><w:tblLook w:val=\"04A0\"/></w:tblPr><w:tblGrid>";
  for (int c = 0; c < columns; ++c) markup += "<w:gridCol w:w=\"" + cell_width + "\"/>";
  markup += "</w:tblGrid><w:tr>";
  for (int c = 0; c < columns; ++c) {
    markup +=
        "<w:tc><w:tcPr><w:tcW w:w=\"" + cell_width + "\" w:type=\"dxa\"/></w:tcPr><w:p/></w:tc>";
  }
  markup += "</w:tr>";
  table.append_buffer(markup.data(), markup.size(), pugi::parse_default, pugi::encoding_utf8);
  pugi::xml_node tr = table.last_child();
  for (pugi::xml_node tc = tr.first_child(); tc && mark_format; tc = tc.next_sibling()) {
    detail::RemoveChangeMarks(tc.last_child().append_child("w:pPr").append_copy(mark_format));
  }
  for (int r = 1; r < rows; ++r) table.append_copy(tr);
  // Every place at the paragraph the table went before stays with that
  // paragraph, after the table.
  d.Changed(true);
  return Table(doc_, NodeOf(table));
}

}  // namespace korvax::word
