#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

#include "../FileSystem.h"
#include "../TextCase.h"
#include "CaseIndex.h"
#include "ErrnoMapping.h"
#include "FileSystemPosixInternal.h"
#include "PosixHandles.h"

namespace platform {
namespace {

using posix::CFd;

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// Searches a folder for an entry whose name equals the given one but for
// letter case; the first in byte order when several do, or none. False when the
// folder cannot be listed; exact, when given, tells whether the name itself is
// there. Read with getdents64 on a plain descriptor: this runs for nearly every
// file written, and opendir would add an fstat each time.
bool SearchCaseVariant(const std::string& folder, const std::string& name, std::string& best,
                       bool* exact = nullptr) {
    best.clear();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(),
                          O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    alignas(dirent64) char block[32768];
    for (;;) {
        const ssize_t got = ::getdents64(fd, block, sizeof block);
        if (got <= 0) {
            // An error part way counts as the end, as it does for readdir.
            break;
        }
        for (ssize_t offset = 0; offset < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(block + offset);
            offset += entry->d_reclen;
            const std::string_view candidate = entry->d_name;
            if (candidate == "." || candidate == "..") {
                continue;
            }
            if (exact && candidate == name) {
                *exact = true;
            }
            if (EqualsNoCase(candidate, name) && (best.empty() || candidate < best)) {
                best = std::string(candidate);
            }
        }
    }
    ::close(fd);
    return true;
}

// The entry of a folder whose name equals the given one but for letter case;
// the first in byte order when several do. Empty when there is none.
std::string FindCaseVariant(const std::string& folder, const std::string& name) {
    std::string best;
    SearchCaseVariant(folder, name, best);
    return best;
}

std::string StripTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

ErrorCode LastError(const std::string& path) {
    return posix::ErrorFromErrno(errno, path);
}

// Copies the whole of one open file into another, through the kernel where it
// can; size is the source's size when the copy began. With a digest the data
// passes through the program instead, and its CRC-32 and size are taken on
// the way: the same number of calls, and no second read to learn them.
int CopyData(int from, int to, off_t size, SCopyDigest* digest) {
    bool kernelCopy = digest == nullptr;
    std::vector<char> buffer;
    off_t done = 0;
    uLong crc = crc32(0, nullptr, 0);
    if (!kernelCopy) {
        buffer.resize(static_cast<std::size_t>(std::clamp<off_t>(size + 1, 1, 1 << 20)));
    }
    for (;;) {
        if (kernelCopy) {
            const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
            if (copied > 0) {
                // The size fstat gave: no further call only to learn of the end.
                done += copied;
                if (done == size) {
                    return 0;
                }
                continue;
            }
            if (copied == 0) {
                return 0;
            }
            if (errno == EINTR) {
                continue;
            }
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) {
                return errno;
            }
            kernelCopy = false;
            buffer.resize(1 << 20);
        }
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(got));
        done += got;
        for (ssize_t put = 0; put < got;) {
            const ssize_t wrote = ::write(to, buffer.data() + put, static_cast<size_t>(got - put));
            if (wrote < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return errno;
            }
            put += wrote;
        }
        if (digest && done == size) {
            break;  // the size fstat gave: the end, without one more read
        }
    }
    if (digest) {
        digest->m_nCrc = static_cast<std::uint32_t>(crc);
        digest->m_nSize = static_cast<std::uint64_t>(done);
    }
    return 0;
}

// The CRC-32 and size of an open file's content, read from its start.
void DigestOf(int fd, SCopyDigest& digest) {
    std::vector<unsigned char> buffer(1 << 20);
    uLong crc = crc32(0, nullptr, 0);
    std::uint64_t size = 0;
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), at);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            break;
        }
        crc = crc32(crc, buffer.data(), static_cast<uInt>(got));
        size += static_cast<std::uint64_t>(got);
        at += got;
    }
    digest.m_nCrc = static_cast<std::uint32_t>(crc);
    digest.m_nSize = size;
}

