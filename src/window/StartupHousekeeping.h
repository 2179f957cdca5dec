#pragma once

#include <string>
#include <vector>

#include "platform/MessageBoxHost.h"

namespace window {

// The system folders that receive a debug runtime library found in the
// working folder at start-up: none on Linux, where there is no such thing.
std::vector<std::string> HousekeepingFolders();

// At start-up, before the main window: a "mfc42d.dll" in the working folder
// is copied into each of the folders that lacks one (an existing copy is left
// as it is) and then deleted. When none of the folders ends up holding it,
// "Error G1" is shown and the local file, then its only copy, is kept; a
// failed deletion shows "Error G2". The boxes have no owner yet.
void RunStartupHousekeeping(const std::string& workingFolder,
                            const std::vector<std::string>& systemFolders,
                            platform::CMessageBoxHost& messageBoxes);

}  // namespace window
