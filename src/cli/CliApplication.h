#pragma once

#include <string>
#include <vector>

#include "platform/SettingsKey.h"

namespace cli {

// Exit statuses of quarvel-cli.
enum EExitStatus : int {
    kExitInstalled = 0,
    kExitCancelled = 1,
    kExitUsage = 2,
    kExitWithErrors = 3,
    kExitMapIncomplete = 4,  // --check-map: a map lacks something it needs
};

// Runs the command line with the arguments after the program name, keeping
// its settings in the keys given.
int RunCli(const std::vector<std::string>& arguments, platform::CSettingsKeys& keys);

}  // namespace cli
