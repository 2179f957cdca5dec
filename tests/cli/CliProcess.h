#pragma once

#include <string>
#include <vector>

namespace quarvel::test {

struct SProcessResult {
    int m_nExitStatus = -1;
    std::string m_strOut;
    std::string m_strErr;
};

// Runs quarvel-cli as a real process in a folder, with the given standard input
// and extra environment ("NAME=value"), and collects what it wrote.
SProcessResult RunCliProcess(const std::vector<std::string>& arguments,
                             const std::string& workingFolder, const std::string& input,
                             const std::vector<std::string>& environment);

}  // namespace quarvel::test
