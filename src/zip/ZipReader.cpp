#include "ZipReader.h"

#include "ZipDecoder.h"
#include "ZipException.h"

namespace zip {

CZipReader::CZipReader() : m_catalog(m_volume) {}

CZipReader::~CZipReader() {
    // The decoder's blocks are all in the list, so it needs no ending here; the
    // volume's file closes with it.
    m_allocations.ReleaseAll();
}

void CZipReader::OpenArchive(const std::string& path, int mode, int volumeSize) {
    if (!IsClosed(true)) {
        return;
    }
    if (mode != CZipVolume::kOpenExisting && mode != CZipVolume::kOpenReadOnly) {
        // Only reading is built: the program never creates archives.
        throw CZipException(CZipException::Generic, path);
    }
    m_nEntryState = kNoEntry;
    m_volume.Open(path, mode, volumeSize);
    m_catalog.Reset();
    try {
        m_catalog.ReadCatalog();
    } catch (...) {
        // A damaged archive is refused whole: no half-read table to extract from.
        CloseArchive(true);
        throw;
    }
}

bool CZipReader::IsClosed(bool archive) const {
    return archive ? m_volume.CurrentVolume() == -1 : !m_volume.IsFileOpen();
}

bool CZipReader::IsDirectoryEntry(int index) const {
    return !IsClosed(true) && m_catalog.IsValidIndex(index) && m_catalog.Entry(index).IsDirectory();
}

bool CZipReader::ReadEntryHeader(CZipEntry& out, int index) const {
    if (IsClosed(true) || !m_catalog.IsValidIndex(index)) {
        return false;
    }
    out = m_catalog.Entry(index);
    if (!m_catalog.m_bConvertNames) {
        out.ConvertName();
    }
    return true;
}

void CZipReader::CloseArchive(bool afterException) {
    if (IsClosed(true) && (!afterException || IsClosed(false))) {
        return;
    }
    if (afterException) {
        ReleaseEntry();
    } else if (m_nEntryState == kEntryReading) {
        CloseEntry({}, false);
    }
    m_catalog.Clear();
    m_bufWholeIn.Release();
    m_bufWholeOut.Release();
    m_volume.CloseVolume(afterException);
}

void CZipReader::ThrowError(int error, const std::string& detail) const {
    if (IsClosed(true)) {
        ThrowZipError(error, {}, detail);
    }
    m_volume.ThrowError(error, detail);
}

}  // namespace zip
