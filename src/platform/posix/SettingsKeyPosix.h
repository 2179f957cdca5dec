#pragma once

#include <string>
#include <vector>

#include "../SettingsKey.h"

namespace platform {

// A settings key on Linux: a key of the program is one file,
// ${XDG_CONFIG_HOME:-$HOME/.config}/Quarvel/<key name>.conf, holding one value
// a line: "name=sz:TEXT" (backslash, line feed and carriage return escaped as
// \\, \n and \r) or "name=dword:XXXXXXXX" (8 hex digits). Other lines are
// kept but ignored.
//
// Every successful write replaces the file atomically (temporary file, fsync,
// rename), so a crash leaves the old or the new file, never a mix. A write
// handle holds an exclusive lock on the settings folder from Create to Close,
// so two processes writing at once cannot lose each other's values; do not
// hold two write handles at once. As Windows does with read-only files, a
// file or folder without any write permission bit counts as not writable, for
// the superuser too.
class CPosixSettingsKey final : public CSettingsKey {
  public:
    CPosixSettingsKey() = default;
    ~CPosixSettingsKey() override;
    CPosixSettingsKey(const CPosixSettingsKey&) = delete;
    CPosixSettingsKey& operator=(const CPosixSettingsKey&) = delete;

    // Fails when the file is absent, not a plain file or unreadable.
    ErrorCode Open(const std::string& keyName) override;

    // "InstallPath" is the first existing folder of ~/.steam/root,
    // ~/.steam/steam, ~/.local/share/Steam and
    // ~/.var/app/com.valvesoftware.Steam/.local/share/Steam; with none of them
    // the key cannot be opened.
    ErrorCode OpenSteam() override;

    // Missing folders are created (0700), then an existing file must be a
    // writable plain file, or an absent one is created empty, which needs a
    // writable folder.
    ErrorCode Create(const std::string& keyName) override;

    ErrorCode QueryValue(const std::string& name, std::size_t bufferSize,
                         CSettingsValue& value) const override;
    ErrorCode QueryDword(const std::string& name, std::uint32_t& value) const override;

    // Stores the value and replaces the file at once. A name holding '=', a
    // line break or a NUL cannot be stored.
    ErrorCode SetString(const std::string& name, const std::string& text) override;
    ErrorCode SetDword(const std::string& name, std::uint32_t value) override;

    // For a write handle this also makes the replacements durable (the folder
    // is synced) and releases the lock.
    ErrorCode Close() override;

    // The file standing for a key of the program.
    static std::string KeyFilePath(const std::string& keyName);

  private:
    enum class EMode { kClosed, kRead, kWrite, kSteam };

    bool IsOpen() const { return m_eMode != EMode::kClosed; }
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
