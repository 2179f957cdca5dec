#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <vector>

#include "../FileSystem.h"
#include "ErrnoMapping.h"
#include "FileSystemPosixInternal.h"
#include "PosixHandles.h"

namespace platform::posix {

ErrorCode LinkOrCopy(const std::string& source, const std::string& keep) {
    // The name a link in the mod directory points to is the user's own: its
    // content is what the file holds, so that is what is kept.
    const std::string real = ResolvePath(source);
    if (::link(real.c_str(), keep.c_str()) == 0) {
        struct stat info {};
        if (::lstat(real.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
            return kErrorSuccess;
        }
        ::unlink(keep.c_str());  // a hard link to the link itself keeps no content
    } else if (errno == EEXIST) {
        return kErrorAlreadyExists;
    }
    return CopyToResolved(real, keep, true);
}

ErrorCode Checksum(const std::string& path, std::uint32_t& crc, std::uint64_t& size) {
    const std::string real = ResolvePath(path);
    CFd fd(::open(real.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0) {
        return ErrorFromErrno(errno, real);
    }
    if (!S_ISREG(info.st_mode)) {
        return kErrorNotRegularFile;
    }
    std::vector<unsigned char> buffer(1 << 20);
    uLong running = crc32(0, nullptr, 0);
    size = 0;
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer.data(), buffer.size());
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ErrorFromErrno(errno, real);
        }
        running = crc32(running, buffer.data(), static_cast<uInt>(got));
        size += static_cast<std::uint64_t>(got);
    }
    crc = static_cast<std::uint32_t>(running);
    return kErrorSuccess;
}

}  // namespace platform::posix
