#include "SettingsKeyWin32.h"

#include <vector>

#include "Win32Text.h"

namespace platform {
namespace {

std::wstring RootPath() {
    wchar_t value[512] = {};
    const DWORD size = ::GetEnvironmentVariableW(L"QUARVEL_REGISTRY_ROOT", value, 512);
    if (size == 0 || size >= 512) {
        return L"Software";
    }
    std::wstring root(value, size);
    while (!root.empty() && root.back() == L'\\') {
        root.pop_back();
    }
    return root;
}

// Copies the values of the key below HKEY_LOCAL_MACHINE into a new key below
// HKEY_CURRENT_USER, once: when the user's key does not exist yet.
void CopyMachineKey(const std::wstring& path) {
    HKEY user = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &user) == ERROR_SUCCESS) {
        ::RegCloseKey(user);
        return;
    }
    HKEY machine = nullptr;
    // A 32-bit program wrote it in the 32-bit view; look there first.
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY,
                        &machine) != ERROR_SUCCESS &&
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                        &machine) != ERROR_SUCCESS) {
        return;
    }
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &user,
                          nullptr) == ERROR_SUCCESS) {
        std::vector<wchar_t> name(16384);
        std::vector<BYTE> data(65536);
        for (DWORD index = 0;; ++index) {
            DWORD nameSize = static_cast<DWORD>(name.size());
            DWORD dataSize = static_cast<DWORD>(data.size());
            DWORD type = 0;
            if (::RegEnumValueW(machine, index, name.data(), &nameSize, nullptr, &type, data.data(),
                                &dataSize) != ERROR_SUCCESS) {
                break;
            }
            ::RegSetValueExW(user, name.data(), 0, type, data.data(), dataSize);
        }
        ::RegCloseKey(user);
    }
    ::RegCloseKey(machine);
}

// A string value of an open key, or nothing.
bool ReadString(HKEY key, const wchar_t* name, std::string& text) {
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return false;
    }
    std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                           &size) != ERROR_SUCCESS) {
        return false;
    }
    value.resize(size / sizeof(wchar_t));
    while (!value.empty() && value.back() == L'\0') {
        value.pop_back();
    }
    text = win32::Narrow(value);
    return !text.empty();
}

}  // namespace

std::wstring CWin32SettingsKey::ProgramKeyPath(const std::string& keyName) {
    return RootPath() + L"\\Quarvel\\" + win32::Widen(keyName);
}

std::wstring CWin32SettingsKey::SteamKeyPath() {
    return RootPath() + L"\\Valve\\Steam";
}

CWin32SettingsKey::~CWin32SettingsKey() {
    Reset();
}

void CWin32SettingsKey::Reset() {
    if (m_hKey) {
        ::RegCloseKey(m_hKey);
    }
    m_hKey = nullptr;
    m_bSteam = false;
    m_strInstallPath.clear();
}

ErrorCode CWin32SettingsKey::Open(const std::string& keyName) {
    Reset();
    const std::wstring path = ProgramKeyPath(keyName);
    CopyMachineKey(path);
    return ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &m_hKey);
}

ErrorCode CWin32SettingsKey::OpenSteam() {
    Reset();
    const std::wstring path = SteamKeyPath();
    HKEY key = nullptr;
    std::string found;
    for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | view, &key) ==
            ERROR_SUCCESS) {
            const bool read = ReadString(key, L"InstallPath", found);
            ::RegCloseKey(key);
            if (read) {
                break;
            }
        }
    }
    if (found.empty() &&
        ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        // The client writes this one with forward slashes.
        if (ReadString(key, L"SteamPath", found)) {
            found = win32::BackslashPath(found);
        }
        ::RegCloseKey(key);
    }
    if (found.empty()) {
        return kErrorFileNotFound;
    }
    m_bSteam = true;
    m_strInstallPath = found;
    return kErrorSuccess;
}

ErrorCode CWin32SettingsKey::Create(const std::string& keyName) {
    Reset();
    const std::wstring path = ProgramKeyPath(keyName);
    CopyMachineKey(path);
    return ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                             KEY_WRITE | KEY_QUERY_VALUE, nullptr, &m_hKey, nullptr);
}

ErrorCode CWin32SettingsKey::QueryValue(const std::string& name, std::size_t bufferSize,
                                        CSettingsValue& value) const {
    if (m_bSteam) {
        if (_stricmp(name.c_str(), "InstallPath") != 0) {
            return kErrorFileNotFound;
        }
        std::string data = m_strInstallPath + '\0';
        if (data.size() > bufferSize) {
            return kErrorMoreData;
        }
        value.m_eType = ESettingsValueType::kString;
        value.m_strData = std::move(data);
        return kErrorSuccess;
    }
    if (!m_hKey) {
        return kErrorInvalidHandle;
    }
    const std::wstring wideName = win32::Widen(name);
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = ::RegQueryValueExW(m_hKey, wideName.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    std::vector<BYTE> bytes(size + sizeof(wchar_t));
    status = ::RegQueryValueExW(m_hKey, wideName.c_str(), nullptr, &type, bytes.data(), &size);
    if (status != ERROR_SUCCESS) {
        return status;
    }
    std::string data;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        // The text as stored, its NUL included when it has one, in UTF-8.
        data = win32::Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(bytes.data()),
                                               size / sizeof(wchar_t)));
        value.m_eType = ESettingsValueType::kString;
    } else {
        data.assign(reinterpret_cast<const char*>(bytes.data()), size);
        value.m_eType = static_cast<ESettingsValueType>(type);
    }
    if (data.size() > bufferSize) {
        return kErrorMoreData;
    }
    value.m_strData = std::move(data);
    return kErrorSuccess;
}

ErrorCode CWin32SettingsKey::QueryDword(const std::string& name, std::uint32_t& value) const {
    CSettingsValue found;
    if (const ErrorCode error = QueryValue(name, SIZE_MAX, found); error != kErrorSuccess) {
        return error;
    }
    if (found.m_eType != ESettingsValueType::kDword || found.m_strData.size() != 4) {
        return kErrorUnsupportedType;
    }
    value = DwordOf(found.m_strData);
    return kErrorSuccess;
}

ErrorCode CWin32SettingsKey::SetString(const std::string& name, const std::string& text) {
    if (!m_hKey || m_bSteam) {
        return kErrorInvalidHandle;
    }
    const std::wstring wide = win32::Widen(text);
    return ::RegSetValueExW(m_hKey, win32::Widen(name).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(wide.c_str()),
                            static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

ErrorCode CWin32SettingsKey::SetDword(const std::string& name, std::uint32_t value) {
    if (!m_hKey || m_bSteam) {
        return kErrorInvalidHandle;
    }
    const DWORD number = value;
    return ::RegSetValueExW(m_hKey, win32::Widen(name).c_str(), 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&number), sizeof number);
}

ErrorCode CWin32SettingsKey::Close() {
    if (m_bSteam) {
        Reset();
        return kErrorSuccess;
    }
    if (!m_hKey) {
        return kErrorInvalidHandle;
    }
    const LSTATUS status = ::RegCloseKey(m_hKey);
    m_hKey = nullptr;
    return status;
}

std::unique_ptr<CSettingsKey> CSystemSettingsKeys::MakeKey() {
    return std::make_unique<CWin32SettingsKey>();
}

}  // namespace platform
