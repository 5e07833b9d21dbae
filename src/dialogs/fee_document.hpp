// Building blocks of the fee dialogs' load and finish paths in the Word
// invoice document, and the share arithmetic the dialogs share. They throw;
// the dialogs run each inside a step of their own operation.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "billing/gebuehr_aus_tabelle.hpp"  // AnteilAnwenden, the share rule
#include "platform/word/word.hpp"

namespace korvax::dialogs {

// The invoice document and its Word application from the order context;
// 91 when the host has not handed one over.
word::Document& InvoiceDocument();
word::Application& WordApplication();

// Where the new table of a finish path goes. With an old table: its range,
// the table deleted, the range collapsed to its end (the old table becomes
// empty). Without one: the document content collapsed to its end, and with
// `paragraph` a paragraph inserted after it and the range collapsed again.
// Paragraphs added for a table take the default paragraph style, never the
// formatting of the paragraph before (a heading that starts a new page).
word::Range InsertionRange(word::Table& old_table, bool paragraph);
// A paragraph added after the end of the document content, in the default
// paragraph style.
void AppendParagraph();

// A new table of rows x columns at the range.
word::Table AddTable(const word::Range& range, int rows, int columns);

// Text inserted after the cell's range (in front of the end-of-cell mark).
void WriteCell(const word::Table& table, int row, int col, std::string_view text);
// The cell's paragraphs right-aligned.
void AlignCellRight(const word::Table& table, int row, int col);
// A header cell: the text in bold, right-aligned when asked.
void WriteHeaderCell(const word::Table& table, int col, std::string_view text, bool right = false);
// Text appended at the end of the cell's text, in front of the end-of-cell
// mark, in `points` point type.
void AppendToCell(const word::Table& table, int row, int col, std::string_view text, double points);

// The Word bookmark named by the key on cell (1,5), through the selection
// (bookmarks sorted by name, hidden ones shown).
void AddBookmark(const word::Table& table, std::string_view key);

// TabelleFormatieren: the table selected, its six borders removed, the
// widths of its columns 1.. in centimetres.
void ClearBordersSetWidths(const word::Table& table, std::initializer_list<double> centimetres);

// The text of a cell without its end-of-cell mark (the last 2 characters).
std::string CellText(const word::Table& table, int row, int col);
// The part before the first manual line break (character 11), or all of it.
std::string BeforeLineBreak(std::string_view text);

// The manual line break inside a cell.
inline constexpr std::string_view kLineBreak = "\v";

// A line's fee as the Nr. 2 and Nr. 7 grids hold it: in general number
// format through WertFormatieren, width 8, 2 decimals.
std::string GridFee(double fee);
// An amount with two decimals right-aligned in 8 ("0.00", then "@@@@@@@@"),
// as Nr. 3 and Nr. 4/5 hold fees and the share note the full fee.
std::string PaddedAmount(double amount);

// The full fee before the share: three times the line fee for 333, else
// fee x 1000 / share; a share of 0 fails with 11.
double FullFee(double fee, double share);
// The share note of a billing line: a line break, "Betrag :  € ", the full
// fee ("0.00", right-aligned in 8), " Ihr Anteil ", the share text, "/1000".
std::string ShareNote(double full_fee, std::string_view share);
// The share read back from a cell text that ends with a share note: the
// numeric value of its last 9 characters, right-aligned in 4.
std::string ShareFromNote(std::string_view cell_text);

}  // namespace korvax::dialogs
