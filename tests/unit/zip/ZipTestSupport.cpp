#include "ZipTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quarvel::test {

int RunCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string CaptureCommand(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << command;
        return output;
    }
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) {
        output.append(buffer, got);
    }
    const int status = ::pclose(pipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    return output;
}

std::string RunFixtureScript(const std::string& arguments) {
    return CaptureCommand("python3 " + ShellQuote(QUARVEL_ZIP_FIXTURES) + " " + arguments);
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

bool HasTool(const std::string& name) {
    return RunCommand("command -v " + ShellQuote(name) + " >/dev/null 2>&1") == 0;
}

void MakeFixture(const std::string& kind, const std::string& path) {
    const std::string command = "python3 " + ShellQuote(QUARVEL_ZIP_FIXTURES) + " " +
                                ShellQuote(kind) + " " + ShellQuote(path);
    ASSERT_EQ(RunCommand(command), 0) << "fixture " << kind << " could not be built";
}

std::vector<bool> ExtractAll(zip::CZipReader& reader, const std::string& folder) {
    std::vector<bool> results;
    for (int i = 0; i < reader.EntryCount(); ++i) {
        results.push_back(reader.ExtractEntry(i, folder));
    }
    return results;
}

std::vector<std::string> EntryNames(const zip::CZipReader& reader) {
    std::vector<std::string> names;
    for (int i = 0; i < reader.EntryCount(); ++i) {
        zip::CZipEntry entry;
        EXPECT_TRUE(reader.ReadEntryHeader(entry, i));
        names.push_back(entry.GetFileName());
    }
    return names;
}

int ModeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : -1;
}

bool IsSymlink(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

long long ModificationTime(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_mtime) : -1;
}

int OpenAccessMode(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path wanted = fs::canonical(path);
    for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const fs::path target = fs::read_symlink(fd.path(), error);
        if (error || target != wanted) {
            continue;
        }
        std::ifstream info("/proc/self/fdinfo/" + fd.path().filename().string());
        std::string key;
        while (info >> key) {
            if (key == "flags:") {
                std::string octal;
                info >> octal;
                return static_cast<int>(std::stol(octal, nullptr, 8) & O_ACCMODE);
            }
        }
    }
    return -1;
}

}  // namespace quarvel::test
