// The one place where a database's name chooses its back end.
#include <libpq-fe.h>

#include <memory>
#include <string>

#include "platform/dao/dao.hpp"
#include "platform/dao/dao_errors.hpp"
#include "platform/dao/pg_database.hpp"
#include "platform/dao/sqlite_database.hpp"

namespace korvax::dao {

namespace {

struct OptionsFreer {
  void operator()(PQconninfoOption* options) const noexcept { PQconninfoFree(options); }
};
using Options = std::unique_ptr<PQconninfoOption, OptionsFreer>;

Options ParseConnection(std::string_view name) {
  char* error = nullptr;
  Options options(PQconninfoParse(std::string(name).c_str(), &error));
  PQfreemem(error);
  return options;
}

class OfficeWorkspace : public Workspace {
 protected:
  std::shared_ptr<Database> DoOpenDatabase(const std::string& name, bool read_only) override {
    if (IsServerConnection(name)) return server_.OpenDatabase(name, read_only);
    return file_.OpenDatabase(name, read_only);
  }
  std::shared_ptr<Database> DoCreateDatabase(const std::string& name) override {
    if (IsServerConnection(name)) throw errors::NotSupported("CreateDatabase");
    return file_.CreateDatabase(name);
  }

 private:
  sqlite::SqliteWorkspace file_;
  pg::PgWorkspace server_;
};

}  // namespace

std::shared_ptr<Workspace> CreateWorkspace() {
  return std::make_shared<OfficeWorkspace>();
}

bool IsServerConnection(std::string_view name) {
  if (name.starts_with("postgresql://") || name.starts_with("postgres://")) return true;
  // libpq's words, and only those: a file may have "=" in its name.
  return name.find('=') != name.npos && ParseConnection(name) != nullptr;
}

std::string DisplayName(std::string_view name) {
  if (!IsServerConnection(name)) return std::string(name);
  const Options options = ParseConnection(name);
  if (!options) return "postgresql://...";  // a URI libpq cannot read: shown as nothing of it
  std::string shown;
  for (const PQconninfoOption* o = options.get(); o->keyword != nullptr; ++o) {
    if (o->val == nullptr || *o->val == '\0') continue;
    const std::string keyword = o->keyword;
    if (!shown.empty()) shown += ' ';
    shown += keyword + "=" + (keyword == "password" ? std::string("***") : std::string(o->val));
  }
  return shown;
}

}  // namespace korvax::dao
