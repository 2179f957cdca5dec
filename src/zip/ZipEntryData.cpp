// The data of one entry: opening it, decoding it through the method's decoder
// and checking its sizes, CRC-32 and data descriptor.

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "ZipAttributes.h"
#include "ZipDecoder.h"
#include "ZipException.h"
#include "ZipReader.h"

namespace zip {
namespace {

// The internal error values for what a decoder reports.
constexpr int kErrStreamError = Z_STREAM_ERROR;
constexpr int kErrDataError = Z_DATA_ERROR;
constexpr int kErrMemError = Z_MEM_ERROR;
constexpr int kErrBufError = Z_BUF_ERROR;

constexpr const char* kYieldsMore =
    "the compressed data of {entry} yields more than its declared size";
constexpr const char* kDataCut = "the archive ends inside the data of {entry}";

// Grows a block kept across entries to hold size bytes: in powers of two, so
// that a run of ever larger entries does not replace it each time. False when
// memory is short; the entry is then read as a stream, which needs less.
bool Reserve(CZipBuffer& block, std::uint32_t size) {
    if (block.Size() >= size) {
        return true;
    }
    std::uint32_t capacity = 1u << 16;
    while (capacity < size) {
        capacity <<= 1;
    }
    try {
        block.Allocate(
            static_cast<std::uint32_t>(std::min<std::uint64_t>(capacity, kWholeEntryLimit)));
        return true;
    } catch (const std::bad_alloc&) {
        block.Release();
        return false;
    }
}

}  // namespace

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
    m_catalog.OpenCatalogEntry(index);
    if (entry.m_nMethod == CZipEntry::kMethodStored &&
        entry.m_nCompressedSize != entry.m_nUncompressedSize) {
        ThrowError(kErrBadArchive, "the sizes of {entry}, which is stored, disagree");
    }
    m_pDecoder = MakeZipDecoder(entry.m_nMethod, entry.m_nCompressedSize, entry.m_nUncompressedSize,
                                m_bTrackAllocations ? &m_allocations : nullptr);
    m_nWhole = m_pDecoder && m_pDecoder->TakesWholeEntry() ? kWholeToTry : kWholeNo;
    m_bStreamEnded = false;
    m_pInput = nullptr;
    m_nInputLeft = 0;
    m_nCompressedLeft = entry.m_nCompressedSize;
    m_nUncompressedLeft = entry.m_nUncompressedSize;
    m_nRunningCrc = 0;
    m_nEntryState = kEntryReading;
    return true;
}

std::optional<CZipException> CZipReader::CheckEntrySupported(int index) const {
    if (IsClosed(true) || !m_catalog.IsValidIndex(index)) {
        return std::nullopt;
    }
    const CZipEntry& entry = m_catalog.Entry(index);
    std::string detail;
    if (entry.IsEncrypted()) {
        detail = "{entry} is password-protected";
    } else if (!IsSupportedZipMethod(entry.m_nMethod)) {
        detail = "compression method " + std::to_string(entry.m_nMethod) + " (" +
                 ZipMethodName(entry.m_nMethod) + ") of {entry} is not supported";
    } else {
        return std::nullopt;
    }
    return CZipException(CZipException::Unsupported, m_volume.FilePath(), detail, index & 0xFFFF,
                         entry.GetFileName());
}

std::uint32_t CZipReader::ReadEntryData(unsigned char* buffer, std::uint32_t length) {
    if (m_nEntryState != kEntryReading || buffer == nullptr || length == 0) {
        return 0;
    }
    // Never more than the entry declares: whether a stream would yield more is
    // looked at once, when the entry is closed.
    auto room = static_cast<std::size_t>(std::min<std::uint64_t>(length, m_nUncompressedLeft));
    if (const unsigned char* whole = WholeEntryData()) {
        // Checked whole already, its CRC-32 with it.
        const CZipEntry& entry = *m_catalog.CurrentEntry();
        std::memcpy(buffer, whole + (entry.m_nUncompressedSize - m_nUncompressedLeft), room);
        m_nUncompressedLeft -= room;
        return static_cast<std::uint32_t>(room);
    }
    unsigned char* out = buffer;
    if (!m_pDecoder) {
        // Stored data goes straight into the caller's buffer; its two sizes are equal.
        m_volume.ReadBytes(out, static_cast<std::uint32_t>(room), false, kDataCut);
        m_nCompressedLeft -= room;
        out += room;
        room = 0;
    }
    while (room > 0 && !m_bStreamEnded) {
        DecodeStep(out, room);
    }
    const auto delivered = static_cast<std::uint32_t>(out - buffer);
    m_nUncompressedLeft -= delivered;
    if (m_bStreamEnded && m_nUncompressedLeft != 0) {
        ThrowError(kErrBadArchive, "the compressed data of {entry} ends before its declared size");
    }
    // One pass over everything delivered: the checksum runs on whole blocks.
    m_nRunningCrc = UpdateZipCrc(m_nRunningCrc, buffer, delivered);
    return delivered;
}

const unsigned char* CZipReader::WholeEntryData() {
    if (m_nWhole == kWholeToTry) {
        DecodeWholeEntry();
    }
    return m_nWhole == kWholeDecoded ? m_bufWholeOut.Data() : nullptr;
}

