#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "../FileSystem.h"

namespace platform {
namespace {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        return entry->pw_dir;
    }
    return "/";
}

// An XDG base folder: the variable when it holds an absolute path, else the
// default below the home folder.
std::string BaseFolder(const char* variable, const char* fallback) {
    if (const char* value = std::getenv(variable); value && value[0] == '/') {
        return value;
    }
    return HomeFolder() + "/" + fallback;
}

}  // namespace

std::string NormalisePath(const std::string& path) {
    std::error_code ignored;
    std::string normal = std::filesystem::absolute(path, ignored).lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') {
        normal.pop_back();
    }
    return normal;
}

std::string StagingBase() {
    return BaseFolder("XDG_CACHE_HOME", ".cache") + "/quarvel";
}

std::string InstallRecordsFolder() {
    return BaseFolder("XDG_STATE_HOME", ".local/state") + "/quarvel/installs";
}

std::string SettingsFolder() {
    return BaseFolder("XDG_CONFIG_HOME", ".config") + "/Quarvel";
}

}  // namespace platform
