#include "test_server.hpp"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace korvax::testing {

namespace {

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string Checked(PGconn* connection, PGresult* result, const std::string& sql) {
  const ExecStatusType status = PQresultStatus(result);
  std::string first = "<no row>";
  if (status == PGRES_TUPLES_OK && PQntuples(result) > 0) {
    first = PQgetisnull(result, 0, 0) != 0 ? "<null>" : PQgetvalue(result, 0, 0);
  }
  const std::string message = PQerrorMessage(connection);
  PQclear(result);
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
    throw std::runtime_error(message + " in " + sql);
  }
  return first;
}

}  // namespace

std::string TestServer(std::string* why) {
  const char* state = std::getenv("KORVAX_PG_STATE");
  if (state == nullptr) {
    *why = "kein Testserver: KORVAX_PG_STATE ist nicht gesetzt (ctest startet ihn)";
    return "";
  }
  const std::string conninfo = FirstLine(std::string(state) + "/conninfo");
  if (conninfo.empty()) {
    const std::string skip = FirstLine(std::string(state) + "/skip");
    *why = skip.empty() ? "kein Testserver in " + std::string(state) : skip;
  }
  return conninfo;
}

ServerSchema::ServerSchema(const std::string& server) : server_(server) {
  static std::atomic<int> count{0};
  schema_ = "t" + std::to_string(::getpid()) + "_" + std::to_string(count++);
  admin_ = PQconnectdb(server_.c_str());
  if (PQstatus(admin_) != CONNECTION_OK) {
    const std::string message = PQerrorMessage(admin_);
    PQfinish(admin_);
    throw std::runtime_error(message);
  }
  PQsetNoticeProcessor(
      admin_, [](void*, const char*) {}, nullptr);
  const std::string create = "DROP SCHEMA IF EXISTS " + schema_ + " CASCADE; CREATE SCHEMA " +
                             schema_ + "; SET search_path = " + schema_ + ";";
  Checked(admin_, PQexec(admin_, create.c_str()), create);
}

ServerSchema::~ServerSchema() {
  const std::string drop = "DROP SCHEMA IF EXISTS " + schema_ + " CASCADE";
  PQclear(PQexec(admin_, drop.c_str()));
  PQfinish(admin_);
}

std::string ServerSchema::ConnectionString(const std::string& options) const {
  return server_ + " options='-csearch_path=" + schema_ + (options.empty() ? "" : " ") + options +
         "'";
}

void ServerSchema::Sql(const std::string& sql) {
  Checked(admin_, PQexec(admin_, sql.c_str()), sql);
}

std::string ServerSchema::Scalar(const std::string& sql) {
  return Checked(admin_, PQexec(admin_, sql.c_str()), sql);
}

PGconn* ServerSchema::Connect() const {
  PGconn* connection = PQconnectdb(ConnectionString().c_str());
  if (PQstatus(connection) != CONNECTION_OK) {
    const std::string message = PQerrorMessage(connection);
    PQfinish(connection);
    throw std::runtime_error(message);
  }
  return connection;
}

}  // namespace korvax::testing
