#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "zip/ZipReader.h"

namespace quarvel::test {

// A file the fixture script made: "<kind>.zip", and beside an archive that must extract
// "<kind>.zip.list" and "<kind>.zip.expected/", as Python's zipfile reads it. ctest makes
// them once before the tests; a test binary run alone makes them itself.
inline std::string Fixture(const std::string& name) {
    static const bool built =
        Exists(QUARVEL_ZIP_FIXTURE_DIR "/complete") ||
        std::system("python3 '" QUARVEL_ZIP_FIXTURES "' '" QUARVEL_ZIP_FIXTURE_DIR "'") == 0;
    EXPECT_TRUE(built) << "the fixture script failed";
    return QUARVEL_ZIP_FIXTURE_DIR "/" + name;
}

// Extracts every entry below folder; the result of each, in index order.
inline std::vector<bool> ExtractAll(zip::CZipReader& reader, const std::string& folder) {
    std::vector<bool> results;
    for (int i = 0; i < reader.EntryCount(); ++i) {
        results.push_back(reader.ExtractEntry(i, folder));
    }
    return results;
}

inline std::vector<std::string> EntryNames(const zip::CZipReader& reader) {
    std::vector<std::string> names;
    zip::CZipEntry entry;
    for (int i = 0; i < reader.EntryCount() && reader.ReadEntryHeader(entry, i); ++i) {
        names.push_back(entry.GetFileName());
    }
    return names;
}

// Name, CRC-32, sizes, date and time of each entry, a line each as the fixture script lists them.
inline std::string Listing(const zip::CZipReader& reader) {
    std::string listing;
    zip::CZipEntry e;
    for (int i = 0; i < reader.EntryCount() && reader.ReadEntryHeader(e, i); ++i) {
        char line[80];
        std::snprintf(line, sizeof line, " %08x %u %u %04d-%02d-%02d %02d:%02d:%02d\n", e.m_nCrc32,
                      e.m_nCompressedSize, e.m_nUncompressedSize, (e.m_nModDate >> 9) + 1980,
                      (e.m_nModDate >> 5) & 0x0F, e.m_nModDate & 0x1F, e.m_nModTime >> 11,
                      (e.m_nModTime >> 5) & 0x3F, (e.m_nModTime & 0x1F) * 2);
        listing += e.GetFileName() + line;
    }
    return listing;
}

// Permission bits of a path, links not followed.
inline int ModeOf(const std::string& path) {
    return static_cast<int>(std::filesystem::symlink_status(path).permissions());
}

// The access mode (O_RDONLY, O_RDWR) of this process's open file for path, or -1.
inline int OpenAccessMode(const std::string& path) {
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(fd.path(), error) == std::filesystem::canonical(path)) {
            // fdinfo begins "pos: N" then "flags: OCTAL".
            std::ifstream info("/proc/self/fdinfo/" + fd.path().filename().string());
            std::string word;
            info >> word >> word >> word >> word;
            return static_cast<int>(std::stol(word, nullptr, 8) & O_ACCMODE);
        }
    }
    return -1;
}

}  // namespace quarvel::test
