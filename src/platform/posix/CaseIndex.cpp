#include "CaseIndex.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "../TextCase.h"
#include "PosixHandles.h"

namespace platform::posix {
namespace {

// Folders remembered at once at the most: enough for any install, and memory
// stays bounded over a long session.
constexpr std::size_t kMaxFolders = 256;

bool SameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

void CCaseIndex::Insert(SFolder& folder, std::string_view name) {
    auto [first, added] = folder.m_first.try_emplace(LowerCase(name), name);
    if (!added && name < first->second) {
        first->second = std::string(name);
    }
    folder.m_names.emplace(name);
}

bool CCaseIndex::List(const std::string& path, SFolder& folder) {
    // Read with getdents64 on a plain descriptor: opendir would add an fstat.
    CFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0) {
        return false;
    }
    folder = SFolder{};
    folder.m_modified = info.st_mtim;
    folder.m_nInode = info.st_ino;
    alignas(dirent64) char block[32768];
    for (ssize_t got; (got = ::getdents64(fd.Get(), block, sizeof block)) > 0;) {
        for (ssize_t offset = 0; offset < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(block + offset);
            offset += entry->d_reclen;
            const std::string_view name = entry->d_name;
            if (name != "." && name != "..") {
                Insert(folder, name);
            }
        }
    }
    return true;
}

bool CCaseIndex::Find(const std::string& folder, const std::string& name, std::string& found) {
    const std::lock_guard lock(m_mutex);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        m_folders.erase(folder);
        return false;
    }
    auto listed = m_folders.find(folder);
    if (listed == m_folders.end() || listed->second.m_nInode != info.st_ino ||
        !SameTime(listed->second.m_modified, info.st_mtim)) {
        if (listed == m_folders.end() && m_folders.size() >= kMaxFolders) {
            m_folders.clear();
        }
        SFolder entries;
        if (!List(folder, entries)) {
            m_folders.erase(folder);
            return false;
        }
        listed = m_folders.insert_or_assign(folder, std::move(entries)).first;
    }
    const SFolder& entries = listed->second;
    if (entries.m_names.contains(name)) {
        found = name;
    } else if (const auto first = entries.m_first.find(LowerCase(name));
               first != entries.m_first.end()) {
        found = first->second;
    } else {
        found.clear();
    }
    return true;
}

void CCaseIndex::Added(const std::string& folder, const std::string& name) {
    const std::lock_guard lock(m_mutex);
    const auto listed = m_folders.find(folder);
    if (listed == m_folders.end()) {
        return;
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        m_folders.erase(listed);
        return;
    }
    Insert(listed->second, name);
    listed->second.m_modified = info.st_mtim;
}

void CCaseIndex::Clear() {
    const std::lock_guard lock(m_mutex);
    m_folders.clear();
}

CCaseIndex& ProcessCaseIndex() {
    static CCaseIndex index;
    return index;
}

bool SplitForIndex(const std::string& path, std::string& folder, std::string& name) {
    const std::size_t slash = path.rfind('/');
    if (path.size() < 2 || path[0] != '/' || slash == std::string::npos ||
        slash + 1 == path.size() || path.find("//") != std::string::npos) {
        return false;
    }
    name = path.substr(slash + 1);
    if (name == "." || name == "..") {
        return false;
    }
    folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    return true;
}

}  // namespace platform::posix
