// The failures of the Word layer, numbered as Word numbers them.
#pragma once

#include <string>

#include "common/error.hpp"

namespace korvax::word::errors {

Error FileNotFound(const std::string& path);                              // 5174
Error InvalidDocument(const std::string& path, const std::string& what);  // 5792
Error SaveFailed(const std::string& path, const std::string& what);       // 4198
// The file locks, which Word leaves to the system: the classic runtime's file
// errors, and a number of the layer's own for a file changed meanwhile.
Error InUse(const std::string& path, const std::string& holder);           // 70
Error ReadOnly(const std::string& path, const std::string& why);           // 75
Error ChangedMeanwhile(const std::string& path, const std::string& copy);  // 4199
Error NoSuchMember();                                                      // 5941
Error ValueOutOfRange();                                                   // 4608
Error NotAvailable(const std::string& what);                               // 4605
Error ObjectDeleted();                                                     // 5825

}  // namespace korvax::word::errors
