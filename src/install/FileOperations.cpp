#include <string>

#include "InstallEngine.h"
#include "InstallPaths.h"
#include "PackageLayout.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"

namespace install {

void CInstallEngine::CopyFilesByExtension(const std::string& source, const std::string& destination,
                                          const std::string& extension) {
    CopyFiles(ListPackageFolder(source, "*." + extension), destination);
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

bool CInstallEngine::CopyFileVerified(const std::string& sourceFile,
                                      const std::string& destinationFile) {
    // The log names the file actually written, in its existing letter case.
    std::string destination;
    platform::ErrorCode error = platform::CopyFile(sourceFile, destinationFile, destination);
    if (error == platform::kErrorAccessDenied) {
        if (platform::SetArchiveOnly(destination) != platform::kErrorSuccess) {
            ShowError("Error F1A");
        } else if (error = platform::CopyFile(sourceFile, destination);
                   error != platform::kErrorSuccess) {
            ShowError("Error Code F2\nLast Error: " + std::to_string(error));
        }
    } else if (error != platform::kErrorSuccess) {
        ShowError("Error Code 7\nLast Error: " + std::to_string(error));
    }
    if (error == platform::kErrorSuccess) {
        m_account.MarkInstalled(sourceFile);
    } else {
        m_account.MarkNotInstalled(sourceFile, reason::kCopyFailed);
    }

    ProbeAndLog(destination, "Error Code 7.1", "Error Code 7.2");
    return error == platform::kErrorSuccess;
}

void CInstallEngine::ProbeAndLog(const std::string& destination, const char* openError,
                                 const char* closeError) {
    const platform::ProbeHandle probe = platform::OpenProbe(destination);
    if (probe == platform::kInvalidProbeHandle) {
        ShowError(openError);
        return;
    }
    Log(destination + "\r\n");
    if (platform::CloseProbe(probe) != platform::kErrorSuccess) {
        ShowError(closeError);
    }
}

void CInstallEngine::CreatePath(const std::string& path) {
    // Only staging folders are made this way; they are the user's own business.
    platform::ErrorCode error = platform::CreatePrivateDirectory(path);
    if (error == platform::kErrorSuccess || error == platform::kErrorAlreadyExists) {
        return;
    }
    if (error == platform::kErrorPathNotFound) {
        // Each parent is shorter than its child, so the recursion ends at the root.
        const std::string parent = ParentFolder(path);
        if (!parent.empty() && parent.size() < path.size()) {
            CreatePath(parent);
            if (platform::PathKind(parent) == -1) {
                error = platform::CreatePrivateDirectory(path);
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
    // A link is removed itself; what it points to is never touched.
    if (platform::IsLink(folder)) {
        if (const platform::ErrorCode error = platform::DeleteFile(folder);
            error != platform::kErrorSuccess) {
            ShowError("Error D1\nLast Error: " + std::to_string(error));
        }
        return;
    }
    std::vector<std::string> subfolders;
    for (const platform::CFolderEntry& entry : platform::ListFolder(folder, "*.*")) {
        if (entry.IsDots()) {
            continue;
        }
        if (entry.IsDirectory()) {
            subfolders.push_back(entry.m_strPath);
        } else if (const platform::ErrorCode error = platform::DeleteFile(entry.m_strPath);
                   error != platform::kErrorSuccess) {
            ShowError("Error D1\nLast Error: " + std::to_string(error));
        }
    }
    for (const std::string& subfolder : subfolders) {
        RemoveTree(subfolder);
    }
    if (const platform::ErrorCode error = platform::RemoveDirectory(folder);
        error != platform::kErrorSuccess) {
        Log("Error D2: " + folder + " \r\n" + std::to_string(error));
    }
}

}  // namespace install
