#pragma once

#include <string>

namespace settings {

// A window's outer rectangle in screen coordinates.
struct CWindowRect {
    int m_nLeft = 0;
    int m_nTop = 0;
    int m_nRight = 0;
    int m_nBottom = 0;
};

// The main window as its placement and view options are loaded and saved.
// The main window implements it; the settings logic never sees a toolkit.
class CSettingsWindow {
  public:
    virtual ~CSettingsWindow() = default;

    // The outer rectangle (GetWindowRect).
    virtual CWindowRect GetWindowRect() const = 0;
    // Places the window out of the topmost band at the given outer position
    // and size, hidden (SetWindowPos with HWND_NOTOPMOST and SWP_HIDEWINDOW).
    virtual void PlaceWindowHidden(int left, int top, int width, int height) = 0;
    // IsIconic.
    virtual bool IsMinimized() const = 0;

    // The on-top and show-log flags, set without touching the menu or the window.
    virtual bool GetOnTopFlag() const = 0;
    virtual void SetOnTopFlag(bool bOn) = 0;
    virtual bool GetShowLogFlag() const = 0;
    virtual void SetShowLogFlag(bool bOn) = 0;

    // The View menu's two toggles and the placement they end with.
    virtual void OnAlwaysOnTop() = 0;
    virtual void OnShowLog() = 0;
    virtual void ApplyTopmost() = 0;
};

// The part of the main window's install context that loading the mod
// directory touches. The main window implements it, forwarding the mod
// directory and the accepted extensions to its install engine.
class CModDirectoryContext {
  public:
    virtual ~CModDirectoryContext() = default;

    virtual std::string GetModDirectory() const = 0;
    virtual void SetModDirectory(const std::string& strModDir) = 0;
    // The text of the read-only mod path field (edit 1012).
    virtual void SetDisplayedModPath(const std::string& strPath) = 0;
    // Pushes the install log and the displayed mod path into the window.
    virtual void RefreshLog() = 0;
    // Back to the nine default extensions.
    virtual void ResetAcceptedExtensions() = 0;
    virtual bool IsFirstRun() const = 0;
    virtual void SetFirstRun(bool bFirstRun) = 0;
};

// Runs the configuration dialog modally, without a parent window.
class CConfigDialogRunner {
  public:
    virtual ~CConfigDialogRunner() = default;

    // Shows the dialog with strDir as its directory text. Returns kIdOk with
    // the accepted directory in strDir, or kIdCancel with strDir unchanged.
    virtual int RunModPathDialog(std::string& strDir, bool bFirstRun) = 0;
};

}  // namespace settings
