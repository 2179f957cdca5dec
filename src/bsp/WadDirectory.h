#pragma once

#include <string>
#include <vector>

#include "ByteSource.h"

namespace bsp {

// The names in a WAD3 file's directory (textures, pictures, fonts), as
// stored. Throws CBspException when the file is no WAD3 file or its
// directory does not lie inside it.
std::vector<std::string> ReadWadDirectory(CByteSource& source);

// The entries of a pak file (the game's own archives, pak0.pak, ...).
struct SPakEntry {
    std::string m_strName;  // a path with '/'
    std::uint32_t m_nOffset = 0;
    std::uint32_t m_nLength = 0;
};
std::vector<SPakEntry> ReadPakDirectory(CByteSource& source);

}  // namespace bsp
