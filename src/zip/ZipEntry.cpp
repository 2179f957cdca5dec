#include "ZipEntry.h"

#include "ZipException.h"
#include "ZipExtraField.h"
#include "ZipFieldReader.h"
#include "ZipLocalHeader.h"
#include "ZipNameCodec.h"
#include "ZipVolume.h"
#include "platform/PathSeparator.h"

namespace zip {
namespace {

constexpr std::uint32_t kUnixTypeMask = 0170000;
constexpr std::uint32_t kUnixDirectory = 0040000;

// Reads a variable part of a record with plain reads: it must come whole from
// the current volume.
bool ReadPart(CZipVolume& volume, CZipBuffer& buffer, std::uint16_t size) {
    buffer.Allocate(size);
    return size == 0 || volume.File().Read(buffer.Data(), size) == size;
}

}  // namespace

bool CZipEntry::ReadCentral(CZipVolume& volume) {
    unsigned char record[kCentralRecordSize];
    volume.ReadBytes(record, kCentralRecordSize, true);
    CZipFieldReader fields(record, sizeof record);
    m_nSignature = fields.ReadUInt32();
    m_nVersionMadeBy = fields.ReadUInt16();
    m_nVersionNeeded = fields.ReadUInt16();
    m_nFlags = fields.ReadUInt16();
    m_nMethod = fields.ReadUInt16();
    m_nModTime = fields.ReadUInt16();
    m_nModDate = fields.ReadUInt16();
    m_nCrc32 = fields.ReadUInt32();
    m_nCompressedSize = fields.ReadUInt32();
    m_nUncompressedSize = fields.ReadUInt32();
    const std::uint16_t nameSize = fields.ReadUInt16();
    const std::uint16_t extraSize = fields.ReadUInt16();
    const std::uint16_t commentSize = fields.ReadUInt16();
    m_nStartVolume = fields.ReadUInt16();
    m_nInternalAttr = fields.ReadUInt16();
    m_nExternalAttr = fields.ReadUInt32();
    m_nLocalHeaderOffset = fields.ReadUInt32();
    m_nStoredNameSize = nameSize;
    if (!fields.IsValid() || m_nSignature != kCentralSignature) {
        return false;
    }
    const int startVolume = volume.CurrentVolume();
    if (!ReadPart(volume, m_bufName, nameSize) || !ReadPart(volume, m_bufExtraField, extraSize) ||
        !ReadPart(volume, m_bufComment, commentSize)) {
        return false;
    }
    if (volume.CurrentVolume() != startVolume) {
        return false;
    }
    if (!ApplyZip64Extra(m_bufExtraField, {&m_nUncompressedSize, &m_nCompressedSize,
                                           &m_nLocalHeaderOffset, &m_nStartVolume})) {
        volume.ThrowError(kErrBadArchive,
                          "the Zip64 extra field of {entry} is missing or too short");
    }
    return true;
}

void CZipEntry::CheckLocal(const CZipLocalHeader& local, const CZipVolume& volume) const {
    const char* differs = nullptr;
    if (local.m_nFlags != m_nFlags) {
        differs = "flags";
    } else if (local.m_nMethod != m_nMethod) {
        differs = "compression method";
    } else if (local.m_nNameSize != m_nStoredNameSize) {
        differs = "name length";
    } else if (!HasDataDescriptor()) {
        // With a data descriptor the local header may leave these zero.
        if (local.m_nCrc32 != m_nCrc32) {
            differs = "CRC-32";
        } else if (local.m_nCompressedSize != m_nCompressedSize) {
            differs = "compressed size";
        } else if (local.m_nUncompressedSize != m_nUncompressedSize) {
            differs = "uncompressed size";
        }
    }
    if (differs != nullptr) {
        volume.ThrowError(kErrBadArchive,
                          std::string("the local header of {entry} does not match the central "
                                      "directory (") +
                              differs + ")");
    }
}

void CZipEntry::ConvertName() {
    // Unix and macOS writers store the bytes of the user's (UTF-8) file names
    // and seldom say so; there valid UTF-8 is taken as such. A flagged name
    // that is not valid UTF-8 stays as stored, and is refused when extracted.
    const bool utf8 = (m_nFlags & kFlagUtf8Name) != 0 ||
                      (IsUnixHost() && IsValidUtf8(m_bufName.Data(), m_bufName.Size()));
    const std::string name = DecodeStoredName(m_bufName.Data(), m_bufName.Size(), utf8);
    m_bufName.Allocate(static_cast<std::uint32_t>(name.size()));
    if (!name.empty()) {
        name.copy(reinterpret_cast<char*>(m_bufName.Data()), name.size());
    }
}

std::string CZipEntry::GetFileName() const {
    return std::string(reinterpret_cast<const char*>(m_bufName.Data()), m_bufName.Size());
}

std::time_t CZipEntry::GetModTime() const {
    std::tm local{};
    local.tm_year = ((m_nModDate >> 9) & 0x7F) + 80;
    local.tm_mon = ((m_nModDate >> 5) & 0x0F) - 1;
    local.tm_mday = m_nModDate & 0x1F;
    local.tm_hour = (m_nModTime >> 11) & 0x1F;
    local.tm_min = (m_nModTime >> 5) & 0x3F;
    local.tm_sec = (m_nModTime & 0x1F) * 2;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

std::uint32_t CZipEntry::RecordSize() const {
    return kCentralRecordSize + m_nStoredNameSize +
           static_cast<std::uint16_t>(m_bufExtraField.Size()) +
           static_cast<std::uint16_t>(m_bufComment.Size());
}

bool CZipEntry::IsDirectory() const {
    const std::uint32_t size = m_bufName.Size();
    const bool folderName = size != 0 && (m_bufName.Data()[size - 1] == platform::kPathSeparator ||
                                          m_bufName.Data()[size - 1] == '\\');
    // An empty deflate stream still takes two bytes: the uncompressed size tells.
    const bool empty = m_nUncompressedSize == 0;
    // A Unix writer's mode is what it meant; its DOS byte may be anything (some
    // write 0xFF there for every entry).
    const std::uint32_t unixType = UnixMode() & kUnixTypeMask;
    const bool marked = IsUnixHost() && unixType != 0
                            ? unixType == kUnixDirectory
                            : (m_nExternalAttr & kAttributeDirectory) != 0;
    // A folder has no data to lose; an entry with data under a file name is a
    // file whatever its attributes say.
    return marked ? folderName || empty : folderName && empty;
}

}  // namespace zip
