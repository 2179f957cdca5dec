#include "CliApplication.h"

#include <cstdio>
#include <iostream>

#include "CliOptions.h"
#include "StdoutLogSink.h"
#include "TerminalMessageBoxHost.h"
#include "install/InstallEngine.h"
#include "platform/FileSystem.h"

namespace cli {
namespace {

constexpr const char* kApplicationName = "quarvel-cli";
constexpr const char* kVersion = "0.1.0";

int UsageError(const std::string& message) {
    std::cerr << kApplicationName << ": " << message << '\n';
    return kExitUsage;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments) {
    std::string error;
    const std::optional<SCliOptions> options = ParseCliOptions(arguments, error);
    if (!options) {
        return UsageError(error + " (see --help)");
    }
    if (options->m_bHelp) {
        std::cout << UsageText();
        return kExitInstalled;
    }
    if (options->m_bVersion) {
        std::cout << kApplicationName << ' ' << kVersion << '\n';
        return kExitInstalled;
    }
    if (!options->m_strModDir) {
        return UsageError("no mod directory: give one with --mod-dir DIR");
    }
    std::string modDirectory = NormalisePath(*options->m_strModDir);
    if (platform::PathKind(modDirectory) != -1) {
        return UsageError("the mod directory " + modDirectory + " is not an existing folder");
    }
    modDirectory = platform::ResolvePath(modDirectory);
    if (options->m_paths.empty()) {
        return UsageError("nothing to install: give at least one PATH (see --help)");
    }
    std::vector<std::string> paths;
    for (const std::string& path : options->m_paths) {
        paths.push_back(NormalisePath(path));
    }

    CTerminalMessageBoxHost messageBoxes(options->m_eAnswer, std::cin, std::cerr, kApplicationName);
    CStdoutLogSink logSink(stdout);
    install::CInstallEngine engine(messageBoxes, logSink);
    engine.SetModDirectory(modDirectory);
    engine.InstallPaths(paths);

    if (engine.IsAborted()) {
        return kExitCancelled;
    }
    return engine.GetErrorCount() > 0 ? kExitWithErrors : kExitInstalled;
}

}  // namespace cli
