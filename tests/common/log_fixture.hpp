// Points the error log and the settings store at a fresh temporary folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace korvax::testing {

class TempEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    // A parameterised test's name ends in "/N": one folder all the same.
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '-');
    dir_ = std::filesystem::temp_directory_path() /
           ("korvax-test-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    setenv("KORVAX_LOG_DIR", dir_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  // The raw bytes of the log.
  std::string Log() const {
    std::ifstream in(dir_ / "Verw.log", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // How many entries the log holds.
  int LogEntries() const {
    const std::string log = Log();
    int n = 0;
    for (size_t at = log.find("Ort  : "); at != std::string::npos; at = log.find("Ort  : ", at + 1))
      ++n;
    return n;
  }

  std::filesystem::path dir_;
};

}  // namespace korvax::testing
