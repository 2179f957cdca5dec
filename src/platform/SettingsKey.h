#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ErrorCodes.h"

namespace platform {

// Further Windows numbers that the settings key reports.
constexpr ErrorCode kErrorInvalidHandle = 6;
constexpr ErrorCode kErrorInvalidData = 13;
constexpr ErrorCode kErrorInvalidParameter = 87;
constexpr ErrorCode kErrorMoreData = 234;
constexpr ErrorCode kErrorUnsupportedType = 1630;

// Value types, numbered as in the registry.
enum class ESettingsValueType : std::uint32_t {
    kString = 1,  // REG_SZ
    kDword = 4,   // REG_DWORD
};

struct CSettingsValue {
    ESettingsValueType m_eType = ESettingsValueType::kString;
    // The bytes as the registry would return them: a string's text followed by
    // its terminating NUL, a number as four little-endian bytes.
    std::string m_strData;
};

// A settings key, opened and closed within one operation as a registry key is.
//
// On Linux a key of the program is one file,
// ${XDG_CONFIG_HOME:-$HOME/.config}/Quarvel/<key name>.conf, holding one value
// a line: "name=sz:TEXT" (backslash, line feed and carriage return escaped as
// \\, \n and \r) or "name=dword:XXXXXXXX" (8 hex digits). Other lines are
// kept but ignored. Value names match without regard to letter case.
//
// Every successful write replaces the file atomically (temporary file, fsync,
// rename), so a crash leaves the old or the new file, never a mix. A write
// handle holds an exclusive lock on the settings folder from Create to Close,
// so two processes writing at once cannot lose each other's values; do not
// hold two write handles at once. As Windows does with read-only files, a
// file or folder without any write permission bit counts as not writable, for
// the superuser too.
class CSettingsKey {
  public:
    CSettingsKey() = default;
    ~CSettingsKey();
    CSettingsKey(const CSettingsKey&) = delete;
    CSettingsKey& operator=(const CSettingsKey&) = delete;

    // Opens a key of the program for reading (RegOpenKeyExA, KEY_READ). Fails
    // when the file is absent, not a plain file or unreadable.
    ErrorCode Open(const std::string& keyName);

    // Opens the Steam client's key for reading. Its one value, "InstallPath",
    // is the first existing folder of ~/.steam/root, ~/.steam/steam,
    // ~/.local/share/Steam and ~/.var/app/com.valvesoftware.Steam/.local/share/Steam;
    // with none of them the key cannot be opened.
    ErrorCode OpenSteam();

    // Creates or opens a key of the program for writing (RegCreateKeyExA,
    // KEY_WRITE): missing folders are created (0700), then an existing file
    // must be a writable plain file, or an absent one is created empty, which
    // needs a writable folder.
    ErrorCode Create(const std::string& keyName);

    // RegQueryValueExA into a buffer of bufferSize bytes, whatever the type:
    // fails with kErrorFileNotFound when the value is absent and with
    // kErrorMoreData when its bytes do not fit.
    ErrorCode QueryValue(const std::string& name, std::size_t bufferSize,
                         CSettingsValue& value) const;

    // A read into a 4-byte number; fails unless the value is a DWORD.
    ErrorCode QueryDword(const std::string& name, std::uint32_t& value) const;

    // RegSetValueExA: stores the value and replaces the file at once. Needs a
    // key created for writing. A name holding '=', a line break or a NUL
    // cannot be stored.
    ErrorCode SetString(const std::string& name, const std::string& text);
    ErrorCode SetDword(const std::string& name, std::uint32_t value);

    // RegCloseKey. For a write handle this also makes the replacements durable
    // (the folder is synced) and releases the lock. Fails with
    // kErrorInvalidHandle when the key is not open.
    ErrorCode Close();

    bool IsOpen() const { return m_eMode != EMode::kClosed; }

    // The file standing for a key of the program.
    static std::string KeyFilePath(const std::string& keyName);

  private:
    enum class EMode { kClosed, kRead, kWrite, kSteam };

    ErrorCode SetValue(const std::string& name, const std::string& line);
    const std::string* FindLine(const std::string& name) const;
    void Reset();

    EMode m_eMode = EMode::kClosed;
    std::string m_strFolder;
    std::string m_strFile;
    // The file's lines as read, or as last written.
    std::vector<std::string> m_lines;
    // The settings folder, locked while a write handle is open.
    int m_hFolder = -1;
    // The Steam key's "InstallPath".
    std::string m_strInstallPath;
};

}  // namespace platform
