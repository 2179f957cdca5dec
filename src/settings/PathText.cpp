#include "PathText.h"

#include "platform/PathSeparator.h"

namespace settings {

void SplitAtLastSeparator(const std::string& path, std::string& parent, std::string& name) {
    const auto separator = path.rfind(platform::kPathSeparator);
    if (separator == std::string::npos) {
        parent.clear();
        name = path;
        return;
    }
    parent = path.substr(0, separator);
    name = path.substr(separator + 1);
}

void TrimTrailingSeparator(std::string& path) {
    if (!path.empty() && path.back() == platform::kPathSeparator) {
        path.pop_back();
    }
}

bool IsAbsolutePath(const std::string& path) {
#ifdef _WIN32
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool share = path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
    return drive || share;
#else
    return !path.empty() && path.front() == '/';
#endif
}

}  // namespace settings
