#include "CaseIndex.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include "../TextCase.h"
#include "PosixHandles.h"

namespace platform::posix {

void CCaseIndex::Insert(SFolder& folder, std::string_view name) {
    auto [first, added] = folder.m_first.try_emplace(LowerCase(name), name);
    if (!added && name < first->second) {
        first->second = std::string(name);
    }
    folder.m_names.emplace(name);
}

bool CCaseIndex::Find(const std::string& folder, const std::string& name, std::string& found) {
    auto listed = m_folders.find(folder);
    if (listed == m_folders.end()) {
        CFd fd(::open(folder.empty() ? "." : folder.c_str(),
                      O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
        if (fd.Get() < 0) {
            return false;
        }
        SFolder entries;
        alignas(dirent64) char block[32768];
        for (ssize_t got; (got = ::getdents64(fd.Get(), block, sizeof block)) > 0;) {
            for (ssize_t offset = 0; offset < got;) {
                const auto* entry = reinterpret_cast<const dirent64*>(block + offset);
                offset += entry->d_reclen;
                const std::string_view entryName = entry->d_name;
                if (entryName != "." && entryName != "..") {
                    Insert(entries, entryName);
                }
            }
        }
        listed = m_folders.emplace(folder, std::move(entries)).first;
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

void CCaseIndex::Add(const std::string& folder, const std::string& name) {
    if (const auto listed = m_folders.find(folder); listed != m_folders.end()) {
        Insert(listed->second, name);
    }
}

}  // namespace platform::posix
