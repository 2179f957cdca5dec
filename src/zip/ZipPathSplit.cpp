#include "ZipPathSplit.h"

#include <vector>

#include "ZipNameCodec.h"
#include "platform/FileSystem.h"
#include "platform/PathSeparator.h"
#include "platform/TextCase.h"

namespace zip {
namespace {

constexpr char kSeparator = platform::kPathSeparator;
// The longest path the file system accepts; longer ones are refused before any
// walk, so a stored name of thousands of levels costs nothing.
constexpr std::size_t kLongestPath = 4096;

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string StripTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == kSeparator) {
        path.pop_back();
    }
    return path;
}

}  // namespace

CZipPathSplit::CZipPathSplit(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':' && IsDriveLetter(path[0])) {
        m_strDrive = std::string(path.substr(0, 2));
        path.remove_prefix(2);
    }
    const std::size_t slash = path.rfind(kSeparator);
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    m_strDir = std::string(path.substr(0, nameStart));
    const std::string_view nameExt = path.substr(nameStart);
    const std::size_t dot = nameExt.rfind('.');
    m_strName = std::string(nameExt.substr(0, dot));
    if (dot != std::string_view::npos) {
        m_strExt = std::string(nameExt.substr(dot));
    }
}

std::string CZipPathSplit::DriveDir(std::string_view path) {
    const CZipPathSplit split(path);
    return split.m_strDrive + split.m_strDir;
}

std::string CZipPathSplit::Title(std::string_view path) {
    return CZipPathSplit(path).m_strName;
}

std::string CZipPathSplit::PathNoDrive(std::string_view path) {
    const CZipPathSplit split(path);
    const std::size_t first = split.m_strDir.find_first_not_of(kSeparator);
    const std::string dir = first == std::string::npos ? "" : split.m_strDir.substr(first);
    return dir + split.m_strName + split.m_strExt;
}

std::string CZipPathSplit::NameExt(std::string_view path) {
    const CZipPathSplit split(path);
    return split.m_strName + split.m_strExt;
}

namespace {

#ifdef _WIN32
// Windows drops trailing dots and spaces from a name ("..." and ".. " mean
// ".."), takes "name:stream" for a stream of another file, and gives every
// folder the devices CON, NUL, COM1 and the rest, whatever follows a dot.
bool IsSafeWindowsComponent(std::string_view component) {
    if (component.find(':') != std::string_view::npos) {
        return false;
    }
    const std::size_t kept = component.find_last_not_of(". ");
    if (component != "." && kept == std::string_view::npos && !component.empty()) {
        return false;
    }
    std::string base(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    base = platform::LowerCase(base);
    for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
        if (base == device) {
            return false;
        }
    }
    return !((base.starts_with("com") || base.starts_with("lpt")) && base.size() == 4 &&
             base[3] >= '0' && base[3] <= '9');
}
#endif

}  // namespace

bool IsConfinedEntryName(std::string_view name) {
    // Converted names are UTF-8; one that is not was flagged so falsely.
    if (name.find('\0') != std::string_view::npos ||
        !IsValidUtf8(reinterpret_cast<const unsigned char*>(name.data()), name.size())) {
        return false;
    }
    // Both separators count, whichever this platform uses: a name is judged
    // as strictly wherever it came from.
    const std::string relative = CZipPathSplit::PathNoDrive(name);
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find_first_of("/\\", start);
        if (end == std::string::npos) {
            end = relative.size();
        }
        const std::string_view component = std::string_view(relative).substr(start, end - start);
        if (component == "..") {
            return false;
        }
#ifdef _WIN32
        if (!IsSafeWindowsComponent(component)) {
            return false;
        }
#endif
        start = end + 1;
    }
    return true;
}

bool CreateDirectories(const std::string& path) {
    // Walks up to the first folder that exists, then creates the rest top-down;
    // a loop rather than recursion, as a hostile name may have thousands of levels.
    if (path.size() >= kLongestPath) {
        return false;
    }
    std::vector<std::string> missing;
    std::string current = StripTrailingSeparators(path);
    while (!current.empty() && platform::PathKind(current) != -1) {
        const std::string parent = StripTrailingSeparators(CZipPathSplit::DriveDir(current));
        if (parent == current) {
            break;
        }
        missing.push_back(current);
        current = parent;
    }
    for (auto folder = missing.rbegin(); folder != missing.rend(); ++folder) {
        if (platform::CreateDirectory(*folder) != platform::kErrorSuccess &&
            platform::PathKind(*folder) != -1) {
            return false;
        }
    }
    return true;
}

}  // namespace zip
