// The throwaway PostgreSQL server of a test run (tools/pg-server, started
// and stopped by ctest around the tests that need it), and a schema of its
// own on it for each test.
#pragma once

#include <libpq-fe.h>

#include <string>

namespace korvax::testing {

// The server's connection string, or "" with the reason in *why (no server
// installed, or the test not run by ctest).
std::string TestServer(std::string* why);

// A fresh schema, dropped with everything in it when this goes. Tests in
// parallel processes each have their own.
class ServerSchema {
 public:
  explicit ServerSchema(const std::string& server);
  ~ServerSchema();
  ServerSchema(const ServerSchema&) = delete;
  ServerSchema& operator=(const ServerSchema&) = delete;

  // A connection string whose names are those of this schema; options are
  // more of the server's settings ("-cstatement_timeout=300").
  std::string ConnectionString(const std::string& options = "") const;
  // Runs SQL in the schema; std::runtime_error on failure.
  void Sql(const std::string& sql);
  // The first column of the first row as text, "<null>" or "<no row>".
  std::string Scalar(const std::string& sql);
  // A second session of the schema's own, for another seat.
  PGconn* Connect() const;

 private:
  std::string server_;
  std::string schema_;
  PGconn* admin_ = nullptr;
};

}  // namespace korvax::testing
