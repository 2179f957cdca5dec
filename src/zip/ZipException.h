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
constexpr int kErrUnsupported = -110;

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
        // The archive may well be sound: it uses a feature the reader lacks.
        Unsupported = 19,
    };

    // An empty path means the reader had no archive open. The detail names the
    // check that failed; "{entry}" in it stands for the entry, once one is named.
    explicit CZipException(int cause, std::string archivePath = {}, std::string detail = {},
                           int entryIndex = -1, std::string entryName = {});

    // The plain-words text of ZipFaultText.
    const char* what() const noexcept override { return m_strText.c_str(); }

    // Which check failed, naming the entry: "the local header of entry 3
    // (maps/de_x.bsp) does not match the central directory". Empty when the
    // raising site named none.
    std::string Detail() const;
    // The entry the fault belongs to, or -1 for the archive as a whole.
    int EntryIndex() const { return m_nEntryIndex; }
    const std::string& EntryName() const { return m_strEntryName; }
    bool IsUnsupported() const { return m_nCause == Unsupported; }
    // Names the entry, unless the raising site named one already.
    void SetEntry(int index, const std::string& name);

    std::string m_strArchivePath;
    int m_nCause;

  private:
    std::string m_strDetail;
    int m_nEntryIndex;
    std::string m_strEntryName;
    std::string m_strText;
};

// The cause for an internal error value or a zlib result code.
int ZipCauseFromError(int error);

// Throws a CZipException for the error, naming the file involved and the check.
[[noreturn]] void ThrowZipError(int error, const std::string& fileName,
                                const std::string& detail = {});

// A short text for a cause, e.g. "not a zip archive".
const char* ZipCauseDescription(int cause);

// A line for the install log: "damaged: …" for a fault in the archive's data or
// structure, "unsupported: …" for a feature the reader lacks, "not a zip
// archive", or the cause's description, each with the detail where there is one.
std::string ZipFaultText(const CZipException& fault);

// The name of a compression method: 9 gives "Deflate64"; "unknown" for a number
// no writer is known to use.
const char* ZipMethodName(int method);

}  // namespace zip
