// korvax pdf: the invoice rendered to PDF through LibreOffice, when installed.
#pragma once

#include <CLI/CLI.hpp>

namespace korvax::host {

void AddPdfCommand(CLI::App& app);

}  // namespace korvax::host
