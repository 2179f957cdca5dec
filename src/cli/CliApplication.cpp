#include "CliApplication.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

#include "CliOptions.h"
#include "MapCheckCommand.h"
#include "RecordCommands.h"
#include "StdoutLogSink.h"
#include "TerminalMessageBoxHost.h"
#include "TerminalProgress.h"
#include "install/DryRunFileOperations.h"
#include "install/InstallEngine.h"
#include "install/InstallRecorder.h"
#include "platform/FileSystem.h"
#include "settings/ModDirDiscovery.h"
#include "settings/ModDirValidation.h"
#include "settings/PathText.h"
#include "settings/SettingsStore.h"

namespace cli {
namespace {

constexpr const char* kApplicationName = "quarvel-cli";
constexpr const char* kVersion = "0.1.0";
#ifdef _WIN32
constexpr const char* kGameProgramNames = "hl.exe";
#else
constexpr const char* kGameProgramNames = "hl.exe or hl_linux";
#endif

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

// The stored mod directory, judged as the configuration dialog judges a typed
// one: the settings file may have been edited by hand, or a directory kept
// after the dialog's warning. Empty after a message when it will not do.
std::string CheckStoredModDirectory(const std::string& stored) {
    // A relative path would be resolved against whatever folder the command
    // runs in, which may be anywhere.
    const std::string directory =
        settings::IsAbsolutePath(stored) ? platform::NormalisePath(stored) : stored;
    std::string problem;
    switch (settings::InspectModDirectory(directory)) {
        case settings::EModDirState::kGood:
            return platform::ResolvePath(directory);
        case settings::EModDirState::kRelative:
            problem = "is not an absolute path";
            break;
        case settings::EModDirState::kMissing:
            problem = "is not an existing folder";
            break;
        case settings::EModDirState::kTooLong:
            problem = "is too long";
            break;
        case settings::EModDirState::kWithoutGame:
            problem = std::string("has no ") + kGameProgramNames + " beside it";
            break;
    }
    UsageError("the stored mod directory " + directory + " " + problem +
               "; store a good one with --set-mod-dir DIR");
    return {};
}

// The mod directory to install into: --mod-dir, else the stored one. Empty
// after a message when there is none that can be used.
std::string ChooseModDirectory(const SCliOptions& options, platform::CSettingsKeys& keys) {
    if (!options.m_strModDir) {
        if (const auto stored = settings::ReadStoredModDirectory(keys)) {
            return CheckStoredModDirectory(*stored);
        }
        UsageError(
            "no mod directory: give one with --mod-dir DIR, or store one with "
            "--set-mod-dir DIR (or in Quarvel's configuration)");
        return {};
    }
    const std::string directory = platform::NormalisePath(*options.m_strModDir);
    if (platform::PathKind(directory) != -1) {
        UsageError("the mod directory " + directory + " is not an existing folder");
        return {};
    }
    return platform::ResolvePath(directory);
}

void PrintDryRun(const install::CDryRunFileOperations& dryRun) {
    std::size_t replaced = 0;
    for (const auto& file : dryRun.Planned()) {
        replaced += file.m_bReplaces ? 1 : 0;
    }
    std::cout << "\nDry run: nothing was written into the mod directory. "
              << dryRun.Planned().size() << " files would be installed, " << replaced
              << " of them replacing existing files:\n";
    for (const auto& file : dryRun.Planned()) {
        std::cout << (file.m_bReplaces ? "  replace " : "  new     ") << file.m_strPath << '\n';
    }
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
    const auto fileOperations = platform::MakeFileOperations();
    // A dry run writes nothing into the mod directory and keeps no record.
    install::CDryRunFileOperations dryRun(*fileOperations, modDirectory);
    install::CInstallEngine engine(
        messageBoxes, logSink,
        options.m_bDryRun ? static_cast<platform::CFileOperations&>(dryRun) : *fileOperations);
    install::CInstallRecorder recorder(*fileOperations, platform::InstallRecordsFolder(),
                                       settings::ReadBackupDropsToKeep(keys));
    if (!options.m_bDryRun && !options.m_bNoRecord) {
        engine.SetRecorder(&recorder);
    }
    CTerminalProgress progress(stderr);
    if (progress.IsShown()) {
        engine.SetProgressSink(&progress);  // nothing to pay for where nobody sees it
    }
    engine.SetModDirectory(modDirectory);
    engine.SetMapCheck(true);
    engine.SetDryRun(options.m_bDryRun);
    engine.InstallPaths(paths);
    if (options.m_bDryRun) {
        PrintDryRun(dryRun);
    }

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

int RunMapCheck(const SCliOptions& options, platform::CSettingsKeys& keys) {
    // A map path inside a mod's maps folder brings its mod directory; names
    // and other paths need the chosen one.
    bool needsModDirectory = options.m_strModDir.has_value();
    for (const std::string& map : options.m_checkMaps) {
        needsModDirectory = needsModDirectory || !IsMapPath(map) || ModDirectoryOfMap(map).empty();
    }
    std::string modDirectory;
    if (needsModDirectory) {
        modDirectory = ChooseModDirectory(options, keys);
        if (modDirectory.empty()) {
            return kExitUsage;
        }
    }
    return CheckMaps(options.m_checkMaps, modDirectory, options.m_bJson, std::cout);
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
    if (options->m_bListInstalls) {
        return ListInstalls(*options);
    }
    if (options->m_strShowInstall) {
        return ShowInstall(*options);
    }
    if (options->m_strUndo) {
        // The last drop into the mod directory given or stored; without one, the last of any.
        std::string modDirectory;
        if (options->m_strModDir) {
            modDirectory = ChooseModDirectory(*options, keys);
            if (modDirectory.empty()) {
                return kExitUsage;
            }
        } else if (const auto stored = settings::ReadStoredModDirectory(keys)) {
            modDirectory = platform::NormalisePath(*stored);
        }
        return UndoInstall(*options, modDirectory);
    }
    if (!options->m_checkMaps.empty()) {
        return RunMapCheck(*options, keys);
    }
    return InstallPaths(*options, keys);
}

}  // namespace cli
