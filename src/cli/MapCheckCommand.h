#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cli {

// A map given to --check-map: a path to a .bsp file (it holds a '/', or it
// is an existing file ending in ".bsp"), else a map name.
bool IsMapPath(const std::string& map);

// The mod directory a map path lies in: the parent of the "maps" folder
// holding it; empty when the folder holding it is not called "maps".
std::string ModDirectoryOfMap(const std::string& mapPath);

// Checks each map, by name in the mod directory's maps folder or by path
// (against modDirectory, or when that is empty the mod directory the path
// lies in), and writes the check to out as log lines or as one JSON
// document. Returns kExitInstalled when every map has all it needs,
// kExitMapIncomplete otherwise.
int CheckMaps(const std::vector<std::string>& maps, const std::string& modDirectory, bool json,
              std::ostream& out);

}  // namespace cli
