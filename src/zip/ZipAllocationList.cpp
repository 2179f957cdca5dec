#include "ZipAllocationList.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace zip {

void* CZipAllocationList::AllocateBlock(void* opaque, std::size_t items, std::size_t size) {
    if (size != 0 && items > static_cast<std::size_t>(-1) / size) {
        return nullptr;
    }
    void* block = std::malloc(items * size);
    if (block == nullptr || opaque == nullptr) {
        return block;
    }
    // The decompressors are C: a failure must come back as a null block, never as an exception.
    try {
        static_cast<CZipAllocationList*>(opaque)->m_blocks.push_back(block);
    } catch (const std::bad_alloc&) {
        std::free(block);
        return nullptr;
    }
    return block;
}

void CZipAllocationList::Free(void* opaque, void* block) {
    if (opaque != nullptr) {
        auto& blocks = static_cast<CZipAllocationList*>(opaque)->m_blocks;
        const auto found = std::find(blocks.begin(), blocks.end(), block);
        if (found != blocks.end()) {
            blocks.erase(found);
        }
    }
    std::free(block);
}

void CZipAllocationList::ReleaseAll() {
    for (void* block : m_blocks) {
        std::free(block);
    }
    m_blocks.clear();
}

}  // namespace zip
