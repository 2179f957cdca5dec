#include "Win32FileCopy.h"

#include <zlib.h>
#include "Win32Api.h"

#include <vector>

#include "Win32Errors.h"
#include "Win32Handles.h"
#include "Win32Text.h"

namespace platform::win32 {
namespace {

constexpr DWORD kBlock = 1 << 20;

// Copies the rest of one open file into another, taking the CRC-32 on the way
// when a digest is asked for.
DWORD CopyData(HANDLE from, HANDLE to, SCopyDigest* digest) {
    std::vector<unsigned char> buffer(kBlock);
    uLong crc = crc32(0, nullptr, 0);
    std::uint64_t done = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(from, buffer.data(), kBlock, &got, nullptr)) {
            return ::GetLastError();
        }
        if (got == 0) {
            break;
        }
        if (digest) {
            crc = crc32(crc, buffer.data(), got);
        }
        done += got;
        for (DWORD put = 0; put < got;) {
            DWORD wrote = 0;
            if (!::WriteFile(to, buffer.data() + put, got - put, &wrote, nullptr)) {
                return ::GetLastError();
            }
            put += wrote;
        }
    }
    if (digest) {
        digest->m_nCrc = static_cast<std::uint32_t>(crc);
        digest->m_nSize = done;
    }
    return ERROR_SUCCESS;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

// Writes the source into a new file at to; the file is removed again when the
// copy fails.
ErrorCode CopyToNew(HANDLE from, const BY_HANDLE_FILE_INFORMATION& source, const std::wstring& to,
                    SCopyDigest* digest, bool& existed) {
    const bool readOnly = source.dwFileAttributes & FILE_ATTRIBUTE_READONLY;
    CHandle out(::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.IsValid()) {
        const DWORD error = ::GetLastError();
        existed = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return FromWin32(error);
    }
    DWORD error = CopyData(from, out.Get(), digest);
    if (error == ERROR_SUCCESS) {
        ::SetFileTime(out.Get(), nullptr, &source.ftLastAccessTime, &source.ftLastWriteTime);
        if (!::CloseHandle(out.Release())) {
            error = ::GetLastError();
        }
    }
    if (error != ERROR_SUCCESS) {
        out.Reset();
        ::SetFileAttributesW(to.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(to.c_str());
        return FromWin32(error);
    }
    return kErrorSuccess;
}

// A name beside the destination that nothing else uses.
std::wstring TemporaryBeside(const std::wstring& destination, unsigned attempt) {
    const std::size_t slash = destination.find_last_of(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? L"." : destination.substr(0, slash);
    return folder + L"\\.quarvel-copy-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring(::GetTickCount64()) + L"-" + std::to_wstring(attempt);
}

}  // namespace

ErrorCode CopyFileWhole(const std::string& source, const std::string& destination,
                        SCopyDigest* digest, const std::string& linkable) {
    const std::wstring from = WidePath(source);
    const std::wstring to = WidePath(destination);
    CHandle in(::CreateFileW(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in.IsValid()) {
        return LastError();
    }
    if (::GetFileType(in.Get()) != FILE_TYPE_DISK) {
        // A pipe or a device would be read until the disk is full.
        return kErrorNotRegularFile;
    }
    BY_HANDLE_FILE_INFORMATION sourceInfo{};
    if (!::GetFileInformationByHandle(in.Get(), &sourceInfo)) {
        return LastError();
    }
    const DWORD existing = ::GetFileAttributesW(to.c_str());
    if (existing == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            return FromWin32(error);
        }
        const std::string below = linkable.empty() ? std::string() : BackslashPath(linkable) + "\\";
        if (!below.empty() && sourceInfo.nNumberOfLinks == 1 &&
            BackslashPath(source).starts_with(below) &&
            ::CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) {
            // A staged file installed once needs no second copy of its bytes.
            if (digest) {
                return Checksum(destination, digest->m_nCrc, digest->m_nSize);
            }
            return kErrorSuccess;
        }
        bool existed = false;
        const ErrorCode result = CopyToNew(in.Get(), sourceInfo, to, digest, existed);
        if (!existed) {
            return result;
        }
        // Something came in the way after all: it is looked at as any destination.
        ::SetFilePointerEx(in.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN);
    }
    const DWORD attributes = ::GetFileAttributesW(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return kErrorAccessDenied;
    }
    {
        CHandle target(::CreateFileW(to.c_str(), 0,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, 0, nullptr));
        BY_HANDLE_FILE_INFORMATION targetInfo{};
        if (target.IsValid() && ::GetFileInformationByHandle(target.Get(), &targetInfo) &&
            SameFile(sourceInfo, targetInfo)) {
            // Writing a file onto itself would empty it.
            return kErrorSameFile;
        }
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return kErrorAccessDenied;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // A link the user placed in the mod directory is written through.
        CHandle out(::CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out.IsValid()) {
            return LastError();
        }
        if (const DWORD error = CopyData(in.Get(), out.Get(), digest); error != ERROR_SUCCESS) {
            return FromWin32(error);
        }
        ::SetFileTime(out.Get(), nullptr, &sourceInfo.ftLastAccessTime,
                      &sourceInfo.ftLastWriteTime);
        return ::CloseHandle(out.Release()) ? kErrorSuccess : LastError();
    }
    std::wstring temporary;
    ErrorCode result = kErrorAlreadyExists;
    for (unsigned attempt = 0; result == kErrorAlreadyExists && attempt < 100; ++attempt) {
        temporary = TemporaryBeside(to, attempt);
        bool existed = false;
        result = CopyToNew(in.Get(), sourceInfo, temporary, digest, existed);
        if (!existed && result != kErrorSuccess) {
            return result;
        }
    }
    if (result != kErrorSuccess) {
        return result;
    }
    if (!::MoveFileExW(temporary.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const ErrorCode error = LastError();
        ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(temporary.c_str());
        return error;
    }
    return kErrorSuccess;
}

ErrorCode Checksum(const std::string& path, std::uint32_t& crc, std::uint64_t& size) {
    CHandle in(::CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in.IsValid()) {
        return LastError();
    }
    if (::GetFileType(in.Get()) != FILE_TYPE_DISK) {
        return kErrorNotRegularFile;
    }
    std::vector<unsigned char> buffer(kBlock);
    uLong running = crc32(0, nullptr, 0);
    size = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(in.Get(), buffer.data(), kBlock, &got, nullptr)) {
            return LastError();
        }
        if (got == 0) {
            break;
        }
        running = crc32(running, buffer.data(), got);
        size += got;
    }
    crc = static_cast<std::uint32_t>(running);
    return kErrorSuccess;
}

ErrorCode LinkOrCopy(const std::string& source, const std::string& keep) {
    const std::wstring from = WidePath(source);
    const std::wstring to = WidePath(keep);
    const DWORD attributes = ::GetFileAttributesW(from.c_str());
    // A hard link to a link would keep the link, not the content it leads to.
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        ::CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) {
        return kErrorSuccess;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS ||
        ::GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return kErrorAlreadyExists;
    }
    return CopyFileWhole(source, keep, nullptr, {});
}

}  // namespace platform::win32
