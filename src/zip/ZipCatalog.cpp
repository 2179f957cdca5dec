#include "ZipCatalog.h"

#include <algorithm>

#include "ZipException.h"
#include "ZipExtraField.h"
#include "ZipFieldReader.h"
#include "ZipLocalHeader.h"
#include "ZipVolume.h"

namespace zip {
namespace {

// The end record plus the longest comment it can announce.
constexpr std::uint64_t kEndSearchSpan = kEndRecordSize + 0xFFFF;
constexpr std::uint64_t kMaxEntries = 0xFFFF;
constexpr const char* kDescriptorCut = "the archive ends inside the data descriptor of {entry}";

}  // namespace

void CZipCatalog::Reset() {
    m_bUnchanged = false;
    m_nEndPosition = 0;
    m_nBytesBeforeArchive = 0;
    m_pCurrentEntry = nullptr;
    m_bufComment.Release();
}

std::uint64_t CZipCatalog::FindEndRecord() {
    CZipBigFile& file = m_volume.File();
    const std::uint64_t length = file.GetLength();
    const auto span = static_cast<std::uint32_t>(std::min(length, kEndSearchSpan));
    if (span < 4) {
        m_volume.ThrowError(kErrEndRecordNotFound, "the file is too short");
    }
    std::vector<unsigned char> tail(span);
    file.Seek(-static_cast<std::int64_t>(span), platform::CFile::end);
    if (file.Read(tail.data(), span) != span) {
        m_volume.ThrowError(kErrBadArchive, "the file could not be read to its end");
    }
    // The signature may also occur inside the comment or in trailing data, so
    // candidates are tried from the last: the first whose comment ends exactly at
    // the end of the file wins, else the last whose record and comment fit, else
    // the last whose comment alone runs past the end (the comment is not needed).
    bool signatureSeen = false;
    std::uint64_t fallback = length;
    std::uint64_t commentCut = length;
    for (std::uint32_t pos = span - 4 + 1; pos-- > 0;) {
        CZipFieldReader signature(tail.data() + pos, 4);
        if (signature.ReadUInt32() != kEndSignature) {
            continue;
        }
        signatureSeen = true;
        if (span - pos < kEndRecordSize) {
            continue;
        }
        CZipFieldReader commentSize(tail.data() + pos + 20, 2);
        const std::uint32_t end = pos + kEndRecordSize + commentSize.ReadUInt16();
        if (end == span) {
            return length - span + pos;
        }
        if (end < span && fallback == length) {
            fallback = length - span + pos;
        }
        if (end > span && commentCut == length) {
            commentCut = length - span + pos;
        }
    }
    if (fallback != length || commentCut != length) {
        return fallback != length ? fallback : commentCut;
    }
    if (signatureSeen) {
        m_volume.ThrowError(kErrBadArchive, "the end record is cut short");
    }
    m_volume.ThrowError(kErrEndRecordNotFound);
}

void CZipCatalog::ReadCatalog() {
    CZipBigFile& file = m_volume.File();
    m_nEndPosition = FindEndRecord();
    file.Seek(static_cast<std::int64_t>(m_nEndPosition), platform::CFile::begin);
    unsigned char record[kEndRecordSize];
    if (file.Read(record, kEndRecordSize) != kEndRecordSize) {
        m_volume.ThrowError(kErrBadArchive, "the end record is cut short");
    }
    CZipFieldReader fields(record, sizeof record);
    m_nEndSignature = fields.ReadUInt32();
    m_nThisVolume = fields.ReadUInt16();
    m_nDirectoryVolume = fields.ReadUInt16();
    m_nEntriesOnThisVolume = fields.ReadUInt16();
    m_nTotalEntries = fields.ReadUInt16();
    m_nDirectorySize = fields.ReadUInt32();
    m_nDirectoryOffset = fields.ReadUInt32();
    const std::uint16_t commentSize = fields.ReadUInt16();
    // A comment cut short is kept as far as it goes: nothing else depends on it.
    std::vector<unsigned char> comment(commentSize);
    comment.resize(commentSize == 0 ? 0 : file.Read(comment.data(), commentSize));
    m_bufComment.Allocate(static_cast<std::uint32_t>(comment.size()));
    std::copy(comment.begin(), comment.end(), m_bufComment.Data());
    m_nDirectoryBound = m_nEndPosition;
    ReadZip64EndRecord();

    if (m_nThisVolume > kZip64Marker16 || m_nDirectoryVolume > m_nThisVolume) {
        m_volume.ThrowError(kErrBadArchive, "the end record names volumes the archive cannot have");
    }
    m_volume.SetVolumeInfo(static_cast<std::uint16_t>(m_nThisVolume));
    const bool spanned = m_volume.SpanState() != 0;
    const std::uint64_t directoryEnd = m_nDirectoryOffset + m_nDirectorySize;
    if (directoryEnd < m_nDirectoryOffset || (!spanned && m_nDirectoryBound < directoryEnd)) {
        m_volume.ThrowError(kErrBadArchive, "the central directory runs past the end record");
    }
    m_nBytesBeforeArchive = spanned ? 0 : m_nDirectoryBound - directoryEnd;
    if ((m_nDirectorySize == 0) != (m_nTotalEntries == 0)) {
        m_volume.ThrowError(kErrBadArchive,
                            "the end record's entry count and directory size disagree");
    }
    if (m_nTotalEntries > m_nDirectorySize / kCentralRecordSize) {
        m_volume.ThrowError(kErrBadArchive,
                            "the end record counts more entries than its directory can hold");
    }
    if (m_nTotalEntries > kMaxEntries) {
        // Entries are addressed by 16-bit indices.
        m_volume.ThrowError(kErrUnsupported, "the archive holds more than 65535 entries");
    }
    m_bUnchanged = true;
    m_volume.ChangeVolume(static_cast<int>(m_nDirectoryVolume));
    if (m_nDirectorySize != 0) {
        ReadHeaders();
        CheckEntryExtents();
    }
}

void CZipCatalog::ReadZip64EndRecord() {
    CZipBigFile& file = m_volume.File();
    unsigned char locator[kZip64LocatorSize];
    if (m_nEndPosition < kZip64LocatorSize + kZip64EndRecordSize) {
        return;
    }
    file.Seek(static_cast<std::int64_t>(m_nEndPosition - kZip64LocatorSize),
              platform::CFile::begin);
    CZipFieldReader locatorFields(locator, sizeof locator);
    if (file.Read(locator, sizeof locator) != sizeof locator ||
        locatorFields.ReadUInt32() != kZip64LocatorSignature) {
        return;
    }
    locatorFields.Skip(4);  // volume of the Zip64 end record: the last, as this one
    const std::uint64_t recordedOffset = locatorFields.ReadUInt64();
    // Most often the record lies right before its locator; otherwise where the
    // locator says, which is only right when nothing precedes the archive.
    unsigned char record[kZip64EndRecordSize];
    for (const std::uint64_t at :
         {m_nEndPosition - kZip64LocatorSize - kZip64EndRecordSize, recordedOffset}) {
        if (at > m_nEndPosition - kZip64LocatorSize - kZip64EndRecordSize) {
            continue;
        }
        file.Seek(static_cast<std::int64_t>(at), platform::CFile::begin);
        CZipFieldReader fields(record, sizeof record);
        if (file.Read(record, sizeof record) != sizeof record ||
            fields.ReadUInt32() != kZip64EndSignature) {
            continue;
        }
        fields.Skip(8 + 2 + 2);  // record size, versions made by and needed
        m_nThisVolume = fields.ReadUInt32();
        m_nDirectoryVolume = fields.ReadUInt32();
        m_nEntriesOnThisVolume = fields.ReadUInt64();
        m_nTotalEntries = fields.ReadUInt64();
        m_nDirectorySize = fields.ReadUInt64();
        m_nDirectoryOffset = fields.ReadUInt64();
        m_nDirectoryBound = at;
        return;
    }
    m_volume.ThrowError(kErrBadArchive, "the Zip64 end record is not where its locator says");
}

void CZipCatalog::ReadHeaders() {
    m_volume.File().Seek(static_cast<std::int64_t>(m_nBytesBeforeArchive + m_nDirectoryOffset),
                         platform::CFile::begin);
    m_entries.clear();
    m_entries.reserve(m_nTotalEntries);
    std::uint64_t consumed = 0;
    for (int i = 0; i < static_cast<int>(m_nTotalEntries); ++i) {
        m_volume.SetFaultEntry(i);
        CZipEntry& entry = m_entries.emplace_back();
        if (!entry.ReadCentral(m_volume)) {
            m_volume.ThrowError(kErrBadArchive,
                                entry.m_nSignature != kCentralSignature
                                    ? "the central record of {entry} has no valid signature"
                                    : "the central record of {entry} is cut short or crosses "
                                      "a volume boundary");
        }
        if (m_bConvertNames) {
            entry.ConvertName();
        }
        m_volume.SetFaultEntry(i, entry.GetFileName());
        // Records must stay inside the directory the end record announces.
        consumed += entry.RecordSize();
        if (consumed > m_nDirectorySize) {
            m_volume.ThrowError(kErrBadArchive,
                                "the central record of {entry} runs past the central directory");
        }
    }
    m_volume.SetFaultEntry(-1);
    // Bytes left over would be read as records by a reader that walks the
    // directory by its size rather than by the count: the two must agree.
    if (consumed != m_nDirectorySize) {
        m_volume.ThrowError(kErrBadArchive, "the central directory holds more than its records");
    }
}

bool CZipCatalog::IsValidIndex(int index) const {
    return static_cast<std::size_t>(index & 0xFFFF) < m_entries.size();
}

void CZipCatalog::OpenCatalogEntry(int index) {
    m_pCurrentEntry = &m_entries[index & 0xFFFF];
    m_volume.SetFaultEntry(index & 0xFFFF, m_pCurrentEntry->GetFileName());
    CZipLocalHeader local = SeekLocalHeader(*m_pCurrentEntry);
    m_volume.File().Seek(local.m_nNameSize, platform::CFile::current);
    m_bufLocalExtra.Release();
    if (local.m_nExtraSize != 0) {
        static constexpr const char* kCrossing =
            "the local extra field of {entry} crosses a volume boundary";
        const int volume = m_volume.CurrentVolume();
        m_bufLocalExtra.Allocate(local.m_nExtraSize);
        m_volume.ReadBytes(m_bufLocalExtra.Data(), local.m_nExtraSize, true, kCrossing);
        if (m_volume.CurrentVolume() != volume) {
            m_volume.ThrowError(kErrBadArchive, kCrossing);
        }
    }
    // A size left marked for want of a Zip64 field differs from the central one.
    ApplyZip64Extra(m_bufLocalExtra, {&local.m_nUncompressedSize, &local.m_nCompressedSize});
    m_pCurrentEntry->CheckLocal(local, m_volume);
}

CZipLocalHeader CZipCatalog::SeekLocalHeader(const CZipEntry& entry) {
    m_volume.ChangeVolume(entry.m_nStartVolume);
    m_volume.File().Seek(
        static_cast<std::int64_t>(m_nBytesBeforeArchive + entry.m_nLocalHeaderOffset),
        platform::CFile::begin);
    return CZipLocalHeader::Read(m_volume);
}

void CZipCatalog::CheckDataDescriptor() {
    const CZipEntry& entry = *m_pCurrentEntry;
    // CRC-32 and two sizes of 4 bytes, or of 8 after Zip64 data, with or without
    // the signature before them. The layouts are tried shortest first, reading
    // no further than each needs, so a descriptor whose CRC happens to equal the
    // signature is still taken as it stands.
    unsigned char descriptor[4 + 4 + 8 + 8];
    std::uint32_t got = 0;
    const bool signature = [&] {
        got = m_volume.ReadBytes(descriptor, 12, false, kDescriptorCut);
        return CZipFieldReader(descriptor, 4).ReadUInt32() == kDescriptorSignature;
    }();
    for (const std::uint32_t width : {4u, 8u}) {
        for (const std::uint32_t skip : {0u, 4u}) {
            if (skip != 0 && !signature) {
                continue;
            }
            const std::uint32_t size = skip + 4 + 2 * width;
            got += m_volume.ReadBytes(descriptor + got, size - got, false, kDescriptorCut);
            CZipFieldReader fields(descriptor + skip, size - skip);
            const bool sizes64 = width == 8;
            if (fields.ReadUInt32() == entry.m_nCrc32 &&
                (sizes64 ? fields.ReadUInt64() : fields.ReadUInt32()) == entry.m_nCompressedSize &&
                (sizes64 ? fields.ReadUInt64() : fields.ReadUInt32()) ==
                    entry.m_nUncompressedSize) {
                return;
            }
        }
    }
    // A descriptor that contradicts the central directory changes nothing: the
    // data has just been checked against the central directory's CRC-32 and
    // sizes, which is what every other reader trusts.
}

void CZipCatalog::CloseCatalogEntry() {
    m_bufLocalExtra.Release();
    m_pCurrentEntry = nullptr;
    m_volume.SetFaultEntry(-1);
}

void CZipCatalog::Clear() {
    m_volume.SetFaultEntry(-1);
    m_pCurrentEntry = nullptr;
    m_bufLocalExtra.Release();
    m_entries.clear();
    m_bufComment.Release();
}

}  // namespace zip
