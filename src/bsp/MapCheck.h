#pragma once

#include <string>
#include <vector>

#include "GameFiles.h"

namespace bsp {

// What the check found for one map.
struct SMapCheck {
    std::string m_strMap;    // the file name without ".bsp": "de_x"
    std::string m_strPath;   // the map file checked
    std::string m_strError;  // why the map could not be read; nothing below is set then
    std::vector<std::string> m_missingFiles;     // paths below the mod directory
    std::vector<std::string> m_missingTextures;  // in none of the map's WAD files
    std::vector<std::string> m_damagedWads;      // "de_x.wad (why)"
    bool m_bOverview = false;                    // overviews/<map>.txt is there
    std::vector<std::string> m_missingOptional;  // overview text or image

    // Everything the map needs is there (the overview aside).
    bool IsComplete() const {
        return m_strError.empty() && m_missingFiles.empty() && m_missingTextures.empty() &&
               m_damagedWads.empty();
    }
};

// Checks maps against where the game looks for a mod's files. One checker
// serves many maps: folders are listed and WAD files read once.
class CMapChecker {
  public:
    explicit CMapChecker(const std::string& modDir) : m_files(modDir) {}

    // packageFolder is where an installed map came from: a <map>.res beside
    // it there makes maps/<map>.res one of the files the map needs.
    SMapCheck Check(const std::string& mapPath, const std::string& packageFolder = {});

    CGameFiles& Files() { return m_files; }

  private:
    void CheckResourceList(const std::string& map, const std::string& packageFolder,
                           SMapCheck& check);
    void CheckOverview(SMapCheck& check);

    CGameFiles m_files;
};

// The check as install log lines ("\r\n" ends): "de_x: everything it needs
// is present." or "de_x needs 2 files that are not installed: de_x.wad,
// gfx/env/xenup.tga", and a line for textures found in no WAD file.
std::string MapCheckLog(const SMapCheck& check);

// The map files of a mod directory's maps folder, in byte order of their names.
std::vector<std::string> FindModMaps(CGameFiles& files);

// Every map of a mod directory, checked, with a line before and a count after.
std::string CheckModMapsLog(const std::string& modDir);

// A map a package has just installed, and the file it was copied from.
struct SInstalledMap {
    std::string m_strMapFile;
    std::string m_strSourceFile;
};
// The log lines of the check after a package's install.
std::string CheckInstalledMapsLog(const std::string& modDir,
                                  const std::vector<SInstalledMap>& maps);

}  // namespace bsp
