#include "InstallPaths.h"

#include <cctype>

#include "platform/TextCase.h"

namespace install {

namespace {

// ".z01", ".r00", ".001": a part of a split archive.
bool EndsWithPartNumber(std::string_view lower) {
    const std::size_t dot = lower.rfind('.');
    if (dot == std::string_view::npos || lower.size() - dot != 4) {
        return false;
    }
    const std::string_view extension = lower.substr(dot + 1);
    const std::size_t digitsFrom = (extension[0] == 'z' || extension[0] == 'r') ? 1 : 0;
    for (std::size_t i = digitsFrom; i < extension.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(extension[i]))) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool IsArchivePath(std::string_view path) {
    const std::string lower = platform::LowerCase(path.substr(path.find_last_of("/\\") + 1));
    for (const std::string_view extension : {".zip", ".rar", ".7z", ".tar", ".tgz", ".tbz", ".tbz2",
                                             ".txz", ".tar.gz", ".tar.bz2", ".tar.xz"}) {
        if (lower.ends_with(extension)) {
            return true;
        }
    }
    return EndsWithPartNumber(lower);
}

bool EndsWithMapsFolder(std::string_view folder) {
    return folder.size() >= kMapsSuffixLength &&
           folder[folder.size() - kMapsSuffixLength] == platform::kPathSeparator &&
           platform::EqualsNoCase(folder.substr(folder.size() - kMapsSuffixLength + 1),
                                  kMapsSuffix.substr(1));
}

std::string JoinPath(std::string_view parent, std::string_view name) {
    std::string path(parent);
    path += platform::kPathSeparator;
    path += name;
    return path;
}

std::string ParentFolder(std::string_view path) {
    const std::size_t separator = path.rfind(platform::kPathSeparator);
    if (separator == std::string_view::npos) {
        return {};
    }
    if (separator == 0) {
        return std::string(1, platform::kPathSeparator);
    }
    std::string parent(path.substr(0, separator));
    while (!parent.empty() && std::isspace(static_cast<unsigned char>(parent.back()))) {
        parent.pop_back();
    }
    return parent;
}

}  // namespace install
