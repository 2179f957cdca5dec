#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/File.h"

namespace zip {

// The archive file (or the current volume of a spanned archive). Reads, seeks
// and lengths are the platform file's own and use 64-bit positions.
//
// Reads go through a read-ahead block: an archive is read as many small
// records (directory records, local headers, the data of small entries), and
// one system call per record would cost more than the rest of the work. Reads
// of a block or more go straight to the file. The reader only ever calls these
// through this class.
class CZipBigFile : public platform::CFile {
  public:
    static constexpr std::uint32_t kBlockSize = 0x10000;

    bool Open(const std::string& path, unsigned flags, platform::CFileException* error = nullptr);
    // Opens pieces of one archive, cut at arbitrary points, as one file named
    // after the first piece.
    bool OpenParts(const std::vector<std::string>& parts, unsigned flags,
                   platform::CFileException* error = nullptr);
    std::uint32_t Read(void* buffer, std::uint32_t count);
    std::uint64_t Seek(std::int64_t offset, SeekPosition from);
    std::uint64_t GetPosition() const;
    std::uint64_t GetLength() const;
    void Close();

    // The volume layer renames the file object when it moves to another volume.
    void SetFilePath(const std::string& path) override { CFile::SetFilePath(path); }

  private:
    void Forget();
    // The file's own reads and seeks, over every piece when there are several.
    std::uint32_t ReadFile(unsigned char* buffer, std::uint32_t count);
    std::uint64_t SeekFile(std::uint64_t position);
    void OpenPart(std::size_t part);
    // Moves the file's own position to the logical one before a read.
    void SyncFilePosition();

    std::unique_ptr<unsigned char[]> m_pBlock;
    std::uint64_t m_nBlockStart = 0;    // file offset of the block's first byte
    std::uint32_t m_nBlockLength = 0;   // bytes of the block that hold file data
    std::uint64_t m_nPosition = 0;      // where the next read starts
    std::uint64_t m_nFilePosition = 0;  // the file's own position

    // Pieces of one archive; empty for a single file.
    std::vector<std::string> m_parts;
    std::vector<std::uint64_t> m_partStart;  // one more than the pieces: the last is the length
    std::size_t m_nPart = 0;
    unsigned m_nFlags = 0;
};

}  // namespace zip
