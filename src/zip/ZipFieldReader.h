#pragma once

#include <cstddef>
#include <cstdint>

namespace zip {

// Reads the little-endian fields of one header from a block of bytes. A read
// past the end yields 0 and marks the reader invalid, so callers test once at
// the end instead of before every field.
class CZipFieldReader {
  public:
    CZipFieldReader(const unsigned char* data, std::size_t size) : m_pData(data), m_nSize(size) {}

    std::uint16_t ReadUInt16() { return static_cast<std::uint16_t>(ReadLittleEndian(2)); }
    std::uint32_t ReadUInt32() { return static_cast<std::uint32_t>(ReadLittleEndian(4)); }
    std::uint64_t ReadUInt64() { return ReadLittleEndian(8); }
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

// The four signature bytes "PK" plus two record numbers, as a little-endian value.
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kDescriptorSignature = 0x08074B50;
constexpr std::uint32_t kZip64EndSignature = 0x06064B50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;

constexpr std::uint32_t kCentralRecordSize = 46;
constexpr std::uint32_t kLocalHeaderSize = 30;
constexpr std::uint32_t kEndRecordSize = 22;
constexpr std::uint32_t kZip64EndRecordSize = 56;
constexpr std::uint32_t kZip64LocatorSize = 20;

// A 32-bit field holding this says the value is in the Zip64 extra field.
constexpr std::uint32_t kZip64Marker32 = 0xFFFFFFFF;
constexpr std::uint16_t kZip64Marker16 = 0xFFFF;

}  // namespace zip