// Writes the source into an existing destination in place (used for a link the
// user placed in the mod directory, which is followed, as Windows does).
ErrorCode CopyInPlace(int from, const struct stat& source, const std::string& destination,
                      SCopyDigest* digest) {
    CFd to(::open(destination.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    if (to.Get() < 0) {
        return LastError(destination);
    }
    if (const int error = CopyData(from, to.Get(), source.st_size, digest); error != 0) {
        return posix::ErrorFromErrno(error, destination);
    }
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    ::futimens(to.Get(), times);
    return ::close(to.Release()) == 0 ? kErrorSuccess : LastError(destination);
}

}  // namespace

namespace posix {

// ResolvePath, also telling whether the path exists as written. With
// listFirst (for a name that is most likely new) the folder is listed before
// the name is looked up itself: a name missing from the listing needs no
// lookup.
std::string Resolve(const std::string& path, bool& exists, bool listFirst) {
    // A name in an existing folder, as for nearly every file about to be
    // written: when the folder exists as written (it can be listed), so does
    // each folder above it, and only the last component can need a search.
    // Paths that the walk below would rewrite (empty components, a trailing
    // separator, a last "." or "..") take the walk, and so does any path whose
    // folder cannot be listed; the walk gives the same result for those.
    const std::size_t last = path.rfind('/');
    const auto searchFolder = [&](bool* exact, std::string& resolved) {
        std::string folder;
        std::string name;
        std::string variant;
        if (SplitForIndex(path, folder, name)) {
            // The folder's listing is kept: a folder of many new files is
            // listed once, not once a file.
            if (!ProcessCaseIndex().Find(folder, name, variant)) {
                return false;
            }
            if (exact) {
                *exact = variant == name;
            }
        } else if (last == std::string::npos || last + 1 == path.size() ||
                   path.find("//") != std::string::npos) {
            return false;
        } else {
            name = path.substr(last + 1);
            folder = last == 0 ? std::string("/") : path.substr(0, last);
            if (name == "." || name == ".." || !SearchCaseVariant(folder, name, variant, exact)) {
                return false;
            }
        }
        resolved = variant.empty() ? path : path.substr(0, last + 1) + variant;
        return true;
    };
    std::string listed;
    bool exact = false;
    if (listFirst && searchFolder(&exact, listed) && !exact) {
        // Not in the listing, so not there: the lookup below would fail. A name
        // that is there takes the usual way, which also settles a folder that
        // can be listed but not entered.
        exists = false;
        return listed;
    }
    exists = !path.empty() && Exists(path);
    if (path.empty() || exists) {
        return path;
    }
    if (searchFolder(nullptr, listed)) {
        return listed;
    }
    std::string resolved = path[0] == '/' ? "/" : "";
    std::size_t pos = 0;
    bool matching = true;
    while (pos < path.size()) {
        const std::size_t slash = path.find('/', pos);
        const std::size_t end = slash == std::string::npos ? path.size() : slash;
        const std::string component = path.substr(pos, end - pos);
        pos = end == path.size() ? end : end + 1;
        if (component.empty()) {
            continue;
        }
        std::string candidate = resolved;
        if (!candidate.empty() && candidate.back() != '/') {
            candidate += '/';
        }
        if (matching && component != "." && component != ".." && !Exists(candidate + component)) {
            const std::string variant = FindCaseVariant(resolved, component);
            if (variant.empty()) {
                matching = false;
                candidate += component;
            } else {
                candidate += variant;
            }
        } else {
            candidate += component;
        }
        resolved = std::move(candidate);
    }
    if (path.back() == '/' && resolved.back() != '/') {
        resolved += '/';
    }
    return resolved;
}

}  // namespace posix

using posix::Resolve;

std::string ResolvePath(const std::string& path) {
    bool exists = false;
    return Resolve(path, exists);
}

std::string ResolveNewFilePath(const std::string& path) {
    bool exists = false;
    return Resolve(path, exists, true);
}

// Most paths the program hands over exist as written. An operation that
// succeeds on the path as written proves that, and ResolvePath would have
// returned it unchanged; so the functions below try the path as written first
// and resolve it only when that fails, which gives the same result with one
// lstat fewer.

int PathKind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 && ::stat(ResolvePath(path).c_str(), &info) != 0) {
        return 0;
    }
    return S_ISDIR(info.st_mode) ? -1 : 1;
}

