#include <algorithm>

#include "InstallEngine.h"
#include "InstallPaths.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"

namespace install {

CInstallEngine::CInstallEngine(platform::CMessageBoxHost& messageBoxes, platform::CLogSink& logSink)
    : m_messageBoxes(messageBoxes), m_logSink(logSink), m_strStagingRoot(platform::StagingRoot()) {
    ResetAcceptedExtensions();
}

void CInstallEngine::InstallPaths(const std::vector<std::string>& paths) {
    m_bAbort = false;
    m_bCancelled = false;
    CreatePath(m_strStagingRoot);
    for (const std::string& path : paths) {
        if (IsArchivePath(path)) {
            InstallArchive(path);
        } else {
            InstallTree(path);
        }
        if (m_bAbort) {
            break;
        }
    }
    ClearInstallFolders();
    Log("Finished Installing files.\r\n");
    RemoveTree(m_strStagingRoot);
}

void CInstallEngine::InstallTree(const std::string& folder) {
    if (!SearchForMaps(folder)) {
        Log("\r\nNo Map Files Found...\r\nInstalling Weapon and Player Skin files...\r\n");
        InstallSkinTree(folder);
    }
}

bool CInstallEngine::SearchForMaps(const std::string& folder) {
    bool found = false;
    for (const platform::CFolderEntry& entry : platform::ListFolder(folder, "*.*")) {
        if (IsArchivePath(entry.m_strPath)) {
            InstallArchive(entry.m_strPath);
        }
        if (entry.IsDots()) {
            continue;
        }
        if (entry.IsDirectory()) {
            // Every sub-folder is searched, whatever was found before it.
            const bool foundBelow = SearchForMaps(entry.m_strPath);
            found = found || foundBelow;
        }
        if (m_bAbort) {
            return true;
        }
    }
    if (!platform::ListFolder(folder, "*.bsp").empty()) {
        ClassifyMapFolder(folder);
        found = true;
    }
    return found;
}

void CInstallEngine::ClassifyMapFolder(const std::string& folder) {
    if (EndsWithMapsFolder(folder)) {
        const std::string root = folder.substr(0, folder.size() - kMapsSuffixLength);
        if (IsNewInstallFolder(root)) {
            InstallStructuredMap(root);
        }
    } else if (IsNewInstallFolder(folder)) {
        InstallUnstructuredMap(folder);
    }
}

void CInstallEngine::InstallSkinTree(const std::string& folder) {
    for (const platform::CFolderEntry& entry : platform::ListFolder(folder, "*.*")) {
        if (entry.IsDots()) {
            continue;
        }
        if (entry.IsDirectory()) {
            InstallSkinTree(entry.m_strPath);
        }
        if (m_bAbort) {
            return;
        }
    }
    InstallSkinFiles(folder);
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
    m_messageBoxes.MessageBox(text, "", platform::kMbOk);
}

}  // namespace install
