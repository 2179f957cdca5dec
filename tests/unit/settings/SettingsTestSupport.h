#pragma once

#include <string>
#include <vector>

#include "ScopedEnvironment.h"
#include "ScriptedMessageBoxHost.h"
#include "TempFolder.h"
#include "settings/SettingsInterfaces.h"

namespace quarvel::test {

using Strings = std::vector<std::string>;

// Points HOME and XDG_CONFIG_HOME into a fresh temporary folder for as long as
// it lives, and puts the previous values back afterwards.
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
    for (const auto& box : host.Shown()) {
        shown.push_back(box.m_strCaption + " (" + std::to_string(box.m_nType) +
                        "): " + box.m_strText);
    }
    return shown;
}

// The main window, recording what is done to it.
class CFakeSettingsWindow : public settings::CSettingsWindow {
  public:
    settings::CWindowRect GetWindowRect() const override { return m_rect; }
    void PlaceWindowHidden(int left, int top, int width, int height) override {
        m_calls.push_back("place " + std::to_string(left) + "," + std::to_string(top) + " " +
                          std::to_string(width) + "x" + std::to_string(height));
    }
    bool IsMinimized() const override { return m_bMinimized; }
    bool GetOnTopFlag() const override { return m_bOnTop; }
    void SetOnTopFlag(bool bOn) override { m_bOnTop = bOn; }
    bool GetShowLogFlag() const override { return m_bShowLog; }
    void SetShowLogFlag(bool bOn) override { m_bShowLog = bOn; }
    void OnAlwaysOnTop() override {
        m_calls.push_back((m_bOnTop = !m_bOnTop) ? "OnAlwaysOnTop on" : "OnAlwaysOnTop off");
    }
    void OnShowLog() override {
        m_calls.push_back((m_bShowLog = !m_bShowLog) ? "OnShowLog on" : "OnShowLog off");
    }
    void ApplyTopmost() override { m_calls.push_back("ApplyTopmost"); }

    settings::CWindowRect m_rect{10, 20, 30, 40};
    bool m_bMinimized = false;
    bool m_bOnTop = false;
    bool m_bShowLog = false;
    Strings m_calls;
};

class CFakeModDirContext : public settings::CModDirectoryContext {
  public:
    std::string GetModDirectory() const override { return m_strModDir; }
    void SetModDirectory(const std::string& strModDir) override { m_strModDir = strModDir; }
    void SetDisplayedModPath(const std::string& strPath) override { m_strDisplayed = strPath; }
    void RefreshLog() override { m_refreshedWith.push_back(m_strDisplayed); }
    void ResetAcceptedExtensions() override { ++m_nExtensionResets; }
    bool IsFirstRun() const override { return m_bFirstRun; }
    void SetFirstRun(bool bFirstRun) override { m_bFirstRun = bFirstRun; }

    std::string m_strModDir;
    std::string m_strDisplayed;
    bool m_bFirstRun = false;
    int m_nExtensionResets = 0;
    Strings m_refreshedWith;  // the displayed path at each refresh
};

// Stands for the user in the configuration dialog; records "first DIR" or "normal DIR".
class CFakeDialogRunner : public settings::CConfigDialogRunner {
  public:
    int RunModPathDialog(std::string& strDir, bool bFirstRun) override {
        m_openings.push_back((bFirstRun ? "first " : "normal ") + strDir);
        if (m_nResult == platform::kIdOk) {
            strDir = m_strChosen;
        }
        return m_nResult;
    }

    int m_nResult = platform::kIdCancel;
    std::string m_strChosen;
    Strings m_openings;
};

}  // namespace quarvel::test
