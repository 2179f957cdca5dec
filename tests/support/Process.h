#pragma once

#include <string>
#include <vector>

namespace quarvel::test {

struct SProcessResult {
    int m_nExitStatus = -1;
    std::string m_strOut;
    std::string m_strErr;
};

// Runs a program (found on PATH when it has no '/') as a real process in a
// folder, with the given standard input and extra environment ("NAME=value"),
// and collects what it wrote.
SProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& workingFolder, const std::string& input = "",
                          const std::vector<std::string>& environment = {});

// Runs a tool that builds test input (zip, 7z, bsdtar, python3) and fails the
// test when it does not succeed. arguments[0] is the program.
void RunTool(const std::string& workingFolder, const std::vector<std::string>& arguments);

}  // namespace quarvel::test
