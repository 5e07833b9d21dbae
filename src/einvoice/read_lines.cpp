// The billing lines of the invoice document as invoice lines: the amount and
// rate the totals count, named after the line's table, described by its texts.
#include <map>
#include <string_view>

#include "common/operation.hpp"
#include "common/text.hpp"
#include "document/tk_word_auto.hpp"
#include "einvoice/build_invoice.hpp"
#include "platform/word/word.hpp"

namespace korvax::einvoice {

namespace {

// A cell's text as one line: the end-of-cell mark gone, tabs, breaks and
// runs of blanks made single blanks.
std::string CellLine(const word::Table& table, int row, int column) {
  std::string out;
  Operation::Quietly([&] {
    const std::string raw = text::WithoutLast(table.Cell(row, column).Range().Text(), 2);
    bool blank = true;  // drops leading blanks
    for (char c : raw) {
      const bool space = c == ' ' || (static_cast<unsigned char>(c) < 0x20);
      if (space) {
        if (!blank) out += ' ';
        blank = true;
      } else {
        out += c;
        blank = false;
      }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
  });
  return out;
}

std::string_view CategoryName(std::string_view key) {
  static const std::map<std::string_view, std::string_view> kNames = {
      {kKeyNr2, "Flurstückszerlegung nach Nr. 2"},
      {kKeyNr2Grundlagen, "Grundlagenvermessung nach Nr. 2.5"},
      {kKeyNr3, "Gebäudeaufnahme nach Nr. 3"},
      {kKeyNr45, "Vermessung nach Nr. 4/5"},
      {kKeyNr7, "Grenzfeststellung nach Nr. 7"},
      {kKeyNr7Grundlagen, "Grundlagenvermessung nach Nr. 7.4"},
  };
  const auto it = kNames.find(key);
  return it == kNames.end() ? std::string_view() : it->second;
}

// What the lines of one table share: its name and the headings of columns 1 to 4.
struct TableHead {
  std::string name;
  std::string headings[4];
};

TableHead HeadOf(const word::Table& table) {
  TableHead head;
  for (int c = 1; c <= 4; ++c) head.headings[c - 1] = CellLine(table, 1, c);
  // A category table carries its key in a comment on cell (1,5); a table
  // another module of the host wrote is named by its first cell.
  Operation::Quietly([&] {
    word::Comments comments = table.Cell(1, 5).Range().Comments();
    if (comments.Count() > 0) head.name = CategoryName(comments.Item(1).Range().Text());
  });
  if (head.name.empty()) head.name = head.headings[0];
  if (head.name.empty()) head.name = "Leistung";
  return head;
}

// "Flst.Nr. 123/4; Nr.: 5.1.2; Flurstücksdichte: Kategorie II": the line's
// texts as written, each after its column's heading.
std::string Description(const word::Table& table, int row, const TableHead& head) {
  std::string out;
  for (int c = 1; c <= 4; ++c) {
    const std::string value = CellLine(table, row, c);
    if (value.empty()) continue;
    if (!out.empty()) out += "; ";
    const std::string& heading = head.headings[c - 1];
    if (c > 1 && row > 1 && !heading.empty()) out += heading + ": ";
    out += value;
  }
  return out;
}

}  // namespace

ReadLines ReadInvoiceLines(word::Document& document, float default_rate) {
  ReadLines read;
  read.collected = billing::CollectBillingLines(document, default_rate, true);
  word::Tables tables = document.Tables();
  std::map<int, TableHead> heads;
  read.lines.reserve(read.collected.lines.size());
  for (const billing::BillingLine& b : read.collected.lines) {
    // A heading in the amount column adds 0 to the totals and is no line.
    if (!b.numeric) continue;
    const word::Table table = tables.Item(b.table);
    auto head = heads.find(b.table);
    if (head == heads.end()) head = heads.emplace(b.table, HeadOf(table)).first;
    Line& line = read.lines.emplace_back();
    line.name = head->second.name;
    line.description = Description(table, b.row, head->second);
    line.tax = b.rate > 0 ? TaxCategory{'S', b.rate} : TaxCategory{'E', 0};
    line.amount = CentsOf(b.amount);
  }
  return read;
}

}  // namespace korvax::einvoice
