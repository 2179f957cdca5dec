// Extracts every file entry of a RAR, 7z or tar archive below a folder through
// the reader the install engine uses, so that bench/run can time it against
// bsdtar, which reads through the same library.
//
//     bench_archive_extract ARCHIVE FOLDER

#include <cstdio>
#include <exception>
#include <filesystem>
#include <limits>

#include "archive/ArchiveReader.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_archive_extract ARCHIVE FOLDER\n");
        return 2;
    }
    try {
        archives::CArchiveReader reader;
        reader.Open({argv[1]});
        archives::CArchiveReader::SEntry entry;
        while (reader.NextEntry(entry)) {
            if (entry.m_eKind != archives::CArchiveReader::EKind::kFile) {
                continue;
            }
            const std::filesystem::path target = std::filesystem::path(argv[2]) / entry.m_strName;
            std::filesystem::create_directories(target.parent_path());
            platform::CFile out;
            if (!out.Open(target.string(),
                          platform::CFile::modeCreate | platform::CFile::modeWrite)) {
                std::fprintf(stderr, "bench_archive_extract: cannot write %s\n", target.c_str());
                return 1;
            }
            reader.WriteData(out, std::numeric_limits<std::uint64_t>::max());
        }
    } catch (const std::exception& fault) {
        std::fprintf(stderr, "bench_archive_extract: %s\n", fault.what());
        return 1;
    }
    return 0;
}
