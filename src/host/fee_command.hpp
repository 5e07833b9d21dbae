// korvax fee nr2: the Nr. 2 fee for a quote on the telephone.
#pragma once

#include <CLI/CLI.hpp>

namespace korvax::host {

void AddFeeCommand(CLI::App& app);

}  // namespace korvax::host
