// Quotes: the amounts a fee dialog would write into the invoice for given
// lines, computed by the dialogs' own fee rules, without a dialog or a
// document. `korvax fee` prices an order with them before it is placed.
#pragma once

#include <string>
#include <vector>

#include "dialogs/frm_kat2.hpp"

namespace korvax::dialogs {

// One row of a category table that carries an amount: a billing line, a
// reduction, surcharge or minimum-fee row, or the base-survey sub-table.
struct QuoteRow {
  std::string text;    // what the row is, in German
  std::string basis;   // how its amount comes about, in German
  std::string amount;  // the amount as the dialog writes it into the fee cell
  double value = 0;    // that amount as the invoice totals read it (CVal)
};

struct Quote {
  std::string title;           // the header of the category table
  std::vector<QuoteRow> rows;  // in the order of the table, the sub-table last
  double total = 0;            // the sum of the values: the net amount billed
};

// Nr. 2: parcels by area (m²) and land value (€/m²), the share in thousandths.
struct LineNr2 {
  double area = 0;
  double land_value = 0;
  int share = 1000;
};
struct OrderNr2 {
  std::vector<LineNr2> lines;
  int unmarked_points = 0;  // Nr. 2.2, boundary points left unmarked
  bool reduction = false;   // Nr. 2.2, percentage for 4 lines or more
  int new_points = 0;       // Nr. 2.5
};
Quote QuoteNr2(const OrderNr2& order);

// Nr. 3: buildings by construction cost (3.1, 3.2) or floor area (3.3), in
// whole euros or m².
struct LineNr3 {
  double value = 0;
  int parts = 0;
  int share = 1000;
};
struct OrderNr3 {
  Abrechnung basis = Abrechnung::k31;
  std::vector<LineNr3> lines;
};
Quote QuoteNr3(const OrderNr3& order);

// Nr. 4/5: surveys along an axis, in whole metres.
struct LineNr45 {
  std::string item = "5.1.1";  // 5.1.1 to 5.1.4, or 4.1.1
  int density = 1;             // parcel-density category 1 to 3
  double axis = 1;
  double in_town = 0;
};
Quote QuoteNr45(const std::vector<LineNr45>& lines);

// Nr. 7: boundary points of 7.1, 7.2 and 7.3 at a land value (€/m²).
struct LineNr7 {
  int points71 = 0;
  int points72 = 0;
  int points73 = 0;
  double land_value = 0;
  int share = 1000;
};
struct OrderNr7 {
  std::vector<LineNr7> lines;
  int new_points = 0;  // Nr. 7.4
};
Quote QuoteNr7(const OrderNr7& order);

}  // namespace korvax::dialogs
