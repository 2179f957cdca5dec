#pragma once

#include <QDialog>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "install/InstallEngine.h"
#include "install/InstallRecorder.h"
#include "platform/LineEnds.h"
#include "platform/LogSink.h"
#include "platform/MessageBoxHost.h"
#include "platform/ProgressSink.h"
#include "settings/ModPathDlg.h"
#include "settings/SettingsInterfaces.h"
#include "settings/SettingsStore.h"

namespace Ui {
class CInstallerDlg;
}

namespace app {

// The main window: instructions, the mod path, the install log, the menu with
// the view options, and the drop target that hands paths to the install
// engine. It is the engine's message box host and log sink, and the window
// and context the settings store loads into and saves from.
class CInstallerDlg : public QDialog,
                      public platform::CMessageBoxHost,
                      public platform::CLogSink,
                      public platform::CProgressSink,
                      public settings::CSettingsWindow,
                      public settings::CModDirectoryContext {
    Q_OBJECT

  public:
    // Creates the window hidden and loads its placement and view options.
    explicit CInstallerDlg(QWidget* parent = nullptr);
    ~CInstallerDlg() override;

    // Initialises the window (the configuration dialog may run first), shows
    // it, installs the paths given to the program as one drop once it is up,
    // and runs it until it ends. Returns the dialog result.
    int DoModal(const std::vector<std::string>& startPaths = {});

    void OnInitDialog();
    void OnConfigure();
    void OnAbout();
    // Tools, Undo Last Install: asks, then undoes the last drop into the mod
    // directory, writing what it does to the log pane.
    void OnUndoLastInstall();
    // Tools > Check Installed Maps: every map of the mod directory, into the log.
    void OnCheckMaps();
    void OnAlwaysOnTop() override;
    void OnShowLog() override;
    void ApplyTopmost() override;
    void UpdateViewMenuChecks();
    // Exit: clears the installed folders, saves the settings, ends with accept.
    void OnOK();
    // The drop: every path, in order, as one drop.
    void OnDropFiles(const std::vector<std::string>& paths);

    install::CInstallEngine& GetEngine() { return m_engine; }
    const std::string& GetDisplayedModPath() const { return m_strDisplayedModPath; }

    // platform::CMessageBoxHost
    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override;
    // platform::CLogSink
    void ShowLog(std::string_view appended, std::size_t lineBreaks) override;

    // settings::CSettingsWindow
    settings::CWindowRect GetWindowRect() const override;
    void PlaceWindowHidden(int left, int top, int width, int height) override;
    bool IsMinimized() const override;
    bool GetOnTopFlag() const override { return m_bOnTop; }
    void SetOnTopFlag(bool bOn) override { m_bOnTop = bOn; }
    bool GetShowLogFlag() const override { return m_bShowLog; }
    void SetShowLogFlag(bool bOn) override { m_bShowLog = bOn; }

    // settings::CModDirectoryContext
    std::string GetModDirectory() const override { return m_engine.GetModDirectory(); }
    void SetModDirectory(const std::string& strModDir) override;
    void SetDisplayedModPath(const std::string& strPath) override {
        m_strDisplayedModPath = strPath;
    }
    void RefreshLog() override;
    void ResetAcceptedExtensions() override { m_engine.ResetAcceptedExtensions(); }
    bool IsFirstRun() const override { return m_bFirstRun; }
    void SetFirstRun(bool bFirstRun) override { m_bFirstRun = bFirstRun; }

    // Window heights with and without the log pane.
    static constexpr int kHeightWithLog = 634;
    static constexpr int kHeightWithoutLog = 195;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // platform::CProgressSink: the title says how far a big file has come.
    void ShowProgress(const std::string& name, int percent) override;
    void EndProgress() override;

  private:
    // Places the window's outer frame: its corner at left, top and its outer
    // size, the client area being that less the frame.
    void PlaceWindow(int left, int top, int width, int height);
    // Sizes the client area so that with the frame it has the placed size.
    void SetOuterSize();
    // Once the window manager reports the frame, notes it and sizes the
    // window again, where the frame was not known when it was placed.
    void FitFrame();
    // Shows the window, once its modal run has begun.
    void ShowWindow();
    void SetMenuCheck(QAction* action, bool bChecked);
    void ScrollLogPane(int lineBreaks);
    // Runs a handler so that nothing it throws reaches the event loop.
    template <typename Handler>
    void Guarded(Handler&& handler);

    std::unique_ptr<Ui::CInstallerDlg> m_ui;
    install::CInstallEngine m_engine;
    platform::CSystemSettingsKeys m_settingsKeys;
    install::CInstallRecorder m_recorder;
    settings::CSettingsStore m_settings;
    settings::CModPathDlgRunner m_configDialog;
    std::string m_strDisplayedModPath;
    bool m_bFirstRun = false;
    bool m_bOnTop = false;
    bool m_bShowLog = false;
    // The outer size last placed, whether it still awaits the frame, and the
    // frame the window manager last reported (none without one).
    QSize m_sizePlaced;
    bool m_bFitFrame = false;
    QMargins m_frame;
    // The modal run has begun: placing the window shows it from now on.
    bool m_bRunning = false;
    // The title while no progress is shown.
    QString m_strTitle;
    platform::CLineEndConverter m_lineEnds;
    // Drops that came while one was being installed, in order.
    std::deque<std::vector<std::string>> m_pendingDrops;
    bool m_bInstalling = false;
};

}  // namespace app
