// What the plug-in's SQL texts say about themselves, read without a parser,
// the same for every back end.
#pragma once

#include <string>
#include <string_view>

namespace korvax::dao {

// A source that is one name ("TempDoc", "[Version]", "\"Version\"") is that
// table's name, as OpenRecordset("Version") took it; anything else is SQL ("").
std::string TableNameOf(std::string_view source);

// Whether the query merges rows (grouping, DISTINCT, set operations,
// aggregates), so that its rows are no rows of one table. Errs on the safe
// side: such a query is simply not updatable.
bool HasRowMergingClause(std::string_view sql);

}  // namespace korvax::dao
