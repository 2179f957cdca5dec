#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/File.h"

namespace bsp {

// Bytes read in pieces at given offsets: a file, a window of one (a WAD
// inside a pak file), or a block in memory (the fuzz target's input).
class CByteSource {
  public:
    virtual ~CByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Exactly count bytes at offset, which the caller has checked against
    // Size(); throws CBspException when they cannot be read.
    virtual std::string ReadAt(std::uint64_t offset, std::size_t count) = 0;
};

// Reads count bytes at offset, or throws CBspException saying that what
// ("the entities lump") runs past the end of the file.
std::string ReadRange(CByteSource& source, std::uint64_t offset, std::uint64_t count,
                      const std::string& what);

class CMemorySource : public CByteSource {
  public:
    explicit CMemorySource(std::string_view bytes) : m_bytes(bytes) {}
    std::uint64_t Size() const override { return m_bytes.size(); }
    std::string ReadAt(std::uint64_t offset, std::size_t count) override;

  private:
    std::string_view m_bytes;
};

// A file, or the part of it from offset on of the given length.
class CFileSource : public CByteSource {
  public:
    static constexpr std::uint64_t kWholeFile = UINT64_MAX;

    // Throws CBspException when the file cannot be opened or the window does
    // not lie inside it.
    explicit CFileSource(const std::string& path, std::uint64_t offset = 0,
                         std::uint64_t length = kWholeFile);
    std::uint64_t Size() const override { return m_nLength; }
    std::string ReadAt(std::uint64_t offset, std::size_t count) override;

  private:
    platform::CFile m_file;
    std::uint64_t m_nOffset = 0;
    std::uint64_t m_nLength = 0;
};

}  // namespace bsp
