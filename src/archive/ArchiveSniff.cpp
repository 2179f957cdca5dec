#include <array>
#include <cstring>

#include "ArchiveReader.h"

namespace archives {

bool IsGzip(const std::string& path) {
    platform::CFile file;
    unsigned char magic[2] = {};
    try {
        return file.Open(path, platform::CFile::modeRead) && file.Read(magic, 2) == 2 &&
               magic[0] == 0x1f && magic[1] == 0x8b;
    } catch (const platform::CFileException&) {
        return false;
    }
}

EArchiveContent SniffArchive(const std::string& path) {
    platform::CFile file;
    if (!file.Open(path, platform::CFile::modeRead)) {
        return EArchiveContent::kUnknown;
    }
    std::array<unsigned char, 512> head{};
    std::uint32_t got = 0;
    try {
        got = file.Read(head.data(), head.size());
    } catch (const platform::CFileException&) {
        return EArchiveContent::kUnknown;
    }
    const auto starts = [&](const char* magic, std::size_t length, std::size_t at = 0) {
        return got >= at + length && std::memcmp(head.data() + at, magic, length) == 0;
    };
    if (starts("PK\x03\x04", 4) || starts("PK\x05\x06", 4) || starts("PK\x07\x08", 4)) {
        return EArchiveContent::kZip;
    }
    if (starts("Rar!\x1a\x07", 6) || starts("7z\xbc\xaf\x27\x1c", 6) || starts("\x1f\x8b", 2) ||
        starts("BZh", 3) ||
        starts("\xfd"
               "7zXZ\x00",
               6) ||
        starts("ustar", 5, 257)) {
        return EArchiveContent::kOther;
    }
    if (starts("MZ", 2)) {
        return EArchiveContent::kExecutable;
    }
    return EArchiveContent::kUnknown;
}

}  // namespace archives
