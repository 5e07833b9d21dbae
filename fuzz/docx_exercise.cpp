#include "docx_exercise.hpp"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "common/error.hpp"
#include "platform/word/word.hpp"

namespace korvax::fuzz {

namespace {

// Caps the work per input so that a large table does not read as a hang.
constexpr int kMaxCells = 400;
constexpr int kMaxComments = 50;

void ReadTables(const word::Tables& tables, int depth, int& cells) {
  for (int t = 1; t <= tables.Count() && cells < kMaxCells; ++t) {
    word::Table table = tables.Item(t);
    const std::string whole = table.Range().Text();
    const int rows = table.Rows().Count();
    (void)table.Columns().Count();
    for (int r = 1; r <= rows && cells < kMaxCells; ++r) {
      for (int c = 1; cells < kMaxCells; ++c) {
        std::optional<word::Cell> cell;
        try {
          cell.emplace(table.Cell(r, c));
        } catch (const Error&) {
          break;  // past the last cell of this row
        }
        ++cells;
        word::Range range = cell->Range();
        const std::string text = range.Text();
        if (text.size() > whole.size()) __builtin_trap();  // a cell is part of its table
        (void)cell->Width();
        if (depth < 3) ReadTables(range.Tables(), depth + 1, cells);
      }
    }
  }
}

std::string MainText(const std::filesystem::path& path) {
  auto doc = word::Document::Open(path);
  return doc->Content().Text();
}

}  // namespace

const std::filesystem::path& ScratchDir() {
  static const std::filesystem::path dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvax-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    // Failures the layers report go to a log folder that does not exist: the
    // entries are dropped instead of filling the disk.
    ::setenv("KORVAX_LOG_DIR", (pattern + "/no-log").c_str(), 1);
    // Kept apart from `dir`, which is destroyed before this handler runs.
    static const std::string* const removed_at_exit = new std::string(pattern);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(*removed_at_exit, ec);
    });
    return std::filesystem::path(pattern);
  }();
  return dir;
}

std::filesystem::path WriteInput(std::string_view bytes, const char* name) {
  const std::filesystem::path path = ScratchDir() / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::abort();
  return path;
}

void ExerciseDocument(const std::filesystem::path& path) {
  const std::filesystem::path copy = ScratchDir() / "saved.docx";
  std::string text;
  try {
    auto doc = word::Document::Open(path);
    text = doc->Content().Text();
    int cells = 0;
    ReadTables(doc->Tables(), 0, cells);
    word::Comments comments = doc->Comments();
    for (int i = 1; i <= comments.Count() && i <= kMaxComments; ++i) {
      word::Comment comment = comments.Item(i);
      (void)comment.Id();
      (void)comment.Range().Text();
      (void)comment.Scope().Text();
    }
    (void)doc->Bookmarks().Count();
    // The edits the fee dialogs make: text into a cell and at the end.
    if (doc->Tables().Count() > 0) {
      doc->Tables().Item(1).Cell(1, 1).Range().InsertAfter("1.234,56 €");
    }
    word::Range end = doc->Content();
    end.Collapse(word::wdCollapseEnd);
    end.InsertAfter("Summe\r");
    text = doc->Content().Text();
    doc->SaveAs(copy);
  } catch (const Error&) {
    return;
  }
  // What was opened and saved opens again with the same text.
  std::string again;
  try {
    again = MainText(copy);
  } catch (const Error& e) {
    std::fprintf(stderr, "the saved copy does not open: %s\n", e.description().c_str());
    __builtin_trap();
  }
  if (again != text) {
    std::fprintf(stderr, "the saved copy reads differently\n");
    __builtin_trap();
  }
}

}  // namespace korvax::fuzz
