// Jet's names for a server that spells them exactly. Jet (and SQLite) find
// TempDoc.ID_Benutzer in any case, bare or in brackets; PostgreSQL folds a
// bare name to lower case and finds "TempDoc"."ID_Benutzer" only when it is
// quoted as the catalog spells it. The plug-in's SQL is rewritten so: every
// name the catalog knows, in any case, becomes its quoted spelling.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace korvax::dao::pg {

// The catalog's spelling of a name, any case, or nullptr when it knows none
// (or two that differ only in case).
using SpellingOf = std::function<const std::string*(std::string_view name)>;

// Strings, comments and parameters ($1) stay as they are; names in double
// quotes or brackets and bare names that are no SQL words are looked up.
std::string RewriteNames(std::string_view sql, const SpellingOf& spelling_of);

// Whether a query may change data: anything but SELECT, VALUES, TABLE and
// WITH ... SELECT, and SELECT ... INTO.
bool ChangesData(std::string_view sql);

}  // namespace korvax::dao::pg
