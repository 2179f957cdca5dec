#pragma once

#include <string>

#include "platform/Exception.h"

namespace zip {

// The reader's own error values. zlib's result codes (Z_ERRNO … Z_VERSION_ERROR)
// travel beside them unchanged; ZipCauseFromError turns either into a cause.
constexpr int kErrBadArchive = -101;
constexpr int kErrBadCrc = -102;
constexpr int kErrNoVolumeCallback = -103;
constexpr int kErrAborted = -104;
constexpr int kErrNotRemovable = -105;
constexpr int kErrTooManyVolumes = -106;
constexpr int kErrBadPassword = -108;
constexpr int kErrEndRecordNotFound = -109;

// A fault found in an archive, a volume sequence or the compressed data.
class CZipException : public platform::CException {
  public:
    enum Cause : int {
        Generic = 1,
        StreamEnd = 2,
        NeedDict = 3,
        Errno = 4,
        StreamError = 5,
        DataError = 6,
        MemError = 7,
        BufError = 8,
        VersionError = 9,
        BadArchive = 10,
        BadCrc = 11,
        NoVolumeCallback = 12,
        Aborted = 13,
        NotRemovable = 14,
        TooManyVolumes = 15,
        Reserved16 = 16,
        BadPassword = 17,
        EndRecordNotFound = 18,
    };

    // An empty path means the reader had no archive open.
    explicit CZipException(int cause, std::string archivePath = {})
        : m_strArchivePath(std::move(archivePath)), m_nCause(cause) {}

    const char* what() const noexcept override;

    std::string m_strArchivePath;
    int m_nCause;
};

// The cause for an internal error value or a zlib result code.
int ZipCauseFromError(int error);

// Throws a CZipException for the error, naming the file involved.
[[noreturn]] void ThrowZipError(int error, const std::string& fileName);

// A short text for the install log, e.g. "not a zip archive".
const char* ZipCauseDescription(int cause);

}  // namespace zip
