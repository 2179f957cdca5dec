#include "WindowTestHome.h"

#include <utility>

#include "settings/SettingsStore.h"

namespace quarvel::test {

CWindowTestHome::CWindowTestHome()
    : m_strGame(m_home.Home() + "/.local/share/Steam/steamapps/common/Half-Life"),
      m_strMod(m_strGame + "/cstrike") {
    MakeFolder(m_strMod + "/maps");
    MakeFolder(m_strMod + "/sound");
    WriteFile(m_strGame + "/hl.exe", "");
}

bool CWindowTestHome::StoreSettings(int left, int top, int width, int height, bool onTop,
                                    bool showLog) const {
    platform::CSystemSettingsKeys keys;
    const auto key = keys.MakeKey();
    if (key->Create(settings::kSettingsKeyName) != platform::kErrorSuccess) {
        return false;
    }
    bool written = key->SetString(settings::kValueDirectory, m_strMod) == platform::kErrorSuccess;
    const std::pair<const char*, std::uint32_t> values[] = {
        {"left", static_cast<std::uint32_t>(left)},
        {"top", static_cast<std::uint32_t>(top)},
        {"width", static_cast<std::uint32_t>(width)},
        {"height", static_cast<std::uint32_t>(height)},
        {"ontop", onTop ? 1u : 0u},
        {"viewlog", showLog ? 1u : 0u},
    };
    for (const auto& [name, value] : values) {
        written = key->SetDword(name, value) == platform::kErrorSuccess && written;
    }
    return key->Close() == platform::kErrorSuccess && written;
}

std::optional<std::uint32_t> CWindowTestHome::StoredDword(const char* name) {
    const auto key = m_keys.MakeKey();
    std::uint32_t value = 0;
    if (key->Open(settings::kSettingsKeyName) != platform::kErrorSuccess) {
        return std::nullopt;
    }
    const bool read = key->QueryDword(name, value) == platform::kErrorSuccess;
    key->Close();
    return read ? std::optional<std::uint32_t>(value) : std::nullopt;
}

std::optional<std::string> CWindowTestHome::StoredModDirectory() {
    return settings::ReadStoredModDirectory(m_keys);
}

}  // namespace quarvel::test
