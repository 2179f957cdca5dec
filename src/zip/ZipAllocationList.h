#pragma once

#include <cstddef>
#include <vector>

namespace zip {

// The blocks the decompressors took through the reader's allocator and have
// not given back, so that a decoder abandoned by a fault can still be released
// in full.
class CZipAllocationList {
  public:
    CZipAllocationList() = default;
    ~CZipAllocationList() { ReleaseAll(); }
    CZipAllocationList(const CZipAllocationList&) = delete;
    CZipAllocationList& operator=(const CZipAllocationList&) = delete;

    // The decoders' allocator pair; opaque is the list to track in, or null not
    // to track. A size that overflows yields a null block.
    static void* AllocateBlock(void* opaque, std::size_t items, std::size_t size);
    static void Free(void* opaque, void* block);
    // zlib's form of AllocateBlock.
    static void* Allocate(void* opaque, unsigned items, unsigned size) {
        return AllocateBlock(opaque, items, size);
    }

    // Frees every block still held; the list ends empty.
    void ReleaseAll();
    std::size_t BlockCount() const { return m_blocks.size(); }

  private:
    std::vector<void*> m_blocks;
};

}  // namespace zip
