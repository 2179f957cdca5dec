#pragma once

#include <string>
#include <vector>

#include "Process.h"

namespace quarvel::test {

// Runs quarvel-cli as a real process in a folder, with the given standard input
// and extra environment ("NAME=value"), and collects what it wrote.
inline SProcessResult RunCliProcess(const std::vector<std::string>& arguments,
                                    const std::string& workingFolder, const std::string& input,
                                    const std::vector<std::string>& environment) {
    return RunProcess(QUARVEL_CLI_PATH, arguments, workingFolder, input, environment);
}

}  // namespace quarvel::test
