#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bsp {

// Text without white space (spaces, tabs, line ends) at either end.
std::string_view Trim(std::string_view text);

// The lines of a small text file of the game (liblist.gam, a map's resource
// list, an overview), "//" comments and quotes removed, trimmed; empty lines
// are left out.
std::vector<std::string> TextLines(std::string_view text);

// The rest of a line "key value" after its first word, when that word is the
// key (letter case ignored).
std::optional<std::string> KeyedValue(std::string_view line, std::string_view key);

}  // namespace bsp
