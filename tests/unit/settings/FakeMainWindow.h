#pragma once

#include <iomanip>
#include <sstream>
#include <string>

#include "SettingsTestSupport.h"
#include "platform/MessageBoxHost.h"
#include "settings/SettingsInterfaces.h"

namespace quarvel::test {

// The saved window values, from "top left width height ontop viewlog"; "-" leaves one out.
inline std::string WindowValues(const std::string& values) {
    std::istringstream in(values);
    std::ostringstream out;
    std::string value;
    for (const char* name : {"top", "left", "width", "height", "ontop", "viewlog"}) {
        if (in >> value && value != "-") {
            out << name << "=dword:" << std::hex << std::setw(8) << std::setfill('0')
                << unsigned(std::stoi(value)) << "\n";
        }
    }
    return out.str();
}

// The main window with its options and mod directory, and the user in its configuration
// dialog, who ends it with m_nAnswer after choosing m_strChosen; records what is done.
class CFakeMainWindow : public settings::CSettingsWindow,
                        public settings::CModDirectoryContext,
                        public settings::CConfigDialogRunner {
  public:
    settings::CWindowRect GetWindowRect() const override { return m_rect; }
    void PlaceWindowHidden(int left, int top, int width, int height) override {
        m_calls.push_back("place " + std::to_string(left) + "," + std::to_string(top) + " " +
                          std::to_string(width) + "x" + std::to_string(height));
    }
    bool IsMinimized() const override { return m_bMinimized; }
    bool GetOnTopFlag() const override { return m_bOnTop; }
    void SetOnTopFlag(bool bOn) override { Set("ontop", m_bOnTop, bOn); }
    bool GetShowLogFlag() const override { return m_bShowLog; }
    void SetShowLogFlag(bool bOn) override { Set("viewlog", m_bShowLog, bOn); }
    void OnAlwaysOnTop() override { Set("OnAlwaysOnTop", m_bOnTop, !m_bOnTop); }
    void OnShowLog() override { Set("OnShowLog", m_bShowLog, !m_bShowLog); }
    void ApplyTopmost() override { m_calls.push_back("ApplyTopmost"); }
    void Set(const std::string& name, bool& flag, bool bOn) {
        m_calls.push_back(name + ((flag = bOn) ? " on" : " off"));
    }
    std::string GetModDirectory() const override { return m_strModDir; }
    void SetModDirectory(const std::string& strModDir) override { m_strModDir = strModDir; }
    void SetDisplayedModPath(const std::string& strPath) override { m_strDisplayed = strPath; }
    void RefreshLog() override { m_refreshedWith.push_back(m_strDisplayed); }
    void ResetAcceptedExtensions() override { ++m_nExtensionResets; }
    bool IsFirstRun() const override { return m_bFirstRun; }
    void SetFirstRun(bool bFirstRun) override { m_bFirstRun = bFirstRun; }
    int RunModPathDialog(std::string& strDir, bool bFirstRun) override {
        m_openings.push_back((bFirstRun ? "first " : "normal ") + strDir);
        strDir = m_nAnswer == platform::kIdOk ? m_strChosen : strDir;
        return m_nAnswer;
    }

    settings::CWindowRect m_rect{10, 20, 30, 40};
    bool m_bMinimized = false, m_bOnTop = false, m_bShowLog = false, m_bFirstRun = false;
    std::string m_strModDir, m_strDisplayed, m_strChosen;
    int m_nAnswer = platform::kIdCancel, m_nExtensionResets = 0;
    Strings m_calls;
    Strings m_refreshedWith;  // the displayed path at each refresh
    Strings m_openings;       // "first DIR" or "normal DIR" at each opening of the dialog
};

}  // namespace quarvel::test
