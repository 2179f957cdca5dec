#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Exception.h"
#include "platform/File.h"

struct archive;

namespace archives {

// A fault in an archive read by CArchiveReader, in plain words for the log:
// "damaged: …", "unsupported: …" or "not an archive Quarvel can read".
class CArchiveError : public platform::CException {
  public:
    explicit CArchiveError(std::string text) : m_strText(std::move(text)) {}
    const char* what() const noexcept override { return m_strText.c_str(); }
    const std::string& Text() const { return m_strText; }

  private:
    std::string m_strText;
};

// Reads RAR (4 and 5), 7z and tar archives (plain, gzip, bzip2, xz) entry by
// entry through libarchive. Zip archives go to the program's own reader.
class CArchiveReader {
  public:
    enum class EKind { kFile, kFolder, kLink, kSpecial };
    struct SEntry {
        std::string m_strName;  // as stored, '/' between folders
        EKind m_eKind = EKind::kFile;
        std::optional<std::uint64_t> m_nSize;
        bool m_bEncrypted = false;
    };

    CArchiveReader();
    ~CArchiveReader();
    CArchiveReader(const CArchiveReader&) = delete;
    CArchiveReader& operator=(const CArchiveReader&) = delete;

    // Opens an archive from its parts in order (one for most archives, every
    // volume of a multi-volume RAR). Throws CArchiveError.
    void Open(const std::vector<std::string>& parts);
    // The next entry's header; false at the end. Throws CArchiveError.
    bool NextEntry(SEntry& entry);
    // Writes the current entry's data to out and returns its size; throws
    // CArchiveError when the data is damaged or would pass limit bytes.
    // progress, when given, hears how many bytes are written so far.
    std::uint64_t WriteData(platform::CFile& out, std::uint64_t limit,
                            const std::function<void(std::uint64_t)>& progress = {});
    // The format libarchive found, e.g. "RAR5" or "GNU tar format".
    std::string FormatName() const;

  private:
    [[noreturn]] void Fail(const char* what) const;

    ::archive* m_pArchive = nullptr;
    std::vector<std::string> m_parts;
};

// What a file's first bytes say it is.
enum class EArchiveContent {
    kZip,         // a zip archive (or an empty one)
    kOther,       // RAR, 7z, tar or a compressed tar: for CArchiveReader
    kExecutable,  // a Windows program: may be a self-extracting archive
    kUnknown,
};
EArchiveContent SniffArchive(const std::string& path);

// Whether a file starts as gzip data does.
bool IsGzip(const std::string& path);

}  // namespace archives
