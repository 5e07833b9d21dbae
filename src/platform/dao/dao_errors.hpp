// The failures of the database layer, with Jet's numbers and German texts so
// that the log reads as it did with the host's own database engine. Every
// back end raises these.
#pragma once

#include <string>
#include <string_view>

#include "common/error.hpp"

namespace korvax::dao::errors {

Error InvalidArgument();                               // 3001
Error InvalidOperation();                              // 3219
Error SelectCannotBeExecuted();                        // 3065, a query given to Execute
Error NotSupported(std::string_view what);             // 3251
Error NoCurrentRecord();                               // 3021
Error UpdateWithoutEdit();                             // 3020
Error FileNotFound(std::string_view path);             // 3024
Error DatabaseExists(std::string_view path);           // 3204
Error ReadOnly();                                      // 3027
Error CannotOpen(std::string_view path);               // 3051
Error UnrecognizedFormat(std::string_view path);       // 3343
Error TableNotFound(std::string_view name);            // 3078
Error TooFewParameters(std::string_view detail);       // 3061, an unknown name in a query
Error SyntaxError(std::string_view detail);            // 3075
Error ItemNotFound();                                  // 3265
Error FieldNotUpdatable(std::string_view name);        // 3164
Error RecordDeleted();                                 // 3167
Error Locked(std::string_view detail);                 // 3260
Error DuplicateOrConstraint(std::string_view detail);  // 3022
Error ConversionError();                               // 3421
Error ObjectClosed();                                  // 3420
Error TooManyTransactions();                           // 3003
Error NoTransaction();                                 // 3034, CommitTrans or Rollback without one
Error EngineError(std::string_view detail);            // 3000, anything else the engine reports

// A database server's own failures, with the numbers Jet gave them for ODBC
// servers. Each means the office's data cannot be reached right now, so a
// host must not save a document whose totals the server did not take
// (IsServerUnavailable).
Error ServerUnreachable(std::string_view detail);  // 3151
Error LoginRefused(std::string_view detail);       // 3029
Error ConnectionLost(std::string_view detail);     // 3146
Error QueryTimeout(std::string_view detail);       // 3234
Error NoPermission(std::string_view detail);       // 3112

bool IsServerUnavailable(const Error& error);

}  // namespace korvax::dao::errors
