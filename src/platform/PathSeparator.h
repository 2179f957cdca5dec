#pragma once

namespace platform {

// The character that joins two parts of a path.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

}  // namespace platform
