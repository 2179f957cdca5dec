#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "install/InstallEngine.h"
#include "platform/LineEnds.h"
#include "platform/SettingsKey.h"
#include "window/MainWindow.h"
#include "window/MainWindowView.h"

namespace Ui {
class CInstallerDlg;
}

namespace app {

// The main window on Qt: the form, its menu and the drop target, showing
// what the window logic (window::CMainWindow) decides.
class CInstallerDlg : public QDialog, private window::CMainWindowView {
    Q_OBJECT

  public:
    // Creates the window hidden and loads its placement and view options.
    explicit CInstallerDlg(QWidget* parent = nullptr);
    ~CInstallerDlg() override;

    // Initialises the window (the configuration dialog may run first), shows
    // it, installs the paths given to the program as one drop once it is up,
    // and runs it until it ends. Returns the dialog result.
    int DoModal(const std::vector<std::string>& startPaths = {});

    install::CInstallEngine& GetEngine() { return m_window.GetEngine(); }
    void RefreshLog() { m_window.RefreshLog(); }
    void OnShowLog() { m_window.OnShowLog(); }

    // Escape: the dialog's cancel command.
    void reject() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // window::CMainWindowView
    settings::CWindowRect GetWindowRect() const override;
    bool IsMinimized() const override;
    void PlaceWindow(const std::optional<window::SPlacement>& placement, bool bTopmost,
                     bool bShow) override;
    void SetMenuCheck(int nCommand, bool bChecked) override;
    std::string GetTitle() const override;
    void SetTitle(const std::string& title) override;
    void AcceptDrops() override;
    void PostDrop(const std::vector<std::string>& paths) override;
    void EndDialog(int nResult) override;
    void AppendLogText(std::string_view text) override;
    void ScrollLogPane(int nFirstLine) override;
    void SetModPathText(const std::string& text) override;
    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override;
    void RunAboutBox() override;
    int RunConfigDialog(std::string& strDir, bool bFirstRun,
                        platform::CMessageBoxHost& messageBoxes,
                        platform::CSettingsKeys& keys) override;

    // Places the window's outer frame: its corner at left, top and its outer
    // size, the client area being that less the frame.
    void PlaceFrame(int left, int top, int width, int height);
    // Sizes the client area so that with the frame it has the placed size.
    void SetOuterSize();
    // Once the window manager reports the frame, notes it and sizes the
    // window again, where the frame was not known when it was placed.
    void FitFrame();
    void SetStaysOnTop(bool bOn);
    // Shows the window, once its modal run has begun.
    void ShowWindow();
    // A button's click or a menu item's trigger runs the window's command.
    void Connect(QObject* sender, int nCommand);

    std::unique_ptr<Ui::CInstallerDlg> m_ui;
    platform::CSystemSettingsKeys m_settingsKeys;
    window::CMainWindow m_window;
    // The outer size last placed, whether it still awaits the frame, and the
    // frame the window manager last reported (none without one).
    QSize m_sizePlaced;
    bool m_bFitFrame = false;
    QMargins m_frame;
    // The modal run has begun: placing the window shows it from now on.
    bool m_bRunning = false;
    platform::CLineEndConverter m_lineEnds;
};

}  // namespace app
