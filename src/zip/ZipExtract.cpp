#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "ZipAttributes.h"
#include "ZipException.h"
#include "ZipPathSplit.h"
#include "ZipReader.h"
#include "platform/PathSeparator.h"

namespace zip {
namespace {

// A file entry needs a name to write: "a/" or "a/." would name a folder.
bool HasFileName(const std::string& relative) {
    const std::string name = CZipPathSplit::NameExt(relative);
    return !name.empty() && name != ".";
}

constexpr const char* kYieldsMore =
    "the compressed data of {entry} yields more than its declared size";
constexpr const char* kCutShort = "the compressed data of {entry} ends before its stream does";
constexpr const char* kDataCut = "the archive ends inside the data of {entry}";
constexpr const char* kCorrupt = "the compressed data of {entry} is corrupt";

// What a zlib result says about the data; nothing for a fault of the reader's own.
const char* ZlibDetail(int result) {
    return result == Z_BUF_ERROR ? kCutShort : result == Z_DATA_ERROR ? kCorrupt : "";
}

std::string WithoutTrailingSeparators(std::string path) {
    while (!path.empty() && path.back() == platform::kPathSeparator) {
        path.pop_back();
    }
    return path;
}

}  // namespace

bool CZipReader::ExtractEntry(int index, const std::string& targetDir, bool fullPath,
                              std::string_view newName, ProgressCallback progress, int userData,
                              std::uint32_t bufferSize) {
    if (bufferSize == 0) {
        return false;
    }
    CZipEntry entry;
    if (!ReadEntryHeader(entry, index)) {
        return false;
    }
    const std::string name = newName.empty() ? entry.GetFileName() : std::string(newName);
    if (!IsConfinedEntryName(name)) {
        return false;
    }
    const std::string relative =
        fullPath ? CZipPathSplit::PathNoDrive(name) : CZipPathSplit::NameExt(name);
    const std::string target =
        WithoutTrailingSeparators(targetDir) + platform::kPathSeparator + relative;

    if (IsDirectoryEntry(index)) {
        if (CreateDirectories(target)) {
            ApplyEntryAttributes(target, entry, true);
        }
        return true;
    }
    if (!HasFileName(relative) || !OpenEntry(index)) {
        return false;
    }
    try {
        constexpr unsigned kCreate = platform::CFile::modeCreate | platform::CFile::shareDenyWrite |
                                     platform::CFile::modeWrite;
        platform::CFile out;
        platform::CFileException error;
        // The entry's folder is nearly always there already, so it is made only
        // when the file cannot be created without it; where the file can be
        // created, making the folder first would have done nothing.
        if (!out.Open(target, kCreate, &error)) {
            CreateDirectories(CZipPathSplit::DriveDir(target));
            if (!out.Open(target, kCreate, &error)) {
                throw error;
            }
        }
        const auto total = static_cast<std::uint32_t>(
            progress ? std::min<std::uint64_t>(entry.m_nUncompressedSize, UINT32_MAX) : 0);
        // The data is read in chunks of bufferSize. Without a progress callback
        // nobody watches the file grow chunk by chunk, so chunks are gathered
        // into writes of about kWriteBatch bytes; room for one chunk more than
        // the entry declares is enough, as reading never delivers more.
        const std::uint64_t chunksNeeded = entry.m_nUncompressedSize / bufferSize + 1;
        const std::uint64_t chunks =
            progress ? 1 : std::clamp<std::uint64_t>(kWriteBatch / bufferSize, 1, chunksNeeded);
        const std::size_t capacity = static_cast<std::size_t>(chunks * bufferSize);
        const auto buffer = std::make_unique_for_overwrite<unsigned char[]>(capacity);
        std::uint32_t pending = 0;
        const auto flush = [&] { out.Write(buffer.get(), std::exchange(pending, 0)); };
        std::uint32_t done = 0;
        std::uint32_t got = 0;
        try {
            do {
                got = ReadEntryData(buffer.get() + pending, bufferSize);
                if (got > 0) {
                    pending += got;
                    done += got;
                    if (pending + std::uint64_t{bufferSize} > capacity) {
                        flush();
                    }
                    if (progress && !progress(total, done, userData)) {
                        break;
                    }
                }
            } while (got == bufferSize);
        } catch (...) {
            // What was read before the fault goes to disk, as if written at once.
            flush();
            throw;
        }
        flush();
        return CloseEntryFile(out) == 1;
    } catch (...) {
        // The partial file stays; the reader is ready for the next entry.
        ReleaseEntry();
        throw;
    }
}

bool CZipReader::OpenEntry(int index) {
    if (IsClosed(true) || !m_catalog.IsValidIndex(index) || m_nEntryState != kNoEntry) {
        return false;
    }
    const CZipEntry& entry = m_catalog.Entry(index);
    // No password can be given, so an encrypted entry is left unread whatever
    // its method.
    if (entry.IsEncrypted()) {
        return false;
    }
    if (auto unsupported = CheckEntrySupported(index)) {
        throw *unsupported;
    }
    // No larger than the entry's data, so a small entry costs a small block.
    m_bufRead.Allocate(static_cast<std::uint32_t>(
        std::clamp<std::uint64_t>(entry.m_nCompressedSize, 1, kReadChunk)));
    m_catalog.OpenCatalogEntry(index);
    if (entry.m_nMethod == CZipEntry::kMethodStored &&
        entry.m_nCompressedSize != entry.m_nUncompressedSize) {
        ThrowError(kErrBadArchive, "the sizes of {entry}, which is stored, disagree");
    }
    m_stream = z_stream{};
    m_bStreamEnded = false;
    if (entry.m_nMethod == CZipEntry::kMethodDeflated) {
        m_stream.zalloc = CZipAllocationList::Allocate;
        m_stream.zfree = CZipAllocationList::Free;
        m_stream.opaque = m_bTrackAllocations ? &m_allocations : nullptr;
        // Raw deflate data: no zlib header, a 32 KB window.
        CheckZlib(inflateInit2(&m_stream, -MAX_WBITS));
        m_bInflating = true;
    }
    m_nCompressedLeft = entry.m_nCompressedSize;
    m_nUncompressedLeft = entry.m_nUncompressedSize;
    m_nRunningCrc = 0;
    m_nEntryState = kEntryReading;
    return true;
}

std::uint32_t CZipReader::ReadEntryData(unsigned char* buffer, std::uint32_t length) {
    if (m_nEntryState != kEntryReading || buffer == nullptr || length == 0) {
        return 0;
    }
    const bool stored = m_catalog.CurrentEntry()->m_nMethod == CZipEntry::kMethodStored;
    // Never more than the entry declares: the rest of a longer stream is a fault.
    m_stream.next_out = buffer;
    m_stream.avail_out = static_cast<uInt>(std::min<std::uint64_t>(length, m_nUncompressedLeft));
    // Data past the declared size is looked for once, when the entry is closed.
    std::uint32_t delivered = 0;
    while (!m_bStreamEnded && m_stream.avail_out > 0) {
        if (stored) {
            // Straight into the caller's buffer: stored data needs no copy on the way.
            const auto count = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(m_stream.avail_out, m_nCompressedLeft));
            if (count == 0) {
                break;
            }
            m_volume.ReadBytes(m_stream.next_out, count, false, kDataCut);
            m_nCompressedLeft -= count;
            m_stream.next_out += count;
            m_stream.avail_out -= count;
            m_stream.total_out += count;
            m_nUncompressedLeft -= count;
            delivered += count;
            continue;
        }
        if (m_stream.avail_in == 0 && m_nCompressedLeft > 0) {
            RefillInput();
        }
        const uLong before = m_stream.total_out;
        const int result = inflate(&m_stream, Z_SYNC_FLUSH);
        const auto count = static_cast<std::uint32_t>(m_stream.total_out - before);
        m_nUncompressedLeft -= count;
        delivered += count;
        if (result == Z_STREAM_END) {
            m_bStreamEnded = true;
            if (m_nUncompressedLeft != 0) {
                ThrowError(kErrBadArchive,
                           "the compressed data of {entry} ends before its declared size");
            }
        } else if (result != Z_OK) {
            // A raw stream never asks for a dictionary, and a result that made no
            // progress must not loop.
            ThrowError(result, ZlibDetail(result));
        }
    }
    // One pass over everything delivered: the checksum runs on whole blocks.
    m_nRunningCrc = crc32(m_nRunningCrc, buffer, delivered);
    return delivered;
}

