#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "WadDirectory.h"

namespace bsp {

// A file where the game finds it: loose in a search folder, or in a pak file.
struct SGameFile {
    std::string m_strPath;  // the loose file, or the pak file holding it
    bool m_bInPak = false;
    std::uint32_t m_nOffset = 0;  // the entry's bytes inside the pak file
    std::uint32_t m_nLength = 0;
};

// What a WAD file named by a map gives the check.
struct SWadContents {
    bool m_bFound = false;
    std::string m_strError;                      // why it could not be read, when found
    std::unordered_set<std::string> m_textures;  // lower-cased names
};

// The folders the game searches for a mod's files, in its order: the mod
// directory, <mod>_downloads and <mod>_addon beside it when present, the
// fallback_dir its liblist.gam names, and the base game's "valve" folder.
// Names are matched ignoring letter case, as on Windows; each folder is
// listed, and each pak and WAD file read, once for the object's life.
class CGameFiles {
  public:
    explicit CGameFiles(const std::string& modDir);
    CGameFiles(const CGameFiles&) = delete;
    CGameFiles& operator=(const CGameFiles&) = delete;

    const std::string& ModDirectory() const { return m_strModDir; }
    const std::vector<std::string>& SearchFolders() const { return m_searchFolders; }

    // The file the game opens for a path below a search folder
    // ("gfx/env/xenup.tga"; '\' counts as '/'). None for a path that climbs
    // out with "..".
    std::optional<SGameFile> Find(std::string_view relativePath);
    // The textures of a WAD file the game finds by its file name.
    const SWadContents& Wad(std::string_view fileName);
    // The start of a text file (at most maxBytes); none when it cannot be read.
    std::optional<std::string> ReadText(const SGameFile& file, std::size_t maxBytes);

    // The entry of a folder a name stands for, letter case ignored (the name
    // as written first, else the first in byte order): its full path, or
    // empty when the folder has none of that kind.
    std::string FindEntry(const std::string& folder, std::string_view name, bool wantFolder);

  private:
    struct SFolder {
        std::unordered_set<std::string> m_names;
        std::unordered_set<std::string> m_folders;
        std::unordered_map<std::string, std::string> m_firstByCase;
    };
    struct SPak {
        std::string m_strPath;
        std::unordered_map<std::string, SPakEntry> m_entries;  // by lower-cased name
    };

    const SFolder& Listing(const std::string& folder);
    const std::vector<SPak>& Paks(std::size_t searchFolder);
    void AddSearchFolder(const std::string& parent, std::string_view name);
    std::string FallbackFolderName();

    std::string m_strModDir;
    std::vector<std::string> m_searchFolders;
    std::unordered_map<std::string, SFolder> m_listings;
    std::map<std::size_t, std::vector<SPak>> m_paks;
    std::unordered_map<std::string, SWadContents> m_wads;
};

}  // namespace bsp
