#include "ZipException.h"

namespace zip {

CZipException::CZipException(int cause, std::string archivePath, std::string detail, int entryIndex,
                             std::string entryName)
    : m_strArchivePath(std::move(archivePath)),
      m_nCause(cause),
      m_strDetail(std::move(detail)),
      m_nEntryIndex(entryIndex),
      m_strEntryName(std::move(entryName)) {
    m_strText = ZipFaultText(*this);
}

std::string CZipException::Detail() const {
    static constexpr std::string_view kMark = "{entry}";
    std::string entry = m_nEntryIndex < 0 ? "an entry" : "entry " + std::to_string(m_nEntryIndex);
    if (m_nEntryIndex >= 0 && !m_strEntryName.empty()) {
        entry += " (" + m_strEntryName + ")";
    }
    std::string detail = m_strDetail;
    for (auto at = detail.find(kMark); at != std::string::npos;
         at = detail.find(kMark, at + entry.size())) {
        detail.replace(at, kMark.size(), entry);
    }
    return detail;
}

void CZipException::SetEntry(int index, const std::string& name) {
    if (m_nEntryIndex < 0) {
        m_nEntryIndex = index;
        m_strEntryName = name;
        m_strText = ZipFaultText(*this);
    }
}

int ZipCauseFromError(int error) {
    if (error == 1 || error == 2) {
        return error + 1;
    }
    if (error <= -1 && error >= -6) {
        return 3 - error;
    }
    if (error <= -101 && error >= -110) {
        return -91 - error;
    }
    return CZipException::Generic;
}

void ThrowZipError(int error, const std::string& fileName, const std::string& detail) {
    throw CZipException(ZipCauseFromError(error), fileName, detail);
}

const char* ZipCauseDescription(int cause) {
    switch (cause) {
        case CZipException::StreamEnd:
            return "unexpected end of compressed stream";
        case CZipException::NeedDict:
            return "compressed data needs a preset dictionary";
        case CZipException::Errno:
            return "read error in the decompressor";
        case CZipException::StreamError:
            return "decompressor used wrongly";
        case CZipException::DataError:
            return "corrupt compressed data";
        case CZipException::MemError:
            return "out of memory";
        case CZipException::BufError:
            return "compressed data cut short";
        case CZipException::VersionError:
            return "incompatible zlib version";
        case CZipException::BadArchive:
            return "damaged archive";
        case CZipException::BadCrc:
            return "CRC error";
        case CZipException::NoVolumeCallback:
            return "archive spans removable disks";
        case CZipException::Aborted:
            return "volume change aborted";
        case CZipException::NotRemovable:
            return "drive is not removable";
        case CZipException::TooManyVolumes:
            return "too many volumes";
        case CZipException::BadPassword:
            return "wrong password";
        case CZipException::EndRecordNotFound:
            return "not a zip archive";
        case CZipException::Unsupported:
            return "a feature the reader lacks";
        default:
            return "unknown zip error";
    }
}

std::string ZipFaultText(const CZipException& fault) {
    const std::string detail = fault.Detail();
    const std::string description = ZipCauseDescription(fault.m_nCause);
    switch (fault.m_nCause) {
        case CZipException::EndRecordNotFound:
            return description;
        case CZipException::Unsupported:
            return "unsupported: " + (detail.empty() ? description : detail);
        case CZipException::StreamEnd:
        case CZipException::NeedDict:
        case CZipException::DataError:
        case CZipException::BufError:
        case CZipException::BadArchive:
        case CZipException::BadCrc:
        case CZipException::BadPassword:
            return "damaged: " + (detail.empty() ? description : detail);
        default:
            return detail.empty() ? description : description + ": " + detail;
    }
}

const char* ZipMethodName(int method) {
    switch (method) {
        case 0:
            return "stored";
        case 1:
            return "Shrink";
        case 2:
        case 3:
        case 4:
        case 5:
            return "Reduce";
        case 6:
            return "Implode";
        case 8:
            return "Deflate";
        case 9:
            return "Deflate64";
        case 10:
            return "PKWARE DCL Implode";
        case 12:
            return "bzip2";
        case 14:
            return "LZMA";
        case 16:
            return "IBM z/OS CMPSC";
        case 18:
            return "IBM TERSE";
        case 19:
            return "IBM LZ77";
        case 20:
        case 93:
            return "Zstandard";
        case 94:
            return "MP3";
        case 95:
            return "XZ";
        case 96:
            return "JPEG";
        case 97:
            return "WavPack";
        case 98:
            return "PPMd";
        case 99:
            return "AES encryption";
        default:
            return "unknown";
    }
}

}  // namespace zip
