#include "ArchiveSets.h"

#include <cctype>

#include "InstallPaths.h"
#include "PackageLayout.h"
#include "platform/TextCase.h"
#include "zip/ZipSplitSet.h"

namespace install {
namespace {

// The digits at the end of a name after a marker such as ".part" or ".r",
// with at least one digit and nothing after them but suffix; -1 when the name
// is not of that form.
int NumberAfter(const std::string& lowerName, const std::string& marker, const std::string& suffix,
                std::size_t& markerAt) {
    if (!lowerName.ends_with(suffix)) {
        return -1;
    }
    const std::size_t end = lowerName.size() - suffix.size();
    std::size_t start = end;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(lowerName[start - 1]))) {
        --start;
    }
    if (start == end || end - start > 4 || start < marker.size() ||
        lowerName.compare(start - marker.size(), marker.size(), marker) != 0) {
        return -1;
    }
    markerAt = start - marker.size();
    return std::stoi(lowerName.substr(start, end - start));
}

// The existing file of a folder named like name, in any letter case.
std::string Existing(platform::CFileOperations& fs, const std::string& folder,
                     const std::string& name) {
    for (const platform::CFolderEntry& entry : fs.ListFolder(folder, name)) {
        if (!entry.IsDirectory()) {
            return entry.m_strPath;
        }
    }
    return {};
}

// Parts named stem + marker + number + suffix, from first on while they are
// there, the number written with width digits.
std::vector<std::string> NumberedParts(platform::CFileOperations& fs, const std::string& folder,
                                       const std::string& stem, const std::string& marker,
                                       int first, std::size_t width, const std::string& suffix) {
    std::vector<std::string> parts;
    for (int number = first;; ++number) {
        std::string digits = std::to_string(number);
        if (digits.size() < width) {
            digits.insert(0, width - digits.size(), '0');
        }
        const std::string part = Existing(fs, folder, stem + marker + digits + suffix);
        if (part.empty()) {
            return parts;
        }
        parts.push_back(part);
    }
}

}  // namespace

SArchiveSet FindArchiveSet(platform::CFileOperations& fs, const std::string& path) {
    SArchiveSet set{path, {path}, false};
    // Volumes of a split zip; pieces (x.zip.001 …) are found below with the
    // pieces of any other archive, and their first bytes tell what they are.
    if (const zip::CZipSplitSet zipSet = zip::FindZipSplitSet(path);
        zipSet.IsSplit() && zipSet.m_kind != zip::EZipSplitKind::kRawSplit &&
        fs.Kind(zipSet.m_strCanonicalPath) != platform::EPathKind::kMissing) {
        set.m_strCanonicalPath = zipSet.m_strCanonicalPath;
        set.m_parts = zipSet.m_parts;
        set.m_bZipSet = true;
        return set;
    }
    const std::string folder = ParentFolder(path);
    const std::string name(BaseName(path));
    const std::string lower = platform::LowerCase(name);
    std::size_t at = 0;
    std::vector<std::string> parts;
    if (int number = NumberAfter(lower, ".part", ".rar", at); number >= 0) {
        // x.part1.rar, x.part2.rar, … (the number as wide as in the name given)
        const std::size_t width = lower.size() - at - std::string(".part.rar").size();
        parts = NumberedParts(fs, folder, name.substr(0, at), ".part", 1, width, ".rar");
    } else if (number = NumberAfter(lower, ".r", "", at); number >= 0 && lower.size() - at == 4) {
        // x.rar, then x.r00, x.r01, …
        const std::string stem = name.substr(0, at);
        if (const std::string first = Existing(fs, folder, stem + ".rar"); !first.empty()) {
            parts = {first};
            const auto more = NumberedParts(fs, folder, stem, ".r", 0, 2, "");
            parts.insert(parts.end(), more.begin(), more.end());
        }
    } else if (lower.ends_with(".rar")) {
        const std::string stem = name.substr(0, name.size() - 4);
        if (const auto more = NumberedParts(fs, folder, stem, ".r", 0, 2, ""); !more.empty()) {
            parts = {path};
            parts.insert(parts.end(), more.begin(), more.end());
        }
    } else if (number = NumberAfter(lower, ".", "", at); number >= 0 && lower.size() - at == 4) {
        // x.7z.001, x.7z.002, …: one file cut into pieces.
        parts = NumberedParts(fs, folder, name.substr(0, at), ".", 1, 3, "");
    }
    if (!parts.empty()) {
        set.m_strCanonicalPath = parts.front();
        set.m_parts = parts;
    }
    return set;
}

}  // namespace install
