#pragma once

#include <cstdint>
#include <string>

#include "Exception.h"

namespace platform {

// A file opened for byte-exact reading and writing, in the manner of the old
// framework's CFile: failures to open are reported through a CFileException,
// failures of reads, writes and seeks are thrown as one.
class CFile {
  public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyWrite = 0x0020,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens or creates the file. Created files are always plain files: a link
    // in the way is refused rather than followed. On failure returns false and
    // fills the exception when one is given.
    bool Open(const std::string& path, unsigned flags, CFileException* error = nullptr);
    // Reads up to count bytes; returns fewer only at the end of the file.
    std::uint32_t Read(void* buffer, std::uint32_t count);
    void Write(const void* buffer, std::uint32_t count);
    std::uint64_t Seek(std::int64_t offset, SeekPosition from);
    std::uint64_t GetPosition() const;
    std::uint64_t GetLength() const;
    void Close();
    bool IsOpen() const { return m_hFile >= 0; }

    const std::string& GetFilePath() const { return m_strFilePath; }
    virtual void SetFilePath(const std::string& path) { m_strFilePath = path; }

  private:
    [[noreturn]] void ThrowLastError() const;

    // A descriptor on Linux, a HANDLE on Windows; -1 when closed.
    std::intptr_t m_hFile = -1;
    std::string m_strFilePath;
};

}  // namespace platform
