#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct CFolderEntry {
    std::string m_strName;      // as on disk
    std::string m_strPath;      // folder as on disk + separator + name
    bool m_bDirectory = false;  // a link to a folder counts as a file, so walks never follow it
    bool m_bLinkToFolder =
        false;  // a link whose target is a folder (the user's own, in the mod directory)

    bool IsDots() const { return m_strName == "." || m_strName == ".."; }
    bool IsDirectory() const { return m_bDirectory; }
};

// Lists the entries of a folder whose names match a wildcard pattern (or an
// exact name), letter case ignored, "." and ".." included, in byte order of
// their names. A folder given in another letter case than on disk is found and
// listed under its real name. An empty result means nothing matched or the
// folder could not be listed (missing, a file, unreadable).
std::vector<CFolderEntry> ListFolder(const std::string& folder, std::string_view pattern);

}  // namespace platform
