#include "Win32Api.h"

#include "../File.h"
#include "../FileSystem.h"
#include "Win32Errors.h"
#include "Win32Handles.h"
#include "Win32Text.h"

namespace platform {
namespace {

HANDLE AsHandle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

CFileException MakeException(DWORD error, const std::string& path) {
    return CFileException(win32::FileCauseOf(error), path, win32::FromWin32(error));
}

}  // namespace

CFile::~CFile() {
    if (m_hFile != -1) {
        ::CloseHandle(AsHandle(m_hFile));
    }
}

bool CFile::Open(const std::string& path, unsigned flags, CFileException* error) {
    if (m_hFile != -1) {
        Close();
    }
    const std::wstring wide = win32::WidePath(path);
    DWORD access = GENERIC_READ;
    switch (flags & 0x3) {
        case modeWrite:
            access = GENERIC_WRITE;
            break;
        case modeReadWrite:
            access = GENERIC_READ | GENERIC_WRITE;
            break;
        default:
            break;
    }
    const DWORD share =
        (flags & shareDenyWrite) ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if (flags & modeCreate) {
        disposition = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
        // Output is always a plain file of our own, never written through a link.
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            if (error) {
                *error = CFileException(CFileException::accessDenied, path, kErrorLinkInTheWay);
            }
            return false;
        }
    }
    win32::CHandle file(::CreateFileW(wide.c_str(), access, share, nullptr, disposition,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        if (error) {
            *error = MakeException(::GetLastError(), path);
        }
        return false;
    }
    // Only files on a disk hold data to read or room to write: a pipe, a
    // console or a device such as NUL is no file.
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK) {
        if (error) {
            *error = CFileException(CFileException::invalidFile, path, kErrorNotRegularFile);
        }
        return false;
    }
    m_hFile = reinterpret_cast<std::intptr_t>(file.Release());
    m_strFilePath = path;
    return true;
}

std::uint32_t CFile::Read(void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < count) {
        DWORD got = 0;
        if (!::ReadFile(AsHandle(m_hFile), out + done, count - done, &got, nullptr)) {
            ThrowLastError();
        }
        if (got == 0) {
            break;
        }
        done += got;
    }
    return done;
}

void CFile::Write(const void* buffer, std::uint32_t count) {
    std::uint32_t done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < count) {
        DWORD put = 0;
        if (!::WriteFile(AsHandle(m_hFile), in + done, count - done, &put, nullptr)) {
            ThrowLastError();
        }
        done += put;
    }
}

std::uint64_t CFile::Seek(std::int64_t offset, SeekPosition from) {
    LARGE_INTEGER distance{};
    distance.QuadPart = offset;
    LARGE_INTEGER position{};
    const DWORD method = from == begin ? FILE_BEGIN : from == current ? FILE_CURRENT : FILE_END;
    if (!::SetFilePointerEx(AsHandle(m_hFile), distance, &position, method)) {
        ThrowLastError();
    }
    return static_cast<std::uint64_t>(position.QuadPart);
}

std::uint64_t CFile::GetPosition() const {
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(AsHandle(m_hFile), LARGE_INTEGER{}, &position, FILE_CURRENT)) {
        ThrowLastError();
    }
    return static_cast<std::uint64_t>(position.QuadPart);
}

std::uint64_t CFile::GetLength() const {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(AsHandle(m_hFile), &size)) {
        ThrowLastError();
    }
    return static_cast<std::uint64_t>(size.QuadPart);
}

void CFile::Close() {
    if (m_hFile == -1) {
        return;
    }
    const HANDLE handle = AsHandle(m_hFile);
    m_hFile = -1;
    if (!::CloseHandle(handle)) {
        throw MakeException(::GetLastError(), m_strFilePath);
    }
}

void CFile::ThrowLastError() const {
    if (m_hFile == -1) {
        throw CFileException(CFileException::invalidFile, m_strFilePath, kErrorGenFailure);
    }
    throw MakeException(::GetLastError(), m_strFilePath);
}

}  // namespace platform
