#pragma once

#include <cstddef>
#include <vector>

namespace zip {

// The blocks zlib took through the reader's allocator and has not given back,
// so that an inflate abandoned by a fault can still be released in full.
class CZipAllocationList {
  public:
    CZipAllocationList() = default;
    ~CZipAllocationList() { ReleaseAll(); }
    CZipAllocationList(const CZipAllocationList&) = delete;
    CZipAllocationList& operator=(const CZipAllocationList&) = delete;

    // zlib's allocator pair; opaque is the list to track in, or null not to track.
    static void* Allocate(void* opaque, unsigned items, unsigned size);
    static void Free(void* opaque, void* block);

    // Frees every block still held; the list ends empty.
    void ReleaseAll();
    std::size_t BlockCount() const { return m_blocks.size(); }

  private:
    std::vector<void*> m_blocks;
};

}  // namespace zip
