// The server's SQLSTATEs as the Jet errors the plug-in and its log know, in
// one table.
#include <array>
#include <cctype>
#include <string>

#include "platform/dao/dao_errors.hpp"
#include "platform/dao/pg_connection.hpp"

namespace korvax::dao::pg {

namespace {

// The server's message with the offending query, so the log shows both.
std::string Detail(std::string_view message, std::string_view sql) {
  std::string detail(message);
  while (!detail.empty() && (detail.back() == '\n' || detail.back() == ' ')) detail.pop_back();
  if (!sql.empty()) detail += " in '" + std::string(sql) + "'";
  return detail;
}

std::string Trimmed(std::string_view message) {
  return Detail(message, {});
}

// The first place where sql holds name in any case of its ASCII letters.
std::string_view AsSpelt(std::string_view name, std::string_view sql) {
  for (std::size_t at = 0; at + name.size() <= sql.size(); ++at) {
    bool same = true;
    for (std::size_t i = 0; same && i < name.size(); ++i) {
      same = std::tolower(static_cast<unsigned char>(sql[at + i])) ==
             std::tolower(static_cast<unsigned char>(name[i]));
    }
    if (same) return sql.substr(at, name.size());
  }
  return name;
}

enum class Kind {
  kTableNotFound,
  kColumnNotFound,
  kSyntax,
  kConstraint,
  kConversion,
  kLocked,
  kReadOnly,
  kPermission,
  kTimeout,
  kConnectionLost,
  kLogin,
  kOutOfMemory,
};

struct Mapping {
  std::string_view sqlstate;  // a whole code, or a class of two characters
  Kind kind;
};

// Looked up whole code first, then by class.
constexpr std::array kMappings = {
    Mapping{"42P01", Kind::kTableNotFound},   // undefined_table
    Mapping{"42703", Kind::kColumnNotFound},  // undefined_column
    Mapping{"42601", Kind::kSyntax},          // syntax_error
    Mapping{"42P10", Kind::kSyntax},          // invalid_column_reference
    Mapping{"42803", Kind::kSyntax},          // grouping_error
    Mapping{"42804", Kind::kConversion},      // datatype_mismatch
    Mapping{"42883", Kind::kSyntax},          // undefined_function
    Mapping{"42501", Kind::kPermission},      // insufficient_privilege
    Mapping{"23", Kind::kConstraint},         // integrity constraint violations
    Mapping{"22", Kind::kConversion},         // data exceptions: text, range, dates, encoding
    Mapping{"55P03", Kind::kLocked},          // lock_not_available: lock_timeout ran out
    Mapping{"40P01", Kind::kLocked},          // deadlock_detected
    Mapping{"40001", Kind::kLocked},          // serialization_failure
    Mapping{"25006", Kind::kReadOnly},        // read_only_sql_transaction
    Mapping{"57014", Kind::kTimeout},         // query_canceled: statement_timeout
    Mapping{"57P01", Kind::kConnectionLost},  // admin_shutdown
    Mapping{"57P02", Kind::kConnectionLost},  // crash_shutdown
    Mapping{"57P03", Kind::kConnectionLost},  // cannot_connect_now
    Mapping{"08", Kind::kConnectionLost},     // connection exceptions
    Mapping{"28", Kind::kLogin},              // invalid authorization
    Mapping{"53200", Kind::kOutOfMemory},     // out_of_memory
};

const Mapping* Find(std::string_view sqlstate) {
  for (const Mapping& m : kMappings) {
    if (m.sqlstate == sqlstate) return &m;
  }
  for (const Mapping& m : kMappings) {
    if (m.sqlstate.size() == 2 && sqlstate.substr(0, 2) == m.sqlstate) return &m;
  }
  return nullptr;
}

}  // namespace

Error ServerError(std::string_view sqlstate, std::string_view message, std::string_view sql) {
  if (sqlstate.empty()) return errors::ConnectionLost(Trimmed(message));
  const Mapping* mapping = Find(sqlstate);
  if (mapping == nullptr) return errors::EngineError(Detail(message, sql));
  switch (mapping->kind) {
    case Kind::kTableNotFound: {
      // relation "kunden" does not exist: the name as the query spelt it.
      const std::size_t open = message.find('"');
      const std::size_t close = open == message.npos ? open : message.find('"', open + 1);
      if (close == message.npos) return errors::TableNotFound(Trimmed(message));
      return errors::TableNotFound(AsSpelt(message.substr(open + 1, close - open - 1), sql));
    }
    case Kind::kColumnNotFound:
      return errors::TooFewParameters(Detail(message, sql));
    case Kind::kSyntax:
      return errors::SyntaxError(Detail(message, sql));
    case Kind::kConstraint:
      return errors::DuplicateOrConstraint(Trimmed(message));
    case Kind::kConversion:
      return Error(3421, "Datentypkonvertierungsfehler (" + Trimmed(message) + ").");
    case Kind::kLocked:
      return errors::Locked("ein anderer Arbeitsplatz bearbeitet den Datensatz: " +
                            Trimmed(message));
    case Kind::kReadOnly:
      return errors::ReadOnly();
    case Kind::kPermission:
      return errors::NoPermission(Trimmed(message));
    case Kind::kTimeout:
      return errors::QueryTimeout(Trimmed(message));
    case Kind::kConnectionLost:
      return errors::ConnectionLost(Trimmed(message));
    case Kind::kLogin:
      return errors::LoginRefused(Trimmed(message));
    case Kind::kOutOfMemory:
      return korvax::errors::OutOfMemory();
  }
  return errors::EngineError(Detail(message, sql));
}

Error ConnectError(const PGconn* connection) {
  const std::string message = Trimmed(connection != nullptr ? PQerrorMessage(connection) : "");
  // libpq gives no SQLSTATE for a refused login; its own wording and the
  // server's (English or German) tell it from a server that is not there.
  const bool refused =
      connection != nullptr && (PQconnectionNeedsPassword(connection) != 0 ||
                                message.find("authentication failed") != std::string::npos ||
                                message.find("Authentifizierung") != std::string::npos ||
                                message.find("pg_hba.conf") != std::string::npos ||
                                message.find("password") != std::string::npos ||
                                message.find("Passwort") != std::string::npos ||
                                message.find("role \"") != std::string::npos ||
                                message.find("Rolle »") != std::string::npos);
  return refused ? errors::LoginRefused(message) : errors::ServerUnreachable(message);
}

}  // namespace korvax::dao::pg
