#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "CliApplication.h"
#include "platform/SettingsKey.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

int Run(const std::vector<std::string>& arguments) {
    // Nothing escapes: a fault the engine does not handle is reported, never a crash.
    try {
        platform::CSystemSettingsKeys settingsKeys;
        return cli::RunCli(arguments, settingsKeys);
    } catch (const std::exception& fault) {
        std::cerr << "quarvel-cli\nUnexpected error: " << fault.what() << '\n';
    } catch (...) {
        std::cerr << "quarvel-cli\nUnexpected error\n";
    }
    return cli::kExitWithErrors;
}

}  // namespace

#ifdef _WIN32
// The arguments arrive as UTF-16, so names outside the ANSI code page survive;
// inside the program text is UTF-8, and so is what the console is given.
int wmain(int argc, wchar_t** argv) {
    ::SetConsoleOutputCP(CP_UTF8);
    ::SetConsoleCP(CP_UTF8);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        const int size =
            ::WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, argument.data(), size, nullptr, nullptr);
        arguments.push_back(std::move(argument));
    }
    return Run(arguments);
}
#else
int main(int argc, char** argv) {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
