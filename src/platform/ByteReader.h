#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Reads the little-endian fields of a block of bytes (a zip header, a map's
// lump directory, a WAD's directory entry). A read past the end yields zeros
// and marks the reader invalid, so callers test once at the end instead of
// before every field.
class CByteReader {
  public:
    CByteReader(const unsigned char* data, std::size_t size) : m_pData(data), m_nSize(size) {}
    CByteReader(const char* data, std::size_t size)
        : CByteReader(reinterpret_cast<const unsigned char*>(data), size) {}

    std::uint16_t ReadUInt16() { return static_cast<std::uint16_t>(ReadLittleEndian(2)); }
    std::uint32_t ReadUInt32() { return static_cast<std::uint32_t>(ReadLittleEndian(4)); }
    std::int32_t ReadInt32() { return static_cast<std::int32_t>(ReadUInt32()); }
    std::uint64_t ReadUInt64() { return ReadLittleEndian(8); }
    // A text field of fixed size, up to its first NUL.
    std::string ReadFixedText(std::size_t size) {
        if (!Take(size)) {
            return {};
        }
        const char* field = reinterpret_cast<const char*>(m_pData + m_nPosition);
        m_nPosition += size;
        std::size_t length = 0;
        while (length < size && field[length] != '\0') {
            ++length;
        }
        return std::string(field, length);
    }
    void Skip(std::size_t count) {
        if (Take(count)) {
            m_nPosition += count;
        }
    }

    bool IsValid() const { return m_bValid; }

  private:
    bool Take(std::size_t count) {
        if (!m_bValid || m_nSize - m_nPosition < count) {
            m_bValid = false;
            return false;
        }
        return true;
    }

    std::uint64_t ReadLittleEndian(std::size_t width) {
        if (!Take(width)) {
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            value |= static_cast<std::uint64_t>(m_pData[m_nPosition + i]) << (8 * i);
        }
        m_nPosition += width;
        return value;
    }

    const unsigned char* m_pData;
    std::size_t m_nSize;
    std::size_t m_nPosition = 0;
    bool m_bValid = true;
};

}  // namespace platform
