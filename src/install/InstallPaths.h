#pragma once

#include <string>
#include <string_view>

#include "platform/PathSeparator.h"

namespace install {

// "/maps": the ending that marks a structured package's map folder, in any
// letter case (old DOS and Windows tools wrote "MAPS").
constexpr std::string_view kMapsSuffix = "/maps";
constexpr std::size_t kMapsSuffixLength = kMapsSuffix.size();

// Whether a name says archive, in any letter case: zip, RAR, 7z and tar
// (plain or compressed), or a part of a split one (".z01", ".r00", ".001").
// The content decides how it is read.
bool IsArchivePath(std::string_view path);

bool EndsWithMapsFolder(std::string_view folder);

// parent + separator + name.
std::string JoinPath(std::string_view parent, std::string_view name);

// The path up to its last separator, with white space at the end removed; empty
// when there is no separator. The parent of a top-level entry is the root.
std::string ParentFolder(std::string_view path);

}  // namespace install
