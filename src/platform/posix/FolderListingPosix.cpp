#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "../FileSystem.h"
#include "../FolderListing.h"
#include "../TextCase.h"
#include "PosixHandles.h"

namespace platform {
namespace {

bool IsFolderEntry(const std::string& path, const dirent& entry) {
    if (entry.d_type == DT_DIR) {
        return true;
    }
    if (entry.d_type != DT_UNKNOWN) {
        return false;  // links, files and the rest
    }
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::vector<CFolderEntry> ListFolder(const std::string& folder, std::string_view pattern) {
    std::vector<CFolderEntry> entries;
    if (folder.empty()) {
        return entries;
    }
    std::string real = ResolvePath(folder);
    std::unique_ptr<DIR, posix::DirCloser> dir(::opendir(real.c_str()));
    if (!dir) {
        return entries;
    }
    while (real.size() > 1 && real.back() == '/') {
        real.pop_back();
    }
    const std::string prefix = real == "/" ? real : real + "/";
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (!WildcardMatch(pattern, name)) {
            continue;
        }
        CFolderEntry item;
        item.m_strName = std::string(name);
        item.m_strPath = prefix + item.m_strName;
        item.m_bDirectory = IsFolderEntry(item.m_strPath, *entry);
        if (!item.m_bDirectory && (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)) {
            struct stat target {};
            item.m_bLinkToFolder =
                ::stat(item.m_strPath.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        }
        entries.push_back(std::move(item));
    }
    std::sort(entries.begin(), entries.end(), [](const CFolderEntry& a, const CFolderEntry& b) {
        return a.m_strName < b.m_strName;
    });
    return entries;
}

}  // namespace platform
