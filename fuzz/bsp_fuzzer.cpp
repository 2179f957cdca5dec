// Reads the fuzz input as a map, a WAD file and a pak file, in memory, then
// checks it as an installed map of a scratch mod directory where the same
// bytes also stand as a WAD and a pak file. A damaged input must give a
// CBspException and nothing else; what is read must stay inside its limits.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "FuzzScratch.h"
#include "bsp/BspException.h"
#include "bsp/BspFile.h"
#include "bsp/MapCheck.h"
#include "bsp/MapNeeds.h"
#include "bsp/WadDirectory.h"

namespace fs = std::filesystem;

namespace {

struct CScratch {
    std::string m_strMod;  // hl/cstrike, with hl/valve beside it
    std::string m_strMap;
    std::string m_strWad;
    std::string m_strPak;
};

const CScratch& Scratch() {
    static const CScratch scratch = [] {
        const std::string& root = fuzz::ScratchFolder("bsp-fuzz");
        CScratch made{root + "/hl/cstrike", root + "/hl/cstrike/maps/fuzz.bsp",
                      root + "/hl/cstrike/fuzz.wad", root + "/hl/valve/pak0.pak"};
        fs::create_directories(made.m_strMod + "/maps");
        fs::create_directories(root + "/hl/valve");
        return made;
    }();
    return scratch;
}

void Require(bool condition, const char* what) {
    fuzz::Require(condition, "bsp_fuzzer", what);
}

void WriteInput(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void ReadInMemory(std::string_view bytes) {
    try {
        bsp::CMemorySource source(bytes);
        const bsp::SBspMap map = bsp::ReadBspMap(source);
        Require(map.m_textures.size() <= bsp::kMaxTextures, "more textures than the limit");
        for (const bsp::SBspTexture& texture : map.m_textures) {
            Require(texture.m_strName.size() < 17, "a texture name longer than its field");
        }
        bsp::FindMapNeeds(map);
    } catch (const bsp::CBspException& fault) {
        Require(!fault.m_strCause.empty(), "a fault without a cause");
    }
    try {
        bsp::CMemorySource source(bytes);
        Require(bsp::ReadWadDirectory(source).size() <= bytes.size() / 32,
                "more WAD entries than the file holds");
    } catch (const bsp::CBspException&) {
    }
    try {
        bsp::CMemorySource source(bytes);
        Require(bsp::ReadPakDirectory(source).size() <= bytes.size() / 64,
                "more pak entries than the file holds");
    } catch (const bsp::CBspException&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadInMemory(bytes);

    const CScratch& scratch = Scratch();
    WriteInput(scratch.m_strMap, bytes);
    WriteInput(scratch.m_strWad, bytes);
    WriteInput(scratch.m_strPak, bytes);
    bsp::CMapChecker checker(scratch.m_strMod);
    const bsp::SMapCheck check = checker.Check(scratch.m_strMap);
    const std::string log = bsp::MapCheckLog(check);
    Require(!log.empty() && log.ends_with("\r\n"), "a check without its log line");
    for (std::size_t i = 0; i < log.size(); ++i) {
        Require((log[i] == '\r') == (i + 1 < log.size() && log[i + 1] == '\n') &&
                    (log[i] != '\n' || (i > 0 && log[i - 1] == '\r')),
                "a log line broken by the map's text");
    }
    return 0;
}
