#pragma once

#include <string>
#include <string_view>

namespace platform {

// Lower-cases UTF-8 text: ASCII and every decodable non-ASCII letter. Bytes that
// are not valid UTF-8 are kept as they are.
std::string LowerCase(std::string_view text);

// True when the two names are equal after lower-casing.
bool EqualsNoCase(std::string_view a, std::string_view b);

// Matches a file name against a wildcard pattern the way Windows does for
// folder listings: '*' any run, '?' one character, letter case ignored, and
// "*.*" matching every name.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace platform
