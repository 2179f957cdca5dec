#include "MainWindow.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <exception>
#include <utility>

#include "bsp/MapCheck.h"
#include "install/InstallUndo.h"
#include "platform/FileSystem.h"

namespace window {
namespace {

const char* const kWelcome =
    "Welcome to Orlimb's Quarvel program.\r\n"
    "Please feel free to look around and enjoy your stay.\r\n\r\n";
const char* const kUndoCaption = "Undo Last Install";

int Saturated(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

}  // namespace

bool& FirstPaintOfProcess() {
    static bool s_bFirstPaint = true;
    return s_bFirstPaint;
}

CMainWindow::CMainWindow(CMainWindowView& view, platform::CSettingsKeys& keys, bool& bFirstPaint)
    : m_view(view),
      m_keys(keys),
      m_engine(*this, *this),
      m_recorder(m_engine.FileOperations(), platform::InstallRecordsFolder(),
                 settings::ReadBackupDropsToKeep(keys)),
      m_settings(*this, keys),
      m_bFirstPaint(bFirstPaint) {
    m_engine.SetRecorder(&m_recorder);
    m_engine.SetProgressSink(this);
    m_engine.SetMapCheck(true);
}

CMainWindow::~CMainWindow() = default;

int CMainWindow::OnCreate() {
    Guarded([this] { m_settings.LoadWindowSettings(*this); });
    return 0;
}

bool CMainWindow::OnInitDialog(const std::vector<std::string>& startPaths) {
    m_engine.AppendLog(kWelcome);
    RefreshLog();
    m_view.AcceptDrops();
    // Shown first, so that on a first start the configuration dialog opens
    // over the window it configures rather than over nothing.
    ApplyTopmost();
    Guarded([this] { m_settings.LoadModDirectory(false, *this, *this); });
    ApplyTopmost();
    if (!startPaths.empty()) {
        m_view.PostDrop(startPaths);
    }
    return true;
}

void CMainWindow::AfterPaint() {
    if (!m_bFirstPaint) {
        return;
    }
    m_bFirstPaint = false;
    UpdateViewMenuChecks();
}

bool CMainWindow::OnCommand(int nCommand) {
    switch (nCommand) {
        case kIdExit:
            OnOK();
            return true;
        case kIdCancel:
            OnCancel();
            return true;
        case kIdConfigure:
            OnConfigure();
            return true;
        case kIdAbout:
            OnAbout();
            return true;
        case kIdShowLog:
            OnShowLog();
            return true;
        case kIdAlwaysOnTop:
            OnAlwaysOnTop();
            return true;
        case kIdCheckMaps:
            OnCheckMaps();
            return true;
        case kIdUndoLastInstall:
            OnUndoLastInstall();
            return true;
        default:
            return false;
    }
}

void CMainWindow::OnConfigure() {
    Guarded([this] { m_settings.LoadModDirectory(true, *this, *this); });
}

void CMainWindow::OnAbout() {
    m_view.RunAboutBox();
}

void CMainWindow::OnUndoLastInstall() {
    Guarded([this] {
        install::CInstallUndo undo(m_engine.FileOperations(), platform::InstallRecordsFolder(),
                                   [this](const std::string& text) {
                                       m_engine.AppendLog(text);
                                       m_engine.RefreshLog();
                                   });
        std::string why;
        const auto record = undo.RecordToUndo("", m_engine.GetModDirectory(), why);
        if (!record) {
            MessageBox("There is nothing to undo: " + why + ".", kUndoCaption, platform::kMbOk);
            return;
        }
        const std::string question = "Undo the install of " + record->m_strDate +
                                     "?\n\nIt removes the " + std::to_string(record->NewCount()) +
                                     " files it added and puts back the " +
                                     std::to_string(record->ReplacedCount()) +
                                     " files it replaced. Files changed since are left alone.";
        if (MessageBox(question, kUndoCaption, platform::kMbYesNo) != platform::kIdYes) {
            return;
        }
        install::CInstallUndo::SResult result;
        if (!undo.Undo(*record, result, why)) {
            MessageBox("The undo could not start: " + why + ".", kUndoCaption, platform::kMbOk);
        }
    });
}

void CMainWindow::OnCheckMaps() {
    Guarded([this] {
        m_engine.AppendLog(bsp::CheckModMapsLog(m_engine.GetModDirectory()));
        RefreshLog();
    });
}

void CMainWindow::OnAlwaysOnTop() {
    m_bOnTop = !m_bOnTop;
    m_view.SetMenuCheck(kIdAlwaysOnTop, m_bOnTop);
    ApplyTopmost();
}

void CMainWindow::OnShowLog() {
    const settings::CWindowRect rect = m_view.GetWindowRect();
    m_bShowLog = !m_bShowLog;
    m_view.SetMenuCheck(kIdShowLog, m_bShowLog);
    // Placed straight into the band it ends in: leaving the topmost band for
    // a moment would only let other windows come between.
    const SPlacement placement{rect.m_nLeft, rect.m_nTop,
                               Saturated(std::int64_t{rect.m_nRight} - rect.m_nLeft),
                               m_bShowLog ? kHeightWithLog : kHeightWithoutLog};
    m_view.PlaceWindow(placement, m_bOnTop, true);
    ApplyTopmost();
}

void CMainWindow::ApplyTopmost() {
    m_view.PlaceWindow(std::nullopt, m_bOnTop, true);
}

void CMainWindow::UpdateViewMenuChecks() {
    m_view.SetMenuCheck(kIdAlwaysOnTop, m_bOnTop);
    m_view.SetMenuCheck(kIdShowLog, m_bShowLog);
    ApplyTopmost();
}

void CMainWindow::OnOK() {
    m_engine.ClearInstallFolders();
    Guarded([this] { m_settings.SaveWindowSettings(*this); });
    m_view.EndDialog(kIdExit);
}

void CMainWindow::OnClose() {
    Guarded([this] { m_settings.SaveWindowSettings(*this); });
    m_view.EndDialog(kIdCancel);
}

void CMainWindow::OnCancel() {
    m_view.EndDialog(kIdCancel);
}

void CMainWindow::OnDropFiles(const std::vector<std::string>& paths) {
    // A log refresh or a question lets the window's messages through, a later
    // drop's among them: it waits until this one has ended, since the engine
    // handles one drop at a time.
    m_pendingDrops.push_back(paths);
    if (m_bInstalling) {
        return;
    }
    m_bInstalling = true;
    while (!m_pendingDrops.empty()) {
        const std::vector<std::string> drop = std::move(m_pendingDrops.front());
        m_pendingDrops.pop_front();
        Guarded([this, &drop] { m_engine.InstallPaths(drop); });
    }
    m_bInstalling = false;
}

void CMainWindow::RefreshLog() {
    m_engine.RefreshLog();
}

int CMainWindow::MessageBox(const std::string& text, const std::string& caption, unsigned type) {
    return m_view.MessageBox(text, caption, type);
}

void CMainWindow::ShowLog(std::string_view appended, std::size_t lineBreaks) {
    if (!appended.empty()) {
        // Appending keeps a refresh as cheap on the last line as on the first.
        m_view.AppendLogText(appended);
    }
    if (m_strShownModPath != m_strDisplayedModPath) {
        m_strShownModPath = m_strDisplayedModPath;
        m_view.SetModPathText(m_strShownModPath);
    }
    const std::size_t first = lineBreaks > kLogScrollLines ? lineBreaks - kLogScrollLines : 0;
    m_view.ScrollLogPane(static_cast<int>(std::min<std::size_t>(first, INT_MAX)));
}

void CMainWindow::ShowProgress(const std::string& name, int percent) {
    if (!m_strTitle) {
        m_strTitle = m_view.GetTitle();
    }
    m_view.SetTitle(*m_strTitle + " \xE2\x80\x94 " + name + " " + std::to_string(percent) + "%");
}

void CMainWindow::EndProgress() {
    if (m_strTitle) {
        m_view.SetTitle(*std::exchange(m_strTitle, std::nullopt));
    }
}

void CMainWindow::PlaceWindowHidden(int left, int top, int width, int height) {
    m_view.PlaceWindow(SPlacement{left, top, width, height}, false, false);
}

void CMainWindow::SetModDirectory(const std::string& strModDir) {
    m_engine.SetModDirectory(strModDir);
}

void CMainWindow::SetDisplayedModPath(const std::string& strPath) {
    m_strDisplayedModPath = strPath;
}

int CMainWindow::RunModPathDialog(std::string& strDir, bool bFirstRun) {
    return m_view.RunConfigDialog(strDir, bFirstRun, *this, m_keys);
}

template <typename Handler>
void CMainWindow::Guarded(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& fault) {
        MessageBox(std::string("Unexpected error: ") + fault.what(), "", platform::kMbOk);
    } catch (...) {
        MessageBox("Unexpected error", "", platform::kMbOk);
    }
}

}  // namespace window
