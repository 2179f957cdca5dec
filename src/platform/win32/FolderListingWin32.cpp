#include "Win32Api.h"

#include <algorithm>

#include "../FolderListing.h"
#include "../TextCase.h"
#include "Win32Handles.h"
#include "Win32Text.h"

namespace platform {

std::vector<CFolderEntry> ListFolder(const std::string& folder, std::string_view pattern) {
    std::vector<CFolderEntry> entries;
    if (folder.empty()) {
        return entries;
    }
    std::string real = win32::BackslashPath(folder);
    while (real.size() > 1 && real.back() == '\\') {
        real.pop_back();
    }
    // Every name, matched here: the system's own matching also takes a
    // pattern to match a file's short 8.3 name ("*.bsp" would find "x.bspx").
    WIN32_FIND_DATAW found{};
    const win32::CFindHandle search(
        ::FindFirstFileExW(win32::WidePath(real + "\\*").c_str(), FindExInfoBasic, &found,
                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!search.IsValid()) {
        return entries;
    }
    const std::string prefix = real + "\\";
    do {
        std::string name = win32::Narrow(found.cFileName);
        if (!WildcardMatch(pattern, name)) {
            continue;
        }
        const bool folderLike = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        const bool link = found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
        CFolderEntry item;
        item.m_strPath = prefix + name;
        item.m_strName = std::move(name);
        // A link to a folder is listed as a file, so walks never follow it.
        item.m_bDirectory = folderLike && !link;
        item.m_bLinkToFolder = folderLike && link;
        entries.push_back(std::move(item));
    } while (::FindNextFileW(search.Get(), &found));
    std::sort(entries.begin(), entries.end(), [](const CFolderEntry& a, const CFolderEntry& b) {
        return a.m_strName < b.m_strName;
    });
    return entries;
}

}  // namespace platform
