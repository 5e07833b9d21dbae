// The failures of opening, locking and saving a file. The numbers are those
// callers already know: Word's for a missing file and a failed save, the
// classic runtime's file errors for a file in use or write-protected, and one
// of Korvax's own for a file changed meanwhile.
#pragma once

#include <string>

#include "common/error.hpp"

namespace korvax::file::errors {

Error FileNotFound(const std::string& path);                               // 5174
Error SaveFailed(const std::string& path, const std::string& what);        // 4198
Error InUse(const std::string& path, const std::string& holder);           // 70
Error ReadOnly(const std::string& path, const std::string& why);           // 75
Error ChangedMeanwhile(const std::string& path, const std::string& copy);  // 4199

}  // namespace korvax::file::errors
