#include "InstallPaths.h"

#include <cctype>

namespace install {

bool IsArchivePath(std::string_view path) {
    constexpr std::string_view kExtension = ".zip";
    const std::string_view tail = path.size() < 4 ? path : path.substr(path.size() - 4);
    if (tail.size() != kExtension.size()) {
        return false;
    }
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(tail[i])) != kExtension[i]) {
            return false;
        }
    }
    return true;
}

bool EndsWithMapsFolder(std::string_view folder) {
    std::string suffix(kMapsSuffix);
    suffix[0] = platform::kPathSeparator;
    return folder.ends_with(suffix);
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
