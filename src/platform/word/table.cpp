#include "platform/word/table.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/word/document_data.hpp"
#include "platform/word/word_errors.hpp"

namespace korvax::word {
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

std::shared_ptr<detail::Story> StoryOf(detail::DocumentData& d, pugi::xml_node n) {
  return d.StoryFor(detail::TextIndex::RootOf(n));
}

// An attribute that already has the value is left alone (its text may be
// shared with copies of its element).
void SetAttribute(pugi::xml_node n, const char* name, const char* value) {
  auto a = n.attribute(name);
  if (!a) {
    a = n.append_attribute(name);
  } else if (std::strcmp(a.value(), value) == 0) {
    return;
  }
  a = value;
}

// Names (and a value) found equal to an expected one while widths are set:
// the copies of a row share their names' text, so most checks end at
// comparing pointers. No node is removed, and no value of the kind found
// changed, while one of these is in use.
struct KnownNames {
  const char* seen[5] = {};

  bool Is(int slot, const char* name, const char* expected) {
    if (name == seen[slot]) return true;
    if (std::strcmp(name, expected) != 0) return false;
    seen[slot] = name;
    return true;
  }
};

void SetCellWidth(pugi::xml_node tc, std::string_view twips, KnownNames& known) {
  // The properties come first in a cell and the width first in them: found
  // there, they are what a search by name would find.
  pugi::xml_node pr = tc.first_child();
  if (!known.Is(0, pr.name(), "w:tcPr")) pr = detail::ChildInOrder(tc, "w:tcPr", {"w:tcPr"});
  pugi::xml_node w = pr.first_child();
  if (!known.Is(1, w.name(), "w:tcW")) w = detail::ChildInOrder(pr, "w:tcW", kCellPropertyOrder);
  // A width written by this program has the value and then the type as its
  // first two attributes: those are then set in place.
  pugi::xml_attribute value = w.first_attribute();
  pugi::xml_attribute type = value.next_attribute();
  if (type && known.Is(2, value.name(), "w:w") && known.Is(3, type.name(), "w:type")) {
    if (value.value() != twips) value.set_value(twips.data(), twips.size());
    if (!known.Is(4, type.value(), "dxa")) type.set_value("dxa", 3);
    return;
  }
  SetAttribute(w, "w:w", std::string(twips).c_str());
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

// The document behind a handle: 5825 when the handle's object is gone (or
// there never was one), 91 when the handle has no document. A block that the
// position index lists in the main story is in the document.
detail::DocumentData& DocOf(const DocumentDataPtr& doc, pugi::xml_node node) {
  if (doc && doc->index.Reaches(node, doc->body)) return *doc;
  errors::Alive(node);
  if (!doc) throw korvax::errors::ObjectNotSet();
  return *doc;
}

// The story of a root; `other` keeps one that is not the main story alive.
const std::shared_ptr<detail::Story>& StoryAt(detail::DocumentData& d, pugi::xml_node root,
                                              std::shared_ptr<detail::Story>&& other = {}) {
  if (detail::Same(root, d.body)) return d.main;
  other = d.StoryFor(root);
  return other;
}

// A block's story and place: from the position index alone when it holds
// the block in the main story, else after the checks of DocOf.
detail::DocumentData& ExtentOf(const DocumentDataPtr& doc, pugi::xml_node node,
                               detail::TextIndex::Extent& x) {
  if (doc && doc->index.HeldExtent(node, x) && detail::Same(x.root, doc->body)) return *doc;
  auto& d = DocOf(doc, node);
  x = d.index.ExtentOf(node);
  return d;
}

// True when a paragraph holds anything besides its properties: text, or
// markup without characters (a shape's anchor, a bookmark).
bool HoldsContent(pugi::xml_node p) {
  for (pugi::xml_node c = p.first_child(); c; c = c.next_sibling()) {
    if (c.type() == pugi::node_element && std::strcmp(c.name(), "w:pPr") != 0) return true;
  }
  return false;
}

// The paragraph, table or content control in front of a block in its
// parent, passing over markup between blocks (bookmarks, comment ranges).
pugi::xml_node PreviousBlock(pugi::xml_node block) {
  for (pugi::xml_node n = block.previous_sibling(); n; n = n.previous_sibling()) {
    if (n.type() != pugi::node_element) continue;
    detail::Kind kind = detail::KindOf(n);
    if (kind == detail::Kind::Paragraph || kind == detail::Kind::Table ||
        kind == detail::Kind::Sdt || kind == detail::Kind::CustomXml) {
      return n;
    }
  }
  return {};
}

}  // namespace

Border::Border(DocumentDataPtr doc, pugi::xml_node table, int which)
    : doc_(std::move(doc)), table_(table), which_(which) {
  if (which < wdBorderVertical || which > wdBorderTop) throw errors::NoSuchMember();
}

static pugi::xml_node BorderElement(pugi::xml_node table, int which, bool create) {
  static const char* const kNames[] = {"w:top",   "w:left",    "w:bottom",
                                       "w:right", "w:insideH", "w:insideV"};
  static const char* const kAlternative[] = {nullptr, "w:start", nullptr,
                                             "w:end", nullptr,   nullptr};
  int i = -which - 1;
  pugi::xml_node pr = table.child("w:tblPr");
  pugi::xml_node borders = pr.child("w:tblBorders");
  if (kAlternative[i] && borders.child(kAlternative[i])) return borders.child(kAlternative[i]);
  if (!create) return borders.child(kNames[i]);
  pr = detail::ChildInOrder(table, "w:tblPr", kTableOrder);
  borders = detail::ChildInOrder(pr, "w:tblBorders", kTablePropertyOrder);
  return detail::ChildInOrder(borders, kNames[i], kBorderOrder);
}

int Border::LineStyle() const {
  DocOf(doc_, table_);
  std::string_view v = BorderElement(table_, which_, false).attribute("w:val").value();
  return v.empty() || v == "nil" || v == "none" ? wdLineStyleNone : wdLineStyleSingle;
}

void Border::SetLineStyle(int style) {
  DocOf(doc_, table_);
  pugi::xml_node b = BorderElement(table_, which_, true);
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
  detail::TextIndex::Extent x;
  auto& d = ExtentOf(doc_, cell_, x);
  return word::Range(d.NewRange(StoryAt(d, x.root), x.start, x.start + x.length));
}

std::string Cell::Text() const {
  std::string text = DocOf(doc_, cell_).index.BlockTextUtf8(cell_);
  // The end-of-cell mark, "\r\a" after the last paragraph: two characters,
  // counted back over a character of several bytes where a cell has no
  // paragraph to end with.
  size_t n = text.size();
  for (int i = 0; i < 2 && n > 0; ++i) {
    --n;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  }
  text.resize(n);
  return text;
}

double Cell::Width() const {
  DocOf(doc_, cell_);
  auto w = cell_.child("w:tcPr").child("w:tcW");
  std::string_view type = w.attribute("w:type").value();
  if (type.empty() || type == "dxa") return w.attribute("w:w").as_double() / 20;
  return 0;
}

void Cell::SetWidth(double points) {
  DocOf(doc_, cell_);
  KnownNames known;
  SetCellWidth(cell_, std::to_string(std::lround(points * 20)), known);
}

void Cell::Select() const {
  detail::TextIndex::Extent x;
  auto& d = ExtentOf(doc_, cell_, x);
  d.SetSelection(StoryAt(d, x.root), x.start, x.start + x.length - 2);
}

int Rows::Count() const {
  return static_cast<int>(DocOf(doc_, table_).index.Children(table_).size());
}

void Rows::Add() {
  auto& d = DocOf(doc_, table_);
  auto& rows = d.index.Info(table_).children;
  if (rows.empty()) throw errors::NoSuchMember();
  pugi::xml_node last = rows.back();
  int at = d.index.Start(table_) + d.index.Length(table_);
  pugi::xml_node row = last.parent().insert_copy_after(last, last);
  d.DrawingsCopied();  // cells in content controls keep what they hold
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
  d.index.StructureChanged(table_);
  auto story = StoryOf(d, table_);
  d.AdjustRanges(*story, at, 0, d.index.Length(row), true);
}

int Columns::Count() const {
  // As Word counts them: the cells of the row that has the most. A table
  // whose rows have different cell boundaries has a grid of every boundary
  // (cells spanning several grid columns), which is no column of the table.
  auto& index = DocOf(doc_, table_).index;
  size_t n = 0;
  for (pugi::xml_node row : index.Children(table_)) n = std::max(n, index.Children(row).size());
  if (n > 0) return static_cast<int>(n);
  for (auto c : table_.child("w:tblGrid").children("w:gridCol")) {
    (void)c;
    ++n;
  }
  return static_cast<int>(n);
}

Column Columns::Item(int index) const {
  if (index < 1 || index > Count()) throw errors::NoSuchMember();
  return Column(doc_, table_, index);
}

double Column::Width() const {
  DocOf(doc_, table_);
  int i = 1;
  for (auto c : table_.child("w:tblGrid").children("w:gridCol")) {
    if (i++ == index_) return c.attribute("w:w").as_double() / 20;
  }
  return 0;
}

void Column::SetWidth(double points) {
  auto& index = DocOf(doc_, table_).index;
  std::string twips = std::to_string(std::lround(points * 20));
  int i = 1;
  for (auto c : table_.child("w:tblGrid").children("w:gridCol")) {
    if (i++ == index_) SetAttribute(c, "w:w", twips.c_str());
  }
  KnownNames known;
  for (auto row : index.Children(table_)) {
    auto& cells = index.Children(row);
    if (static_cast<size_t>(index_) <= cells.size()) SetCellWidth(cells[index_ - 1], twips, known);
  }
}

Range Table::Range() const {
  detail::TextIndex::Extent x;
  auto& d = ExtentOf(doc_, table_, x);
  return word::Range(d.NewRange(StoryAt(d, x.root), x.start, x.start + x.length));
}

void Table::Delete() {
  auto& d = DocOf(doc_, table_);
  auto story = StoryOf(d, table_);
  int start = d.index.Start(table_);
  int length = d.index.Length(table_);
  d.RemoveTable(table_);
  d.AdjustRanges(*story, start, length, 0);
  table_ = pugi::xml_node();
}

Cell Table::Cell(int row, int column) const {
  // The rows from the index alone when it holds the table in the main story.
  const detail::TextIndex::Nodes* held =
      doc_ ? doc_->index.HeldChildren(table_, doc_->body) : nullptr;
  auto& index = held ? doc_->index : DocOf(doc_, table_).index;
  auto& rows = held ? *held : index.Children(table_);
  if (row < 1 || static_cast<size_t>(row) > rows.size()) throw errors::NoSuchMember();
  auto& cells = index.Children(rows[row - 1]);
  if (column < 1 || static_cast<size_t>(column) > cells.size()) throw errors::NoSuchMember();
  return word::Cell(doc_, cells[column - 1]);
}

void Table::Select() const {
  detail::TextIndex::Extent x;
  auto& d = ExtentOf(doc_, table_, x);
  d.SetSelection(StoryAt(d, x.root), x.start, x.start + x.length);
}

Table Tables::Item(int index) const {
  if (index < 1 || index > Count()) throw errors::NoSuchMember();
  return Table(doc_, tables_[index - 1]);
}

Table Tables::Add(const word::Range& range, int rows, int columns) {
  int pos = range.Start();  // 91 for a range that refers to nothing
  if (!doc_) throw korvax::errors::ObjectNotSet();
  if (range.State()->doc != doc_) throw errors::NotAvailable("Tabelle in einem anderen Dokument");
  if (rows < 1 || columns < 1 || rows > 32767 || columns > 63) throw errors::ValueOutOfRange();
  auto& d = *doc_;
  auto story = range.State()->story;
  d.EndWithParagraph(*story, pos);
  auto spot = d.index.Locate(story->root, pos);
  // What stands before the point stays before the table: text, and at the
  // end of the document content (a range after its last paragraph mark)
  // whatever the last paragraph holds, such as the anchor of a floating
  // shape, which has no character of its own.
  const bool content_end = pos >= d.StoryLength(*story);
  if (spot.offset > 0 || (content_end && HoldsContent(spot.paragraph))) {
    d.InsertText(*story, pos, "\r", {});
    spot = d.index.Locate(story->root, spot.start + spot.offset + 1);
    // The paragraph made for the table holds nothing: it takes the default
    // paragraph style, not the formatting of the one it was split from.
    if (d.index.Length(spot.paragraph) == 1) detail::ClearParagraphFormatting(spot.paragraph);
  }
  pugi::xml_node before = spot.paragraph;
  int at = spot.start;
  pugi::xml_node container = detail::TextIndex::Parent(before);

  long width = TextWidth(d.body);
  if (std::strcmp(container.name(), "w:tc") == 0) {
    width = container.child("w:tcPr").child("w:tcW").attribute("w:w").as_int(width);
  }
  std::string cell_width = std::to_string(width / columns);
  // The cells take the character formatting of the paragraph mark they are
  // inserted at (a font size set at the insertion point), nothing of its
  // paragraph formatting: a heading's style or page break stays with it.
  pugi::xml_document holder;
  pugi::xml_node cell_format;
  if (pugi::xml_node rpr = before.child("w:pPr").child("w:rPr")) {
    cell_format = holder.append_child("w:pPr");
    pugi::xml_node copy = cell_format.append_copy(rpr);
    for (pugi::xml_node c = copy.first_child(); c;) {
      pugi::xml_node next = c.next_sibling();
      if (detail::IsChangeMark(c.name())) copy.remove_child(c);
      c = next;
    }
  }
  // Word joins two tables with nothing between them into one.
  pugi::xml_node separator;
  if (detail::IsTable(PreviousBlock(before))) {
    separator = before.parent().insert_child_before("w:p", before);
  }
  pugi::xml_node table = before.parent().insert_child_before("w:tbl", before);
  pugi::xml_node pr = table.append_child("w:tblPr");
  auto tw = pr.append_child("w:tblW");
  tw.append_attribute("w:w") = "0";
  tw.append_attribute("w:type") = "auto";
  auto borders = pr.append_child("w:tblBorders");
  for (const char* side : {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
    auto b = borders.append_child(side);
    b.append_attribute("w:val") = "single";
    b.append_attribute("w:sz") = "4";
    b.append_attribute("w:space") = "0";
    b.append_attribute("w:color") = "auto";
  }
  auto look = pr.append_child("w:tblLook");
  look.append_attribute("w:val") = "04A0";
  pugi::xml_node grid = table.append_child("w:tblGrid");
  for (int c = 0; c < columns; ++c) {
    grid.append_child("w:gridCol").append_attribute("w:w") = cell_width.c_str();
  }
  // One row is parsed from its markup, the others are copies of it: the
  // copies share the parsed names and values instead of allocating their own.
  std::string cell =
      "<w:tc><w:tcPr><w:tcW w:w=\"" + cell_width + "\" w:type=\"dxa\"/></w:tcPr><w:p/></w:tc>";
  std::string row = "<w:tr>";
  for (int c = 0; c < columns; ++c) row += cell;
  row += "</w:tr>";
  table.append_buffer(row.data(), row.size(), pugi::parse_default, pugi::encoding_utf8);
  pugi::xml_node tr = table.last_child();
  if (cell_format) {
    for (pugi::xml_node tc = tr.first_child(); tc; tc = tc.next_sibling()) {
      tc.last_child().append_copy(cell_format);
    }
  }
  for (int r = 1; r < rows; ++r) table.append_copy(tr);
  d.index.TableBuilt(table, tr);
  d.index.StructureChanged(container);
  d.AdjustRanges(*story, at, 0, d.index.Length(table) + (separator ? 1 : 0), true);
  return Table(doc_, table);
}

}  // namespace korvax::word
