// Drops an archive made of the fuzz input onto a whole install, into a scratch
// mod directory, answering Yes to every question. Checks that nothing is
// written outside the mod directory and the staging base, that staging is
// gone afterwards, and that every installed file holds the bytes of an entry
// the archive declares.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "FuzzScratch.h"
#include "install/InstallEngine.h"
#include "install/InstallPaths.h"
#include "platform/LogSink.h"
#include "platform/MessageBoxHost.h"
#include "zip/ZipReader.h"

namespace fs = std::filesystem;

namespace {

struct CScratch {
    std::string m_strRoot;
    std::string m_strArchive;  // in/drop.zip
    std::string m_strMod;      // hl/cstrike, with hl/hl.exe beside it
    std::string m_strCache;    // the staging base
};

const CScratch& Scratch() {
    static const CScratch scratch = [] {
        const std::string& root = fuzz::ScratchFolder("install-fuzz");
        CScratch made{root, root + "/in/drop.zip", root + "/hl/cstrike", root + "/cache"};
        fs::create_directories(root + "/in");
        fs::create_directories(root + "/hl");
        std::ofstream(root + "/hl/hl.exe").flush();
        return made;
    }();
    return scratch;
}

void Require(bool condition, const char* what) {
    fuzz::Require(condition, "install_fuzzer", what);
}

class CYesToAll : public platform::CMessageBoxHost {
  public:
    int MessageBox(const std::string&, const std::string&, unsigned type) override {
        return (type & platform::kMbButtonMask) == platform::kMbOk ? platform::kIdOk
                                                                   : platform::kIdYes;
    }
};

class CNoLog : public platform::CLogSink {
  public:
    void ShowLog(std::string_view, std::size_t) override {}
};

// A fresh mod directory with the folders a game has.
void MakeModDirectory(const CScratch& scratch) {
    std::error_code error;
    fs::remove_all(scratch.m_strMod, error);
    for (const char* folder : {"maps", "models/player", "sound/weapons", "sound/ambience",
                               "sprites", "gfx/env", "gfx/vgui", "overviews"}) {
        fs::create_directories(scratch.m_strMod + "/" + folder);
    }
}

// (CRC-32, size) of every file entry the archive declares; whether it holds
// archives of its own, whose entries are not listed here.
std::set<std::pair<std::uint32_t, std::uint64_t>> DeclaredContents(const std::string& archive,
                                                                   bool& nested) {
    std::set<std::pair<std::uint32_t, std::uint64_t>> declared;
    nested = false;
    zip::CZipReader reader;
    try {
        reader.OpenArchive(archive, 1, 0);
    } catch (const platform::CException&) {
        return declared;
    }
    for (int i = 0; i < reader.EntryCount(); ++i) {
        zip::CZipEntry entry;
        if (reader.ReadEntryHeader(entry, i)) {
            declared.emplace(entry.m_nCrc32, entry.m_nUncompressedSize);
            nested = nested || install::IsArchivePath(entry.GetFileName());
        }
    }
    reader.CloseArchive(true);
    return declared;
}

std::pair<std::uint32_t, std::uint64_t> ContentOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
    return {crc, bytes.size()};
}

void CheckInstall(const CScratch& scratch) {
    // Beside the mod directory and the staging base, the tree is as it was made.
    std::vector<std::string> top;
    for (const auto& entry : fs::directory_iterator(scratch.m_strRoot)) {
        top.push_back(entry.path().filename().string());
    }
    std::sort(top.begin(), top.end());
    Require(top == std::vector<std::string>{"cache", "hl", "in"} ||
                top == std::vector<std::string>{"hl", "in"},
            "wrote beside the mod directory");
    std::vector<std::string> game;
    for (const auto& entry : fs::directory_iterator(scratch.m_strRoot + "/hl")) {
        game.push_back(entry.path().filename().string());
    }
    std::sort(game.begin(), game.end());
    Require(game == std::vector<std::string>{"cstrike", "hl.exe"}, "wrote beside the mod folder");
    std::vector<std::string> inputs;
    for (const auto& entry : fs::directory_iterator(scratch.m_strRoot + "/in")) {
        inputs.push_back(entry.path().filename().string());
    }
    Require(inputs == std::vector<std::string>{"drop.zip"}, "wrote beside the dropped archive");
    if (fs::exists(scratch.m_strCache)) {
        Require(fs::is_empty(scratch.m_strCache), "staging was left behind");
    }

    bool nested = false;
    const auto declared = DeclaredContents(scratch.m_strArchive, nested);
    for (const auto& entry : fs::recursive_directory_iterator(scratch.m_strMod)) {
        Require(!entry.is_symlink(), "a link was installed");
        if (entry.is_regular_file() && !nested) {
            Require(declared.contains(ContentOf(entry.path())),
                    "an installed file differs from every entry the archive declares");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CScratch& scratch = Scratch();
    {
        std::ofstream out(scratch.m_strArchive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    MakeModDirectory(scratch);
    CYesToAll answers;
    CNoLog log;
    install::CInstallEngine engine(answers, log);
    engine.SetModDirectory(scratch.m_strMod);
    engine.SetStagingBase(scratch.m_strCache);
    // Gigabytes of zeros are a valid archive, but not one to unpack a thousand
    // times an hour.
    engine.SetDropBudget({100, 10'000, 64ull << 20});
    engine.SetMapCheck(true);  // every installed map is read as well
    engine.InstallPaths({scratch.m_strArchive});
    CheckInstall(scratch);
    return 0;
}