int CZipReader::CloseEntryFile(platform::CFile& out) {
    const std::string path = out.GetFilePath();
    out.Close();
    return CloseEntry(path, false);
}

int CZipReader::CloseEntry(std::string_view path, bool afterException) {
    if (m_nEntryState != kEntryReading) {
        return 0;
    }
    int result = 1;
    if (!afterException) {
        const CZipEntry& entry = *m_catalog.CurrentEntry();
        if (m_nUncompressedLeft != 0) {
            result = -1;
        } else {
            if (m_bInflating && !m_bStreamEnded) {
                FinishStream();
            }
            if (m_nRunningCrc != entry.m_nCrc32) {
                ThrowError(kErrBadCrc, "the data of {entry} fails its CRC-32 check");
            }
            // A descriptor is only where the data ends, so it is checked only for
            // data read to its end.
            if (entry.HasDataDescriptor()) {
                SkipCompressedData();
                m_catalog.CheckDataDescriptor();
            }
        }
        if (m_bInflating) {
            inflateEnd(&m_stream);
            m_bInflating = false;
        }
        if (!path.empty()) {
            result = StampExtractedFile(std::string(path), entry, result);
        }
    }
    ReleaseEntry();
    return result;
}

void CZipReader::FinishStream() {
    // Output room of one byte: any byte the stream still yields is beyond the
    // declared size.
    unsigned char extra = 0;
    while (!m_bStreamEnded) {
        if (m_stream.avail_in == 0) {
            if (m_nCompressedLeft == 0) {
                // Every byte may be out, but a stream without its end was cut.
                ThrowError(Z_BUF_ERROR, kCutShort);
            }
            RefillInput();
        }
        m_stream.next_out = &extra;
        m_stream.avail_out = 1;
        const int result = inflate(&m_stream, Z_SYNC_FLUSH);
        if (m_stream.avail_out == 0) {
            ThrowError(kErrBadArchive, kYieldsMore);
        }
        if (result == Z_STREAM_END) {
            m_bStreamEnded = true;
        } else if (result != Z_OK && !(result == Z_BUF_ERROR && m_stream.avail_in == 0)) {
            ThrowError(result, ZlibDetail(result));
        }
    }
}

