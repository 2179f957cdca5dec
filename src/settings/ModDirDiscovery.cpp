#include "ModDirDiscovery.h"

#include <filesystem>

#include "PathText.h"
#include "SteamLibraries.h"
#include "platform/FileSystem.h"
#include "platform/PathSeparator.h"
#include "platform/TextCase.h"

namespace settings {
namespace {

constexpr std::size_t kInstallPathBufferSize = 400;

const std::string kSeparator(1, platform::kPathSeparator);

// True when the listing holds a folder of that name, case ignored. A link to
// a folder counts: Steam libraries and mod folders are often linked in from
// another drive. The walk itself still never enters a link.
bool ListsFolderNamed(const std::vector<platform::CFolderEntry>& entries, const std::string& name) {
    const std::string wanted = platform::LowerCase(name);
    for (const auto& entry : entries) {
        if (platform::LowerCase(entry.m_strName) != wanted) {
            continue;
        }
        if (entry.IsDirectory() || (!entry.IsDots() && platform::PathKind(entry.m_strPath) == -1)) {
            return true;
        }
    }
    return false;
}

std::string TrimTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == platform::kPathSeparator) {
        path.pop_back();
    }
    return path;
}

}  // namespace

const char* const kModDirPlaceholder = "Please enter your Counterstrike directory here";

int CCandidateList::FindStringExact(const std::string& text) const {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (platform::EqualsNoCase(m_items[i], text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CCandidateList::InsertAtTop(const std::string& text) {
    m_items.insert(m_items.begin(), text);
}

CModDirDiscovery::CModDirDiscovery(platform::CMessageBoxHost& messageBoxes,
                                   CCandidateList& candidates, std::string& strDir, bool bFirstRun)
    : m_messageBoxes(messageBoxes),
      m_candidates(candidates),
      m_strDir(strDir),
      m_bFirstRun(bFirstRun) {}

void CModDirDiscovery::FindSteamModDirs(platform::CSettingsKeys& keys) {
    const std::unique_ptr<platform::CSettingsKey> key = keys.MakeKey();
    if (key->OpenSteam() != platform::kErrorSuccess) {
        return;
    }
    platform::CSettingsValue value;
    const bool read =
        key->QueryValue("InstallPath", kInstallPathBufferSize, value) == platform::kErrorSuccess;
    if (!read) {
        m_messageBoxes.MessageBox("Error Code 0", "", platform::kMbOk);
    }
    if (key->Close() != platform::kErrorSuccess) {
        m_messageBoxes.MessageBox("Error Code 2", "", platform::kMbOk);
    }
    if (!read) {
        return;  // there is no install path to scan
    }
    const std::string installPath = value.m_strData.substr(0, value.m_strData.find('\0'));

    if (!HasSubdirectory(installPath, "SteamApps")) {
        m_messageBoxes.MessageBox(
            "Your SteamApps folder is not in the default location.\n"
            "Please find and enter your cstrike directory manually.",
            "SteamApps Folder Not Found", platform::kMbOk);
        return;
    }
    const std::string steamApps = installPath + kSeparator + "SteamApps";
    ScanForModDirs(steamApps);
    ScanFurtherLibraries(installPath, steamApps);
}

void CModDirDiscovery::ScanFurtherLibraries(const std::string& installPath,
                                            const std::string& steamApps) {
    // Compared as folders on disk, so that the main library reached through
    // a link, or listed twice, is walked once.
    std::vector<std::string> scanned{installPath};
    for (const auto& listed : ReadLibraryFolders(steamApps)) {
        const std::string library = TrimTrailingSeparators(listed);
        if (!IsAbsolutePath(library)) {
            continue;
        }
        bool seen = false;
        for (const auto& done : scanned) {
            std::error_code error;
            seen = seen || std::filesystem::equivalent(done, library, error);
        }
        if (seen) {
            continue;
        }
        scanned.push_back(library);
        ScanForModDirs(library + kSeparator + "steamapps");
    }
}

void CModDirDiscovery::ScanForModDirs(const std::string& folder) {
    ScanListing(platform::ListFolder(folder, "*.*"));
}

void CModDirDiscovery::ScanListing(const std::vector<platform::CFolderEntry>& entries) {
    for (const auto& entry : entries) {
        if (entry.IsDots() || !entry.IsDirectory()) {
            continue;
        }
        const auto children = platform::ListFolder(entry.m_strPath, "*.*");
        ScanListing(children);

        std::string parent;
        std::string name;
        SplitAtLastSeparator(entry.m_strPath, parent, name);
        const bool qualifies = IsKnownModName(name) || ListsFolderNamed(children, "maps");
        if (qualifies && HasHalfLifeExe(parent)) {
            AddCandidate(entry.m_strPath);
        }
    }
}

void CModDirDiscovery::AddCandidate(const std::string& path) {
    if (m_candidates.FindStringExact(path) == -1) {
        m_candidates.InsertAtTop(path);
    }
    if (m_bFirstRun) {
        m_strDir = path;
    }
}

bool CModDirDiscovery::IsKnownModName(const std::string& name) {
    return name == "cstrike" || name == "tfc";
}

bool CModDirDiscovery::HasHalfLifeExe(const std::string& folder) {
    const std::string where = folder.empty() ? kSeparator : folder;
    for (const auto& entry : platform::ListFolder(where, "hl*")) {
        if (platform::EqualsNoCase(entry.m_strName, "hl.exe")) {
            return true;
        }
#ifndef _WIN32
        if (platform::EqualsNoCase(entry.m_strName, "hl_linux")) {
            return true;
        }
#endif
    }
    return false;
}

bool CModDirDiscovery::HasSubdirectory(const std::string& folder, const std::string& name) {
    return ListsFolderNamed(platform::ListFolder(folder + kSeparator, "*.*"), name);
}

CCandidateList PrepareModDirChoice(platform::CMessageBoxHost& messageBoxes,
                                   platform::CSettingsKeys& keys, std::string& strDir,
                                   bool bFirstRun) {
    CCandidateList candidates;
    CModDirDiscovery(messageBoxes, candidates, strDir, bFirstRun).FindSteamModDirs(keys);
    if (bFirstRun) {
        if (candidates.GetCount() == 0) {
            strDir = kModDirPlaceholder;
        }
    } else if (!strDir.empty() && candidates.FindStringExact(strDir) == -1) {
        // An empty directory (none chosen yet) would only add a blank item.
        candidates.InsertAtTop(strDir);
    }
    return candidates;
}

std::vector<std::string> FindModDirCandidates(platform::CMessageBoxHost& messageBoxes,
                                              platform::CSettingsKeys& keys) {
    std::string unused;
    CCandidateList candidates;
    CModDirDiscovery(messageBoxes, candidates, unused, false).FindSteamModDirs(keys);
    return candidates.Items();
}

}  // namespace settings
