#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "../File.h"
#include "../FileSystem.h"
#include "ErrnoMapping.h"
#include "FileSystemPosixInternal.h"

namespace platform {
namespace {

int CauseFromErrno(int error) {
    switch (error) {
        case ENOENT:
            return CFileException::fileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
            return CFileException::badPath;
        case EMFILE:
        case ENFILE:
            return CFileException::tooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ELOOP:
            return CFileException::accessDenied;
        case EBUSY:
        case ETXTBSY:
            return CFileException::sharingViolation;
        case ENOSPC:
        case EDQUOT:
            return CFileException::diskFull;
        case EIO:
            return CFileException::hardIO;
        case ESPIPE:
        case EINVAL:
            return CFileException::badSeek;
        default:
            return CFileException::genericException;
    }
}

CFileException MakeException(int error, const std::string& path) {
    // A folder opened as a file is refused as access denied, as on Windows.
    const ErrorCode osError =
        error == EISDIR ? kErrorAccessDenied : posix::ErrorFromErrno(error, path);
    return CFileException(CauseFromErrno(error), path, osError);
}

}  // namespace

CFile::~CFile() {
    if (m_hFile >= 0) {
        ::close(m_hFile);
    }
}

bool CFile::Open(const std::string& path, unsigned flags, CFileException* error) {
    if (m_hFile >= 0) {
        Close();
    }
    // A file is created where none is, as a rule: its folder is listed first.
    const std::string real = (flags & modeCreate) ? ResolveNewFilePath(path) : ResolvePath(path);
    // Never blocking in open: a FIFO would wait for its other end.
    int oflags = O_CLOEXEC | O_NONBLOCK;
    switch (flags & 0x3) {
        case modeWrite:
            oflags |= O_WRONLY;
            break;
        case modeReadWrite:
            oflags |= O_RDWR;
            break;
        default:
            oflags |= O_RDONLY;
            break;
    }
    if (flags & modeCreate) {
        // Output is always a plain file of our own, never written through a link.
        oflags |= O_CREAT | O_NOFOLLOW;
        if (!(flags & modeNoTruncate)) {
            oflags |= O_TRUNC;
        }
    }
    const int fd = ::open(real.c_str(), oflags, 0666);
    if (fd >= 0) {
        // Only regular files hold data to read or room to write: a folder is
        // refused as access denied, a FIFO, device or socket as no file.
        struct stat info {};
        if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
            ::close(fd);
            errno = EISDIR;
        } else if (!S_ISREG(info.st_mode)) {
            ::close(fd);
            if (error) {
                *error = CFileException(CFileException::invalidFile, real, kErrorNotRegularFile);
            }
            return false;
        } else {
            // O_NONBLOCK means nothing to a regular file: it may stay set.
            if (flags & modeCreate) {
                posix::NoteCreated(real);
            }
            m_hFile = fd;
            m_strFilePath = real;
            return true;
        }
    }
    if (error) {
        *error = MakeException(errno, real);
    }
    return false;
}

std::uint32_t CFile::Read(void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        const ssize_t got = ::read(m_hFile, out + done, count - done);
        if (got == 0) {
            break;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowLastError();
        }
        done += static_cast<std::uint32_t>(got);
    }
    return done;
}

void CFile::Write(const void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < count) {
        const ssize_t put = ::write(m_hFile, in + done, count - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowLastError();
        }
        done += static_cast<std::uint32_t>(put);
    }
}

std::uint64_t CFile::Seek(std::int64_t offset, SeekPosition from) {
    const int whence = from == begin ? SEEK_SET : from == current ? SEEK_CUR : SEEK_END;
    const off_t position = ::lseek(m_hFile, static_cast<off_t>(offset), whence);
    if (position < 0) {
        ThrowLastError();
    }
    return static_cast<std::uint64_t>(position);
}

std::uint64_t CFile::GetPosition() const {
    const off_t position = ::lseek(m_hFile, 0, SEEK_CUR);
    if (position < 0) {
        ThrowLastError();
    }
    return static_cast<std::uint64_t>(position);
}

std::uint64_t CFile::GetLength() const {
    struct stat info {};
    if (::fstat(m_hFile, &info) != 0) {
        ThrowLastError();
    }
    return static_cast<std::uint64_t>(info.st_size);
}

void CFile::Close() {
    if (m_hFile < 0) {
        return;
    }
    const int fd = m_hFile;
    m_hFile = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        throw MakeException(errno, m_strFilePath);
    }
}

void CFile::ThrowLastError() const {
    if (m_hFile < 0) {
        throw CFileException(CFileException::invalidFile, m_strFilePath, kErrorGenFailure);
    }
    throw MakeException(errno, m_strFilePath);
}

}  // namespace platform
