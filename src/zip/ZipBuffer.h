#pragma once

#include <cstdint>
#include <memory>
#include <utility>

namespace zip {

// An owned block of bytes whose length the archive format bounds to 32 bits.
class CZipBuffer {
  public:
    CZipBuffer() = default;
    CZipBuffer(const CZipBuffer& other) { CopyFrom(other); }
    CZipBuffer& operator=(const CZipBuffer& other) {
        CopyFrom(other);
        return *this;
    }
    // A buffer moved from is left empty, its length with it.
    CZipBuffer(CZipBuffer&& other) noexcept
        : m_pData(std::move(other.m_pData)), m_nSize(std::exchange(other.m_nSize, 0)) {}
    CZipBuffer& operator=(CZipBuffer&& other) noexcept {
        m_pData = std::move(other.m_pData);
        m_nSize = std::exchange(other.m_nSize, 0);
        return *this;
    }

    // Replaces the block only when the size changes (0 frees it); the bytes are
    // zeroed only when asked, so a same-size reuse keeps its contents.
    void Allocate(std::uint32_t size, bool zero = false);
    void Release();
    void CopyFrom(const CZipBuffer& other);

    unsigned char* Data() { return m_pData.get(); }
    const unsigned char* Data() const { return m_pData.get(); }
    std::uint32_t Size() const { return m_nSize; }
    bool IsEmpty() const { return m_nSize == 0; }

  private:
    std::unique_ptr<unsigned char[]> m_pData;
    std::uint32_t m_nSize = 0;
};

}  // namespace zip
