// TabelleErmitteln and BookmarkSetzen of module TK_WordAuto.
#include "document/tk_word_auto.hpp"

#include <memory>
#include <string>

#include "common/error.hpp"
#include "common/operation.hpp"
#include "common/variant.hpp"
#include "platform/forms/form.hpp"
#include "platform/word/word.hpp"
#include "plugin/g_frm_tabelle.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax {

namespace {

constexpr const char* kModule = "TK_WordAuto";

// The position of the table chosen last, library-wide.
int16_t remembered_table_index = 0;
// The user closed the table selection of the last main-table lookup.
bool selection_cancelled = false;

word::Document& Doc() {
  const auto& doc = Library().order.Doc;
  if (!doc) throw errors::ObjectNotSet();
  return *doc;
}

word::Selection Selection() {
  const auto& application = Library().order.Application;
  if (!application) throw errors::ObjectNotSet();
  return application->Selection();
}

// A table position held in 16 bits; beyond that the assignment overflows.
int16_t TablePosition(int position) {
  return RoundToInteger(static_cast<double>(position));
}

// The text of the first comment inside the table's range; false for a table
// without comments.
bool FirstCommentText(const word::Table& table, std::string& text) {
  word::Comments comments = table.Range().Comments();
  if (comments.Count() < 1) return false;
  text = comments.Item(1).Range().Text();
  return true;
}

// Lookup on opening a main table: may ask the user.
word::Table MainTable(Operation& op, std::string_view key) {
  word::Table result;

  // 1. The candidates: every comment of the document that carries the key.
  int candidates = 0;
  word::Comments comments(nullptr, {});
  op.Step(100, [&] { comments = Doc().Comments(); });
  for (int i = 1; i <= comments.Count(); ++i) {
    op.Step(110, [&] {
      if (comments.Item(i).Range().Text() == key) ++candidates;
    });
  }

  // 2. The cursor table: the selection stands in a table that carries no
  // comment at all.
  bool cursor_table = false;
  op.Step(120, [&] {
    word::Tables at_cursor = Selection().Tables();
    cursor_table = at_cursor.Count() >= 1 && at_cursor.Item(1).Range().Comments().Count() == 0;
  });

  // 3. Nothing to choose from: a new table, without asking.
  if (candidates == 0 && !cursor_table) return result;

  // 4. Offer the candidates and the cursor table. A sixth candidate and
  // beyond has no entry; each one fails on its own and is reported.
  G_frmTabelle* dialog = nullptr;
  op.Step(130, [&] { dialog = &forms::FormInstance<G_frmTabelle>(); });
  if (dialog == nullptr) return result;
  G_frmTabelle& dlg = *dialog;
  for (int i = 0; i < candidates; ++i) {
    op.Step(140, [&] { dlg.optTabelle(i).SetEnabled(true); });
  }
  for (int i = candidates; i < G_frmTabelle::kEntries; ++i) {
    op.Step(150, [&] { dlg.optTabelle(i).SetEnabled(false); });
  }
  op.Step(160, [&] { dlg.optAktTabelle().SetEnabled(cursor_table); });
  op.Step(170, [&] { dlg.ShowModal(); });

  // Closed with its close box or Escape, the dialog is unloaded: no choice
  // was made, and reading the options would load it afresh with "neuer
  // Abrechnungspunkt" chosen, so that a finished fee dialog would append a
  // second table of its category. The call is cancelled instead.
  if (op.If(175, [&] { return !dlg.IsLoaded(); })) {
    selection_cancelled = true;
    remembered_table_index = 0;
    return result;
  }

  // 4.1 The table at the cursor. The dialog keeps the option chosen last
  // even where it is not offered this time; honoured then, it would hand back
  // whatever table the cursor happens to stand in (a table of another
  // category or a foreign one, which the fee dialog then replaces) or none.
  // A cursor entry that was not offered is read as a new billing point.
  if (op.If(180, [&] { return dlg.optAktTabelle().Value(); })) {
    if (!cursor_table) {
      op.Step(190, [&] { remembered_table_index = 0; });
      return result;
    }
    word::Table at_cursor;
    op.Step(200, [&] { at_cursor = Selection().Tables().Item(1); });
    op.Step(210, [&] {
      word::Tables tables = Doc().Tables();
      for (int position = 1; position <= tables.Count(); ++position) {
        if (tables.Item(position) == at_cursor) {
          remembered_table_index = TablePosition(position);
          break;
        }
      }
    });
    op.Step(220, [&] { result = Selection().Tables().Item(1); });
    return result;
  }

  // 4.2 A new billing point.
  if (op.If(230, [&] { return dlg.optNeu().Value(); })) {
    op.Step(240, [&] { remembered_table_index = 0; });
    return result;
  }

  // 4.3 The ordinal of the existing entry chosen; the fifth when none of
  // the first four is.
  int wanted = G_frmTabelle::kEntries;
  for (int i = 0; i < G_frmTabelle::kEntries - 1; ++i) {
    if (op.If(250, [&] { return dlg.optTabelle(i).Value(); })) {
      wanted = i + 1;
      break;
    }
  }

  // 5. The wanted table among those whose first comment carries the key,
  // in document order; its position counts every table.
  word::Tables tables(nullptr, {}, {});
  op.Step(260, [&] { tables = Doc().Tables(); });
  int match = 1;
  for (int position = 1; position <= tables.Count(); ++position) {
    word::Table table;
    bool marked = false;
    op.Step(270, [&] {
      table = tables.Item(position);
      std::string first;
      marked = FirstCommentText(table, first) && first == key;
    });
    if (!marked) continue;
    if (match == wanted) {
      op.Step(280, [&] { remembered_table_index = TablePosition(position); });
      op.Step(290, [&] { result = table; });
      return result;
    }
    ++match;
  }
  return result;
}

// Lookup of a sub-table: the first table with the key at or after the table
// chosen last, before any foreign table. Never asks, never remembers.
word::Table SubTable(Operation& op, std::string_view key) {
  word::Table result;
  const int from = remembered_table_index;
  if (from == 0) return result;

  word::Tables tables(nullptr, {}, {});
  op.Step(300, [&] { tables = Doc().Tables(); });
  for (int position = from; position <= tables.Count(); ++position) {
    word::Table table;
    std::string first;
    bool has_comment = false;
    op.Step(310, [&] {
      table = tables.Item(position);
      has_comment = FirstCommentText(table, first);
    });
    if (!has_comment) continue;
    if (first == key) {
      op.Step(320, [&] { result = table; });
      return result;
    }
    // The foreign table at the starting position itself does not count.
    if (position > from && first == kForeignMarker) return result;
  }
  return result;
}

}  // namespace

