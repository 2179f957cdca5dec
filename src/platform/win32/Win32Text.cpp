#include "Win32Text.h"

#include "Win32Api.h"

namespace platform::win32 {

std::wstring Widen(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          size);
    return wide;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                          size, nullptr, nullptr);
    return narrow;
}

std::string BackslashPath(std::string path) {
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

std::wstring WidePath(const std::string& path) {
    std::wstring wide = Widen(BackslashPath(path));
    // Past this length the classic calls fail; the \\?\ form takes the path
    // as it is, so it is made whole first.
    constexpr std::size_t kClassicLimit = 240;
    if (wide.size() < kClassicLimit || wide.starts_with(L"\\\\?\\")) {
        return wide;
    }
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return wide;
    }
    std::wstring full(size, L'\0');
    full.resize(::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
    if (full.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + full.substr(2);
    }
    return L"\\\\?\\" + full;
}

std::string ParentOf(const std::string& path) {
    const std::size_t last = path.find_last_of("\\/");
    if (last == std::string::npos) {
        return {};
    }
    if (last == 2 && path.size() > 1 && path[1] == ':') {
        return path.substr(0, 3);  // "C:\"
    }
    return path.substr(0, last);
}

}  // namespace platform::win32
