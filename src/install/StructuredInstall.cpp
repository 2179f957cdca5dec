#include "InstallEngine.h"
#include "InstallPaths.h"
#include "InstallRecorder.h"
#include "PackageLayout.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"

namespace install {

void CInstallEngine::InstallStructuredMap(const std::string& packageRoot) {
    Log("\r\nMap and supporting files found.\r\nInstalling to cstrike directory...\r\n");
    CopyTree(packageRoot, m_strModDir);
}

void CInstallEngine::CopyTree(const std::string& source, const std::string& destination) {
    for (const platform::CFolderEntry& entry : ListPackageFolder(m_fs, source)) {
        if (entry.IsDirectory()) {
            // A package that holds the mod directory itself would otherwise copy it
            // into itself without end.
            if (m_fs.IsSameFile(entry.m_strPath, m_strModDir)) {
                m_account.MarkPassedOver(entry.m_strPath);
                continue;
            }
            if (ConfirmDirectory(destination, entry.m_strName)) {
                const std::string folder = JoinPath(destination, entry.m_strName);
                CreateConfirmedFolder(folder);
                CopyTree(entry.m_strPath, m_fs.ResolvePath(folder));
            } else {
                m_account.MarkDeclinedFolder(entry.m_strPath);
            }
        } else if (IsArchiveFile(entry.m_strPath)) {
            // Unpacked and installed on its own by the search; the archive file
            // itself has no place in the game.
        } else if (ConfirmFileType(entry.m_strName)) {
            CopyFileVerified(entry.m_strPath, JoinPath(destination, entry.m_strName));
        } else {
            m_account.MarkNotInstalled(entry.m_strPath, reason::kDeclined);
        }
        if (m_bAbort) {
            return;
        }
    }
}

void CInstallEngine::CreateConfirmedFolder(const std::string& path) {
    // A folder that is there already was found by the question; a failure
    // shows up again as copy errors for the files meant to go inside.
    const platform::ErrorCode error = m_fs.CreateDirectory(path);
    if (error == platform::kErrorSuccess) {
        if (m_pRecorder) {
            m_pRecorder->FolderCreated(m_fs.ResolvePath(path));
        }
        Log("Directory \"" + path + (m_bDryRun ? "\" would be created.\r\n" : "\" created.\r\n"));
    } else if (error != platform::kErrorAlreadyExists) {
        Log("Directory \"" + path + "\" could not be created (error " + std::to_string(error) +
            ").\r\n");
    }
}

}  // namespace install
