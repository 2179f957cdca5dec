#include "Win32Errors.h"

#include "Win32Api.h"

#include "../Exception.h"

namespace platform::win32 {

ErrorCode FromWin32(unsigned long error) {
    switch (error) {
        case ERROR_HANDLE_DISK_FULL:
            return kErrorDiskFull;  // one number for a full disk, as the log shows it
        case ERROR_FILE_EXISTS:
            return kErrorAlreadyExists;
        default:
            return error;
    }
}

ErrorCode LastError() {
    return FromWin32(::GetLastError());
}

int FileCauseOf(unsigned long error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
            return CFileException::fileNotFound;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_INVALID_DRIVE:
            return CFileException::badPath;
        case ERROR_TOO_MANY_OPEN_FILES:
            return CFileException::tooManyOpenFiles;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return CFileException::accessDenied;
        case ERROR_INVALID_HANDLE:
            return CFileException::invalidFile;
        case ERROR_CURRENT_DIRECTORY:
            return CFileException::removeCurrentDir;
        case ERROR_NEGATIVE_SEEK:
        case ERROR_SEEK_ON_DEVICE:
            return CFileException::badSeek;
        case ERROR_CRC:
        case ERROR_IO_DEVICE:
            return CFileException::hardIO;
        case ERROR_SHARING_VIOLATION:
            return CFileException::sharingViolation;
        case ERROR_LOCK_VIOLATION:
            return CFileException::lockViolation;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return CFileException::diskFull;
        case ERROR_HANDLE_EOF:
            return CFileException::endOfFile;
        default:
            return CFileException::genericException;
    }
}

}  // namespace platform::win32
