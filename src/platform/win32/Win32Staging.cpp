#include "Win32Staging.h"

#include <bcrypt.h>

#include <vector>

#include "Win32Errors.h"
#include "Win32Handles.h"
#include "Win32Text.h"

namespace platform::win32 {
namespace {

constexpr const char* kRunPrefix = "run-";
constexpr const char* kLockName = "run.lock";
constexpr const char* kStagingName = "__Orlimb_Temp";

struct SEntry {
    std::string m_strName;
    DWORD m_nAttributes = 0;
};

std::vector<SEntry> Entries(const std::string& folder) {
    std::vector<SEntry> entries;
    WIN32_FIND_DATAW found{};
    const CFindHandle search(::FindFirstFileExW(WidePath(folder + "\\*").c_str(), FindExInfoBasic,
                                                &found, FindExSearchNameMatch, nullptr, 0));
    if (!search.IsValid()) {
        return entries;
    }
    do {
        std::string name = Narrow(found.cFileName);
        if (name != "." && name != "..") {
            entries.push_back({std::move(name), found.dwFileAttributes});
        }
    } while (::FindNextFileW(search.Get(), &found));
    return entries;
}

// Removes one entry: a folder with everything in it, or anything else (a
// link included) by its own name.
ErrorCode RemoveEntry(const std::string& path, DWORD attributes) {
    const std::wstring wide = WidePath(path);
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        // An archive's read-only file or folder must still go.
        ::SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        const bool removed = (attributes & FILE_ATTRIBUTE_DIRECTORY)
                                 ? ::RemoveDirectoryW(wide.c_str())
                                 : ::DeleteFileW(wide.c_str());
        return removed ? kErrorSuccess : LastError();
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (const ErrorCode error = RemoveTreeNoLinks(path); error != kErrorSuccess) {
            return error;
        }
        return kErrorSuccess;
    }
    return ::DeleteFileW(wide.c_str()) ? kErrorSuccess : LastError();
}

// The base folder, made when missing and checked to be a folder of its own,
// not a link to one elsewhere.
ErrorCode PrepareBase(const std::string& base) {
    for (std::size_t slash = base.find('\\', 3); slash != std::string::npos;
         slash = base.find('\\', slash + 1)) {
        ::CreateDirectoryW(WidePath(base.substr(0, slash)).c_str(), nullptr);
    }
    ::CreateDirectoryW(WidePath(base).c_str(), nullptr);
    const DWORD attributes = ::GetFileAttributesW(WidePath(base).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return LastError();
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        return kErrorLinkInTheWay;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? kErrorSuccess : kErrorPathNotFound;
}

// A lock file opened without sharing: while it is open, nobody else can open it.
HANDLE OpenLock(const std::string& path, DWORD disposition) {
    return ::CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Removes the runs below base whose lock nobody holds: runs that ended
// without cleaning up, killed or crashed.
void RemoveStaleRuns(const std::string& base) {
    for (const SEntry& entry : Entries(base)) {
        if (entry.m_strName.rfind(kRunPrefix, 0) != 0) {
            continue;
        }
        const std::string run = base + "\\" + entry.m_strName;
        if ((entry.m_nAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
            !(entry.m_nAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            RemoveEntry(run, entry.m_nAttributes);  // a link or file in our place
            continue;
        }
        CHandle lock(OpenLock(run + "\\" + kLockName, OPEN_EXISTING));
        if (!lock.IsValid() && ::GetLastError() == ERROR_SHARING_VIOLATION) {
            continue;  // a live run
        }
        lock.Reset();
        RemoveEntry(run, entry.m_nAttributes);
    }
}

std::string RandomName() {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[8] = {};
    if (!BCRYPT_SUCCESS(
            ::BCryptGenRandom(nullptr, bytes, sizeof bytes, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        const unsigned long long fallback = ::GetTickCount64() ^ ::GetCurrentProcessId();
        for (std::size_t i = 0; i < sizeof bytes; ++i) {
            bytes[i] = static_cast<unsigned char>(fallback >> (8 * i));
        }
    }
    std::string name = kRunPrefix;
    for (unsigned char byte : bytes) {
        name += kLetters[byte % (sizeof kLetters - 1)];
    }
    return name;
}

}  // namespace

ErrorCode RemoveTreeNoLinks(const std::string& folder) {
    ErrorCode first = kErrorSuccess;
    for (const SEntry& entry : Entries(folder)) {
        const ErrorCode error = RemoveEntry(folder + "\\" + entry.m_strName, entry.m_nAttributes);
        if (error != kErrorSuccess && first == kErrorSuccess) {
            first = error;
        }
    }
    if (first != kErrorSuccess) {
        return first;
    }
    return ::RemoveDirectoryW(WidePath(folder).c_str()) ? kErrorSuccess : LastError();
}

CStagingFolders::~CStagingFolders() {
    for (auto& [folder, run] : m_runs) {
        ::CloseHandle(run.m_hLock);
    }
}

ErrorCode CStagingFolders::Create(const std::string& given, std::string& folder) {
    const std::string base = BackslashPath(given);
    if (const ErrorCode error = PrepareBase(base); error != kErrorSuccess) {
        return error;
    }
    // Held while stale runs are removed and the new one is made and locked,
    // so that no run is taken for stale between its making and its lock.
    CHandle baseLock;
    for (int attempt = 0; attempt < 600; ++attempt) {
        baseLock.Reset(OpenLock(base + "\\base.lock", OPEN_ALWAYS));
        if (baseLock.IsValid() || ::GetLastError() != ERROR_SHARING_VIOLATION) {
            break;
        }
        ::Sleep(50);
    }
    if (!baseLock.IsValid()) {
        return LastError();
    }
    RemoveStaleRuns(base);
    std::string run;
    for (int attempt = 0;; ++attempt) {
        run = base + "\\" + RandomName();
        if (::CreateDirectoryW(WidePath(run).c_str(), nullptr)) {
            break;
        }
        if (::GetLastError() != ERROR_ALREADY_EXISTS || attempt == 100) {
            return LastError();
        }
    }
    CHandle lock(OpenLock(run + "\\" + kLockName, CREATE_NEW));
    if (!lock.IsValid() ||
        !::CreateDirectoryW(WidePath(run + "\\" + kStagingName).c_str(), nullptr)) {
        const ErrorCode error = LastError();
        lock.Reset();
        RemoveTreeNoLinks(run);
        return error;
    }
    folder = run + "\\" + kStagingName;
    m_runs[folder] = SRun{run, lock.Release()};
    return kErrorSuccess;
}

ErrorCode CStagingFolders::Remove(const std::string& folder) {
    const auto found = m_runs.find(BackslashPath(folder));
    if (found == m_runs.end()) {
        return kErrorPathNotFound;
    }
    const SRun run = found->second;
    m_runs.erase(found);
    ::CloseHandle(run.m_hLock);
    return RemoveTreeNoLinks(run.m_strRun);
}

}  // namespace platform::win32
