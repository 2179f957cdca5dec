// Extracts every entry of an archive below a folder, one ExtractEntry call per
// entry as the install engine makes them, so that bench/run can time the zip
// reader against unzip and bsdtar.
//
//     bench_extract ARCHIVE FOLDER

#include <cstdio>
#include <exception>

#include "zip/ZipReader.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_extract ARCHIVE FOLDER\n");
        return 2;
    }
    try {
        zip::CZipReader reader;
        reader.OpenArchive(argv[1], 1, 0);
        int failed = 0;
        for (int index = 0; index < reader.EntryCount(); ++index) {
            if (!reader.ExtractEntry(index, argv[2])) {
                ++failed;
            }
        }
        reader.CloseArchive();
        if (failed > 0) {
            std::fprintf(stderr, "bench_extract: %d entries not extracted\n", failed);
            return 1;
        }
    } catch (const std::exception& fault) {
        std::fprintf(stderr, "bench_extract: %s\n", fault.what());
        return 1;
    }
    return 0;
}
