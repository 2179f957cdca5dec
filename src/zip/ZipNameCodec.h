#pragma once

#include <cstddef>
#include <string>

namespace zip {

// Turns a stored entry name into the program's form: UTF-8 (names without the
// UTF-8 flag are code page 437, as DOS and Windows archivers write them) with
// both '/' and '\' as the platform's separator.
std::string DecodeStoredName(const unsigned char* bytes, std::size_t size, bool utf8);

// Whether bytes are well-formed UTF-8: no overlong forms, surrogates, or code
// points past U+10FFFF.
bool IsValidUtf8(const unsigned char* bytes, std::size_t size);

}  // namespace zip
