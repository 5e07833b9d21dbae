// The failures of the Word layer, numbered as Word numbers them.
#pragma once

#include <string>

#include "common/error.hpp"

namespace korvax::word::errors {

Error FileNotFound(const std::string& path);                              // 5174
Error InvalidDocument(const std::string& path, const std::string& what);  // 5792
Error SaveFailed(const std::string& path, const std::string& what);       // 4198
Error NoSuchMember();                                                     // 5941
Error ValueOutOfRange();                                                  // 4608
Error NotAvailable(const std::string& what);                              // 4605
Error RangeCannotBeDeleted();                                             // 6028

}  // namespace korvax::word::errors
