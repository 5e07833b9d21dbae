// The Word-like object model over .docx files: everything a caller includes.
#pragma once

#include "platform/word/bookmarks.hpp"
#include "platform/word/comments.hpp"
#include "platform/word/document.hpp"
#include "platform/word/range.hpp"
#include "platform/word/shapes.hpp"
#include "platform/word/table.hpp"
#include "platform/word/word_errors.hpp"
