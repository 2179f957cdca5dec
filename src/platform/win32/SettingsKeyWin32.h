#pragma once

#include "Win32Api.h"

#include <string>

#include "../SettingsKey.h"

namespace platform {

// A settings key in the registry. The program's keys live under
// HKEY_CURRENT_USER\Software\Quarvel (writing below HKEY_LOCAL_MACHINE needs
// an administrator); a key that exists only below HKEY_LOCAL_MACHINE, as
// earlier versions kept it, is copied over the first time it is opened.
// The Steam client's key is HKEY_LOCAL_MACHINE\Software\Valve\Steam in the
// 32-bit view, where the client writes "InstallPath", else
// HKEY_CURRENT_USER\Software\Valve\Steam, whose "SteamPath" stands in for it.
//
// The variable QUARVEL_REGISTRY_ROOT (for example "Software\QuarvelTest")
// moves every key below that path of both roots, so that tests and portable
// setups leave the real keys alone.
class CWin32SettingsKey final : public CSettingsKey {
  public:
    CWin32SettingsKey() = default;
    ~CWin32SettingsKey() override;
    CWin32SettingsKey(const CWin32SettingsKey&) = delete;
    CWin32SettingsKey& operator=(const CWin32SettingsKey&) = delete;

    ErrorCode Open(const std::string& keyName) override;
    ErrorCode OpenSteam() override;
    ErrorCode Create(const std::string& keyName) override;
    ErrorCode QueryValue(const std::string& name, std::size_t bufferSize,
                         CSettingsValue& value) const override;
    ErrorCode QueryDword(const std::string& name, std::uint32_t& value) const override;
    ErrorCode SetString(const std::string& name, const std::string& text) override;
    ErrorCode SetDword(const std::string& name, std::uint32_t value) override;
    ErrorCode Close() override;

    // The registry path of a key of the program, below either root.
    static std::wstring ProgramKeyPath(const std::string& keyName);
    // The registry path of the Steam client's key, below either root.
    static std::wstring SteamKeyPath();

  private:
    void Reset();

    HKEY m_hKey = nullptr;
    bool m_bSteam = false;
    // The Steam key's "InstallPath", as found.
    std::string m_strInstallPath;
};

}  // namespace platform
