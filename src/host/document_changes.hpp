// Saving the invoice only when a dialog changed it, so that a look into a
// dialog that the user leaves without changes does not rewrite the file.
#pragma once

#include <filesystem>

#include "platform/word/document.hpp"

namespace korvax::host {

// Whether two .docx packages hold the same content: the same entries in the
// same order, each with the same bytes or, for XML parts, the same XML.
bool SamePackages(const std::filesystem::path& a, const std::filesystem::path& b);

// Saves the document over `path` when what it would write differs from the
// file there; true when it saved. The save replaces the file atomically.
// Fails with korvax::Error when a save fails.
bool SaveIfChanged(word::Document& doc, const std::filesystem::path& path);

}  // namespace korvax::host
