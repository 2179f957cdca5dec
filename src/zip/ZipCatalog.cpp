#include "ZipCatalog.h"

#include <algorithm>

#include "ZipException.h"
#include "ZipFieldReader.h"
#include "ZipVolume.h"

namespace zip {
namespace {

// The end record plus the longest comment it can announce.
constexpr std::uint64_t kEndSearchSpan = kEndRecordSize + 0xFFFF;
constexpr std::uint32_t kDescriptorSize = 12;

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
        m_volume.ThrowError(kErrEndRecordNotFound);
    }
    std::vector<unsigned char> tail(span);
    file.Seek(-static_cast<std::int64_t>(span), platform::CFile::end);
    if (file.Read(tail.data(), span) != span) {
        m_volume.ThrowError(kErrBadArchive);
    }
    // The signature may also occur inside the comment or in trailing data, so
    // candidates are tried from the last: the first whose comment ends exactly at
    // the end of the file wins, else the last whose record and comment fit.
    bool signatureSeen = false;
    std::uint64_t fallback = length;
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
    }
    if (fallback != length) {
        return fallback;
    }
    m_volume.ThrowError(signatureSeen ? kErrBadArchive : kErrEndRecordNotFound);
}

void CZipCatalog::ReadCatalog() {
    CZipBigFile& file = m_volume.File();
    m_nEndPosition = FindEndRecord();
    file.Seek(static_cast<std::int64_t>(m_nEndPosition), platform::CFile::begin);
    unsigned char record[kEndRecordSize];
    if (file.Read(record, kEndRecordSize) != kEndRecordSize) {
        m_volume.ThrowError(kErrBadArchive);
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

    m_volume.SetVolumeInfo(m_nThisVolume);
    const bool spanned = m_volume.SpanState() != 0;
    const std::uint64_t directoryEnd =
        static_cast<std::uint64_t>(m_nDirectoryOffset) + m_nDirectorySize;
    if (!spanned && m_nEndPosition < directoryEnd) {
        m_volume.ThrowError(kErrBadArchive);
    }
    m_bufComment.Allocate(commentSize);
    if (commentSize != 0 && file.Read(m_bufComment.Data(), commentSize) != commentSize) {
        m_volume.ThrowError(kErrBadArchive);
    }
    m_nBytesBeforeArchive = spanned ? 0 : m_nEndPosition - directoryEnd;
    if ((m_nDirectorySize == 0) != (m_nTotalEntries == 0)) {
        m_volume.ThrowError(kErrBadArchive);
    }
    m_bUnchanged = true;
    m_volume.ChangeVolume(m_nDirectoryVolume);
    if (m_nDirectorySize != 0) {
        ReadHeaders();
        CheckEntryExtents();
    }
}

void CZipCatalog::ReadHeaders() {
    m_volume.File().Seek(static_cast<std::int64_t>(m_nBytesBeforeArchive + m_nDirectoryOffset),
                         platform::CFile::begin);
    m_entries.clear();
    m_entries.reserve(m_nTotalEntries);
    std::uint64_t consumed = 0;
    for (int i = 0; i < m_nTotalEntries; ++i) {
        CZipEntry& entry = m_entries.emplace_back();
        if (!entry.ReadCentral(m_volume)) {
            m_volume.ThrowError(kErrBadArchive);
        }
        // Records must stay inside the directory the end record announces.
        consumed += entry.RecordSize();
        if (consumed > m_nDirectorySize) {
            m_volume.ThrowError(kErrBadArchive);
        }
        if (m_bConvertNames) {
            entry.ConvertName();
        }
    }
}

bool CZipCatalog::IsValidIndex(int index) const {
    return static_cast<std::size_t>(index & 0xFFFF) < m_entries.size();
}

void CZipCatalog::OpenCatalogEntry(int index) {
    m_pCurrentEntry = &m_entries[index & 0xFFFF];
    m_volume.ChangeVolume(m_pCurrentEntry->m_nStartVolume);
    m_volume.File().Seek(
        static_cast<std::int64_t>(m_nBytesBeforeArchive + m_pCurrentEntry->m_nLocalHeaderOffset),
        platform::CFile::begin);
    const std::uint16_t extraSize = m_pCurrentEntry->CheckLocal(m_volume);
    m_bufLocalExtra.Release();
    if (extraSize != 0) {
        const int volume = m_volume.CurrentVolume();
        m_bufLocalExtra.Allocate(extraSize);
        m_volume.ReadBytes(m_bufLocalExtra.Data(), extraSize, true);
        if (m_volume.CurrentVolume() != volume) {
            m_volume.ThrowError(kErrBadArchive);
        }
    }
}

void CZipCatalog::CheckDataDescriptor() {
    const CZipEntry& entry = *m_pCurrentEntry;
    // The signature is optional; read without it first, so a descriptor whose
    // CRC happens to equal the signature is still taken as it stands.
    unsigned char descriptor[kDescriptorSize + 4];
    m_volume.ReadBytes(descriptor, kDescriptorSize, false);
    auto matches = [&entry](const unsigned char* fields) {
        CZipFieldReader reader(fields, kDescriptorSize);
        return reader.ReadUInt32() == entry.m_nCrc32 &&
               reader.ReadUInt32() == entry.m_nCompressedSize &&
               reader.ReadUInt32() == entry.m_nUncompressedSize;
    };
    if (matches(descriptor)) {
        return;
    }
    CZipFieldReader signature(descriptor, 4);
    if (signature.ReadUInt32() == kDescriptorSignature) {
        m_volume.ReadBytes(descriptor + kDescriptorSize, 4, false);
        if (matches(descriptor + 4)) {
            return;
        }
    }
    m_volume.ThrowError(kErrBadArchive);
}

void CZipCatalog::CloseCatalogEntry() {
    m_bufLocalExtra.Release();
    m_pCurrentEntry = nullptr;
}

void CZipCatalog::Clear() {
    m_pCurrentEntry = nullptr;
    m_bufLocalExtra.Release();
    m_entries.clear();
    m_bufComment.Release();
}

}  // namespace zip
