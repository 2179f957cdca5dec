#include "InstallEngine.h"
#include "InstallPaths.h"
#include "platform/FolderListing.h"
#include "platform/TextCase.h"

namespace install {

void CInstallEngine::ResetAcceptedExtensions() {
    m_acceptedExtensions = {".txt", ".bsp", ".wad", ".wav", ".mdl", ".res", ".tga", ".spr", ".bmp"};
}

void CInstallEngine::CancelInstall() {
    m_bAbort = true;
    m_bCancelled = true;
    Log("Installation aborted.\r\n");
}

bool CInstallEngine::ConfirmDirectory(const std::string& parent, std::string name) {
    bool lowered = false;
    for (const platform::CFolderEntry& entry : m_fs.ListFolder(parent, "*.*")) {
        // A link to a folder counts: it is the user's own way of placing that folder.
        if (!entry.IsDirectory() && !entry.m_bLinkToFolder) {
            continue;
        }
        if (!lowered) {
            name = platform::LowerCase(name);
            lowered = true;
        }
        if (platform::LowerCase(entry.m_strName) == name) {
            return true;
        }
    }

    const std::string folder = JoinPath(parent, name);
    const std::string question =
        "Directory \"" + folder +
        "\" is included in your installation files, but does not already exist.\n\n"
        "If you wish to create the directory, press yes. (recommended)\n"
        "If you do not wish to create the new directry, but want to continue installing, "
        "press no.\n"
        "If you wish to abort the installation at this time, press cancel\n\n";
    switch (
        m_messageBoxes.MessageBox(question, "Unrecognized Directory", platform::kMbYesNoCancel)) {
        case platform::kIdYes:
            // The caller makes the folder and logs whether it could.
            return true;
        case platform::kIdNo:
            ++m_nNoAnswers;
            Log("Directory \"" + folder + "\" not created.\r\n");
            return false;
        case platform::kIdCancel:
            CancelInstall();
            return false;
        default:
            return true;
    }
}

bool CInstallEngine::ConfirmFileType(const std::string& fileName) {
    const std::string name = platform::LowerCase(fileName);
    for (const std::string& extension : m_acceptedExtensions) {
        if (name.find(extension) != std::string::npos) {
            return true;
        }
    }

    const std::string question =
        "File \"" + name +
        "\" may not be part of the map you are installing.\n\n"
        "If you wish to continue to install this filetype, choose yes.\n"
        "If you wish to skip this file and continue installing, choose no.\n"
        "If you wish to abort the installation at this time, choose cancel.\n";
    switch (
        m_messageBoxes.MessageBox(question, "Unrecognized fileTypes", platform::kMbYesNoCancel)) {
        case platform::kIdYes: {
            // The last dot, not counting a leading one; no dot: the whole name.
            const std::size_t dot = name.size() > 1 ? name.rfind('.') : std::string::npos;
            const std::string extension =
                (dot == std::string::npos || dot == 0) ? name : name.substr(dot);
            m_acceptedExtensions.push_back(extension);
            Log("Extension \"" + extension + "\" added to accepted filetypes.\r\n");
            return true;
        }
        case platform::kIdNo:
            ++m_nNoAnswers;
            Log("File " + name + " not installed.\r\n");
            return false;
        case platform::kIdCancel:
            CancelInstall();
            return false;
        default:
            ShowError("Error Code 20");
            return false;
    }
}

}  // namespace install
