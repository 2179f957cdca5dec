#include "Process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "TempFolder.h"

namespace quarvel::test {

SProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& workingFolder, const std::string& input,
                          const std::vector<std::string>& environment) {
    // Files, not pipes, carry the streams: nothing can block on a full pipe.
    CTempFolder streams;
    WriteFile(streams / "in", input);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(workingFolder.c_str()) != 0) {
            ::_exit(125);
        }
        const char* names[] = {"in", "out", "err"};
        for (int fd = 0; fd < 3; ++fd) {
            const int file = ::open((streams / names[fd]).c_str(),
                                    fd == 0 ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (file < 0 || ::dup2(file, fd) < 0) {
                ::_exit(125);
            }
            ::close(file);
        }
        for (const std::string& variable : environment) {
            ::putenv(const_cast<char*>(variable.c_str()));
        }
        std::vector<std::string> copies = arguments;
        std::string name = program;
        std::vector<char*> argv = {name.data()};
        for (std::string& argument : copies) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        ::execvp(name.c_str(), argv.data());
        ::_exit(126);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    SProcessResult result;
    result.m_nExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.m_strOut = ReadFile(streams / "out");
    result.m_strErr = ReadFile(streams / "err");
    return result;
}

void RunTool(const std::string& workingFolder, const std::vector<std::string>& arguments) {
    ASSERT_FALSE(arguments.empty());
    const SProcessResult result =
        RunProcess(arguments[0], {arguments.begin() + 1, arguments.end()}, workingFolder);
    ASSERT_EQ(result.m_nExitStatus, 0) << arguments[0] << " failed in " << workingFolder << ":\n"
                                       << result.m_strOut << result.m_strErr;
}

}  // namespace quarvel::test
