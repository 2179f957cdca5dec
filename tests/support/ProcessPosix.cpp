#include "Process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace quarvel::test {
namespace {

// Starts the program with its input from inputFd and its output in files of
// the streams folder ("out", "err"). Files, not pipes, carry the output:
// nothing can block on a full pipe.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& workingFolder, const std::vector<std::string>& environment,
            const CTempFolder& streams, int inputFd, int otherFd) {
    const pid_t child = ::fork();
    if (child != 0) {
        return child;
    }
    if (::chdir(workingFolder.c_str()) != 0 || ::dup2(inputFd, 0) < 0) {
        ::_exit(125);
    }
    const char* names[] = {"out", "err"};
    for (int fd = 1; fd < 3; ++fd) {
        const int file =
            ::open((streams / names[fd - 1]).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (file < 0 || ::dup2(file, fd) < 0) {
            ::_exit(125);
        }
        ::close(file);
    }
    ::close(inputFd);
    if (otherFd >= 0) {
        ::close(otherFd);
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

// What a stream file holds; empty while the child has not made it yet.
std::string ReadStream(const std::string& path) {
    return Exists(path) ? ReadFile(path) : std::string();
}

SProcessResult Collect(pid_t child, const CTempFolder& streams) {
    int status = 0;
    ::waitpid(child, &status, 0);
    SProcessResult result;
    result.m_nExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.m_strOut = ReadStream(streams / "out");
    result.m_strErr = ReadStream(streams / "err");
    return result;
}

}  // namespace

SProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& workingFolder, const std::string& input,
                          const std::vector<std::string>& environment) {
    CTempFolder streams;
    WriteFile(streams / "in", input);
    const int inputFd = ::open((streams / "in").c_str(), O_RDONLY);
    const pid_t child = Spawn(program, arguments, workingFolder, environment, streams, inputFd, -1);
    ::close(inputFd);
    return Collect(child, streams);
}

CRunningProcess::CRunningProcess(const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const std::string& workingFolder,
                                 const std::vector<std::string>& environment)
    : m_streams(std::make_unique<CTempFolder>()) {
    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipe";
        return;
    }
    m_nPid = Spawn(program, arguments, workingFolder, environment, *m_streams, input[0], input[1]);
    ::close(input[0]);
    m_hInput = input[1];
}

CRunningProcess::~CRunningProcess() {
    if (m_nPid > 0) {
        ::kill(m_nPid, SIGKILL);
        Finish();
    }
}

bool CRunningProcess::WaitForError(const std::string& text, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (ReadStream(*m_streams / "err").find(text) != std::string::npos) {
            return true;
        }
        siginfo_t info{};
        if (::waitid(P_PID, static_cast<id_t>(m_nPid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            info.si_pid == m_nPid) {
            return false;  // ended without writing it
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void CRunningProcess::Write(const std::string& text) {
    ASSERT_EQ(::write(m_hInput, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

void CRunningProcess::Kill(int signal) {
    ::kill(m_nPid, signal);
}

SProcessResult CRunningProcess::Finish() {
    if (m_hInput >= 0) {
        ::close(m_hInput);
        m_hInput = -1;
    }
    const SProcessResult result = Collect(m_nPid, *m_streams);
    m_nPid = -1;
    return result;
}

}  // namespace quarvel::test
