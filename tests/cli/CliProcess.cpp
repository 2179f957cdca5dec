#include "CliProcess.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace quarvel::test {

SProcessResult RunCliProcess(const std::vector<std::string>& arguments,
                             const std::string& workingFolder, const std::string& input,
                             const std::vector<std::string>& environment) {
    int in[2];
    int out[2];
    int err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::signal(SIGPIPE, SIG_IGN);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(in[0], 0);
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
            ::close(fd);
        }
        if (::chdir(workingFolder.c_str()) != 0) {
            ::_exit(125);
        }
        for (const std::string& variable : environment) {
            ::putenv(const_cast<char*>(variable.c_str()));
        }
        std::vector<char*> argv;
        std::string program = QUARVEL_CLI_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copies = arguments;
        for (std::string& argument : copies) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(126);
    }
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    // Input is small: write it all, then end it, so the program sees end of input.
    for (std::size_t done = 0; done < input.size();) {
        const ssize_t put = ::write(in[1], input.data() + done, input.size() - done);
        if (put <= 0) {
            break;
        }
        done += static_cast<std::size_t>(put);
    }
    ::close(in[1]);

    SProcessResult result;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.m_strOut, &result.m_strErr};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0 && errno != EINTR) {
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP))) {
                char buffer[4096];
                const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
                if (got > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(got));
                } else {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    result.m_nExitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

}  // namespace quarvel::test
