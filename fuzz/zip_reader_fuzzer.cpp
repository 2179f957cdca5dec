// Opens an archive made of the fuzz input and extracts every entry into a
// scratch folder, checking that nothing lands outside it and that no entry
// yields more bytes than it declares.

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzScratch.h"
#include "platform/FileSystem.h"
#include "zip/ZipPathSplit.h"
#include "zip/ZipReader.h"

namespace fs = std::filesystem;

namespace {

// Output goes three levels down, so that a name climbing out with ".." lands
// in a folder the check below looks at.
struct CScratch {
    std::string m_strRoot;
    std::string m_strArchive;
    std::string m_strOutput;
};

const CScratch& Scratch() {
    static const CScratch scratch = [] {
        const std::string& root = fuzz::ScratchFolder("zip-fuzz");
        CScratch made{root, root + "/in/archive.zip", root + "/a/b/out"};
        fs::create_directories(root + "/in");
        fs::create_directories(made.m_strOutput);
        return made;
    }();
    return scratch;
}

void Require(bool condition, const char* what) {
    fuzz::Require(condition, "zip_reader_fuzzer", what);
}

// The scratch tree outside the output folder must be exactly as it was made.
void CheckNothingEscaped(const CScratch& scratch) {
    const auto names = [](const std::string& folder) {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder)) {
            found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    Require(names(scratch.m_strRoot) == std::vector<std::string>{"a", "in"},
            "wrote beside the output");
    Require(names(scratch.m_strRoot + "/in") == std::vector<std::string>{"archive.zip"},
            "wrote beside the archive");
    Require(names(scratch.m_strRoot + "/a") == std::vector<std::string>{"b"},
            "wrote above the output");
    Require(names(scratch.m_strRoot + "/a/b") == std::vector<std::string>{"out"},
            "wrote above the output");
}

void EmptyFolder(const std::string& folder) {
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error) && !it->is_symlink(error)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
        }
    }
    for (const auto& entry : fs::directory_iterator(folder)) {
        fs::remove_all(entry.path());
    }
}

void ExtractEverything(const std::string& archive, const std::string& output) {
    zip::CZipReader reader;
    try {
        reader.OpenArchive(archive, 1, 0);
    } catch (const platform::CException&) {
        Require(reader.EntryCount() == 0, "a refused archive kept entries");
        return;
    }
    for (int i = 0; i < reader.EntryCount(); ++i) {
        zip::CZipEntry entry;
        Require(reader.ReadEntryHeader(entry, i), "an entry header could not be read");
        const bool directory = reader.IsDirectoryEntry(i);
        // What this entry writes is checked alone: an earlier entry of the same name goes first.
        const bool checked = !directory && zip::IsConfinedEntryName(entry.GetFileName());
        const std::string written = platform::ResolvePath(
            output + "/" + zip::CZipPathSplit::PathNoDrive(entry.GetFileName()));
        if (checked) {
            std::error_code error;
            if (fs::is_regular_file(fs::symlink_status(written, error))) {
                fs::remove(written, error);
            }
        }
        try {
            reader.ExtractEntry(i, output);
        } catch (const platform::CException&) {
            // A damaged entry; the reader goes on with the next.
        }
        if (checked) {
            struct stat info {};
            if (::lstat(written.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
                Require(static_cast<std::uint64_t>(info.st_size) <= entry.m_nUncompressedSize,
                        "an entry yielded more than it declares");
            }
        }
    }
    try {
        reader.CloseArchive();
    } catch (const platform::CException&) {
        reader.CloseArchive(true);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CScratch& scratch = Scratch();
    {
        std::ofstream out(scratch.m_strArchive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ExtractEverything(scratch.m_strArchive, scratch.m_strOutput);
    CheckNothingEscaped(scratch);
    EmptyFolder(scratch.m_strOutput);
    return 0;
}
