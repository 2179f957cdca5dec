#include "PackageLayout.h"

#include <algorithm>
#include <array>
#include <map>

#include "platform/PathSeparator.h"
#include "platform/TextCase.h"

namespace install {
namespace {

constexpr std::array<std::string_view, 6> kSkyFaceSuffixes = {"up", "dn", "lf", "rt", "ft", "bk"};
constexpr std::string_view kTgaExtension = ".tga";

}  // namespace

bool IsSystemName(std::string_view name) {
    if (name.starts_with("._")) {
        return true;
    }
    for (const std::string_view system : {"__macosx", ".ds_store", "thumbs.db", "desktop.ini"}) {
        if (platform::EqualsNoCase(name, system)) {
            return true;
        }
    }
    return false;
}

bool IsContentFolderName(std::string_view name) {
    for (const std::string_view content :
         {"maps", "models", "sound", "sprites", "gfx", "overviews", "resource", "media"}) {
        if (platform::EqualsNoCase(name, content)) {
            return true;
        }
    }
    return false;
}

std::vector<platform::CFolderEntry> ListPackageFolder(platform::CFileOperations& fs,
                                                      const std::string& folder,
                                                      std::string_view pattern) {
    std::vector<platform::CFolderEntry> entries = fs.ListFolder(folder, pattern);
    std::erase_if(entries, [](const platform::CFolderEntry& entry) {
        return entry.IsDots() || IsSystemName(entry.m_strName);
    });
    return entries;
}

std::vector<platform::CFolderEntry> ListContentFolders(platform::CFileOperations& fs,
                                                       const std::string& folder) {
    std::vector<platform::CFolderEntry> entries = ListPackageFolder(fs, folder);
    std::erase_if(entries, [](const platform::CFolderEntry& entry) {
        return !entry.IsDirectory() || !IsContentFolderName(entry.m_strName);
    });
    return entries;
}

std::string FindContentRoot(platform::CFileOperations& fs, const std::string& root) {
    std::string folder = root;
    for (;;) {
        const std::vector<platform::CFolderEntry> entries = ListPackageFolder(fs, folder);
        const bool holdsContent =
            std::any_of(entries.begin(), entries.end(), [](const platform::CFolderEntry& entry) {
                return entry.IsDirectory() && IsContentFolderName(entry.m_strName);
            });
        if (holdsContent) {
            return folder;
        }
        if (entries.size() != 1 || !entries.front().IsDirectory()) {
            return {};
        }
        folder = entries.front().m_strPath;
    }
}

bool HoldsLooseSkinFiles(platform::CFileOperations& fs, const std::string& folder) {
    for (const platform::CFolderEntry& entry : ListPackageFolder(fs, folder)) {
        if (entry.IsDirectory()) {
            continue;
        }
        const std::string name = platform::LowerCase(entry.m_strName);
        for (const std::string_view type : {".mdl", ".spr", ".wav", ".tga", ".wad", ".bmp"}) {
            if (name.ends_with(type)) {
                return true;
            }
        }
    }
    return false;
}

std::vector<platform::CFolderEntry> SkyFaces(const std::vector<platform::CFolderEntry>& files) {
    // Sky name -> one bit per face found.
    std::map<std::string, unsigned> faces;
    const auto split = [](const platform::CFolderEntry& entry, std::string& sky) {
        const std::string name = platform::LowerCase(entry.m_strName);
        const std::size_t stem = name.size() - kTgaExtension.size();
        if (name.size() <= kTgaExtension.size() + 2 || !name.ends_with(kTgaExtension)) {
            return -1;
        }
        for (std::size_t face = 0; face < kSkyFaceSuffixes.size(); ++face) {
            if (name.compare(stem - 2, 2, kSkyFaceSuffixes[face]) == 0) {
                sky = name.substr(0, stem - 2);
                return static_cast<int>(face);
            }
        }
        return -1;
    };
    std::string sky;
    for (const platform::CFolderEntry& entry : files) {
        if (const int face = split(entry, sky); face >= 0) {
            faces[sky] |= 1u << face;
        }
    }
    constexpr unsigned kAllFaces = (1u << kSkyFaceSuffixes.size()) - 1;
    std::vector<platform::CFolderEntry> complete;
    for (const platform::CFolderEntry& entry : files) {
        if (split(entry, sky) >= 0 && faces[sky] == kAllFaces) {
            complete.push_back(entry);
        }
    }
    return complete;
}

std::string_view BaseName(std::string_view path) {
    const std::size_t separator = path.rfind(platform::kPathSeparator);
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

}  // namespace install
