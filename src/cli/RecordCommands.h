#pragma once

#include <string>

#include "CliOptions.h"

namespace cli {

// --list-installs, --show-install ID and --undo [ID]: the records of earlier
// drops, read and undone. Each returns the exit status.
int ListInstalls(const SCliOptions& options);
int ShowInstall(const SCliOptions& options);
// modDir: the mod directory whose last drop is undone (empty: any).
int UndoInstall(const SCliOptions& options, const std::string& modDir);

}  // namespace cli
