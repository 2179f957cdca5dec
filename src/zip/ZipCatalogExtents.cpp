#include <algorithm>
#include <vector>

#include "ZipCatalog.h"
#include "ZipException.h"
#include "ZipFieldReader.h"
#include "ZipLocalHeader.h"
#include "ZipVolume.h"

namespace zip {
namespace {

// A run of archive bytes in one address space over all volumes.
struct CExtent {
    std::uint64_t m_nStart;
    std::uint64_t m_nEnd;
    int m_nEntry;  // -1 for the directory and the end record
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
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const CZipEntry& entry = m_entries[i];
        m_volume.SetFaultEntry(static_cast<int>(i), entry.GetFileName());
        const CZipLocalHeader local = SeekLocalHeader(entry);
        const std::uint64_t start =
            volumeStart[entry.m_nStartVolume] + m_nBytesBeforeArchive + entry.m_nLocalHeaderOffset;
        // Zip64 values may be anything: clamped, they cannot wrap the sum round.
        std::uint64_t end =
            std::min(start, archiveEnd) + kLocalHeaderSize + local.m_nNameSize + local.m_nExtraSize;
        end += std::min(entry.m_nCompressedSize, archiveEnd + 1);
        if (entry.HasDataDescriptor()) {
            end += kShortestDescriptor;
        }
        extents.push_back({start, end, static_cast<int>(i)});
    }
    const std::uint64_t directoryStart =
        volumeStart[m_nDirectoryVolume] + m_nBytesBeforeArchive + m_nDirectoryOffset;
    extents.push_back({directoryStart, directoryStart + m_nDirectorySize, -1});
    const std::uint64_t endRecord = volumeStart[m_nThisVolume] + m_nEndPosition;
    extents.push_back({endRecord, endRecord + kEndRecordSize + m_bufComment.Size(), -1});

    std::sort(extents.begin(), extents.end(),
              [](const CExtent& a, const CExtent& b) { return a.m_nStart < b.m_nStart; });
    std::uint64_t reached = 0;
    int reachedBy = -1;
    for (const CExtent& extent : extents) {
        if (extent.m_nStart < reached || extent.m_nEnd > archiveEnd) {
            // Named after an entry involved: the later one, or else the earlier.
            const int entry = extent.m_nEntry >= 0 ? extent.m_nEntry : reachedBy;
            m_volume.SetFaultEntry(entry, entry >= 0 ? m_entries[entry].GetFileName() : "");
            m_volume.ThrowError(kErrBadArchive,
                                extent.m_nStart < reached
                                    ? "the data of {entry} overlaps other parts of the archive"
                                    : "the data of {entry} runs past the end of the archive");
        }
        reached = extent.m_nEnd;
        reachedBy = extent.m_nEntry;
    }
    m_volume.SetFaultEntry(-1);
}

}  // namespace zip
