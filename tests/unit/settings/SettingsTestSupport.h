#pragma once

#include <string>
#include <vector>

#include "ScopedEnvironment.h"
#include "ScriptedMessageBoxHost.h"
#include "TempFolder.h"

namespace quarvel::test {

using Strings = std::vector<std::string>;

// Boxes about a typed directory; 48: OK with the exclamation mark, 308: Yes and No, No default.
const std::string kDoesNotExist =
    "Error (48): The directory you have entered does not exist.\n"
    "You must select an existing directory.";
const std::string kWarning =
    "Warning, Potential Invalid Directory (308): The directory you have entered does not appear "
    "to be a valid Half-Life mod directory.\nAre you sure that you want to continue?";

// HOME and XDG_CONFIG_HOME in a fresh temporary folder while it lives, then as they were.
class CScopedHome {
  public:
    CScopedHome() { MakeFolder(Home()); }

    std::string Home() const { return m_root / "home"; }
    std::string Elsewhere(const std::string& relative) const { return m_root / relative; }
    std::string SettingsFolder() const { return m_root / "config/Quarvel"; }
    std::string SettingsFile() const { return SettingsFolder() + "/steamconfiguration.conf"; }

  private:
    CTempFolder m_root;
    CScopedEnvironment m_home{"HOME", m_root / "home"};
    CScopedEnvironment m_config{"XDG_CONFIG_HOME", m_root / "config"};
};

// Each box shown as "caption (type): text".
inline Strings Boxes(const CScriptedMessageBoxHost& host) {
    Strings shown;
    for (const auto& [text, caption, type] : host.Shown()) {
        shown.push_back(caption + " (" + std::to_string(type) + "): " + text);
    }
    return shown;
}

}  // namespace quarvel::test
