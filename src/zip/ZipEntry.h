#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "ZipBuffer.h"

namespace zip {

class CZipLocalHeader;
class CZipVolume;

// One entry's header as its central-directory record gives it.
class CZipEntry {
  public:
    // General-purpose flag bits.
    static constexpr std::uint16_t kFlagEncrypted = 0x0001;
    static constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
    static constexpr std::uint16_t kFlagUtf8Name = 0x0800;
    static constexpr std::uint16_t kMethodStored = 0;
    static constexpr std::uint16_t kMethodDeflated = 8;
    static constexpr std::uint32_t kAttributeDirectory = 0x10;
    static constexpr std::uint32_t kAttributeArchive = 0x20;
    static constexpr int kHostUnix = 3;
    static constexpr int kHostMacOs = 19;

    CZipEntry() = default;

    // Reads one central record. False when its signature is wrong or its
    // variable part is not on the volume where it started; a record cut short,
    // or one whose Zip64 values are missing, raises BadArchive.
    bool ReadCentral(CZipVolume& volume);
    // Raises BadArchive, naming the field, when a local header (its sizes taken
    // from its Zip64 extra field where marked) disagrees with this record.
    void CheckLocal(const CZipLocalHeader& local, const CZipVolume& volume) const;
    // Converts the stored name (code page 437 or UTF-8) into the program's form.
    void ConvertName();

    // The name's bytes as they are now (converted once the catalog is read).
    std::string GetFileName() const;
    // The DOS date and time as local time, daylight saving as the system decides.
    std::time_t GetModTime() const;
    // Bytes of the central record: 46 plus the stored name, extra and comment.
    std::uint32_t RecordSize() const;

    bool IsEncrypted() const { return (m_nFlags & kFlagEncrypted) != 0; }
    bool HasDataDescriptor() const { return (m_nFlags & kFlagDataDescriptor) != 0; }
    // Made on Unix or macOS (host 3 or 19 of "version made by").
    bool IsUnixHost() const {
        const int host = m_nVersionMadeBy >> 8;
        return host == kHostUnix || host == kHostMacOs;
    }
    // Made on Unix or macOS with a Unix mode stored.
    bool HasUnixMode() const { return IsUnixHost() && UnixMode() != 0; }
    std::uint32_t UnixMode() const { return m_nExternalAttr >> 16; }
    // A folder by its Unix mode (when a Unix host stored one) or else its DOS
    // attribute, and by a name ending in a separator or no data; an entry no
    // attribute marks is a folder only when it is empty and named like one.
    bool IsDirectory() const;

    std::uint32_t m_nSignature = 0;
    std::uint16_t m_nVersionMadeBy = 0;
    std::uint16_t m_nVersionNeeded = 0;
    std::uint16_t m_nFlags = 0;
    std::uint16_t m_nMethod = kMethodDeflated;
    std::uint16_t m_nModTime = 0;
    std::uint16_t m_nModDate = 0;
    std::uint32_t m_nCrc32 = 0;
    // Sizes, offset and volume as the Zip64 extra field gives them where the
    // record holds its marker.
    std::uint64_t m_nCompressedSize = 0;
    std::uint64_t m_nUncompressedSize = 0;
    std::uint32_t m_nStartVolume = 0;
    std::uint16_t m_nInternalAttr = 0;
    std::uint32_t m_nExternalAttr = kAttributeArchive;
    std::uint64_t m_nLocalHeaderOffset = 0;
    CZipBuffer m_bufExtraField;
    CZipBuffer m_bufName;
    CZipBuffer m_bufComment;
    // The name's length as stored: the local header must repeat it, and the
    // converted name may be longer.
    std::uint16_t m_nStoredNameSize = 0;
};

}  // namespace zip
