#include "ZipVolume.h"

#include <cstdio>

#include "ZipException.h"
#include "ZipPathSplit.h"
#include "ZipSplitSet.h"
#include "platform/FileSystem.h"

namespace zip {
namespace {

constexpr const char* kNoSuchVolume = "{entry} names a volume the archive does not have";

}  // namespace

void CZipVolume::Open(const std::string& path, int mode, int volumeSize) {
    using platform::CFile;
    const unsigned access =
        mode == kOpenReadOnly ? CFile::modeRead : CFile::modeNoTruncate | CFile::modeReadWrite;
    m_nVolumeLimit = 0;
    // Any part of a split set opens the whole set.
    const CZipSplitSet set = FindZipSplitSet(path);
    m_bInfoZipNames = set.m_kind == EZipSplitKind::kInfoZip;
    if (set.m_kind == EZipSplitKind::kRawSplit) {
        platform::CFileException error;
        if (!m_file.OpenParts(set.m_parts, access | platform::CFile::shareDenyWrite, &error)) {
            throw error;
        }
    } else {
        OpenVolumeFile(set.m_strCanonicalPath, access, true);
    }
    m_nSpanMode = volumeSize != 0 ? kSpanNumberedIfSpanned : kSpanUndecided;
    // The end record decides the volume; until then the archive counts as closed.
    m_nCurrentVolume = -1;
}

bool CZipVolume::OpenVolumeFile(const std::string& path, unsigned flags, bool raise) {
    platform::CFileException error;
    if (m_file.Open(path, flags | platform::CFile::shareDenyWrite, &error)) {
        return true;
    }
    if (raise) {
        throw error;
    }
    return false;
}

bool CZipVolume::IsRemovableDrive(const std::string& path) {
    // Removable media on Linux are mounted folders without drive letters; their
    // volumes are read as numbered files like any other.
    (void)path;
    return false;
}

void CZipVolume::SetVolumeInfo(std::uint16_t volumeNumber) {
    m_nCurrentVolume = volumeNumber;
    if (volumeNumber == 0) {
        m_nSpanMode = kSpanNone;
        return;
    }
    if (m_nSpanMode == kSpanUndecided) {
        m_nSpanMode = IsRemovableDrive(FilePath()) ? kSpanRemovable : kSpanNumbered;
    } else {
        m_nSpanMode = kSpanNumbered;
    }
    if (m_nSpanMode == kSpanRemovable) {
        // Asking for disks needs a volume callback, and the program installs none.
        ThrowError(kErrNoVolumeCallback);
    }
    m_nVolumeLimit = volumeNumber;
}

std::uint32_t CZipVolume::ReadBytes(void* buffer, std::uint32_t length, bool whole,
                                    const char* detail) {
    if (length == 0) {
        return 0;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    std::uint32_t got = m_file.Read(out, length);
    while (got == 0) {
        if (SpanState() == 0) {
            ThrowError(kErrBadArchive, detail);
        }
        ChangeVolume(m_nCurrentVolume + 1);
        got = m_file.Read(out, length);
    }
    if (got == length) {
        return got;
    }
    if (whole || SpanState() == 0) {
        ThrowError(kErrBadArchive, detail);
    }
    while (got < length) {
        ChangeVolume(m_nCurrentVolume + 1);
        const std::uint32_t more = m_file.Read(out + got, length - got);
        if (more == 0) {
            ThrowError(kErrBadArchive, detail);
        }
        got += more;
    }
    return got;
}

void CZipVolume::ChangeVolume(int volume) {
    if (volume == m_nCurrentVolume) {
        return;
    }
    // An ordinary archive has one volume, and a spanned one ends with the volume
    // holding the end record: a header naming any other is damaged.
    if (m_nSpanMode == kSpanNone || volume < 0 || volume > LastVolume()) {
        ThrowError(kErrBadArchive, kNoSuchVolume);
    }
    const std::string name = NumberedFileName(volume, FilePath());
    m_file.Close();
    m_nCurrentVolume = volume;
    OpenVolumeFile(name, platform::CFile::modeNoTruncate | platform::CFile::modeRead, true);
}

std::string CZipVolume::NumberedFileName(int volume, std::string_view path) const {
    std::string name = CZipPathSplit::DriveDir(path) + CZipPathSplit::Title(path) + ".";
    if (volume == LastVolume()) {
        return name + "zip";
    }
    // Info-ZIP counts its volumes from z01; the other naming from 000.
    char number[16];
    std::snprintf(number, sizeof number, m_bInfoZipNames ? "z%.2d" : "%.3d",
                  volume + (m_bInfoZipNames ? 1 : 0));
    return platform::ResolvePath(name + number);
}

std::string CZipVolume::VolumeFileName(bool last, std::string_view path) const {
    const std::string_view source = path.empty() ? std::string_view(FilePath()) : path;
    if (last) {
        const std::string base = CZipPathSplit::DriveDir(source) + CZipPathSplit::Title(source);
        return base + ".zip";
    }
    return NumberedFileName(m_nCurrentVolume, source);
}

std::uint64_t CZipVolume::VolumeLength(int volume) {
    if (volume == m_nCurrentVolume) {
        return m_file.GetLength();
    }
    if (m_nSpanMode == kSpanNone || volume < 0 || volume > LastVolume()) {
        ThrowError(kErrBadArchive, kNoSuchVolume);
    }
    platform::CFile other;
    platform::CFileException error;
    const std::string name = NumberedFileName(volume, FilePath());
    if (!other.Open(name, platform::CFile::modeRead | platform::CFile::shareDenyWrite, &error)) {
        throw error;
    }
    return other.GetLength();
}

void CZipVolume::CloseVolume(bool afterException) {
    if (afterException) {
        // The file may be in any state after a fault; a failing close changes nothing then.
        try {
            m_file.Close();
        } catch (const platform::CFileException&) {
        }
    } else {
        m_file.Close();
    }
    m_nCurrentVolume = -1;
    m_nSpanMode = kSpanNone;
    m_nVolumeLimit = 0;
}

void CZipVolume::ThrowError(int error, const std::string& detail) const {
    throw CZipException(ZipCauseFromError(error), FilePath(), detail, m_nFaultEntry,
                        m_strFaultEntryName);
}

void CZipVolume::SetFaultEntry(int index, std::string name) {
    m_nFaultEntry = index;
    m_strFaultEntryName = std::move(name);
}

}  // namespace zip
