#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MainWindowView.h"
#include "install/InstallEngine.h"
#include "install/InstallRecorder.h"
#include "platform/LogSink.h"
#include "platform/MessageBoxHost.h"
#include "platform/ProgressSink.h"
#include "platform/SettingsKey.h"
#include "settings/SettingsInterfaces.h"
#include "settings/SettingsStore.h"

namespace window {

// The flag that lets the first paint of the process set the View menu's check
// marks, once per run of the program.
bool& FirstPaintOfProcess();

// The main window's behaviour, the same under every toolkit: start-up, the
// commands and view options, the three ways of ending, drops handed to the
// install engine, and the log pane kept current. It owns the engine and is
// its message box host, log sink and progress sink; the settings store loads
// the window's placement and the mod directory into it. The view it is given
// shows what it decides.
class CMainWindow : private platform::CMessageBoxHost,
                    private platform::CLogSink,
                    private platform::CProgressSink,
                    private settings::CSettingsWindow,
                    private settings::CModDirectoryContext,
                    private settings::CConfigDialogRunner {
  public:
    // The keys hold the settings; the first-paint flag is the process's own
    // unless a test gives one.
    CMainWindow(CMainWindowView& view, platform::CSettingsKeys& keys,
                bool& bFirstPaint = FirstPaintOfProcess());
    ~CMainWindow() override;
    CMainWindow(const CMainWindow&) = delete;
    CMainWindow& operator=(const CMainWindow&) = delete;

    // While the window is created: its stored placement and view options, or
    // on a first start the defaults. Returns 0.
    int OnCreate();
    // Before the window's modal run: the welcome lines, the drop target, the
    // window shown, then the mod directory (the configuration dialog runs
    // here on a first start). The start paths come as one drop once it runs.
    bool OnInitDialog(const std::vector<std::string>& startPaths = {});
    // After each paint: the first of the process sets the View menu's marks.
    bool IsFirstPaintPending() const { return m_bFirstPaint; }
    void AfterPaint();

    // A command of a button or menu item (kIdExit, kIdConfigure, ...); false
    // for one that is not the window's.
    bool OnCommand(int nCommand);
    void OnConfigure();
    void OnAbout();
    // Tools > Undo Last Install: asks, then undoes the last drop into the mod
    // directory, writing what it does to the log pane.
    void OnUndoLastInstall();
    // Tools > Check Installed Maps: every map of the mod directory, into the log.
    void OnCheckMaps();
    void OnAlwaysOnTop() override;
    void OnShowLog() override;
    void ApplyTopmost() override;
    void UpdateViewMenuChecks();

    // Exit: clears the installed folders, saves the settings, ends with kIdExit.
    void OnOK();
    // The close box, Alt+F4: saves the settings, ends with kIdCancel.
    void OnClose();
    // The dialog's cancel command (Escape): ends with kIdCancel, saving nothing.
    void OnCancel();

    // A drop: every path, in order, as one drop. A drop that arrives while
    // one is installed waits for it.
    void OnDropFiles(const std::vector<std::string>& paths);

    // Shows what the install log gained, and the mod path.
    void RefreshLog() override;

    install::CInstallEngine& GetEngine() { return m_engine; }
    const install::CInstallEngine& GetEngine() const { return m_engine; }
    const std::string& GetDisplayedModPath() const { return m_strDisplayedModPath; }
    bool GetOnTopFlag() const override { return m_bOnTop; }
    bool GetShowLogFlag() const override { return m_bShowLog; }
    // The host that shows boxes over the window in front.
    platform::CMessageBoxHost& MessageBoxes() { return *this; }

  private:
    // platform::CMessageBoxHost
    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override;
    // platform::CLogSink
    void ShowLog(std::string_view appended, std::size_t lineBreaks) override;
    // platform::CProgressSink: the title says how far a big file has come.
    void ShowProgress(const std::string& name, int percent) override;
    void EndProgress() override;
    // settings::CSettingsWindow
    settings::CWindowRect GetWindowRect() const override { return m_view.GetWindowRect(); }
    void PlaceWindowHidden(int left, int top, int width, int height) override;
    bool IsMinimized() const override { return m_view.IsMinimized(); }
    void SetOnTopFlag(bool bOn) override { m_bOnTop = bOn; }
    void SetShowLogFlag(bool bOn) override { m_bShowLog = bOn; }
    // settings::CModDirectoryContext
    std::string GetModDirectory() const override { return m_engine.GetModDirectory(); }
    void SetModDirectory(const std::string& strModDir) override;
    void SetDisplayedModPath(const std::string& strPath) override;
    void ResetAcceptedExtensions() override { m_engine.ResetAcceptedExtensions(); }
    bool IsFirstRun() const override { return m_bFirstRun; }
    void SetFirstRun(bool bFirstRun) override { m_bFirstRun = bFirstRun; }
    // settings::CConfigDialogRunner
    int RunModPathDialog(std::string& strDir, bool bFirstRun) override;

    // Runs a handler so that nothing it throws goes further: it is reported
    // in a box, and the program goes on.
    template <typename Handler>
    void Guarded(Handler&& handler);

    CMainWindowView& m_view;
    platform::CSettingsKeys& m_keys;
    install::CInstallEngine m_engine;
    install::CInstallRecorder m_recorder;
    settings::CSettingsStore m_settings;
    std::string m_strDisplayedModPath;
    // What the mod path field shows, so that it is set only when it changes.
    std::string m_strShownModPath;
    bool m_bFirstRun = false;
    bool m_bOnTop = false;
    bool m_bShowLog = false;
    bool& m_bFirstPaint;
    // The title while a big file's progress is shown in its place.
    std::optional<std::string> m_strTitle;
    // Drops that came while one was being installed, in order.
    std::deque<std::vector<std::string>> m_pendingDrops;
    bool m_bInstalling = false;
};

}  // namespace window
