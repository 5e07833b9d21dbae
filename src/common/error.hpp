// Failures of the plug-in and of the platform layers beneath it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace korvax {

// A failure with the number and German description that the log shows.
// Every platform layer raises this one type; only the report-and-continue
// construct (operation.hpp) and the host boundary catch it.
class Error : public std::runtime_error {
 public:
  Error(int32_t number, std::string description);

  int32_t number() const { return number_; }
  const std::string& description() const { return description_; }

 private:
  int32_t number_;
  std::string description_;
};

// The runtime failures of the classic runtime, with their German texts.
namespace errors {
Error InvalidProcedureCall();                 // 5
Error Overflow();                             // 6
Error OutOfMemory();                          // 7
Error SubscriptOutOfRange();                  // 9
Error DivisionByZero();                       // 11
Error TypeMismatch();                         // 13
Error ObjectNotSet();                         // 91
Error InvalidUseOfNull();                     // 94
Error InvalidPropertyValue();                 // 380
Error NotSupported(const std::string& what);  // 438
}  // namespace errors

// C++ arithmetic does not raise; these do, as the classic runtime did.
double CheckedDivide(double numerator, double denominator);  // 11 for a zero denominator
double CheckedFinite(double value);                          // 6 for inf or NaN

}  // namespace korvax
