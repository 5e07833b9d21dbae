// Stands in for korvax_document while that library is not built yet: the
// lookup without the selection dialog (the first marked table of the key is
// the one chosen), and the marking through the selection.
#include "document/tk_word_auto.hpp"

#include "platform/word/word.hpp"
#include "plugin/plugin_state.hpp"

namespace korvax {

namespace {
int16_t remembered = 0;

std::string FirstComment(const word::Table& table) {
  word::Comments comments = table.Range().Comments();
  if (comments.Count() == 0) return {};
  return comments.Item(1).Range().Text();
}
}  // namespace

word::Table TabelleErmitteln(std::string_view key, bool subTable) {
  auto& doc = *Library().order.Doc;
  word::Tables tables = doc.Tables();
  if (subTable) {
    if (remembered == 0) return {};
    for (int i = remembered; i <= tables.Count(); ++i) {
      const std::string first = FirstComment(tables.Item(i));
      if (first == key) return tables.Item(i);
      if (i > remembered && first == "RE_HOAI_Kosten") return {};
    }
    return {};
  }
  for (int i = 1; i <= tables.Count(); ++i) {
    if (FirstComment(tables.Item(i)) == key) {
      remembered = static_cast<int16_t>(i);
      return tables.Item(i);
    }
  }
  return {};
}

void BookmarkSetzen(word::Table table, std::string_view key) {
  table.Cell(1, 5).Select();
  word::Range cell = table.Cell(1, 5).Range();
  cell.Collapse(word::wdCollapseEnd);
  cell.Comments().Add(Library().order.Application->Selection().Range(), key);
}

int16_t RememberedTableIndex() {
  return remembered;
}
void SetRememberedTableIndex(int16_t index) {
  remembered = index;
}

}  // namespace korvax
