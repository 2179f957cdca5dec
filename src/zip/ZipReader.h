#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ZipAllocationList.h"
#include "ZipBuffer.h"
#include "ZipCatalog.h"
#include "ZipEntry.h"
#include "ZipException.h"
#include "ZipVolume.h"
#include "platform/File.h"

namespace zip {

class CZipDecoder;

// Reads a zip archive: opens it, lists its entries and extracts them to disk.
// Faults in the archive are thrown as CZipException, files that cannot be
// opened or created as platform::CFileException.
//
// Use: OpenArchive(path, 1, 0); for each index below EntryCount() skip
// IsDirectoryEntry, ReadEntryHeader for the name, ExtractEntry; CloseArchive.
class CZipReader {
  public:
    // progress(total, done, userData) → false stops the extraction.
    using ProgressCallback = bool (*)(std::uint32_t total, std::uint32_t done, int userData);

    // Compressed data is read in chunks of up to this size: a few large reads
    // rather than many small ones.
    static constexpr std::uint32_t kReadChunk = 0x40000;
    // Extracted data is written in blocks of about this size.
    static constexpr std::uint32_t kWriteBatch = 0x100000;

    CZipReader();
    ~CZipReader();
    CZipReader(const CZipReader&) = delete;
    CZipReader& operator=(const CZipReader&) = delete;

    // Opens an existing archive (mode 0 read and write, mode 1 read-only) and
    // reads its directory. Does nothing when an archive is already open. When it
    // throws, the reader is left closed with no entries.
    void OpenArchive(const std::string& path, int mode, int volumeSize = 0);
    void CloseArchive(bool afterException = false);
    // archive: whether no archive is open; otherwise whether no file is open.
    bool IsClosed(bool archive = true) const;

    int EntryCount() const { return m_catalog.EntryCount(); }
    // Indices use their low 16 bits. Both return false for a closed archive or a
    // bad index, and never throw.
    bool IsDirectoryEntry(int index) const;
    bool ReadEntryHeader(CZipEntry& out, int index) const;

    // Writes entry index below targetDir (its stored folders too with fullPath,
    // else its name only). True for a folder, and for a file delivered whole
    // with a matching CRC-32, time stamp and attributes. False, with nothing
    // written, for an encrypted entry or a name that would leave targetDir; false
    // too for data cut short (the partial file stays). Archive faults throw, and
    // leave the partial file where it is.
    bool ExtractEntry(int index, const std::string& targetDir, bool fullPath = true,
                      std::string_view newName = {}, ProgressCallback progress = nullptr,
                      int userData = 0, std::uint32_t bufferSize = 0xFFFF);

    // The steps of ExtractEntry, for callers that take the data themselves. After
    // a fault between OpenEntry and CloseEntry, call CloseEntry({}, true) or
    // CloseArchive(true) before opening another entry.
    bool OpenEntry(int index);
    std::uint32_t ReadEntryData(unsigned char* buffer, std::uint32_t length);
    int CloseEntryFile(platform::CFile& out);
    // 1 complete and verified; -1 data left undelivered; -2 attributes not set;
    // 0 nothing open, or the time stamp not set.
    int CloseEntry(std::string_view path, bool afterException);

    // Why the reader cannot extract an entry whose archive may well be sound
    // (password-protected, or compressed with a method it lacks): the fault
    // OpenEntry and ExtractEntry meet, Unsupported. None for an entry it can read
    // (or a closed archive or bad index).
    std::optional<CZipException> CheckEntrySupported(int index) const;

    // Names are converted to UTF-8 with '/' separators while the directory is
    // read; with false, ReadEntryHeader converts its copy instead.
    void SetConvertNames(bool convert) { m_catalog.m_bConvertNames = convert; }

  private:
    enum EntryState : unsigned char { kNoEntry = 0, kEntryReading = 0xFF };

    [[noreturn]] void ThrowError(int error, const std::string& detail = {}) const;
    // Runs the decoder once, refilling its input first when it is used up.
    void DecodeStep(unsigned char*& out, std::size_t& room);
    // Runs a stream whose declared bytes have all been delivered to its end,
    // refusing one that would yield more.
    void FinishStream();
    // Reads what remains of the entry's compressed data, so a data descriptor is
    // read where it lies.
    void SkipCompressedData();
    void ReleaseEntry();
    // Reads the next chunk of the entry's compressed data as the input.
    void RefillInput();
    // Decodes the entry whole when its decoder would rather, and it can be
    // checked whole. Otherwise the compressed data read for it is left as the
    // stream's input, so the stream meets what it would have met reading it.
    void DecodeWholeEntry();
    // The whole decoded entry, or null when it is decoded as a stream.
    const unsigned char* WholeEntryData();

    bool m_bTrackAllocations = true;
    // The method's decoder; none for stored data.
    std::unique_ptr<CZipDecoder> m_pDecoder;
    const unsigned char* m_pInput = nullptr;
    std::size_t m_nInputLeft = 0;
    bool m_bStreamEnded = false;
    std::uint64_t m_nUncompressedLeft = 0;
    std::uint64_t m_nCompressedLeft = 0;
    std::uint32_t m_nRunningCrc = 0;
    CZipBuffer m_bufRead;
    enum EWhole : unsigned char { kWholeNo, kWholeToTry, kWholeDecoded };
    EWhole m_nWhole = kWholeNo;
    // An entry decoded whole: its compressed data and what it yields. Kept
    // across entries and never larger than kWholeEntryLimit each.
    CZipBuffer m_bufWholeIn;
    CZipBuffer m_bufWholeOut;
    // A read of compressed data that failed while the entry was read ahead
    // for a whole decode, raised where the stream would have read it.
    std::exception_ptr m_pReadFault;
    CZipVolume m_volume;
    CZipAllocationList m_allocations;
    EntryState m_nEntryState = kNoEntry;
    CZipCatalog m_catalog;
};

}  // namespace zip
