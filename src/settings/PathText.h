#pragma once

#include <string>

namespace settings {

// Splits a path at its last separator: the parent is the part before it, the
// name the part after it. Without a separator the name is the whole text and
// the parent is empty.
void SplitAtLastSeparator(const std::string& path, std::string& parent, std::string& name);

// Removes one trailing separator, only one.
void TrimTrailingSeparator(std::string& path);

// True for a path that names the same folder whatever the working folder is.
bool IsAbsolutePath(const std::string& path);

}  // namespace settings
