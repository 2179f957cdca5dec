#include <string>

#include "InstallEngine.h"
#include "InstallPaths.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"

namespace install {

void CInstallEngine::CopyFilesByExtension(const std::string& source, const std::string& destination,
                                          const std::string& extension) {
    for (const platform::CFolderEntry& entry : platform::ListFolder(source, "*." + extension)) {
        CopyFileVerified(entry.m_strPath, JoinPath(destination, entry.m_strName));
    }
}

void CInstallEngine::CopyFileVerified(const std::string& sourceFile,
                                      const std::string& destinationFile) {
    // The log names the file actually written, in its existing letter case.
    std::string destination;
    const platform::ErrorCode error = platform::CopyFile(sourceFile, destinationFile, destination);
    if (error == platform::kErrorAccessDenied) {
        if (platform::SetArchiveOnly(destination) != platform::kErrorSuccess) {
            ShowError("Error F1A");
        } else if (const platform::ErrorCode retry = platform::CopyFile(sourceFile, destination);
                   retry != platform::kErrorSuccess) {
            ShowError("Error Code F2\nLast Error: " + std::to_string(retry));
        }
    } else if (error != platform::kErrorSuccess) {
        ShowError("Error Code 7\nLast Error: " + std::to_string(error));
    }

    ProbeAndLog(destination, "Error Code 7.1", "Error Code 7.2");
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
