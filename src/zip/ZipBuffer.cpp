#include "ZipBuffer.h"

#include <cstring>

namespace zip {

void CZipBuffer::Allocate(std::uint32_t size, bool zero) {
    if (size != m_nSize) {
        m_pData.reset(size == 0 ? nullptr : new unsigned char[size]);
        m_nSize = size;
    }
    if (zero && m_nSize != 0) {
        std::memset(m_pData.get(), 0, m_nSize);
    }
}

void CZipBuffer::Release() {
    m_pData.reset();
    m_nSize = 0;
}

void CZipBuffer::CopyFrom(const CZipBuffer& other) {
    if (&other == this) {
        return;
    }
    Allocate(other.m_nSize);
    if (m_nSize != 0) {
        std::memcpy(m_pData.get(), other.m_pData.get(), m_nSize);
    }
}

}  // namespace zip
