#include "WadDirectory.h"

#include "BspException.h"
#include "platform/ByteReader.h"

namespace bsp {
namespace {

// More entries than any real WAD or pak file holds (a few thousand).
constexpr std::uint32_t kMaxEntries = 262144;
constexpr std::size_t kWadNameSize = 16;
constexpr std::uint32_t kWadEntrySize = 16 + kWadNameSize;
constexpr std::size_t kPakNameSize = 56;
constexpr std::uint32_t kPakEntrySize = kPakNameSize + 8;

// The header shared by both kinds: four magic bytes and two 32-bit fields.
// Returns the directory's bytes, count entries of entrySize at offset.
std::string ReadDirectory(CByteSource& source, const char* magic, const char* kind, bool countFirst,
                          std::uint32_t entrySize, std::uint32_t& count) {
    if (source.Size() < 12) {
        throw CBspException(std::string("not a ") + kind + " file: it is too short");
    }
    const std::string header = source.ReadAt(0, 12);
    if (header.compare(0, 4, magic) != 0) {
        throw CBspException(std::string("not a ") + kind + " file: it does not begin with " +
                            magic);
    }
    platform::CByteReader fields(header.data() + 4, 8);
    const std::uint32_t first = fields.ReadUInt32();
    const std::uint32_t second = fields.ReadUInt32();
    // A WAD gives the number of entries then the offset, a pak file the
    // offset then the length in bytes.
    const std::uint32_t offset = countFirst ? second : first;
    count = countFirst ? first : second / entrySize;
    if (count > kMaxEntries) {
        throw CBspException(std::string("damaged: the ") + kind + " directory claims " +
                            std::to_string(count) + " entries");
    }
    return ReadRange(source, offset, std::uint64_t{count} * entrySize,
                     std::string("the ") + kind + " directory");
}

}  // namespace

std::vector<std::string> ReadWadDirectory(CByteSource& source) {
    std::uint32_t count = 0;
    const std::string table = ReadDirectory(source, "WAD3", "WAD3", true, kWadEntrySize, count);
    platform::CByteReader fields(table.data(), table.size());
    std::vector<std::string> names;
    names.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        fields.Skip(16);  // position, sizes, type, compression
        names.push_back(fields.ReadFixedText(kWadNameSize));
    }
    return names;
}

std::vector<SPakEntry> ReadPakDirectory(CByteSource& source) {
    std::uint32_t count = 0;
    const std::string table = ReadDirectory(source, "PACK", "pak", false, kPakEntrySize, count);
    platform::CByteReader fields(table.data(), table.size());
    std::vector<SPakEntry> entries;
    entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        SPakEntry& entry = entries.emplace_back();
        entry.m_strName = fields.ReadFixedText(kPakNameSize);
        entry.m_nOffset = fields.ReadUInt32();
        entry.m_nLength = fields.ReadUInt32();
    }
    return entries;
}

}  // namespace bsp
