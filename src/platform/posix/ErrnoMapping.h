#pragma once

#include <string>

#include "../ErrorCodes.h"

namespace platform::posix {

// The Windows number for an errno value. A missing file is 2, or 3 when the
// folder that should hold it is missing too.
ErrorCode ErrorFromErrno(int error, const std::string& path);

// The folder part of a path ("" for a bare name, "/" for a top-level entry).
std::string ParentOf(const std::string& path);

}  // namespace platform::posix
