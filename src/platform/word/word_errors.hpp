// The failures of the Word layer, numbered as Word numbers them.
#pragma once

#include <string>

#include "common/error.hpp"
#include "platform/file/file_errors.hpp"

namespace korvax::word::errors {

// The file's own failures (missing, in use, write-protected, changed
// meanwhile, not saved) come from the file library under the same names.
using file::errors::ChangedMeanwhile;  // 4199
using file::errors::FileNotFound;      // 5174
using file::errors::InUse;             // 70
using file::errors::ReadOnly;          // 75
using file::errors::SaveFailed;        // 4198

Error InvalidDocument(const std::string& path, const std::string& what);  // 5792
Error NoSuchMember();                                                     // 5941
Error ValueOutOfRange();                                                  // 4608
Error NotAvailable(const std::string& what);                              // 4605
Error ObjectDeleted();                                                    // 5825

}  // namespace korvax::word::errors
