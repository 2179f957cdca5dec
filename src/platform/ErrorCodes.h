#pragma once

namespace platform {

// Errors are reported with the Windows numbers on every platform: the install
// log and the message boxes show them, and callers test a few of them.
using ErrorCode = unsigned long;

constexpr ErrorCode kErrorSuccess = 0;
constexpr ErrorCode kErrorFileNotFound = 2;
constexpr ErrorCode kErrorPathNotFound = 3;
constexpr ErrorCode kErrorAccessDenied = 5;
constexpr ErrorCode kErrorGenFailure = 31;
constexpr ErrorCode kErrorSharingViolation = 32;
constexpr ErrorCode kErrorDiskFull = 112;
constexpr ErrorCode kErrorDirNotEmpty = 145;
constexpr ErrorCode kErrorAlreadyExists = 183;
constexpr ErrorCode kErrorFilenameTooLong = 206;
constexpr ErrorCode kErrorIoDevice = 1117;
// A FIFO, device or socket where a regular file was expected (ERROR_CANT_ACCESS_FILE).
constexpr ErrorCode kErrorNotRegularFile = 1920;
// A link where the program follows none (ERROR_CANT_RESOLVE_FILENAME).
constexpr ErrorCode kErrorLinkInTheWay = 1921;
// A copy whose destination is its source. Windows has no number for it: this
// one has the bit that marks an application's own codes.
constexpr ErrorCode kErrorSameFile = 0x20000001;

}  // namespace platform
