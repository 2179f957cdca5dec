#pragma once

#include <string>
#include <string_view>

namespace platform::win32 {

// Text is UTF-8 inside the program and UTF-16 at the Windows calls.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// A path for the wide file calls: separators made backslashes, and a path too
// long for the classic limit given the prefix that lifts it.
std::wstring WidePath(const std::string& path);

// The path as given with forward slashes made backslashes.
std::string BackslashPath(std::string path);

// The folder part of a path ("" for a bare name).
std::string ParentOf(const std::string& path);

}  // namespace platform::win32
