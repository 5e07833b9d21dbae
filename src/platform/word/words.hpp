// Word's "words" for moving a range: a run of letters and digits with its
// trailing blanks, each punctuation mark with its trailing blanks, a paragraph
// mark, an end-of-cell mark.
#pragma once

#include <string>

#include "platform/word/document_data.hpp"

namespace korvax::word::detail {

int WordLength(const std::u32string& text, size_t at);  // length of the word starting at `at`
int NextWordBoundary(DocumentData& doc, Story& story, int pos);
int PreviousWordBoundary(DocumentData& doc, Story& story, int pos);

}  // namespace korvax::word::detail
