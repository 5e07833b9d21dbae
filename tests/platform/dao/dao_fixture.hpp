// The DAO contract on every back end: each test runs on a fresh SQLite file
// and on a fresh schema of the throwaway PostgreSQL server that the test run
// started (tools/pg-server), with the host's tables written beside the layer
// (through sqlite3 or libpq) so that the layer is checked against what is
// stored.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "common/error.hpp"
#include "platform/dao/dao.hpp"

namespace korvax::dao::testing {

enum class Backend { kSqlite, kPostgres };

// Expects the call to fail with that Jet number; returns the description.
inline std::string ErrorOf(const std::function<void()>& call, int32_t number) {
  try {
    call();
  } catch (const Error& e) {
    EXPECT_EQ(e.number(), number) << e.description();
    return e.description();
  }
  ADD_FAILURE() << "expected error " << number;
  return "";
}

// The connection string of the test run's PostgreSQL server, or "" with the
// reason in *why.
std::string TestServer(std::string* why);

// A fresh database of one back end, gone after the test.
class Store {
 public:
  virtual ~Store() = default;
  // A path or a connection string, as a host would pass it.
  virtual std::string Name() const = 0;
  // Runs SQL beside the layer, in the store's dialect.
  virtual void Sql(const std::string& sql) = 0;
  // The first column of the first row as text, "<null>" or "<no row>".
  virtual std::string Scalar(const std::string& sql) = 0;
  // A workspace whose writes wait that long for another's lock in all.
  virtual std::shared_ptr<Workspace> WorkspaceWaiting(std::chrono::milliseconds wait) = 0;
  // Another seat locks the row with that ID_Rechnungsnummer, as its own
  // write in progress would, until Release.
  virtual void LockInvoice(int id) = 0;
  virtual void Release() = 0;
};

// nullptr with the reason in *why when the back end cannot be had.
std::unique_ptr<Store> MakeStore(Backend backend, const std::string& test_name, std::string* why);

class DaoTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override;

  std::shared_ptr<Database> Open(bool read_only = false) {
    return CreateWorkspace()->OpenDatabase(store_->Name(), read_only);
  }
  void Sql(const std::string& sql) { store_->Sql(sql); }
  std::string Scalar(const std::string& sql) { return store_->Scalar(sql); }
  double Number(const std::string& sql) { return std::stod(Scalar(sql)); }
  bool OnServer() const { return GetParam() == Backend::kPostgres; }

  std::unique_ptr<Store> store_;
};

std::string BackendName(const ::testing::TestParamInfo<Backend>& info);

#define KORVAX_ON_EVERY_BACKEND(Suite)                                                    \
  INSTANTIATE_TEST_SUITE_P(, Suite,                                                       \
                           ::testing::Values(::korvax::dao::testing::Backend::kSqlite,    \
                                             ::korvax::dao::testing::Backend::kPostgres), \
                           ::korvax::dao::testing::BackendName)

}  // namespace korvax::dao::testing