void CZipReader::DecodeWholeEntry() {
    m_nWhole = kWholeNo;
    const CZipEntry& entry = *m_catalog.CurrentEntry();
    // Both sizes are at most kWholeEntryLimit, or the decoder would not take
    // the entry whole: no block grows past it, whatever the archive declares.
    const auto inSize = static_cast<std::uint32_t>(m_nCompressedLeft);
    const auto outSize = static_cast<std::uint32_t>(m_nUncompressedLeft);
    if (!Reserve(m_bufWholeIn, inSize)) {
        return;
    }
    // Read in the chunks a stream is read in, so that a read that fails is
    // met only where the stream would have needed its bytes.
    std::uint32_t got = 0;
    try {
        while (m_nCompressedLeft > 0) {
            const auto chunk =
                static_cast<std::uint32_t>(std::min<std::uint64_t>(m_nCompressedLeft, kReadChunk));
            m_volume.ReadBytes(m_bufWholeIn.Data() + got, chunk, false, kDataCut);
            m_nCompressedLeft -= chunk;
            got += chunk;
        }
    } catch (...) {
        m_pReadFault = std::current_exception();
    }
    m_pInput = m_bufWholeIn.Data();
    m_nInputLeft = got;
    if (m_pReadFault || !Reserve(m_bufWholeOut, outSize)) {
        return;
    }
    // Whatever libdeflate refuses, or yields in another size or with another
    // CRC-32, is decoded again as a stream from the same bytes: the stream's
    // verdict and its partial output are the ones a damaged entry gets.
    if (!m_pDecoder->DecodeWhole(m_pInput, got, m_bufWholeOut.Data(), outSize)) {
        return;
    }
    const std::uint32_t crc = UpdateZipCrc(0, m_bufWholeOut.Data(), outSize);
    if (crc != entry.m_nCrc32) {
        return;
    }
    m_nRunningCrc = crc;
    m_bStreamEnded = true;
    m_nInputLeft = 0;
    m_nWhole = kWholeDecoded;
}

void CZipReader::DecodeStep(unsigned char*& out, std::size_t& room) {
    if (m_nInputLeft == 0 && m_nCompressedLeft > 0) {
        RefillInput();
    }
    switch (m_pDecoder->Decode(m_pInput, m_nInputLeft, out, room)) {
        case CZipDecoder::kProgress:
            return;
        case CZipDecoder::kStreamEnd:
            m_bStreamEnded = true;
            return;
        case CZipDecoder::kStuck:
            if (m_nInputLeft == 0 && m_nCompressedLeft == 0) {
                ThrowError(kErrBufError,
                           "the compressed data of {entry} ends before its stream does");
            }
            ThrowError(kErrStreamError, "the decompressor of {entry} made no progress");
        case CZipDecoder::kCorrupt:
            ThrowError(kErrDataError, "the compressed data of {entry} is corrupt");
        case CZipDecoder::kNoMemory:
            ThrowError(kErrMemError, "no memory to decompress {entry}");
        case CZipDecoder::kFailed:
            break;
    }
    ThrowError(kErrStreamError, "the decompressor refused {entry}");
}

void CZipReader::RefillInput() {
    if (m_pReadFault) {
        std::rethrow_exception(std::exchange(m_pReadFault, nullptr));
    }
    if (m_bufRead.IsEmpty()) {
        // No larger than the entry's data, so a small entry costs a small block.
        m_bufRead.Allocate(static_cast<std::uint32_t>(
            std::clamp<std::uint64_t>(m_nCompressedLeft, 1, kReadChunk)));
    }
    const auto chunk =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(m_nCompressedLeft, m_bufRead.Size()));
    m_volume.ReadBytes(m_bufRead.Data(), chunk, false, kDataCut);
    m_nCompressedLeft -= chunk;
    m_pInput = m_bufRead.Data();
    m_nInputLeft = chunk;
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
            if (m_pDecoder && !m_bStreamEnded) {
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
        if (m_pDecoder) {
            m_pDecoder->End();
            m_pDecoder.reset();
        }
        if (!path.empty()) {
            result = StampExtractedFile(std::string(path), entry, result);
        }
    }
    ReleaseEntry();
    return result;
}

void CZipReader::FinishStream() {
    // Room for one byte: any byte the stream still yields is beyond the
    // declared size.
    unsigned char extra = 0;
    while (!m_bStreamEnded) {
        unsigned char* out = &extra;
        std::size_t room = 1;
        DecodeStep(out, room);
        if (room == 0) {
            ThrowError(kErrBadArchive, kYieldsMore);
        }
    }
}

void CZipReader::SkipCompressedData() {
    m_nInputLeft = 0;
    while (m_nCompressedLeft > 0) {
        RefillInput();
    }
    m_nInputLeft = 0;
}

void CZipReader::ReleaseEntry() {
    if (m_pDecoder && !m_bTrackAllocations) {
        m_pDecoder->End();  // untracked blocks go back only this way
    }
    m_pDecoder.reset();
    m_catalog.CloseCatalogEntry();
    m_bufRead.Release();
    m_nWhole = kWholeNo;
    m_pReadFault = nullptr;
    m_nEntryState = kNoEntry;
    m_allocations.ReleaseAll();
}

}  // namespace zip
