#include "InstallAccount.h"

#include "InstallPaths.h"
#include "PackageLayout.h"
#include "platform/FolderListing.h"

namespace install {

void CInstallAccount::BeginDrop() {
    Begin();
    m_installedInDrop.clear();
}

void CInstallAccount::Begin() {
    m_nInstalledBefore = 0;
    m_installed.clear();
    m_reasons.clear();
    m_declinedFolders.clear();
    m_passedOver.clear();
    m_handled.clear();
    m_missing.clear();
}

void CInstallAccount::MarkNotInstalled(const std::string& source, std::string why) {
    m_reasons[source] = std::move(why);
}

void CInstallAccount::AddMissing(std::string relative, std::string why) {
    m_missing.push_back({std::move(relative), std::move(why)});
}

void CInstallAccount::CollectTree(platform::CFileOperations& fs, const std::string& root,
                                  const std::string& displayPrefix) {
    Walk(fs, root, displayPrefix, nullptr);
}

void CInstallAccount::Walk(platform::CFileOperations& fs, const std::string& folder,
                           const std::string& relative, const char* inherited) {
    for (const platform::CFolderEntry& entry : fs.ListFolder(folder, "*.*")) {
        if (entry.IsDots()) {
            continue;
        }
        const std::string path = relative + entry.m_strName;
        const char* folderReason = inherited;
        if (!folderReason && IsSystemName(entry.m_strName)) {
            folderReason = reason::kSystemFile;
        }
        if (entry.IsDirectory()) {
            if (m_passedOver.contains(entry.m_strPath)) {
                continue;
            }
            if (!folderReason && m_declinedFolders.contains(entry.m_strPath)) {
                folderReason = reason::kDeclined;
            }
            Walk(fs, entry.m_strPath, path + "/", folderReason);
            continue;
        }
        if (m_installed.contains(entry.m_strPath)) {
            continue;
        }
        if (m_installedInDrop.contains(entry.m_strPath)) {
            ++m_nInstalledBefore;
            continue;
        }
        if (const auto marked = m_reasons.find(entry.m_strPath); marked != m_reasons.end()) {
            AddMissing(path, marked->second);
        } else if (m_handled.contains(entry.m_strPath)) {
            continue;
        } else if (folderReason) {
            AddMissing(path, folderReason);
        } else if (!IsArchivePath(entry.m_strName)) {
            AddMissing(path, reason::kNoPlace);
        }
    }
}

std::string CInstallAccount::Report(const std::string& droppedPath) const {
    if (m_missing.empty()) {
        return {};
    }
    std::string lines = "Not installed from " + droppedPath + ":\r\n";
    for (std::size_t i = 0; i < m_missing.size() && i < kListLimit; ++i) {
        lines += "  " + m_missing[i].m_strRelative + " (" + m_missing[i].m_strReason + ")\r\n";
    }
    if (m_missing.size() > kListLimit) {
        lines +=
            "  \xE2\x80\xA6 and " + std::to_string(m_missing.size() - kListLimit) + " more\r\n";
    }
    return lines;
}

}  // namespace install
