#pragma once

#include <cstdint>
#include <vector>

#include "ZipBuffer.h"
#include "ZipEntry.h"
#include "ZipLocalHeader.h"

namespace zip {

class CZipVolume;

// The central directory of the open archive: the end record and the entry
// table, in central-directory order (an entry's position is its index).
class CZipCatalog {
  public:
    explicit CZipCatalog(CZipVolume& volume) : m_volume(volume) {}
    CZipCatalog(const CZipCatalog&) = delete;
    CZipCatalog& operator=(const CZipCatalog&) = delete;

    // Forgets the previous archive's end record before a new one is read.
    void Reset();
    // Finds and reads the end record, then every central record. Raises
    // CZipException for a damaged archive, before any entry can be read.
    void ReadCatalog();
    // Offset of the end record in the current file.
    std::uint64_t FindEndRecord();
    // Reads the Zip64 end record when a locator precedes the end record; its
    // values replace the end record's.
    void ReadZip64EndRecord();
    void ReadHeaders();
    // Refuses entries whose data overlap each other, the central directory or
    // the end record, or run past the archive's end: a zip bomb of overlapping
    // entries never gets past opening.
    void CheckEntryExtents();

    bool IsValidIndex(int index) const;
    // Positions the volume at the data of entry index, after checking its local header.
    void OpenCatalogEntry(int index);
    // Moves to an entry's local header and reads its fixed part.
    CZipLocalHeader SeekLocalHeader(const CZipEntry& entry);
    // Checks the data descriptor that follows an entry read to its end.
    void CheckDataDescriptor();
    void CloseCatalogEntry();
    // Drops every entry and the archive comment.
    void Clear();

    int EntryCount() const { return static_cast<int>(m_entries.size()); }
    const CZipEntry& Entry(int index) const { return m_entries[index & 0xFFFF]; }
    CZipEntry* CurrentEntry() const { return m_pCurrentEntry; }
    const CZipBuffer& Comment() const { return m_bufComment; }
    std::uint64_t BytesBeforeArchive() const { return m_nBytesBeforeArchive; }

    // The end record's fields, or the Zip64 end record's where there is one.
    std::uint32_t m_nEndSignature = 0;
    std::uint32_t m_nThisVolume = 0;
    std::uint32_t m_nDirectoryVolume = 0;
    std::uint64_t m_nEntriesOnThisVolume = 0;
    std::uint64_t m_nTotalEntries = 0;
    std::uint64_t m_nDirectorySize = 0;
    std::uint64_t m_nDirectoryOffset = 0;
    // Names are converted while the directory is read.
    bool m_bConvertNames = true;
    // Set once the directory was read from the file; nothing is ever written back.
    bool m_bUnchanged = false;

  private:
    CZipVolume& m_volume;
    CZipBuffer m_bufComment;
    CZipEntry* m_pCurrentEntry = nullptr;
    std::uint64_t m_nEndPosition = 0;
    // Where the Zip64 end record starts, or the end record's position without one.
    std::uint64_t m_nDirectoryBound = 0;
    std::uint64_t m_nBytesBeforeArchive = 0;
    std::vector<CZipEntry> m_entries;
    CZipBuffer m_bufLocalExtra;
};

}  // namespace zip
