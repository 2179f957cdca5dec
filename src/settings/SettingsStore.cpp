#include "SettingsStore.h"

#include <algorithm>

#include <cstdint>

#include "platform/SettingsKey.h"

namespace settings {
namespace {

constexpr std::size_t kDirectoryBufferSize = 400;

// "Directory" as read into its 400-byte buffer: the text up to its first NUL,
// or all of it when it was stored without one.
bool ReadDirectory(const platform::CSettingsKey& key, std::string& strDir) {
    platform::CSettingsValue value;
    if (key.QueryValue(kValueDirectory, kDirectoryBufferSize, value) != platform::kErrorSuccess) {
        return false;
    }
    strDir = value.m_strData.substr(0, value.m_strData.find('\0'));
    return true;
}

std::uint32_t ToDword(std::int64_t value) {
    return static_cast<std::uint32_t>(value);
}

int ToSigned(std::uint32_t value) {
    return static_cast<std::int32_t>(value);
}

}  // namespace

const char* const kSettingsKeyName = "steamconfiguration";
const char* const kValueDirectory = "Directory";

CSettingsStore::CSettingsStore(platform::CMessageBoxHost& messageBoxes,
                               platform::CSettingsKeys& keys)
    : m_messageBoxes(messageBoxes), m_keys(keys) {}

void CSettingsStore::ShowError(const char* text) {
    m_messageBoxes.MessageBox(text, "", platform::kMbOk);
}

void CSettingsStore::LoadModDirectory(bool bForce, CModDirectoryContext& context,
                                      CConfigDialogRunner& dialog) {
    context.ResetAcceptedExtensions();

    bool configure = bForce;
    const std::unique_ptr<platform::CSettingsKey> key = m_keys.MakeKey();
    if (key->Open(kSettingsKeyName) != platform::kErrorSuccess) {
        context.SetFirstRun(true);
        configure = true;
    } else {
        std::string strDir;
        if (ReadDirectory(*key, strDir)) {
            context.SetModDirectory(strDir);
        } else {
            ShowError("Error Code 8");
        }
        if (key->Close() != platform::kErrorSuccess) {
            ShowError("Error Code 10");
        }
    }

    if (configure) {
        std::string strDir = context.GetModDirectory();
        const bool bFirstRun = context.IsFirstRun();
        context.SetFirstRun(false);
        if (dialog.RunModPathDialog(strDir, bFirstRun) == platform::kIdOk) {
            context.SetModDirectory(strDir);
            // Its messages are all the report there is.
            static_cast<void>(StoreModDirectory(strDir));
        }
    }

    context.SetDisplayedModPath(context.GetModDirectory());
    context.RefreshLog();
}

bool CSettingsStore::StoreModDirectory(const std::string& strModDir) {
    const std::unique_ptr<platform::CSettingsKey> key = m_keys.MakeKey();
    if (key->Create(kSettingsKeyName) != platform::kErrorSuccess) {
        ShowError("Error Code 14");
        return false;
    }
    bool clean = true;
    if (key->SetString(kValueDirectory, strModDir) != platform::kErrorSuccess) {
        ShowError("Error Code 11");
        clean = false;
    }
    if (key->Close() != platform::kErrorSuccess) {
        ShowError("Error Code 13");
        clean = false;
    }
    return clean;
}

void CSettingsStore::LoadWindowSettings(CSettingsWindow& window) {
    const std::unique_ptr<platform::CSettingsKey> key = m_keys.MakeKey();
    if (key->Open(kSettingsKeyName) != platform::kErrorSuccess) {
        window.PlaceWindowHidden(kDefaultLeft, kDefaultTop, kDefaultWidth, kDefaultHeight);
        // Each toggle turns its option on and sets its check mark.
        window.SetOnTopFlag(false);
        window.OnAlwaysOnTop();
        window.SetShowLogFlag(false);
        window.OnShowLog();
        window.ApplyTopmost();
        return;
    }

    std::uint32_t left = 0;
    if (key->QueryDword("left", left) != platform::kErrorSuccess) {
        if (key->Close() != platform::kErrorSuccess) {
            ShowError("Error Code 10B");
        }
        return;
    }
    // A value that cannot be read takes its first-run default after its
    // message, so that no field is left undefined.
    const auto read = [&](const char* name, const char* error, std::uint32_t fallback) {
        std::uint32_t value = 0;
        if (key->QueryDword(name, value) != platform::kErrorSuccess) {
            ShowError(error);
            return fallback;
        }
        return value;
    };
    const std::uint32_t top = read("top", "Error E2", kDefaultTop);
    const std::uint32_t width = read("width", "Error E3", kDefaultWidth);
    const std::uint32_t height = read("height", "Error E4", kDefaultHeight);
    const std::uint32_t onTop = read("ontop", "Error E5", 1);
    const std::uint32_t viewLog = read("viewlog", "Error E5", 1);

    window.SetOnTopFlag(onTop == 1);
    window.SetShowLogFlag(viewLog == 1);
    if (key->Close() != platform::kErrorSuccess) {
        ShowError("Error Code 10A");
    }
    window.PlaceWindowHidden(ToSigned(left), ToSigned(top), ToSigned(width), ToSigned(height));
}

void CSettingsStore::SaveWindowSettings(CSettingsWindow& window) {
    if (window.IsMinimized()) {
        return;  // a minimised window's rectangle is not where it will reopen
    }
    const CWindowRect rect = window.GetWindowRect();
    const std::unique_ptr<platform::CSettingsKey> key = m_keys.MakeKey();
    if (key->Create(kSettingsKeyName) != platform::kErrorSuccess) {
        ShowError("Error Code 21");
        return;
    }
    const std::int64_t width = std::int64_t{rect.m_nRight} - rect.m_nLeft;
    const std::int64_t height = std::int64_t{rect.m_nBottom} - rect.m_nTop;
    const struct {
        const char* m_szName;
        std::uint32_t m_nValue;
    } values[] = {
        {"top", ToDword(rect.m_nTop)},
        {"left", ToDword(rect.m_nLeft)},
        {"width", ToDword(width)},
        {"height", ToDword(height)},
        {"ontop", window.GetOnTopFlag() ? 1u : 0u},
        {"viewlog", window.GetShowLogFlag() ? 1u : 0u},
    };
    for (const auto& value : values) {
        if (key->SetDword(value.m_szName, value.m_nValue) != platform::kErrorSuccess) {
            ShowError("Error Code 11");
        }
    }
    if (key->Close() != platform::kErrorSuccess) {
        ShowError("Error Code 10C");
    }
}

std::optional<std::string> ReadStoredModDirectory(platform::CSettingsKeys& keys) {
    const std::unique_ptr<platform::CSettingsKey> key = keys.MakeKey();
    if (key->Open(kSettingsKeyName) != platform::kErrorSuccess) {
        return std::nullopt;
    }
    std::string strDir;
    const bool read = ReadDirectory(*key, strDir);
    key->Close();  // nothing to report: this read shows no messages
    if (!read || strDir.empty()) {
        return std::nullopt;
    }
    return strDir;
}

}  // namespace settings

namespace settings {

int ReadBackupDropsToKeep(platform::CSettingsKeys& keys) {
    const auto key = keys.MakeKey();
    std::uint32_t drops = 20;
    if (key->Open(kSettingsKeyName) == platform::kErrorSuccess) {
        key->QueryDword("backupdrops", drops);
        key->Close();
    }
    // A bound, whatever the file says: the backups take disk space.
    return static_cast<int>(std::min<std::uint32_t>(drops, 10000));
}

}  // namespace settings
