#include "ErrnoMapping.h"

#include <sys/stat.h>

#include <cerrno>

namespace platform::posix {

std::string ParentOf(const std::string& path) {
    std::string trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.pop_back();
    }
    const auto slash = trimmed.rfind('/');
    if (slash == std::string::npos) {
        return "";
    }
    return slash == 0 ? "/" : trimmed.substr(0, slash);
}

ErrorCode ErrorFromErrno(int error, const std::string& path) {
    switch (error) {
        case 0:
            return kErrorSuccess;
        case ENOENT: {
            const std::string parent = ParentOf(path);
            struct stat info {};
            if (!parent.empty() && (::stat(parent.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))) {
                return kErrorPathNotFound;
            }
            return kErrorFileNotFound;
        }
        case EACCES:
        case EPERM:
        case EROFS:
            return kErrorAccessDenied;
        case EEXIST:
            return kErrorAlreadyExists;
        case ENOTEMPTY:
            return kErrorDirNotEmpty;
        case EBUSY:
        case ETXTBSY:
            return kErrorSharingViolation;
        case ENOSPC:
            return kErrorDiskFull;
        case ENAMETOOLONG:
            return kErrorFilenameTooLong;
        case ENOTDIR:
            return kErrorPathNotFound;
        case EIO:
            return kErrorIoDevice;
        case ENXIO:  // a FIFO without a reader, a device without its hardware
            return kErrorNotRegularFile;
        case ELOOP:  // a link where none may be followed
            return kErrorLinkInTheWay;
        default:
            return kErrorGenFailure;
    }
}

}  // namespace platform::posix
