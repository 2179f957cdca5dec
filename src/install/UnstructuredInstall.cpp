#include "InstallEngine.h"
#include "InstallPaths.h"
#include "PackageLayout.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"

namespace install {
bool CInstallEngine::IsNewInstallFolder(const std::string& folder) {
    for (const std::string& installed : m_installedFolders) {
        if (installed == folder) {
            return false;
        }
    }
    m_installedFolders.push_back(folder);
    return true;
}

void CInstallEngine::ClearInstallFolders() {
    m_installedFolders.clear();
    m_installedFolders.shrink_to_fit();
}

std::string CInstallEngine::ModPath(std::string_view suffix) const {
    std::string path = m_strModDir;
    for (const char c : suffix) {
        path += c == '/' ? platform::kPathSeparator : c;
    }
    return path;
}

void CInstallEngine::RunCopyPasses(const std::string& folder, const std::vector<SCopyPass>& passes,
                                   const std::vector<bool>& accepted) {
    for (const SCopyPass& pass : passes) {
        if (pass.m_nQuestion < 0 || accepted[static_cast<std::size_t>(pass.m_nQuestion)]) {
            CopyFilesByExtension(folder, ModPath(pass.m_szDestination), pass.m_szExtension);
        } else {
            MarkDeclined(ListPackageFolder(m_fs, folder, std::string("*.") + pass.m_szExtension));
        }
    }
}

bool CInstallEngine::AskDirectories(const std::vector<SDirectoryQuestion>& questions,
                                    std::vector<bool>& accepted) {
    accepted.assign(questions.size(), false);
    for (std::size_t i = 0; i < questions.size(); ++i) {
        const SDirectoryQuestion& question = questions[i];
        if (question.m_nParentQuestion >= 0 &&
            !accepted[static_cast<std::size_t>(question.m_nParentQuestion)]) {
            continue;
        }
        const std::string parent = m_fs.ResolvePath(ModPath(question.m_szParent));
        if (ConfirmDirectory(parent, question.m_szName)) {
            accepted[i] = true;
            CreateConfirmedFolder(JoinPath(parent, question.m_szName));
        } else if (m_bAbort) {
            return false;
        }
    }
    return true;
}

void CInstallEngine::InstallUnstructuredMap(const std::string& folder) {
    Log("\r\nUnstructured map file found.\r\nInstalling to cstrike directory...\r\n");

    enum { kMaps, kOverviews, kGfx, kGfxEnv, kModels, kSound, kSoundAmbience, kSprites };
    static const std::vector<SDirectoryQuestion> kQuestions = {
        {"", "maps", -1},
        {"", "overviews", -1},
        {"", "gfx", -1},
        {"/gfx", "env", kGfx},
        {"", "models", -1},
        {"", "sound", -1},
        {"/sound", "ambience", kSound},
        {"", "sprites", -1},
    };
    static const std::vector<SCopyPass> kPasses = {
        {"bsp", "/maps", kMaps},
        {"txt", "/maps", kMaps},
        {"txt", "/overviews", kOverviews},
        {"res", "/maps", kMaps},
        {"nav", "/maps", kMaps},
        {"tga", "/gfx/env", kGfxEnv},
        {"wad", "", -1},
        {"mdl", "/models", kModels},
        {"wav", "/sound/ambience", kSoundAmbience},
        {"spr", "/sprites", kSprites},
        {"bmp", "/overviews", kOverviews},
    };

    std::vector<bool> accepted;
    if (!AskDirectories(kQuestions, accepted)) {
        return;
    }
    RunCopyPasses(folder, kPasses, accepted);
    if (!ListPackageFolder(m_fs, folder, "*.wav").empty()) {
        // Advice, not an error: the game fetches sounds from the server itself.
        m_messageBoxes.MessageBox(
            "Sound files are included with this map which may not be installed,\n"
            "Please allow these files to download through counterstrike.",
            "Cannot install files", platform::kMbOk);
    }
}

}  // namespace install
