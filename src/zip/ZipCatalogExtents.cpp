#include <algorithm>
#include <vector>

#include "ZipCatalog.h"
#include "ZipException.h"
#include "ZipFieldReader.h"
#include "ZipVolume.h"

namespace zip {
namespace {

// A run of archive bytes in one address space over all volumes.
struct CExtent {
    std::uint64_t m_nStart;
    std::uint64_t m_nEnd;
};

constexpr std::uint32_t kShortestDescriptor = 12;

}  // namespace

void CZipCatalog::CheckEntryExtents() {
    // Where each volume starts when the volumes are laid end to end; an ordinary
    // archive is its one file.
    std::vector<std::uint64_t> volumeStart{0};
    const int lastVolume = m_volume.SpanState() == 0 ? 0 : m_volume.LastVolume();
    for (int volume = 0; volume <= lastVolume; ++volume) {
        volumeStart.push_back(volumeStart.back() + m_volume.VolumeLength(volume));
    }
    const std::uint64_t archiveEnd = volumeStart.back();

    std::vector<CExtent> extents;
    extents.reserve(m_entries.size() + 2);
    for (const CZipEntry& entry : m_entries) {
        m_volume.ChangeVolume(entry.m_nStartVolume);
        const std::uint64_t offset = m_nBytesBeforeArchive + entry.m_nLocalHeaderOffset;
        m_volume.File().Seek(static_cast<std::int64_t>(offset), platform::CFile::begin);
        unsigned char header[kLocalHeaderSize];
        m_volume.ReadBytes(header, kLocalHeaderSize, true);
        CZipFieldReader fields(header, sizeof header);
        const std::uint32_t signature = fields.ReadUInt32();
        fields.Skip(22);
        const std::uint16_t nameSize = fields.ReadUInt16();
        const std::uint16_t extraSize = fields.ReadUInt16();
        if (!fields.IsValid() || signature != kLocalSignature) {
            m_volume.ThrowError(kErrBadArchive);
        }
        const std::uint64_t start = volumeStart[entry.m_nStartVolume] + offset;
        std::uint64_t end = start + kLocalHeaderSize + nameSize + extraSize;
        end += entry.m_nCompressedSize;
        if (entry.HasDataDescriptor()) {
            end += kShortestDescriptor;
        }
        extents.push_back({start, end});
    }
    const std::uint64_t directoryStart =
        volumeStart[m_nDirectoryVolume] + m_nBytesBeforeArchive + m_nDirectoryOffset;
    extents.push_back({directoryStart, directoryStart + m_nDirectorySize});
    const std::uint64_t endRecord = volumeStart[m_nThisVolume] + m_nEndPosition;
    extents.push_back({endRecord, endRecord + kEndRecordSize + m_bufComment.Size()});

    std::sort(extents.begin(), extents.end(),
              [](const CExtent& a, const CExtent& b) { return a.m_nStart < b.m_nStart; });
    std::uint64_t reached = 0;
    for (const CExtent& extent : extents) {
        if (extent.m_nStart < reached || extent.m_nEnd > archiveEnd) {
            m_volume.ThrowError(kErrBadArchive);
        }
        reached = extent.m_nEnd;
    }
}

}  // namespace zip
