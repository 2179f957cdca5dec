#pragma once

#include <exception>
#include <string>

namespace platform {

// Base of every exception the program throws; thrown by value, caught by reference.
class CException : public std::exception {
  public:
    const char* what() const noexcept override { return "Quarvel exception"; }
};

// A file that could not be opened, created, read or written.
class CFileException : public CException {
  public:
    // Causes as the old framework numbered them; callers and tests compare against these.
    enum Cause : int {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    CFileException() = default;
    CFileException(int cause, std::string path, unsigned long osError)
        : m_cause(cause), m_strFileName(std::move(path)), m_lOsError(osError) {}

    const char* what() const noexcept override { return "file exception"; }

    int m_cause = none;
    std::string m_strFileName;
    // The Windows-numbered error of the failed call (see ErrorCodes.h).
    unsigned long m_lOsError = 0;
};

}  // namespace platform
