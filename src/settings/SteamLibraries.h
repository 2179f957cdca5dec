#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace settings {

// The library folders a Steam "libraryfolders.vdf" lists, in file order: the
// "path" of every numbered block in the current form
//   "libraryfolders" { "0" { "path" "..." } "1" { ... } }
// and every numbered value in the old form
//   "LibraryFolders" { "TimeNextStatsReport" "..." "1" "D:\\Games" }.
// Key case is ignored and keys that are not numbers are skipped. A damaged
// file gives the libraries read before the damage.
std::vector<std::string> ParseLibraryFolders(std::string_view text);

// Reads "libraryfolders.vdf" (any letter case) from a Steam library's
// steamapps folder; nothing when it is missing or unreadable.
std::vector<std::string> ReadLibraryFolders(const std::string& steamAppsFolder);

}  // namespace settings
