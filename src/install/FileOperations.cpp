#include <string>

#include "InstallEngine.h"
#include "InstallPaths.h"
#include "InstallRecorder.h"
#include "PackageLayout.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"

namespace install {

void CInstallEngine::CopyFilesByExtension(const std::string& source, const std::string& destination,
                                          const std::string& extension) {
    CopyFiles(ListPackageFolder(m_fs, source, "*." + extension), destination);
}

void CInstallEngine::CopyFiles(const std::vector<platform::CFolderEntry>& files,
                               const std::string& destination) {
    for (const platform::CFolderEntry& entry : files) {
        // A folder named like a file type is no file to copy.
        if (!entry.IsDirectory()) {
            CopyFileVerified(entry.m_strPath, JoinPath(destination, entry.m_strName));
        }
    }
}

void CInstallEngine::MarkDeclined(const std::vector<platform::CFolderEntry>& files) {
    for (const platform::CFolderEntry& entry : files) {
        m_account.MarkNotInstalled(entry.m_strPath, reason::kDeclined);
    }
}

bool CInstallEngine::RecordBeforeCopy(const std::string& source,
                                      const std::string& destinationFile) {
    if (!m_pRecorder || !m_pRecorder->IsRecording()) {
        return true;
    }
    const std::string real = m_fs.ResolvePath(destinationFile);
    switch (m_fs.Kind(real)) {
        case platform::EPathKind::kMissing:
            m_pRecorder->BeforeNew(real);
            return true;
        case platform::EPathKind::kFile:
            if (m_fs.IsSameFile(source, real) ||
                m_pRecorder->BeforeReplace(real, m_fs.IsReadOnly(real))) {
                return true;
            }
            // Without its old content kept, the file could never be put back.
            Log("Not replaced, its old content could not be kept for undo: " + real + "\r\n");
            m_account.MarkNotInstalled(source, "its old content could not be kept for undo");
            ++m_summary.m_nErrors;
            return false;
        default:
            return true;  // a folder or a special file: the copy refuses it
    }
}

bool CInstallEngine::CopyFileVerified(const std::string& sourceFile,
                                      const std::string& destinationFile) {
    if (!RecordBeforeCopy(sourceFile, destinationFile)) {
        return false;
    }
    // The log names the file actually written, in its existing letter case.
    std::string destination;
    platform::SCopyDigest digest;
    platform::SCopyDigest* const wanted = m_pRecorder ? &digest : nullptr;
    platform::ErrorCode error = m_fs.CopyFile(sourceFile, destinationFile, destination, wanted);
    if (error == platform::kErrorSameFile) {
        // Already in place: the destination is a link to the source, or the
        // mod directory was dropped onto itself.
        Log(destination + " is the dropped file itself, left as it is.\r\n");
        m_account.MarkInstalled(sourceFile);
        return true;
    }
    if (error == platform::kErrorNotRegularFile) {
        Log("Not installed, not a regular file: " + sourceFile + "\r\n");
        m_account.MarkNotInstalled(sourceFile, reason::kNotRegularFile);
        return false;
    }
    if (error == platform::kErrorAccessDenied) {
        if (m_fs.SetArchiveOnly(destination) != platform::kErrorSuccess) {
            ShowError("Error F1A");
        } else if (error = m_fs.CopyFile(sourceFile, destination, destination, wanted);
                   error != platform::kErrorSuccess) {
            ShowError("Error Code F2\nLast Error: " + std::to_string(error));
        }
    } else if (error != platform::kErrorSuccess) {
        ShowError("Error Code 7\nLast Error: " + std::to_string(error));
    }
    const bool copied = error == platform::kErrorSuccess;
    if (copied) {
        if (m_pRecorder) {
            m_pRecorder->Written(destination, digest);
        }
        m_account.MarkInstalled(sourceFile);
        NoteInstalledMap(sourceFile, destination);
    } else {
        m_account.MarkNotInstalled(sourceFile, reason::kCopyFailed);
    }
    ProbeAndLog(destination, copied, "Error Code 7.1", "Error Code 7.2");
    return copied;
}

void CInstallEngine::ProbeAndLog(const std::string& destination, bool copied, const char* openError,
                                 const char* closeError) {
    const platform::ProbeHandle probe = m_fs.OpenProbe(destination);
    if (probe == platform::kInvalidProbeHandle) {
        ShowError(openError);
        return;
    }
    // An older file left by a failed copy is there, but nothing was installed.
    if (copied) {
        Log(destination + "\r\n");
    }
    if (m_fs.CloseProbe(probe) != platform::kErrorSuccess) {
        ShowError(closeError);
    }
}

void CInstallEngine::CreatePath(const std::string& path) {
    // Only staging folders are made this way; they are the user's own business.
    platform::ErrorCode error = m_fs.CreatePrivateDirectory(path);
    if (error == platform::kErrorSuccess || error == platform::kErrorAlreadyExists) {
        return;
    }
    if (error == platform::kErrorPathNotFound) {
        // Each parent is shorter than its child, so the recursion ends at the root.
        const std::string parent = ParentFolder(path);
        if (!parent.empty() && parent.size() < path.size()) {
            CreatePath(parent);
            if (m_fs.Kind(parent) == platform::EPathKind::kFolder) {
                error = m_fs.CreatePrivateDirectory(path);
                if (error == platform::kErrorSuccess || error == platform::kErrorAlreadyExists) {
                    return;
                }
            }
        }
    }
    Log("Error D3: " + path + " could not be created\r\nError Code: " + std::to_string(error) +
        "\r\n");
}

void CInstallEngine::RemoveTree(const std::string& folder) {
    // A link is deleted itself, never entered: what it points to is not ours.
    if (m_fs.IsLink(folder)) {
        if (const platform::ErrorCode error = m_fs.DeleteFile(folder);
            error != platform::kErrorSuccess) {
            ShowError("Error D1\nLast Error: " + std::to_string(error));
        }
        return;
    }
    std::vector<std::string> subfolders;
    for (const platform::CFolderEntry& entry : m_fs.ListFolder(folder, "*.*")) {
        if (entry.IsDots()) {
            continue;
        }
        if (entry.IsDirectory()) {
            subfolders.push_back(entry.m_strPath);
        } else if (const platform::ErrorCode error = m_fs.DeleteFile(entry.m_strPath);
                   error != platform::kErrorSuccess) {
            ShowError("Error D1\nLast Error: " + std::to_string(error));
        }
    }
    for (const std::string& subfolder : subfolders) {
        RemoveTree(subfolder);
    }
    if (const platform::ErrorCode error = m_fs.RemoveDirectory(folder);
        error != platform::kErrorSuccess) {
        Log("Error D2: " + folder + " \r\n" + std::to_string(error));
    }
}

}  // namespace install
