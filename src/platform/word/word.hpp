// The Word-like object model over .docx files: everything a caller includes.
//
// Positions count characters of a story as Word does: a paragraph ends with
// 13, a cell's text with 13 7, a row with its own 13 7; a line break is 11, a
// tab 9. Text boxes and comments are stories of their own. Ranges are live:
// they keep covering their text while other text is inserted or deleted.
// Table, Cell, Comment and Shape are cheap handles; using one whose object was
// deleted, or an empty (default-constructed) one, fails with 5825, and one
// without a document fails with 91, as does an empty Range. Failures are
// korvax::Error with Word's numbers and German texts (word_errors.hpp).
//
// Only what the fee dialogs and the totals need is there; everything else in a
// document is kept as it was when it is saved.
#pragma once

#include "platform/word/bookmarks.hpp"
#include "platform/word/comments.hpp"
#include "platform/word/document.hpp"
#include "platform/word/range.hpp"
#include "platform/word/shapes.hpp"
#include "platform/word/table.hpp"
#include "platform/word/word_errors.hpp"
