#include "InstallerDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <exception>
#include <utility>

#include "AboutBox.h"
#include "QtMessageBox.h"
#include "bsp/MapCheck.h"
#include "install/InstallUndo.h"
#include "platform/FileSystem.h"
#include "ui_InstallerDlg.h"

// The icons live in a static library; register them before first use.
static void InitQuarvelResources() {
    Q_INIT_RESOURCE(quarvel);
}

namespace app {
namespace {

// Set at program start, cleared by the first paint of the main window.
bool s_bFirstPaint = true;

// The log pane shows the last lines once the log is longer than this.
constexpr int kLogScrollLines = 21;

std::vector<std::string> LocalPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (!data || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) {
            return {};
        }
        paths.push_back(platform::NormalisePath(url.toLocalFile().toStdString()));
    }
    return paths;
}

}  // namespace

CInstallerDlg::CInstallerDlg(QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CInstallerDlg>()),
      m_engine(*this, *this),
      m_recorder(m_engine.FileOperations(), platform::InstallRecordsFolder(),
                 settings::ReadBackupDropsToKeep(m_settingsKeys)),
      m_settings(*this, m_settingsKeys),
      m_configDialog(*this, m_settingsKeys, this) {
    InitQuarvelResources();
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    QIcon icon(":/quarvel-128.png");
    icon.addFile(":/quarvel-32.png");
    setWindowIcon(icon);
    // The menu bar sits above the template's client area.
    const int menuHeight = m_ui->id132->sizeHint().height();
    m_ui->id132->setGeometry(0, 0, m_ui->clientArea->width(), menuHeight);
    m_ui->clientArea->move(0, menuHeight);

    connect(m_ui->id1, &QPushButton::clicked, this, &CInstallerDlg::OnOK);
    connect(m_ui->id1Menu, &QAction::triggered, this, &CInstallerDlg::OnOK);
    connect(m_ui->id1007, &QPushButton::clicked, this, &CInstallerDlg::OnConfigure);
    connect(m_ui->id1007Menu, &QAction::triggered, this, &CInstallerDlg::OnConfigure);
    connect(m_ui->id1013, &QPushButton::clicked, this, &CInstallerDlg::OnAbout);
    connect(m_ui->id1013Menu, &QAction::triggered, this, &CInstallerDlg::OnAbout);
    connect(m_ui->idCheckMapsMenu, &QAction::triggered, this, &CInstallerDlg::OnCheckMaps);
    connect(m_ui->id32776, &QAction::triggered, this, &CInstallerDlg::OnAlwaysOnTop);
    connect(m_ui->id32774, &QAction::triggered, this, &CInstallerDlg::OnShowLog);
    QAction* undo = m_ui->menuTools->addAction(tr("Undo Last Install"));
    undo->setObjectName("undoLastInstall");
    connect(undo, &QAction::triggered, this, &CInstallerDlg::OnUndoLastInstall);
    m_engine.SetRecorder(&m_recorder);
    m_engine.SetProgressSink(this);

    m_engine.SetMapCheck(true);
    Guarded([this] { m_settings.LoadWindowSettings(*this); });
}

CInstallerDlg::~CInstallerDlg() = default;

int CInstallerDlg::DoModal(const std::vector<std::string>& startPaths) {
    // A window only becomes modal when it is shown after this; until now
    // loading its placement has kept it hidden.
    hide();
    setWindowModality(Qt::ApplicationModal);
    m_bRunning = true;
    OnInitDialog();
    if (!startPaths.empty()) {
        // Installed once the window is up, as if they had been dropped on it.
        QMetaObject::invokeMethod(
            this, [this, startPaths] { OnDropFiles(startPaths); }, Qt::QueuedConnection);
    }
    return exec();
}

