#pragma once

#include <cstdint>

namespace zip {

class CZipVolume;

// The fixed 30 bytes of a local header, the one place they are decoded.
class CZipLocalHeader {
  public:
    // Reads the header at the volume's position. A wrong signature, or a header
    // cut short, raises BadArchive.
    static CZipLocalHeader Read(CZipVolume& volume);

    std::uint16_t m_nFlags = 0;
    std::uint16_t m_nMethod = 0;
    std::uint32_t m_nCrc32 = 0;
    std::uint64_t m_nCompressedSize = 0;
    std::uint64_t m_nUncompressedSize = 0;
    std::uint16_t m_nNameSize = 0;
    std::uint16_t m_nExtraSize = 0;
};

}  // namespace zip
