#pragma once

#include <memory>
#include <string>
#include <vector>

#include "TempFolder.h"

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

// A program started in the background with a pipe on its standard input, so a
// test can answer its questions when it chooses, or kill it half-way.
class CRunningProcess {
  public:
    CRunningProcess(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& workingFolder,
                    const std::vector<std::string>& environment = {});
    ~CRunningProcess();
    CRunningProcess(const CRunningProcess&) = delete;
    CRunningProcess& operator=(const CRunningProcess&) = delete;

    // Waits until the program has written text to its standard error (true),
    // or has ended or seconds have passed without it (false).
    bool WaitForError(const std::string& text, int seconds = 30);
    void Write(const std::string& text);
    void Kill(int signal);
    // Closes its input, waits for it to end and collects what it wrote.
    SProcessResult Finish();

  private:
    std::unique_ptr<CTempFolder> m_streams;  // the files its output goes to
#ifdef _WIN32
    void* m_hInput = nullptr;  // HANDLEs
    void* m_hProcess = nullptr;
#else
    int m_hInput = -1;
    int m_nPid = -1;
#endif
};

// A file of the source tree, e.g. "tests/support/make_rar.py".
inline std::string SourceFile(const std::string& relative) {
    return NativePath(std::string(QUARVEL_SOURCE_TREE) + "/" + relative);
}

// Runs a tool that builds test input (zip, 7z, bsdtar, python3) and fails the
// test when it does not succeed. arguments[0] is the program.
void RunTool(const std::string& workingFolder, const std::vector<std::string>& arguments);

}  // namespace quarvel::test
