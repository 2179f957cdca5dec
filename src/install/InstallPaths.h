#pragma once

#include <string>
#include <string_view>

#include "platform/PathSeparator.h"

namespace install {

// "/maps": the ending that marks a structured package's map folder, in any
// letter case (old DOS and Windows tools wrote "MAPS").
constexpr std::string_view kMapsSuffix = "/maps";
constexpr std::size_t kMapsSuffixLength = kMapsSuffix.size();

// Only the name decides: the last four characters, lower-cased, are ".zip".
bool IsArchivePath(std::string_view path);

bool EndsWithMapsFolder(std::string_view folder);

// parent + separator + name.
std::string JoinPath(std::string_view parent, std::string_view name);

// The path up to its last separator, with white space at the end removed; empty
// when there is no separator. The parent of a top-level entry is the root.
std::string ParentFolder(std::string_view path);

}  // namespace install
