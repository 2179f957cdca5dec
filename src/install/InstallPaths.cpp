#include "InstallPaths.h"

#include <cctype>

#include "platform/TextCase.h"

namespace install {

bool IsArchivePath(std::string_view path) {
    constexpr std::string_view kExtension = ".zip";
    return path.size() >= kExtension.size() &&
           platform::EqualsNoCase(path.substr(path.size() - kExtension.size()), kExtension);
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
