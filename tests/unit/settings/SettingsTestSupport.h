#pragma once

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/MessageBoxHost.h"
#include "settings/SettingsInterfaces.h"

namespace quarvel::test {

// Points HOME and XDG_CONFIG_HOME into a fresh temporary folder for as long as
// it lives, and puts the previous values back afterwards.
class CScopedHome {
  public:
    CScopedHome() : m_oldHome(Get("HOME")), m_oldConfig(Get("XDG_CONFIG_HOME")) {
        MakeFolder(Home());
        ::setenv("HOME", Home().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_root / "config").c_str(), 1);
    }
    ~CScopedHome() {
        Restore("HOME", m_oldHome);
        Restore("XDG_CONFIG_HOME", m_oldConfig);
    }
    CScopedHome(const CScopedHome&) = delete;
    CScopedHome& operator=(const CScopedHome&) = delete;

    std::string Home() const { return m_root / "home"; }
    std::string ConfigHome() const { return m_root / "config"; }
    std::string SettingsFolder() const { return ConfigHome() + "/Quarvel"; }
    std::string SettingsFile() const { return SettingsFolder() + "/steamconfiguration.conf"; }
    // A place outside the home folder, for Steam libraries on another drive.
    std::string Elsewhere(const std::string& relative) const { return m_root / relative; }

  private:
    static std::optional<std::string> Get(const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    static void Restore(const char* name, const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }

    CTempFolder m_root;
    std::optional<std::string> m_oldHome;
    std::optional<std::string> m_oldConfig;
};

// Takes every write permission bit from a path, as a read-only folder or file
// has on Windows; the settings key refuses those for the superuser too.
inline void MakeReadOnly(const std::string& path) {
    ::chmod(path.c_str(), 0555);
}

// Names in a folder that a settings writer left behind as temporary files.
inline std::vector<std::string> Temporaries(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (std::string(entry->d_name).find(".tmp-") != std::string::npos) {
                names.push_back(entry->d_name);
            }
        }
        ::closedir(dir);
    }
    return names;
}

// Lowers the largest file this process may write, as a full disk would stop
// it; SIGXFSZ is ignored so the write fails instead of killing the process.
class CFileSizeLimit {
  public:
    explicit CFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~CFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

    // In a child about to crash: the limit with the signal's default action.
    static void KillWritesBeyond(rlim_t bytes) {
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }

  private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// The main window as the settings store sees it, recording what is done to it.
class CFakeSettingsWindow : public settings::CSettingsWindow {
  public:
    settings::CWindowRect GetWindowRect() const override { return m_rect; }
    void PlaceWindowHidden(int left, int top, int width, int height) override {
        m_calls.push_back("place " + std::to_string(left) + "," + std::to_string(top) + " " +
                          std::to_string(width) + "x" + std::to_string(height));
        m_rect = {left, top, left + width, top + height};
    }
    bool IsMinimized() const override { return m_bMinimized; }
    bool GetOnTopFlag() const override { return m_bOnTop; }
    void SetOnTopFlag(bool bOn) override { m_bOnTop = bOn; }
    bool GetShowLogFlag() const override { return m_bShowLog; }
    void SetShowLogFlag(bool bOn) override { m_bShowLog = bOn; }
    void OnAlwaysOnTop() override {
        m_bOnTop = !m_bOnTop;
        m_calls.push_back(m_bOnTop ? "OnAlwaysOnTop on" : "OnAlwaysOnTop off");
    }
    void OnShowLog() override {
        m_bShowLog = !m_bShowLog;
        m_rect.m_nBottom = m_rect.m_nTop + (m_bShowLog ? 634 : 195);
        m_calls.push_back(m_bShowLog ? "OnShowLog on" : "OnShowLog off");
    }
    void ApplyTopmost() override { m_calls.push_back("ApplyTopmost"); }

    settings::CWindowRect m_rect{10, 20, 30, 40};
    bool m_bMinimized = false;
    bool m_bOnTop = false;
    bool m_bShowLog = false;
    std::vector<std::string> m_calls;
};

// The install context of the main window.
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
    // The displayed path at each refresh.
    std::vector<std::string> m_refreshedWith;
};

// Stands for the user in the configuration dialog: answers with a scripted
// result and directory, and records how the dialog was opened.
class CFakeDialogRunner : public settings::CConfigDialogRunner {
  public:
    struct COpening {
        std::string m_strDir;
        bool m_bFirstRun = false;
    };

    int RunModPathDialog(std::string& strDir, bool bFirstRun) override {
        m_openings.push_back({strDir, bFirstRun});
        if (m_nResult == platform::kIdOk) {
            strDir = m_strChosen;
        }
        return m_nResult;
    }

    int m_nResult = platform::kIdCancel;
    std::string m_strChosen;
    std::vector<COpening> m_openings;
};

}  // namespace quarvel::test
