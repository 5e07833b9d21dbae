// Saving the invoice only when a dialog changed it, so that a look into a
// dialog that the user leaves without changes does not rewrite the file.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/word/document.hpp"

namespace korvax::host {

// What a document would save, part by part: each XML part as the Word layer
// writes it once parsed (parsing alone already changes the bytes, quotes and
// empty elements), every other part as it is. Reads nothing from disk and
// keeps no copy of the document.
using Fingerprint = std::vector<size_t>;
Fingerprint FingerprintOf(word::Document& doc);

// Saves the document (Document::Save) when its fingerprint differs from
// `opened`, the one taken when it was opened; true when it saved. Fails with
// korvax::Error when the save fails.
bool SaveIfChanged(word::Document& doc, const Fingerprint& opened);

}  // namespace korvax::host
