#include "Win32Api.h"

#include "../FileSystem.h"
#include "Win32Errors.h"
#include "Win32FileCopy.h"
#include "Win32Handles.h"
#include "Win32Text.h"

namespace platform {
namespace {

using win32::LastError;
using win32::WidePath;

std::string StripTrailingSeparators(std::string path) {
    // A drive's root keeps its separator: "C:" alone means its current folder.
    while (path.size() > 1 && (path.back() == '\\' || path.back() == '/') &&
           !(path.size() == 3 && path[1] == ':')) {
        path.pop_back();
    }
    return path;
}

DWORD Attributes(const std::string& path) {
    return ::GetFileAttributesW(WidePath(path).c_str());
}

// Opens a file or folder without access to its data, for its identity.
win32::CHandle OpenForIdentity(const std::string& path) {
    return win32::CHandle(::CreateFileW(
        WidePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

FILETIME FileTimeOf(std::time_t time) {
    // FILETIME counts 100 ns steps from 1601; time_t seconds from 1970.
    constexpr std::uint64_t kEpochDifference = 116444736000000000ULL;
    const std::uint64_t ticks = static_cast<std::uint64_t>(time) * 10000000ULL + kEpochDifference;
    FILETIME result{};
    result.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    result.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return result;
}

std::string EnvironmentFolder(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return {};
    }
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(name, value.data(), size));
    return win32::Narrow(value);
}

// %LOCALAPPDATA%, where per-user data that does not roam lives.
std::string LocalAppData() {
    std::string folder = EnvironmentFolder(L"LOCALAPPDATA");
    if (folder.empty()) {
        folder = EnvironmentFolder(L"USERPROFILE") + "\\AppData\\Local";
    }
    return StripTrailingSeparators(folder);
}

}  // namespace

// Windows itself ignores letter case: a path means what it says.
std::string ResolvePath(const std::string& path) {
    return path;
}

std::string ResolveNewFilePath(const std::string& path) {
    return path;
}

int PathKind(const std::string& path) {
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return 0;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? -1 : 1;
}

bool IsLink(const std::string& path) {
    const DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsSameFile(const std::string& a, const std::string& b) {
    const win32::CHandle first = OpenForIdentity(a);
    const win32::CHandle second = OpenForIdentity(b);
    BY_HANDLE_FILE_INFORMATION one{};
    BY_HANDLE_FILE_INFORMATION two{};
    return first.IsValid() && second.IsValid() && ::GetFileInformationByHandle(first.Get(), &one) &&
           ::GetFileInformationByHandle(second.Get(), &two) &&
           one.dwVolumeSerialNumber == two.dwVolumeSerialNumber &&
           one.nFileIndexHigh == two.nFileIndexHigh && one.nFileIndexLow == two.nFileIndexLow;
}

ErrorCode CopyFile(const std::string& source, const std::string& destination) {
    return win32::CopyFileWhole(source, destination, nullptr, {});
}

ErrorCode CopyFile(const std::string& source, const std::string& destination, std::string& written,
                   SCopyDigest* digest, const std::string& linkable) {
    written = destination;
    return win32::CopyFileWhole(source, destination, digest, linkable);
}

ErrorCode SetFileAttributes(const std::string& path, std::uint32_t attributes) {
    return ::SetFileAttributesW(WidePath(path).c_str(), attributes) ? kErrorSuccess : LastError();
}

ErrorCode SetArchiveOnly(const std::string& path) {
    return SetFileAttributes(path, FILE_ATTRIBUTE_ARCHIVE);
}

ErrorCode SetFileMode(const std::string& path, std::uint32_t mode) {
    // Windows keeps one bit of all this: whether the file may be written.
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return LastError();
    }
    const DWORD wanted = (mode & 0222) ? (attributes & ~FILE_ATTRIBUTE_READONLY)
                                       : (attributes | FILE_ATTRIBUTE_READONLY);
    if (wanted == attributes) {
        return kErrorSuccess;
    }
    return SetFileAttributes(path, wanted == 0 ? FILE_ATTRIBUTE_NORMAL : wanted);
}

ErrorCode SetLastWriteTime(const std::string& path, std::time_t lastWrite) {
    win32::CHandle file(::CreateFileW(WidePath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.IsValid()) {
        return LastError();
    }
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const FILETIME written = FileTimeOf(lastWrite);
    return ::SetFileTime(file.Get(), nullptr, &now, &written) ? kErrorSuccess : LastError();
}

ProbeHandle OpenProbe(const std::string& path, ErrorCode* error) {
    // No access and no sharing, as the presence probe always was; a folder
    // cannot be opened this way and is refused with access denied.
    const HANDLE handle = ::CreateFileW(WidePath(path).c_str(), 0, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (error) {
            *error = LastError();
        }
        return kInvalidProbeHandle;
    }
    return reinterpret_cast<ProbeHandle>(handle);
}

ErrorCode CloseProbe(ProbeHandle handle) {
    if (handle == kInvalidProbeHandle) {
        return kErrorGenFailure;
    }
    return ::CloseHandle(reinterpret_cast<HANDLE>(handle)) ? kErrorSuccess : LastError();
}

ErrorCode CreateDirectory(const std::string& path) {
    return ::CreateDirectoryW(WidePath(StripTrailingSeparators(path)).c_str(), nullptr)
               ? kErrorSuccess
               : LastError();
}

ErrorCode CreatePrivateDirectory(const std::string& path) {
    // Below the user's own profile, where the program makes these, a new
    // folder inherits an access list that lets in only that user.
    return CreateDirectory(path);
}

ErrorCode DeleteFile(const std::string& path) {
    const std::wstring wide = WidePath(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // A link to a folder is removed as a folder, never what it leads to.
        return ::RemoveDirectoryW(wide.c_str()) ? kErrorSuccess : LastError();
    }
    return ::DeleteFileW(wide.c_str()) ? kErrorSuccess : LastError();
}

ErrorCode RemoveDirectory(const std::string& path) {
    return ::RemoveDirectoryW(WidePath(StripTrailingSeparators(path)).c_str()) ? kErrorSuccess
                                                                               : LastError();
}

std::optional<std::uint64_t> FreeSpace(const std::string& path) {
    ULARGE_INTEGER available{};
    // The call wants a folder: a file's is taken, or the nearest that exists.
    for (std::string folder = path; !folder.empty(); folder = win32::ParentOf(folder)) {
        const std::string asFolder = folder.back() == '\\' ? folder : folder + "\\";
        if (::GetDiskFreeSpaceExW(WidePath(asFolder).c_str(), &available, nullptr, nullptr)) {
            return static_cast<std::uint64_t>(available.QuadPart);
        }
        if (win32::ParentOf(folder) == folder) {
            break;
        }
    }
    return std::nullopt;
}

std::string NormalisePath(const std::string& path) {
    const std::wstring wide = win32::Widen(win32::BackslashPath(path));
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return StripTrailingSeparators(win32::BackslashPath(path));
    }
    std::wstring full(size, L'\0');
    full.resize(::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
    return StripTrailingSeparators(win32::Narrow(full));
}

std::string StagingBase() {
    return LocalAppData() + "\\Quarvel";
}

std::string InstallRecordsFolder() {
    return LocalAppData() + "\\Quarvel\\installs";
}

std::string SettingsFolder() {
    // Settings live in the registry; this folder holds nothing of them.
    return LocalAppData() + "\\Quarvel";
}

}  // namespace platform
