#include "CliApplication.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "CliOptions.h"
#include "StdoutLogSink.h"
#include "TerminalMessageBoxHost.h"
#include "install/InstallEngine.h"
#include "platform/FileSystem.h"
#include "settings/ModDirDiscovery.h"
#include "settings/ModDirValidation.h"
#include "settings/SettingsStore.h"

namespace cli {
namespace {

constexpr const char* kApplicationName = "quarvel-cli";
constexpr const char* kVersion = "0.1.0";

int UsageError(const std::string& message) {
    std::cerr << kApplicationName << ": " << message << '\n';
    return kExitUsage;
}

CTerminalMessageBoxHost MakeMessageBoxes(const SCliOptions& options) {
    return CTerminalMessageBoxHost(options.m_eAnswer, std::cin, std::cerr, kApplicationName);
}

int ListModDirectories(const SCliOptions& options, platform::CSettingsKeys& keys) {
    CTerminalMessageBoxHost messageBoxes = MakeMessageBoxes(options);
    const std::vector<std::string> candidates = settings::FindModDirCandidates(messageBoxes, keys);
    for (const std::string& candidate : candidates) {
        std::cout << candidate << '\n';
    }
    return candidates.empty() ? kExitCancelled : kExitInstalled;
}

int SetModDirectory(const SCliOptions& options, platform::CSettingsKeys& keys) {
    // Made absolute, but otherwise checked exactly as typed into the dialog.
    std::error_code ignored;
    std::string directory = std::filesystem::absolute(*options.m_strSetModDir, ignored).string();
    CTerminalMessageBoxHost messageBoxes = MakeMessageBoxes(options);
    switch (settings::ValidateModDirectory(directory, messageBoxes)) {
        case settings::EModDirCheck::kAccepted:
            break;
        case settings::EModDirCheck::kDeclined:
            return kExitCancelled;
        default:
            return kExitUsage;
    }
    settings::CSettingsStore store(messageBoxes, keys);
    if (!store.StoreModDirectory(directory)) {
        return kExitWithErrors;
    }
    std::cout << directory << '\n';
    return kExitInstalled;
}

// The mod directory to install into: --mod-dir, else the stored one. Empty
// after a message when there is none that can be used.
std::string ChooseModDirectory(const SCliOptions& options, platform::CSettingsKeys& keys) {
    std::string directory;
    if (options.m_strModDir) {
        directory = platform::NormalisePath(*options.m_strModDir);
    } else if (const auto stored = settings::ReadStoredModDirectory(keys)) {
        directory = platform::NormalisePath(*stored);
    } else {
        UsageError(
            "no mod directory: give one with --mod-dir DIR, or store one with "
            "--set-mod-dir DIR (or in Quarvel's configuration)");
        return {};
    }
    if (platform::PathKind(directory) != -1) {
        UsageError("the mod directory " + directory + " is not an existing folder");
        return {};
    }
    return platform::ResolvePath(directory);
}

int InstallPaths(const SCliOptions& options, platform::CSettingsKeys& keys) {
    const std::string modDirectory = ChooseModDirectory(options, keys);
    if (modDirectory.empty()) {
        return kExitUsage;
    }
    if (options.m_paths.empty()) {
        return UsageError("nothing to install: give at least one PATH (see --help)");
    }
    std::vector<std::string> paths;
    for (const std::string& path : options.m_paths) {
        paths.push_back(platform::NormalisePath(path));
    }

    CTerminalMessageBoxHost messageBoxes = MakeMessageBoxes(options);
    CStdoutLogSink logSink(stdout);
    install::CInstallEngine engine(messageBoxes, logSink);
    engine.SetModDirectory(modDirectory);
    engine.InstallPaths(paths);

    // A path that installed nothing without the user's say is a failure, even
    // beside a Cancel; declining everything a path held is the user's choice.
    const install::CInstallEngine::SDropSummary& summary = engine.GetDropSummary();
    if (summary.m_nErrors > 0 || summary.m_nFailedPaths > 0) {
        return kExitWithErrors;
    }
    if (summary.m_bCancelled || summary.m_nDeclinedPaths > 0) {
        return kExitCancelled;
    }
    return kExitInstalled;
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, platform::CSettingsKeys& keys) {
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
    if (options->m_bListModDirs) {
        return ListModDirectories(*options, keys);
    }
    if (options->m_strSetModDir) {
        return SetModDirectory(*options, keys);
    }
    return InstallPaths(*options, keys);
}

}  // namespace cli
