// korvax fee: the price of an order before it is placed, for every fee
// category, computed by the fee dialogs' own rules (dialogs/quote.hpp):
//
//   korvax fee nr2 --area 350 --land-value 26,99 --share 333
//   korvax fee nr3 --basis 3.2 --cost 250.000 --parts 6
//   korvax fee nr45 --item 5.1.2 --density II --axis 1.234 --in-town 300
//   korvax fee nr7 --7.1 4 --7.3 1 --land-value 12 --new-points 2 --json
//
// Options of a billing line may be given once per line (the lines in order)
// or once for all lines.
#pragma once

#include <CLI/CLI.hpp>

namespace korvax::host {

void AddFeeCommand(CLI::App& app);

}  // namespace korvax::host
