#include <algorithm>

#include "InstallEngine.h"
#include "InstallPaths.h"
#include "InstallRecorder.h"
#include "PackageLayout.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/TextCase.h"

namespace install {
namespace {

constexpr const char* kNoMapsLine = "\r\nNo Map Files Found...\r\n";

// "gfx, sound": the names of folders, for a log line.
std::string FolderNames(const std::vector<platform::CFolderEntry>& folders) {
    std::string names;
    for (const platform::CFolderEntry& folder : folders) {
        names += (names.empty() ? "" : ", ") + folder.m_strName;
    }
    return names;
}

}  // namespace

CInstallEngine::CInstallEngine(platform::CMessageBoxHost& messageBoxes, platform::CLogSink& logSink)
    : m_messageBoxes(messageBoxes),
      m_logSink(logSink),
      m_ownFileOperations(platform::MakeFileOperations()),
      m_fs(*m_ownFileOperations),
      m_strStagingBase(platform::StagingBase()) {
    ResetAcceptedExtensions();
}

CInstallEngine::CInstallEngine(platform::CMessageBoxHost& messageBoxes, platform::CLogSink& logSink,
                               platform::CFileOperations& fileOperations)
    : m_messageBoxes(messageBoxes),
      m_logSink(logSink),
      m_fs(fileOperations),
      m_strStagingBase(platform::StagingBase()) {
    ResetAcceptedExtensions();
}

void CInstallEngine::InstallPaths(const std::vector<std::string>& paths) {
    m_bAbort = false;
    m_bCancelled = false;
    m_summary = {};
    m_nArchivesStaged = 0;
    m_nEntriesExtracted = 0;
    m_nBytesUnpacked = 0;
    m_account.BeginDrop();
    m_archiveSetsSeen.clear();
    if (m_pRecorder) {
        if (std::string why; !m_pRecorder->Begin("install", m_strModDir, paths, why)) {
            Log("No record of this drop could be written (" + why + "): it cannot be undone.\r\n");
        }
    }
    m_fs.BeginDrop();
    // A folder of this drop's own: a second run, or what a killed one left,
    // can never mix with it.
    if (const platform::ErrorCode error = m_fs.CreateStaging(m_strStagingBase, m_strStagingRoot);
        error != platform::kErrorSuccess) {
        m_strStagingRoot.clear();
        ReportArchiveProblem("No staging folder could be made in " + m_strStagingBase + " (error " +
                             std::to_string(error) +
                             "): archives and dropped files cannot be unpacked in this drop.\r\n");
    }

    // A staged file is the engine's own: installed once, it needs no copy.
    m_fs.SetLinkableFolder(m_strStagingRoot);

    std::vector<std::string> looseFiles;
    std::vector<bool> loose;
    for (const std::string& path : paths) {
        // A file that is neither a folder nor an archive.
        const platform::EPathKind kind = m_fs.Kind(path);
        loose.push_back(kind != platform::EPathKind::kMissing &&
                        kind != platform::EPathKind::kFolder && !IsArchiveFile(path));
        if (loose.back()) {
            looseFiles.push_back(path);
        }
    }
    // The plain files of a drop belong together (a map with its wad and text):
    // they are installed as one package where the first of them was dropped.
    bool looseInstalled = false;
    for (std::size_t i = 0; i < paths.size() && !m_bAbort; ++i) {
        if (!loose[i]) {
            InstallDroppedPath(paths[i]);
        } else if (!looseInstalled) {
            InstallLooseFiles(looseFiles);
            looseInstalled = true;
        }
    }
    ClearInstallFolders();
    Log("Finished Installing files.\r\n");
    if (!m_strStagingRoot.empty()) {
        if (const platform::ErrorCode error = m_fs.RemoveStaging(m_strStagingRoot);
            error != platform::kErrorSuccess) {
            Log("Error D2: " + m_strStagingRoot + " \r\n" + std::to_string(error));
        }
    }
    m_fs.SetLinkableFolder({});
    m_fs.EndDrop();
    if (m_pRecorder) {
        m_pRecorder->End(m_bCancelled);
    }
    m_summary.m_bCancelled = m_bCancelled;
}

void CInstallEngine::InstallDroppedPath(const std::string& path) {
    BeginPathAccount();
    switch (m_fs.Kind(path)) {
        case platform::EPathKind::kMissing:
            m_strPathFailure = "the path does not exist";
            break;
        case platform::EPathKind::kFolder:
            // A folder is a folder, whatever its name says.
            InstallPackage(m_fs.ResolvePath(path), "", true);
            break;
        default:
            InstallArchive(path);
            break;
    }
    EndPathAccount(path);
}

void CInstallEngine::InstallLooseFiles(const std::vector<std::string>& files) {
    BeginPathAccount();
    ++m_nArchiveCounter;
    Log("\r\nDropped files: " + std::to_string(files.size()) + ", installed as one package.\r\n");
    const std::string staging =
        JoinPath(m_strStagingRoot, "Temp" + std::to_string(m_nArchiveCounter));
    if (m_strStagingRoot.empty() ||
        m_fs.CreatePrivateDirectory(staging) != platform::kErrorSuccess) {
        m_strPathFailure = "no staging folder could be made to gather them in";
        EndPathAccount("the dropped files");
        return;
    }
    for (const std::string& file : files) {
        const std::string name(BaseName(file));
        const std::string gathered = JoinPath(staging, name);
        std::string written;
        if (m_fs.Kind(gathered) != platform::EPathKind::kMissing) {
            m_account.AddMissing(name, reason::kSameName);
        } else if (const platform::ErrorCode error = m_fs.CopyFile(file, gathered, written);
                   error == platform::kErrorNotRegularFile) {
            m_account.AddMissing(name, reason::kNotRegularFile);
        } else if (error != platform::kErrorSuccess) {
            m_account.AddMissing(name, "could not be read (error " + std::to_string(error) + ")");
        }
    }
    InstallPackage(staging, "", false);
    RemoveTree(staging);
    EndPathAccount("the dropped files");
}

void CInstallEngine::InstallPackage(const std::string& root, const std::string& shownPrefix,
                                    bool dropped) {
    m_packages.push_back({root, shownPrefix, dropped});
    const std::size_t firstMap = m_installedMaps.size();
    if (!SearchForMaps(root)) {
        InstallWithoutMaps(root, dropped);
    }
    if (!m_bAbort) {
        m_account.CollectTree(m_fs, root, shownPrefix);
    }
    CheckInstalledMaps(firstMap);
    m_packages.pop_back();
}

void CInstallEngine::InstallWithoutMaps(const std::string& root, bool dropped) {
    // A dropped "gfx" or "sound" folder goes where its name says.
    if (const std::string name(BaseName(root)); dropped && IsContentFolderName(name)) {
        Log(std::string(kNoMapsLine) + "Installing game folders (" + name + ")...\r\n");
        CopyContentFolder(root, name);
        return;
    }
    if (const std::string contentRoot = FindContentRoot(m_fs, root); !contentRoot.empty()) {
        if (HoldsLooseSkinFiles(m_fs, contentRoot)) {
            // A weapon pack with its sprites/ or sound/ beside the models: its
            // loose files are placed as a skin pack's are, and only its game
            // folders are copied tree for tree (copied whole, v_knife.mdl
            // would land in the mod directory itself, where the game never
            // looks).
            Log(std::string(kNoMapsLine) + "Installing Weapon and Player Skin files...\r\n");
            InstallSkinFiles(contentRoot);
            InstallContentFoldersBeside(contentRoot);
            return;
        }
        Log(std::string(kNoMapsLine) + "Installing game folders (" +
            FolderNames(ListContentFolders(m_fs, contentRoot)) + ")...\r\n");
        CopyTree(contentRoot, m_strModDir);
        return;
    }
    Log(std::string(kNoMapsLine) + "Installing Weapon and Player Skin files...\r\n");
    InstallSkinTree(root);
}

bool CInstallEngine::SearchForMaps(const std::string& folder) {
    bool found = false;
    for (const platform::CFolderEntry& entry : ListPackageFolder(m_fs, folder)) {
        if (entry.IsDirectory()) {
            // Every sub-folder is searched, whatever was found before it.
            const bool foundBelow = SearchForMaps(entry.m_strPath);
            found = found || foundBelow;
        } else if (IsArchiveFile(entry.m_strPath)) {
            InstallArchive(entry.m_strPath);
        }
        if (m_bAbort) {
            return true;
        }
    }
    const std::vector<platform::CFolderEntry> maps = ListPackageFolder(m_fs, folder, "*.bsp");
    if (std::any_of(maps.begin(), maps.end(),
                    [](const platform::CFolderEntry& map) { return !map.IsDirectory(); })) {
        ClassifyMapFolder(folder);
        found = true;
    }
    return found;
}

void CInstallEngine::ClassifyMapFolder(const std::string& folder) {
    if (!EndsWithMapsFolder(folder)) {
        if (IsNewInstallFolder(folder)) {
            InstallUnstructuredMap(folder);
            InstallContentFoldersBeside(folder);
        }
        return;
    }
    const std::string root = folder.substr(0, folder.size() - kMapsSuffixLength);
    const SPackage& package = m_packages.back();
    if (!package.m_bDropped || package.m_strRoot != folder) {
        if (IsNewInstallFolder(root)) {
            InstallStructuredMap(root);
        }
        return;
    }
    // The user dropped the maps folder itself: its parent is none of ours to
    // install, unless it was installed whole already in this drop.
    const auto& installed = GetInstalledFolders();
    if (std::find(installed.begin(), installed.end(), root) == installed.end() &&
        IsNewInstallFolder(folder)) {
        Log("\r\nMap and supporting files found.\r\nInstalling to cstrike directory...\r\n");
        CopyContentFolder(folder, "maps");
    }
}

void CInstallEngine::InstallContentFoldersBeside(const std::string& folder) {
    const std::vector<platform::CFolderEntry> folders = ListContentFolders(m_fs, folder);
    if (folders.empty() || m_bAbort) {
        return;
    }
    Log("Installing game folders (" + FolderNames(folders) + ")...\r\n");
    for (const platform::CFolderEntry& content : folders) {
        CopyContentFolder(content.m_strPath, content.m_strName);
        if (m_bAbort) {
            return;
        }
    }
}

void CInstallEngine::CopyContentFolder(const std::string& source, const std::string& name) {
    // The mod directory's own spelling: the game looks for lower-case folders.
    const std::string folder = platform::LowerCase(name);
    if (!ConfirmDirectory(m_strModDir, folder)) {
        m_account.MarkDeclinedFolder(source);
        return;
    }
    const std::string destination = JoinPath(m_strModDir, folder);
    CreateConfirmedFolder(destination);
    CopyTree(source, m_fs.ResolvePath(destination));
}

void CInstallEngine::InstallSkinTree(const std::string& folder) {
    for (const platform::CFolderEntry& entry : ListPackageFolder(m_fs, folder)) {
        if (entry.IsDirectory()) {
            InstallSkinTree(entry.m_strPath);
        }
        if (m_bAbort) {
            return;
        }
    }
    InstallSkinFiles(folder);
}

void CInstallEngine::BeginPathAccount() {
    m_account.Begin();
    m_strPathFailure.clear();
    m_bPathReported = false;
    m_bPathDuplicate = false;
    m_nNoAnswersAtPathStart = m_nNoAnswers;
}

void CInstallEngine::EndPathAccount(const std::string& shownPath) {
    if (m_bAbort) {
        return;  // the user stopped the drop; a list of what was left would only repeat it
    }
    if (const std::string report = m_account.Report(shownPath); !report.empty()) {
        Log(report);
    }
    if (m_account.InstalledCount() > 0 || m_account.InstalledBeforeCount() > 0 ||
        m_bPathDuplicate) {
        return;  // a path dropped twice, or another part of a set, installs once
    }
    if (m_nNoAnswers > m_nNoAnswersAtPathStart) {
        ++m_summary.m_nDeclinedPaths;
        return;
    }
    ++m_summary.m_nFailedPaths;
    if (!m_bPathReported) {
        Log("Nothing installed from " + shownPath + ": " +
            (m_strPathFailure.empty() ? "nothing installable was found in it" : m_strPathFailure) +
            ".\r\n");
    }
}

void CInstallEngine::RefreshLog() {
    const std::string_view appended = std::string_view(m_strInstallLog).substr(m_nLogShown);
    // Count only the new pairs, including one whose '\r' came with the previous refresh.
    for (std::size_t i = std::max<std::size_t>(m_nLogShown, 1); i < m_strInstallLog.size(); ++i) {
        if (m_strInstallLog[i] == '\n' && m_strInstallLog[i - 1] == '\r') {
            ++m_nLineBreaks;
        }
    }
    m_nLogShown = m_strInstallLog.size();
    m_logSink.ShowLog(appended, m_nLineBreaks);
}

void CInstallEngine::Log(std::string_view text) {
    m_strInstallLog += text;
    RefreshLog();
}

void CInstallEngine::ShowError(const std::string& text) {
    ++m_nErrorCount;
    ++m_summary.m_nErrors;
    m_messageBoxes.MessageBox(text, "", platform::kMbOk);
}

}  // namespace install
