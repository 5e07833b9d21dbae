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
word::Document& Dokument();
word::Application& Anwendung();

// Where the new table of a finish path goes. With an old table: its range,
// the table deleted, the range collapsed to its end (the old table becomes
// empty). Without one: the document content collapsed to its end, and with
// `absatz` a paragraph inserted after it and the range collapsed again.
word::Range Einfügebereich(word::Table& alte, bool absatz);

// A new table of rows x columns at the range.
word::Table TabelleAnlegen(const word::Range& bereich, int rows, int columns);

// Text inserted after the cell's range (in front of the end-of-cell mark).
void ZelleSchreiben(const word::Table& table, int row, int col, std::string_view text);
// The cell's paragraphs right-aligned.
void ZelleRechtsbündig(const word::Table& table, int row, int col);
// A header cell: the text in bold, right-aligned when asked.
void KopfzelleSchreiben(const word::Table& table, int col, std::string_view text,
                        bool rechts = false);
// Text appended at the end of the cell's text, in front of the end-of-cell
// mark, in `punkte` point type.
void AmZellendeAnfügen(const word::Table& table, int row, int col, std::string_view text,
                       double punkte);

// The Word bookmark named by the key on cell (1,5), through the selection
// (bookmarks sorted by name, hidden ones shown).
void TextmarkeSetzen(const word::Table& table, std::string_view key);

// TabelleFormatieren: the table selected, its six borders removed, the
// widths of its columns 1.. in centimetres.
void RahmenUndBreiten(const word::Table& table, std::initializer_list<double> zentimeter);

// The text of a cell without its end-of-cell mark (the last 2 characters).
std::string ZellText(const word::Table& table, int row, int col);
// The part before the first manual line break (character 11), or all of it.
std::string VorZeilenumbruch(std::string_view text);

// The manual line break inside a cell.
inline constexpr std::string_view kZeilenumbruch = "\v";

// The full fee before the share: three times the line fee for 333, else
// fee x 1000 / share; a share of 0 fails with 11.
double VolleGebühr(double gebühr, double anteil);
// The share note of a billing line: a line break, "Betrag :  € ", the full
// fee ("0.00", right-aligned in 8), " Ihr Anteil ", the share text, "/1000".
std::string AnteilNotiz(double volle_gebühr, std::string_view anteil);
// The share read back from a cell text that ends with a share note: the
// numeric value of its last 9 characters, right-aligned in 4.
std::string AnteilAusNotiz(std::string_view zelltext);

}  // namespace korvax::dialogs
