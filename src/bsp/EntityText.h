#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bsp {

// One { "key" "value" ... } block of a map's entity text, pairs in order.
class CBspEntity {
  public:
    // The value of the first pair with that key (letter case ignored), or empty.
    std::string_view Value(std::string_view key) const;

    std::vector<std::pair<std::string, std::string>> m_pairs;
};

// Parses the entity text as the game reads it: blocks in braces of keys and
// values, quoted or bare, "//" comments skipped; the text ends at its first
// NUL. Throws CBspException naming the entity where the text is damaged.
std::vector<CBspEntity> ParseEntityText(std::string_view text);

}  // namespace bsp
