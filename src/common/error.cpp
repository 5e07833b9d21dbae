#include "common/error.hpp"

#include <cmath>
#include <utility>

namespace korvax {

Error::Error(int32_t number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

namespace errors {
Error InvalidProcedureCall() {
  return Error(5, "Unzulässiger Prozeduraufruf oder ungültiges Argument");
}
Error Overflow() {
  return Error(6, "Überlauf");
}
Error OutOfMemory() {
  return Error(7, "Nicht genügend Speicher");
}
Error SubscriptOutOfRange() {
  return Error(9, "Index außerhalb des gültigen Bereichs");
}
Error DivisionByZero() {
  return Error(11, "Division durch Null");
}
Error TypeMismatch() {
  return Error(13, "Typen unverträglich");
}
Error ObjectNotSet() {
  return Error(91, "Objektvariable oder With-Blockvariable nicht festgelegt");
}
Error InvalidUseOfNull() {
  return Error(94, "Unzulässige Verwendung von Null");
}
Error InvalidPropertyValue() {
  return Error(380, "Unzulässiger Eigenschaftswert");
}
Error NotSupported(const std::string& what) {
  return Error(438, "Objekt unterstützt diese Eigenschaft oder Methode nicht: " + what);
}
}  // namespace errors

double CheckedDivide(double numerator, double denominator) {
  if (denominator == 0.0) throw errors::DivisionByZero();
  return CheckedFinite(numerator / denominator);
}

double CheckedFinite(double value) {
  if (!std::isfinite(value)) throw errors::Overflow();
  return value;
}

}  // namespace korvax
