#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <thread>

#include "Process.h"

// Under Wine the tests start two kinds of program: Windows programs of this
// build, through CreateProcess as on Windows, and the Linux tools that make
// test input (python3, zip, 7z, bsdtar). Wine starts a Linux program from
// CreateProcess too, but hands it none of the Windows handles, so a tool runs
// through /bin/sh, which sets its folder and its output files itself, with
// every Windows path among its arguments made the Linux path Wine maps it to.

namespace quarvel::test {
namespace {

std::wstring Wide(const std::string& text) {
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size - 1 : 0), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), size);
    return wide;
}

// One argument quoted as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// Wine's own mapping of a Windows path to the Linux one; the path itself
// when it is none (or when not under Wine).
std::string UnixPath(const std::string& path) {
    using Mapper = char* (*)(const wchar_t*);
    static const auto mapper = reinterpret_cast<Mapper>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    const bool windowsPath = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    if (!mapper || !windowsPath) {
        return path;
    }
    char* mapped = mapper(Wide(path).c_str());
    if (!mapped) {
        return path;
    }
    std::string result = mapped;
    ::HeapFree(::GetProcessHeap(), 0, mapped);
    return result;
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

bool IsWindowsProgram(const std::string& program) {
    return program.size() > 4 && _stricmp(program.c_str() + program.size() - 4, ".exe") == 0;
}

struct SStarted {
    HANDLE m_hProcess = nullptr;
    HANDLE m_hInput = nullptr;  // the writing end of its input, when asked for
};

SStarted Spawn(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& workingFolder, const std::vector<std::string>& environment,
               const CTempFolder& streams, const std::string* input) {
    std::wstring command;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    HANDLE files[3] = {};
    SStarted started;
    if (IsWindowsProgram(program)) {
        command = Quoted(Wide(program));
        for (const std::string& argument : arguments) {
            command += L" " + Quoted(Wide(argument));
        }
        files[1] = ::CreateFileW(Wide(streams / "out").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                 &inherit, CREATE_ALWAYS, 0, nullptr);
        files[2] = ::CreateFileW(Wide(streams / "err").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                 &inherit, CREATE_ALWAYS, 0, nullptr);
        if (input) {
            WriteFile(streams / "in", *input);
            files[0] = ::CreateFileW(Wide(streams / "in").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                     &inherit, OPEN_EXISTING, 0, nullptr);
        } else {
            HANDLE reading = nullptr;
            ::CreatePipe(&reading, &started.m_hInput, &inherit, 0);
            ::SetHandleInformation(started.m_hInput, HANDLE_FLAG_INHERIT, 0);
            files[0] = reading;
        }
        startup.hStdInput = files[0];
        startup.hStdOutput = files[1];
        startup.hStdError = files[2];
    } else {
        WriteFile(streams / "in", input ? *input : std::string());
        std::string script = "cd " + ShellQuoted(UnixPath(workingFolder)) + " && exec";
        for (const std::string& variable : environment) {
            script += " " + ShellQuoted(variable);
        }
        script =
            (environment.empty() ? script
                                 : script.replace(script.find(" && exec"), 8, " && exec env")) +
            " " + ShellQuoted(program);
        for (const std::string& argument : arguments) {
            script += " " + ShellQuoted(UnixPath(argument));
        }
        script += " <" + ShellQuoted(UnixPath(streams / "in")) + " >" +
                  ShellQuoted(UnixPath(streams / "out")) + " 2>" +
                  ShellQuoted(UnixPath(streams / "err"));
        command = L"/bin/sh -c " + Quoted(Wide(script));
    }
    std::wstring block;
    if (IsWindowsProgram(program) && !environment.empty()) {
        // The current environment with the extra variables over it.
        wchar_t* current = ::GetEnvironmentStringsW();
        for (const wchar_t* at = current; *at; at += wcslen(at) + 1) {
            block.append(at).push_back(L'\0');
        }
        ::FreeEnvironmentStringsW(current);
        for (const std::string& variable : environment) {
            block.append(Wide(variable)).push_back(L'\0');
        }
        block.push_back(L'\0');
    }
    PROCESS_INFORMATION process{};
    const std::wstring folder = Wide(workingFolder);
    const BOOL ok = ::CreateProcessW(
        nullptr, command.data(), nullptr, nullptr, TRUE,
        block.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT, block.empty() ? nullptr : block.data(),
        IsWindowsProgram(program) ? folder.c_str() : nullptr, &startup, &process);
    for (HANDLE file : files) {
        if (file && file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
        }
    }
    if (!ok) {
        ADD_FAILURE() << "cannot start " << program << ": error " << ::GetLastError();
        return started;
    }
    ::CloseHandle(process.hThread);
    started.m_hProcess = process.hProcess;
    return started;
}

std::string ReadStream(const std::string& path) {
    return Exists(path) ? ReadFile(path) : std::string();
}

SProcessResult Collect(HANDLE process, const CTempFolder& streams) {
    SProcessResult result;
    if (process) {
        ::WaitForSingleObject(process, INFINITE);
        DWORD code = 0;
        ::GetExitCodeProcess(process, &code);
        ::CloseHandle(process);
        result.m_nExitStatus = static_cast<int>(code);
    }
    result.m_strOut = ReadStream(streams / "out");
    result.m_strErr = ReadStream(streams / "err");
    return result;
}

}  // namespace

SProcessResult RunProcess(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& workingFolder, const std::string& input,
                          const std::vector<std::string>& environment) {
    CTempFolder streams;
    const SStarted started = Spawn(program, arguments, workingFolder, environment, streams, &input);
    return Collect(started.m_hProcess, streams);
}

CRunningProcess::CRunningProcess(const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const std::string& workingFolder,
                                 const std::vector<std::string>& environment)
    : m_streams(std::make_unique<CTempFolder>()) {
    const SStarted started =
        Spawn(program, arguments, workingFolder, environment, *m_streams, nullptr);
    m_hProcess = started.m_hProcess;
    m_hInput = started.m_hInput;
}

CRunningProcess::~CRunningProcess() {
    if (m_hProcess) {
        ::TerminateProcess(m_hProcess, 137);
        Finish();
    }
}

bool CRunningProcess::WaitForError(const std::string& text, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (ReadStream(*m_streams / "err").find(text) != std::string::npos) {
            return true;
        }
        if (::WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0) {
            return false;  // ended without writing it
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

void CRunningProcess::Write(const std::string& text) {
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(m_hInput, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    ASSERT_EQ(written, text.size());
}

void CRunningProcess::Kill(int signal) {
    // What a shell reports for a process a signal ended.
    ::TerminateProcess(m_hProcess, static_cast<UINT>(128 + signal));
}

SProcessResult CRunningProcess::Finish() {
    if (m_hInput) {
        ::CloseHandle(m_hInput);
        m_hInput = nullptr;
    }
    const SProcessResult result = Collect(m_hProcess, *m_streams);
    m_hProcess = nullptr;
    return result;
}

}  // namespace quarvel::test