std::optional<CZipException> CZipReader::CheckEntrySupported(int index) const {
    if (IsClosed(true) || !m_catalog.IsValidIndex(index)) {
        return std::nullopt;
    }
    const CZipEntry& entry = m_catalog.Entry(index);
    std::string detail;
    if (entry.IsEncrypted()) {
        detail = "{entry} is password-protected";
    } else if (entry.m_nMethod != CZipEntry::kMethodStored &&
               entry.m_nMethod != CZipEntry::kMethodDeflated) {
        detail = "compression method " + std::to_string(entry.m_nMethod) + " (" +
                 ZipMethodName(entry.m_nMethod) + ") of {entry} is not supported";
    } else {
        return std::nullopt;
    }
    return CZipException(CZipException::Unsupported, m_volume.FilePath(), detail, index & 0xFFFF,
                         entry.GetFileName());
}

void CZipReader::RefillInput() {
    const auto chunk =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(m_nCompressedLeft, m_bufRead.Size()));
    m_volume.ReadBytes(m_bufRead.Data(), chunk, false, kDataCut);
    m_nCompressedLeft -= chunk;
    m_stream.next_in = m_bufRead.Data();
    m_stream.avail_in = chunk;
}

void CZipReader::SkipCompressedData() {
    while (m_nCompressedLeft > 0) {
        RefillInput();
        m_stream.avail_in = 0;
    }
}

}  // namespace zip
