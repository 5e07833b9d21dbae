// How the functions of the C ABI hand a failure to the host: the error
// number as the result and, when the host gave one, in its korvax_error with
// the German description.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <string>

#include "common/operation.hpp"
#include "korvax/korvax.h"

namespace korvax::abi {

inline void Clear(korvax_error* err) {
  if (err == nullptr) return;
  err->number = 0;
  err->description[0] = '\0';
}

// Copies the description, cut at a character boundary to fit.
inline int32_t Fail(korvax_error* err, int32_t number, const std::string& description) {
  if (err != nullptr) {
    err->number = number;
    size_t n = std::min(description.size(), sizeof err->description - 1);
    while (n > 0 && n < description.size() && (description[n] & 0xC0) == 0x80) --n;
    std::memcpy(err->description, description.data(), n);
    err->description[n] = '\0';
  }
  return number == 0 ? -1 : number;
}

inline int32_t FailWith(korvax_error* err, std::exception_ptr failure) {
  int32_t number = 0;
  std::string description;
  DescribeFailure(failure, number, description);
  return Fail(err, number, description);
}

}  // namespace korvax::abi
