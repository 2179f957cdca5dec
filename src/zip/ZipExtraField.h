#pragma once

#include <cstdint>

#include "ZipBuffer.h"

namespace zip {

// The values a Zip64 extra field (id 1) may stand in for. Each field that holds
// its marker (all ones) on entry is replaced, in this order, by the next value
// of the extra field.
struct CZip64Values {
    std::uint64_t* m_pUncompressedSize = nullptr;
    std::uint64_t* m_pCompressedSize = nullptr;
    std::uint64_t* m_pLocalHeaderOffset = nullptr;
    std::uint32_t* m_pStartVolume = nullptr;
};

// Fills the marked values from the extra field block. False when one is marked
// but the block has no Zip64 field, or too short a one; the value then keeps
// its marker.
bool ApplyZip64Extra(const CZipBuffer& extra, const CZip64Values& values);

}  // namespace zip