void CInstallerDlg::ShowProgress(const std::string& name, int percent) {
    if (m_strTitle.isEmpty()) {
        m_strTitle = windowTitle();
    }
    setWindowTitle(
        QString("%1 \u2014 %2 %3%").arg(m_strTitle, QString::fromStdString(name)).arg(percent));
    // The install runs on this thread: the title reaches the screen only if
    // the window system hears of it now (input waits, as during any install).
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CInstallerDlg::EndProgress() {
    if (!m_strTitle.isEmpty()) {
        setWindowTitle(std::exchange(m_strTitle, QString()));
    }
}

void CInstallerDlg::OnUndoLastInstall() {
    Guarded([this] {
        install::CInstallUndo undo(m_engine.FileOperations(), platform::InstallRecordsFolder(),
                                   [this](const std::string& text) {
                                       m_engine.AppendLog(text);
                                       m_engine.RefreshLog();
                                   });
        std::string why;
        const auto record = undo.RecordToUndo("", m_engine.GetModDirectory(), why);
        if (!record) {
            MessageBox("There is nothing to undo: " + why + ".", "Undo Last Install",
                       platform::kMbOk);
            return;
        }
        const std::string question = "Undo the install of " + record->m_strDate +
                                     "?\n\nIt removes the " + std::to_string(record->NewCount()) +
                                     " files it added and puts back the " +
                                     std::to_string(record->ReplacedCount()) +
                                     " files it replaced. Files changed since are left alone.";
        if (MessageBox(question, "Undo Last Install", platform::kMbYesNo) != platform::kIdYes) {
            return;
        }
        install::CInstallUndo::SResult result;
        if (!undo.Undo(*record, result, why)) {
            MessageBox("The undo could not start: " + why + ".", "Undo Last Install",
                       platform::kMbOk);
        }
    });
}

void CInstallerDlg::OnInitDialog() {
    m_engine.AppendLog(
        "Welcome to Orlimb's Quarvel program.\r\n"
        "Please feel free to look around and enjoy your stay.\r\n\r\n");
    RefreshLog();
    setAcceptDrops(true);
    // Shown first, so that on a first start the configuration dialog opens
    // over the window it configures rather than over nothing.
    ApplyTopmost();
    Guarded([this] { m_settings.LoadModDirectory(false, *this, m_configDialog); });
    ApplyTopmost();
}

void CInstallerDlg::OnConfigure() {
    Guarded([this] { m_settings.LoadModDirectory(true, *this, m_configDialog); });
}

void CInstallerDlg::OnAbout() {
    CAboutBox about(this);
    about.exec();
}

void CInstallerDlg::OnCheckMaps() {
    Guarded([this] {
        m_engine.AppendLog(bsp::CheckModMapsLog(m_engine.GetModDirectory()));
        RefreshLog();
    });
}

void CInstallerDlg::OnAlwaysOnTop() {
    m_bOnTop = !m_bOnTop;
    SetMenuCheck(m_ui->id32776, m_bOnTop);
    ApplyTopmost();
}

void CInstallerDlg::OnShowLog() {
    const settings::CWindowRect rect = GetWindowRect();
    m_bShowLog = !m_bShowLog;
    SetMenuCheck(m_ui->id32774, m_bShowLog);
    PlaceWindow(rect.m_nLeft, rect.m_nTop, rect.m_nRight - rect.m_nLeft,
                m_bShowLog ? kHeightWithLog : kHeightWithoutLog);
    ShowWindow();
    ApplyTopmost();
}

void CInstallerDlg::ApplyTopmost() {
    // Changed on the native window where there is one: re-creating it would
    // hide the dialog and end its modal run.
    if (QWindow* window = windowHandle()) {
        window->setFlag(Qt::WindowStaysOnTopHint, m_bOnTop);
        overrideWindowFlags(m_bOnTop ? windowFlags() | Qt::WindowStaysOnTopHint
                                     : windowFlags() & ~Qt::WindowStaysOnTopHint);
    } else {
        setWindowFlag(Qt::WindowStaysOnTopHint, m_bOnTop);
    }
    ShowWindow();
}

void CInstallerDlg::UpdateViewMenuChecks() {
    SetMenuCheck(m_ui->id32776, m_bOnTop);
    SetMenuCheck(m_ui->id32774, m_bShowLog);
    ApplyTopmost();
}

void CInstallerDlg::OnOK() {
    m_engine.ClearInstallFolders();
    Guarded([this] { m_settings.SaveWindowSettings(*this); });
    accept();
}

void CInstallerDlg::OnDropFiles(const std::vector<std::string>& paths) {
    // A log refresh delivers posted calls, a later drop's among them: it waits
    // until this one has ended, since the engine handles one drop at a time.
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

int CInstallerDlg::MessageBox(const std::string& text, const std::string& caption, unsigned type) {
    // Owned by the window in front, the configuration dialog while it runs,
    // so that the box opens above it.
    QWidget* owner = QApplication::activeModalWidget();
    return ShowQtMessageBox(owner ? owner : this, text, caption, type);
}

void CInstallerDlg::ShowLog(std::string_view appended, std::size_t lineBreaks) {
    const std::string text = m_lineEnds.Convert(appended);
    if (!text.empty()) {
        // Appending keeps a refresh as cheap on the last line as on the first.
        QTextCursor cursor(m_ui->id1011->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QString::fromStdString(text));
    }
    const QString modPath = QString::fromStdString(m_strDisplayedModPath);
    if (m_ui->id1012->text() != modPath) {
        m_ui->id1012->setText(modPath);
        m_ui->id1012->setCursorPosition(0);  // the start of the path in view
    }
    ScrollLogPane(static_cast<int>(lineBreaks));
    // No event loop runs while an install copies, so what the pane posts (its
    // scroll bar changes and the repaint) is delivered here, as the loop would:
    // the install shows its progress, and no backlog makes each refresh dearer
    // than the last.
    QCoreApplication::sendPostedEvents();
}

void CInstallerDlg::ScrollLogPane(int lineBreaks) {
    // Line n - 21 at the top; where long lines wrap, further down until the
    // last line is in view, so the end of the log always shows.
    QPlainTextEdit& pane = *m_ui->id1011;
    QScrollBar& bar = *pane.verticalScrollBar();
    const QTextBlock top =
        pane.document()->findBlockByNumber(std::max(lineBreaks - kLogScrollLines, 0));
    bar.setValue(top.isValid() ? top.firstLineNumber() : 0);
    QTextCursor end(pane.document());
    end.movePosition(QTextCursor::End);
    const int viewHeight = pane.viewport()->height();
    for (int step = 0; pane.isVisible() && step < kLogScrollLines &&
                       pane.cursorRect(end).bottom() > viewHeight && bar.value() < bar.maximum();
         ++step) {
        bar.setValue(bar.value() + 1);
    }
}

settings::CWindowRect CInstallerDlg::GetWindowRect() const {
    // The client area and the frame last reported, which the toolkit forgets
    // once the window is hidden. Before any report the client area stands
    // where the frame was placed, so that is the rectangle.
    const QRect outer = geometry().marginsAdded(m_frame);
    return {outer.left(), outer.top(), outer.left() + outer.width(), outer.top() + outer.height()};
}

void CInstallerDlg::PlaceWindowHidden(int left, int top, int width, int height) {
    const bool bOnTop = m_bOnTop;
    m_bOnTop = false;
    if (QWindow* window = windowHandle()) {
        window->setFlag(Qt::WindowStaysOnTopHint, false);
    }
    overrideWindowFlags(windowFlags() & ~Qt::WindowStaysOnTopHint);
    m_bOnTop = bOnTop;
    PlaceWindow(left, top, width, height);
    hide();
}

bool CInstallerDlg::IsMinimized() const {
    return isMinimized();
}

void CInstallerDlg::SetModDirectory(const std::string& strModDir) {
    m_engine.SetModDirectory(strModDir);
}

void CInstallerDlg::RefreshLog() {
    m_engine.RefreshLog();
}

void CInstallerDlg::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // An etched line under the menu bar.
    QPainter painter(this);
    const int y = m_ui->clientArea->y();
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(0, y, width(), y);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, y + 1, width(), y + 1);

    if (s_bFirstPaint) {
        s_bFirstPaint = false;
        // The menu is touched after painting, not inside it.
        QMetaObject::invokeMethod(
            this, [this] { UpdateViewMenuChecks(); }, Qt::QueuedConnection);
    }
}

void CInstallerDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FitFrame();
}

void CInstallerDlg::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    FitFrame();
}

void CInstallerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FitFrame();
}

void CInstallerDlg::closeEvent(QCloseEvent* event) {
    Guarded([this] { m_settings.SaveWindowSettings(*this); });
    QDialog::closeEvent(event);
}

void CInstallerDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalPaths(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void CInstallerDlg::dropEvent(QDropEvent* event) {
    const std::vector<std::string> paths = LocalPaths(event->mimeData());
    if (paths.empty()) {
        return;
    }
    event->acceptProposedAction();
    // Installed after the drop has finished, so the file manager is not kept
    // waiting while questions are answered.
    QMetaObject::invokeMethod(
        this, [this, paths] { OnDropFiles(paths); }, Qt::QueuedConnection);
}

void CInstallerDlg::PlaceWindow(int left, int top, int width, int height) {
    // Until the window manager has framed the window its frame is not known:
    // the client area gets the whole size, and FitFrame corrects it then.
    m_sizePlaced = QSize(width, height);
    m_bFitFrame = m_frame.isNull();
    SetOuterSize();
    // The frame's corner goes there, whether the frame is known yet or not.
    move(left, top);
}

void CInstallerDlg::SetOuterSize() {
    // No sizing border: only the program changes the size.
    const QSize client = m_sizePlaced.shrunkBy(m_frame);
    setFixedSize(std::max(client.width(), 0), std::max(client.height(), 0));
}

void CInstallerDlg::FitFrame() {
    const QWindow* window = windowHandle();
    if (!window || !isVisible()) {
        return;
    }
    const QMargins frame = window->frameMargins();
    if (frame.isNull() || frame == m_frame) {
        return;
    }
    m_frame = frame;
    if (m_bFitFrame) {
        m_bFitFrame = false;
        SetOuterSize();
    }
}

void CInstallerDlg::ShowWindow() {
    // Shown only once the modal run begins: a window shown before it would
    // have to be hidden and framed anew to become modal.
    if (m_bRunning) {
        show();
    }
}

void CInstallerDlg::SetMenuCheck(QAction* action, bool bChecked) {
    action->setChecked(bChecked);
}

template <typename Handler>
void CInstallerDlg::Guarded(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& fault) {
        MessageBox(std::string("Unexpected error: ") + fault.what(), "", platform::kMbOk);
    } catch (...) {
        MessageBox("Unexpected error", "", platform::kMbOk);
    }
}

}  // namespace app
