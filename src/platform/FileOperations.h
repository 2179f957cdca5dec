#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ErrorCodes.h"
#include "FolderListing.h"

namespace platform {

// What is at a path, links followed.
enum class EPathKind {
    kMissing,
    kFolder,
    kFile,     // a regular file
    kSpecial,  // a FIFO, a device or a socket: never opened for its data
};

// What a copy wrote, taken on the way when a caller asks.
struct SCopyDigest {
    std::uint32_t m_nCrc = 0;  // CRC-32 of the bytes written
    std::uint64_t m_nSize = 0;
};

// A handle of the presence probe.
using ProbeHandle = std::intptr_t;
constexpr ProbeHandle kInvalidProbeHandle = -1;

// The file system as the install engine sees it. The engine gets one from its
// owner; the real one is made by MakeFileOperations, and tests wrap it to make
// any call fail. Paths are as the program builds them: a component that does
// not exist as written is matched to an entry that differs only in letter case
// (exact match first, else the first in byte order), as on Windows.
class CFileOperations {
  public:
    virtual ~CFileOperations() = default;

    // A drop begins and ends: what is remembered of folders lives in between.
    virtual void BeginDrop() = 0;
    virtual void EndDrop() = 0;

    virtual std::vector<CFolderEntry> ListFolder(const std::string& folder,
                                                 std::string_view pattern) = 0;
    virtual std::string ResolvePath(const std::string& path) = 0;
    virtual EPathKind Kind(const std::string& path) = 0;
    // True when the path itself is a symbolic link.
    virtual bool IsLink(const std::string& path) = 0;
    // True when both paths name the same existing file or folder.
    virtual bool IsSameFile(const std::string& a, const std::string& b) = 0;

    // Copies a regular file over an existing destination (CopyFileA with
    // fail-if-exists false), giving the path written to, as resolved. A
    // read-only destination or a folder in the way gives kErrorAccessDenied, a
    // source that is no regular file kErrorNotRegularFile, a destination that
    // is the source itself kErrorSameFile (nothing is written). The copy gets
    // ordinary permissions (0666 less the umask; no write bits when the source
    // has none) and the source's modification time; the destination is
    // replaced only once the whole copy is written.
    // digest, when given, receives the CRC-32 and size of what was written.
    virtual ErrorCode CopyFile(const std::string& source, const std::string& destination,
                               std::string& written, SCopyDigest* digest = nullptr) = 0;
    // Files below folder (a drop's staging) may be installed by a hard link to
    // them instead of a copy of their bytes, the first time each is copied to
    // a new name on the same file system; empty: never.
    virtual void SetLinkableFolder(const std::string& folder) = 0;
    // Makes a file writable by its owner (the read-only attribute cleared).
    virtual ErrorCode SetArchiveOnly(const std::string& path) = 0;
    // Makes a file read-only, and tells whether one is.
    virtual ErrorCode SetReadOnly(const std::string& path) = 0;
    virtual bool IsReadOnly(const std::string& path) = 0;
    // Opens an existing file (never a folder) without reading it, and closes it.
    virtual ProbeHandle OpenProbe(const std::string& path) = 0;
    virtual ErrorCode CloseProbe(ProbeHandle handle) = 0;
    // One folder level: kErrorAlreadyExists when something of that name is
    // there, kErrorPathNotFound when its parent is missing.
    virtual ErrorCode CreateDirectory(const std::string& path) = 0;
    // The same, for a folder only its owner may enter.
    virtual ErrorCode CreatePrivateDirectory(const std::string& path) = 0;
    // Deletes a file or a link (never what it points to); a read-only file or
    // a folder gives kErrorAccessDenied.
    virtual ErrorCode DeleteFile(const std::string& path) = 0;
    virtual ErrorCode RemoveDirectory(const std::string& path) = 0;
    // Bytes free for the user where the path lies; none when it cannot be read.
    virtual std::optional<std::uint64_t> FreeSpace(const std::string& path) = 0;

    // Keeps the content of an existing file at a new path: a hard link where the
    // file system allows (a link in the way of source is followed), else a copy.
    virtual ErrorCode LinkOrCopy(const std::string& source, const std::string& keep) = 0;
    // The CRC-32 and size of a regular file's content.
    virtual ErrorCode Checksum(const std::string& path, std::uint32_t& crc,
                               std::uint64_t& size) = 0;

    // A drop's private staging folder below base, made fresh (0700, a name
    // nobody can guess) and locked while the drop runs. Leftovers of runs that
    // no longer hold their lock are removed first; a link anywhere on the way
    // is refused, never followed.
    virtual ErrorCode CreateStaging(const std::string& base, std::string& folder) = 0;
    // Removes a staging folder made above, with everything in it, never
    // following a link, and releases its lock.
    virtual ErrorCode RemoveStaging(const std::string& folder) = 0;
};

// The file system of this platform.
std::unique_ptr<CFileOperations> MakeFileOperations();

}  // namespace platform