word::Table TabelleErmitteln(std::string_view key, bool subTable) {
  Operation op(kModule, "TabelleErmitteln");
  if (subTable) return SubTable(op, key);
  selection_cancelled = false;
  return MainTable(op, key);
}

bool TabellenwahlAbgebrochen() {
  return selection_cancelled;
}

void BookmarkSetzen(word::Table table, std::string_view key) {
  Operation op(kModule, "BookmarkSetzen");
  // 1. The selection goes to cell (1,5) and stays there.
  op.Step(100, [&] { table.Cell(1, 5).Select(); });
  // 2. The marker comment on the selection, added through the comments of
  // the cell's end.
  word::Range cell_end;
  op.Step(110, [&] { cell_end = table.Cell(1, 5).Range(); });
  op.Step(120, [&] { cell_end.Collapse(word::wdCollapseEnd); });
  op.Step(130, [&] { cell_end.Comments().Add(Selection().Range(), key); });
}

void TabellenBookmarkSetzen(Operation& op, int checkpoint, word::Table table,
                            std::string_view key) {
  op.Step(checkpoint, [&] { table.Cell(1, 5).Select(); });
  op.Step(checkpoint, [&] { Doc().Bookmarks().Add(key, Selection().Range()); });
  op.Step(checkpoint, [&] { Doc().Bookmarks().SetDefaultSorting(word::wdSortByName); });
  op.Step(checkpoint, [&] { Doc().Bookmarks().SetShowHidden(true); });
}

void TabellenBookmarkSetzen(word::Table table, std::string_view key) {
  Operation op(kModule, "TabellenBookmarkSetzen");
  TabellenBookmarkSetzen(op, 100, table, key);
}

int16_t RememberedTableIndex() {
  return remembered_table_index;
}

void SetRememberedTableIndex(int16_t index) {
  remembered_table_index = index;
}

}  // namespace korvax
