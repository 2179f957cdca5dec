#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/MessageBoxHost.h"
#include "platform/SettingsKey.h"
#include "settings/SettingsInterfaces.h"

namespace window {

// The main window's controls and commands, numbered as in its template and menu.
enum ECommandId : int {
    kIdExit = 1,    // IDOK: the Exit button, File > Exit, Enter in an edit field
    kIdCancel = 2,  // IDCANCEL: Escape
    kIdConfigure = 1007,
    kIdLogPane = 1011,
    kIdModPath = 1012,
    kIdAbout = 1013,
    kIdShowLog = 32774,
    kIdAlwaysOnTop = 32776,
    kIdCheckMaps = 32777,
    kIdUndoLastInstall = 32778,
};

// The window's outer height with the log pane shown and hidden, in pixels.
constexpr int kHeightWithLog = 634;
constexpr int kHeightWithoutLog = 195;
// The log pane shows the last lines once the log has more line breaks than this.
constexpr int kLogScrollLines = 21;

// A window's outer position and size in screen coordinates, as SetWindowPos takes them.
struct SPlacement {
    int m_nLeft = 0;
    int m_nTop = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
};

// What the main window's behaviour needs of its window. The Qt window and the
// Win32 dialog each implement it; neither decides anything the user could see
// beyond how its toolkit draws.
class CMainWindowView {
  public:
    virtual ~CMainWindowView() = default;

    // --- the window ---
    // The outer rectangle in screen coordinates.
    virtual settings::CWindowRect GetWindowRect() const = 0;
    virtual bool IsMinimized() const = 0;
    // Places the window's outer frame (none: where it is), in or out of the
    // topmost band, and shows or hides it.
    virtual void PlaceWindow(const std::optional<SPlacement>& placement, bool bTopmost,
                             bool bShow) = 0;
    // The check mark of a View menu item.
    virtual void SetMenuCheck(int nCommand, bool bChecked) = 0;
    virtual std::string GetTitle() const = 0;
    // Shown at once, also while an install keeps the thread busy.
    virtual void SetTitle(const std::string& title) = 0;
    // Registers the window as a drop target.
    virtual void AcceptDrops() = 0;
    // Hands the paths back to CMainWindow::OnDropFiles once the window runs,
    // as if they had been dropped on it.
    virtual void PostDrop(const std::vector<std::string>& paths) = 0;
    // Ends the window's modal run with kIdExit or kIdCancel.
    virtual void EndDialog(int nResult) = 0;

    // --- the log pane and the mod path field ---
    // Appends to the log pane; line ends are "\r\n".
    virtual void AppendLogText(std::string_view text) = 0;
    // Scrolls the log pane so that line nFirstLine (from 0) is its first
    // visible one, or further down where wrapped lines would keep the end of
    // the log out of view. Called last in every refresh: the pane is to be
    // on screen as it stands when this returns.
    virtual void ScrollLogPane(int nFirstLine) = 0;
    virtual void SetModPathText(const std::string& text) = 0;

    // --- modal windows, over the window in front ---
    // An empty caption means the application name.
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned type) = 0;
    virtual void RunAboutBox() = 0;
    // Runs the configuration dialog with the directory text and first-run
    // mode given; kIdOk with the accepted directory in strDir, else kIdCancel.
    virtual int RunConfigDialog(std::string& strDir, bool bFirstRun,
                                platform::CMessageBoxHost& messageBoxes,
                                platform::CSettingsKeys& keys) = 0;
};

}  // namespace window
