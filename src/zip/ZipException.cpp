#include "ZipException.h"

namespace zip {

const char* CZipException::what() const noexcept {
    return ZipCauseDescription(m_nCause);
}

int ZipCauseFromError(int error) {
    if (error == 1 || error == 2) {
        return error + 1;
    }
    if (error <= -1 && error >= -6) {
        return 3 - error;
    }
    if (error <= -101 && error >= -109) {
        return -91 - error;
    }
    return CZipException::Generic;
}

void ThrowZipError(int error, const std::string& fileName) {
    throw CZipException(ZipCauseFromError(error), fileName);
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
        default:
            return "unknown zip error";
    }
}

}  // namespace zip
