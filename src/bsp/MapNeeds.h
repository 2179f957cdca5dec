#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "BspFile.h"

namespace bsp {

// A file the map needs, as a path below a search folder.
struct SNeededFile {
    std::string m_strPath;         // as the check names it: "gfx/env/xenup.tga"
    std::string m_strAlternative;  // also accepted in its place ("gfx/env/xenup.bmp"), or empty
};

// What a map needs besides itself, read from its entities and textures.
struct SMapNeeds {
    std::vector<std::string> m_wads;   // file names, as the world's "wad" key spells them
    std::vector<SNeededFile> m_files;  // the sky's six faces, then what the entities name
    std::vector<std::string> m_externalTextures;  // textures the map expects from its WADs
};

// The file names of a "wad" key ("\half-life\valve\halflife.wad;c:/x/de_x.wad"):
// the game uses only the names, whatever folders the map's author had.
std::vector<std::string> WadFileNames(std::string_view wadKey);

// The file an entity's key names for the game to load: a model or sprite
// (.mdl, .spr) below the mod directory, a sound (.wav) below "sound"; empty
// for anything else (brush models "*3", sentences "!HG_ALERT", texts).
std::string EntityFile(std::string_view key, std::string_view value);

// Throws CBspException when the map has no world entity (worldspawn).
SMapNeeds FindMapNeeds(const SBspMap& map);

}  // namespace bsp
