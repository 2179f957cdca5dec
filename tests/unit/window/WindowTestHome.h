#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ScopedEnvironment.h"
#include "SettingsTestSupport.h"
#include "platform/SettingsKey.h"

namespace quarvel::test {

// A user of their own while it lives: a home folder holding a Steam library
// with Half-Life (hl.exe) and its cstrike folder, and settings, cache and
// install records that no other test shares.
class CWindowTestHome {
  public:
    CWindowTestHome();

    // Settings as a previous run left them; false when they could not be written.
    [[nodiscard]] bool StoreSettings(int left, int top, int width, int height, bool onTop,
                                     bool showLog) const;
    // A settings value as stored; nothing when it cannot be read.
    std::optional<std::uint32_t> StoredDword(const char* name);
    std::optional<std::string> StoredModDirectory();

    const CScopedHome& Home() const { return m_home; }
    // A path below the temporary folder, outside the game.
    std::string Elsewhere(const std::string& relative) const { return m_home.Elsewhere(relative); }
    const std::string& Game() const { return m_strGame; }
    const std::string& Mod() const { return m_strMod; }
    platform::CSettingsKeys& Keys() { return m_keys; }

  private:
    CScopedHome m_home;
    CScopedEnvironment m_cache{"XDG_CACHE_HOME", m_home.Elsewhere("cache")};
    CScopedEnvironment m_state{"XDG_STATE_HOME", m_home.Elsewhere("state")};
    platform::CSystemSettingsKeys m_keys;
    std::string m_strGame;
    std::string m_strMod;
};

}  // namespace quarvel::test