bool IsLink(const std::string& path) {
    struct stat info {};
    return ::lstat(ResolvePath(path).c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(ResolvePath(a).c_str(), &first) == 0 &&
           ::stat(ResolvePath(b).c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

namespace posix {

void NoteCreated(const std::string& path) {
    std::string folder;
    std::string name;
    if (SplitForIndex(path, folder, name)) {
        ProcessCaseIndex().Added(folder, name);
    }
}

unsigned OrdinaryFileMode(bool readOnly) {
    // Read once: setting the mask is the only way to learn it.
    static const mode_t kUmask = [] {
        const mode_t mask = ::umask(022);
        ::umask(mask);
        return mask;
    }();
    const mode_t mode = 0666 & ~kUmask;
    return readOnly ? (mode & ~0222u) : mode;
}

ErrorCode CopyToResolved(const std::string& source, const std::string& to, bool missing,
                         SCopyDigest* digest, const std::string& linkable) {
    // Never blocking: a FIFO opened for reading would wait for a writer.
    constexpr int kReadFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    std::string from = source;
    int fd = ::open(from.c_str(), kReadFlags);
    if (fd < 0) {
        from = ResolvePath(source);
        fd = ::open(from.c_str(), kReadFlags);
    }
    CFd in(fd);
    if (in.Get() < 0) {
        return LastError(from);
    }
    struct stat sourceInfo {};
    if (::fstat(in.Get(), &sourceInfo) != 0) {
        return LastError(from);
    }
    if (S_ISDIR(sourceInfo.st_mode)) {
        return kErrorAccessDenied;
    }
    if (!S_ISREG(sourceInfo.st_mode)) {
        // A device would be copied until the disk is full.
        return kErrorNotRegularFile;
    }
    // O_NONBLOCK means nothing to a regular file: it may stay set.
    if (missing && !linkable.empty() && sourceInfo.st_nlink == 1 &&
        from.starts_with(linkable + "/")) {
        // A staged file installed once needs no second copy of its bytes: it is
        // whole already, and from now on it is the installed file.
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::fchmod(in.Get(), OrdinaryFileMode((sourceInfo.st_mode & S_IWUSR) == 0));
            if (digest) {
                DigestOf(in.Get(), *digest);
            }
            NoteCreated(to);
            return kErrorSuccess;
        }
        if (errno == EEXIST) {
            return CopyToResolved(source, to, false, digest, linkable);
        }
        // Another file system, or one without hard links: copied as always.
    }
    if (missing) {
        // A new file is written in place: there is nothing to keep whole, and
        // a copy that fails is removed again.
        const bool readOnly = (sourceInfo.st_mode & S_IWUSR) == 0;
        CFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                       readOnly ? 0444 : 0666));
        if (out.Get() < 0) {
            // Something is there after all: it is looked at as any destination.
            return errno == EEXIST ? CopyToResolved(source, to, false, digest, linkable)
                                   : LastError(to);
        }
        int error = CopyData(in.Get(), out.Get(), sourceInfo.st_size, digest);
        if (error == 0) {
            const struct timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
            ::futimens(out.Get(), times);
            if (::close(out.Release()) != 0) {
                error = errno;
            }
        }
        if (error != 0) {
            ::unlink(to.c_str());
            return posix::ErrorFromErrno(error, to);
        }
        NoteCreated(to);
        return kErrorSuccess;
    }
    struct stat existing {};
    if (::lstat(to.c_str(), &existing) != 0) {
        return CopyToResolved(source, to, true, digest, linkable);
    }
    struct stat target = existing;
    const bool link = S_ISLNK(existing.st_mode);
    if (link && ::stat(to.c_str(), &target) != 0) {
        target = existing;
    }
    if (target.st_dev == sourceInfo.st_dev && target.st_ino == sourceInfo.st_ino) {
        // Writing a file onto itself would empty it.
        return kErrorSameFile;
    }
    if (link && S_ISREG(target.st_mode)) {
        if ((target.st_mode & S_IWUSR) == 0) {
            return kErrorAccessDenied;
        }
        return CopyInPlace(in.Get(), sourceInfo, to, digest);
    }
    if (!link && (S_ISDIR(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0)) {
        return kErrorAccessDenied;
    }
    const bool readOnly = (sourceInfo.st_mode & S_IWUSR) == 0;
    const std::string folder = posix::ParentOf(StripTrailingSeparators(to));
    std::string temporary = (folder.empty() ? std::string(".") : folder) + "/.quarvel-copy-XXXXXX";
    CFd out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.Get() < 0) {
        return LastError(to);
    }
    int error = CopyData(in.Get(), out.Get(), sourceInfo.st_size, digest);
    // Ordinary permissions, whatever bits an archive or a package carried.
    if (error == 0 && ::fchmod(out.Get(), OrdinaryFileMode(readOnly)) != 0) {
        error = errno;
    }
    if (error == 0) {
        const struct timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
        ::futimens(out.Get(), times);
        if (::close(out.Release()) != 0) {
            error = errno;
        }
    }
    if (error == 0 && ::rename(temporary.c_str(), to.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return posix::ErrorFromErrno(error, to);
    }
    NoteCreated(to);
    return kErrorSuccess;
}

}  // namespace posix

using posix::CopyToResolved;

ErrorCode CopyFile(const std::string& source, const std::string& destination) {
    std::string written;
    return CopyFile(source, destination, written);
}

ErrorCode CopyFile(const std::string& source, const std::string& destination, std::string& written,
                   SCopyDigest* digest, const std::string& linkable) {
    // Most destinations are new: the folder's index settles that without a lookup.
    bool exists = false;
    written = Resolve(destination, exists, true);
    return CopyToResolved(source, written, !exists && written == destination, digest, linkable);
}

ErrorCode SetFileMode(const std::string& path, std::uint32_t mode) {
    const auto permissions = static_cast<mode_t>(mode & 0777);
    if (::chmod(path.c_str(), permissions) == 0) {
        return kErrorSuccess;
    }
    const std::string real = ResolvePath(path);
    return ::chmod(real.c_str(), permissions) == 0 ? kErrorSuccess : LastError(real);
}

ErrorCode SetFileAttributes(const std::string& path, std::uint32_t attributes) {
    std::string real = path;
    struct stat info {};
    if (::stat(real.c_str(), &info) != 0) {
        real = ResolvePath(path);
        if (::stat(real.c_str(), &info) != 0) {
            return LastError(real);
        }
    }
    constexpr std::uint32_t kReadOnly = 0x01;
    const mode_t mode = (attributes & kReadOnly) ? (info.st_mode & 0777 & ~0222)
                                                 : ((info.st_mode & 0777) | S_IWUSR);
    if (mode == (info.st_mode & 07777)) {
        return kErrorSuccess;  // nothing to change
    }
    return ::chmod(real.c_str(), mode) == 0 ? kErrorSuccess : LastError(real);
}

ErrorCode SetArchiveOnly(const std::string& path) {
    return SetFileAttributes(path, 0x20);
}

ErrorCode SetLastWriteTime(const std::string& path, std::time_t lastWrite) {
    struct timespec times[2]{};
    times[0].tv_nsec = UTIME_NOW;
    times[1].tv_sec = lastWrite;
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0) {
        return kErrorSuccess;
    }
    const std::string real = ResolvePath(path);
    return ::utimensat(AT_FDCWD, real.c_str(), times, 0) == 0 ? kErrorSuccess : LastError(real);
}

