#include "StagingPosix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "ErrnoMapping.h"
#include "PosixHandles.h"

namespace platform::posix {
namespace {

constexpr const char* kRunPrefix = "run-";
constexpr const char* kStagingName = "__Orlimb_Temp";
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Every missing folder of the path, made private to the user.
void MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    }
    ::mkdir(path.c_str(), 0700);
}

std::vector<std::string> EntryNames(int folder) {
    std::vector<std::string> names;
    const int copy = ::dup(folder);
    if (copy < 0) {
        return names;
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(copy));
    if (!dir) {
        ::close(copy);
        return names;
    }
    ::rewinddir(dir.get());
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    return names;
}

// Removes one entry of an open folder: a folder with everything in it, or
// anything else (a link included) by its own name.
int RemoveAt(int parent, const std::string& name) {
    struct stat info {};
    if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    if (!S_ISDIR(info.st_mode)) {
        return ::unlinkat(parent, name.c_str(), 0) == 0 ? 0 : errno;
    }
    CFd folder(::openat(parent, name.c_str(), kFolderFlags));
    if (folder.Get() < 0) {
        return errno;
    }
    // A folder an archive left without write permission must still be emptied.
    ::fchmod(folder.Get(), 0700);
    const int error = RemoveContentsAt(folder.Get());
    if (error != 0) {
        return error;
    }
    return ::unlinkat(parent, name.c_str(), AT_REMOVEDIR) == 0 ? 0 : errno;
}

// The base folder, opened without following a link and checked to be the
// user's own; -1 with errno set otherwise.
int OpenBase(const std::string& base) {
    const int fd = ::open(base.c_str(), kFolderFlags);
    if (fd < 0) {
        // A link is refused as ENOTDIR when a folder is asked for: say it is a link.
        struct stat info {};
        if (::lstat(base.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
            errno = ELOOP;
        }
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid()) {
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    if ((info.st_mode & 077) != 0) {
        ::fchmod(fd, 0700);
    }
    return fd;
}

// Removes the runs below base whose lock nobody holds: runs that ended
// without cleaning up, killed or crashed.
void RemoveStaleRuns(int base) {
    for (const std::string& name : EntryNames(base)) {
        if (name.rfind(kRunPrefix, 0) != 0) {
            continue;
        }
        CFd run(::openat(base, name.c_str(), kFolderFlags));
        if (run.Get() < 0) {
            if (errno == ELOOP || errno == ENOTDIR) {
                ::unlinkat(base, name.c_str(), 0);  // a link or file in our place
            }
            continue;
        }
        if (::flock(run.Get(), LOCK_EX | LOCK_NB) == 0) {
            RemoveAt(base, name);
        }
    }
}

}  // namespace

int RemoveContentsAt(int folder) {
    int first = 0;
    for (const std::string& name : EntryNames(folder)) {
        if (const int error = RemoveAt(folder, name); error != 0 && first == 0) {
            first = error;
        }
    }
    return first;
}

CStagingFolders::~CStagingFolders() {
    for (auto& [folder, run] : m_runs) {
        ::close(run.m_hLock);
    }
}

ErrorCode CStagingFolders::Create(const std::string& base, std::string& folder) {
    MakeFolders(base);
    CFd baseFd(OpenBase(base));
    if (baseFd.Get() < 0) {
        return ErrorFromErrno(errno, base);
    }
    // Held while stale runs are removed and the new one is made and locked,
    // so that no run is taken for stale between its making and its lock.
    if (::flock(baseFd.Get(), LOCK_EX) != 0) {
        return ErrorFromErrno(errno, base);
    }
    RemoveStaleRuns(baseFd.Get());
    std::string run = base + "/" + kRunPrefix + "XXXXXX";
    if (::mkdtemp(run.data()) == nullptr) {
        return ErrorFromErrno(errno, run);
    }
    const std::string name = run.substr(base.size() + 1);
    CFd lock(::openat(baseFd.Get(), name.c_str(), kFolderFlags));
    if (lock.Get() < 0 || ::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0 ||
        ::mkdirat(lock.Get(), kStagingName, 0700) != 0) {
        const ErrorCode error = ErrorFromErrno(errno, run);
        RemoveAt(baseFd.Get(), name);
        return error;
    }
    folder = run + "/" + kStagingName;
    m_runs[folder] = SRun{base, name, lock.Release()};
    return kErrorSuccess;
}

ErrorCode CStagingFolders::Remove(const std::string& folder) {
    const auto found = m_runs.find(folder);
    if (found == m_runs.end()) {
        return kErrorPathNotFound;
    }
    const SRun run = found->second;
    m_runs.erase(found);
    CFd lock(run.m_hLock);
    CFd base(OpenBase(run.m_strBase));
    if (base.Get() < 0) {
        return ErrorFromErrno(errno, run.m_strBase);
    }
    const int error = RemoveAt(base.Get(), run.m_strName);
    return error == 0 ? kErrorSuccess : ErrorFromErrno(error, folder);
}

}  // namespace platform::posix
