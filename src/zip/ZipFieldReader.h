#pragma once

#include <cstdint>

#include "platform/ByteReader.h"

namespace zip {

// Every header field of the format goes through the one bounds-checked reader.
using CZipFieldReader = platform::CByteReader;

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