ProbeHandle OpenProbe(const std::string& path, ErrorCode* error) {
    std::string real = path;
    int fd = ::open(real.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        real = ResolvePath(path);
        fd = ::open(real.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    }
    if (fd < 0) {
        if (error) {
            *error = LastError(real);
        }
        return kInvalidProbeHandle;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        if (error) {
            *error = kErrorAccessDenied;
        }
        return kInvalidProbeHandle;
    }
    return fd;
}

ErrorCode CloseProbe(ProbeHandle handle) {
    if (handle < 0 || handle > INT_MAX) {
        return kErrorGenFailure;
    }
    return ::close(static_cast<int>(handle)) == 0 ? kErrorSuccess : kErrorGenFailure;
}

namespace {

ErrorCode MakeDirectory(const std::string& path, mode_t mode) {
    using posix::NoteCreated;
    bool exists = false;
    const std::string real = StripTrailingSeparators(Resolve(path, exists));
    if (exists) {
        // Whatever is there, mkdir would refuse with EEXIST before any other check.
        return kErrorAlreadyExists;
    }
    if (::mkdir(real.empty() ? "" : real.c_str(), mode) == 0) {
        NoteCreated(real);
        return kErrorSuccess;
    }
    if (errno == ENOENT || errno == ENOTDIR) {
        return kErrorPathNotFound;
    }
    return LastError(real);
}

}  // namespace

ErrorCode CreateDirectory(const std::string& path) {
    return MakeDirectory(path, 0777);
}

ErrorCode CreatePrivateDirectory(const std::string& path) {
    return MakeDirectory(path, 0700);
}

ErrorCode DeleteFile(const std::string& path) {
    std::string real = path;
    struct stat info {};
    if (::lstat(real.c_str(), &info) != 0) {
        real = ResolvePath(path);
        if (::lstat(real.c_str(), &info) != 0) {
            return LastError(real);
        }
    }
    // Windows refuses to delete a read-only file; keep that, also for root.
    if (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0)) {
        return kErrorAccessDenied;
    }
    return ::unlink(real.c_str()) == 0 ? kErrorSuccess : LastError(real);
}

ErrorCode RemoveDirectory(const std::string& path) {
    const std::string real = StripTrailingSeparators(ResolvePath(path));
    return ::rmdir(real.c_str()) == 0 ? kErrorSuccess : LastError(real);
}

std::optional<std::uint64_t> FreeSpace(const std::string& path) {
    struct statvfs info {};
    if (::statvfs(path.c_str(), &info) != 0 && ::statvfs(ResolvePath(path).c_str(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

}  // namespace platform
