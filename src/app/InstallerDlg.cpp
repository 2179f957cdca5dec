#include "InstallerDlg.h"

#include <QAbstractButton>
#include <QAction>
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

#include "AboutBox.h"
#include "QtMessageBox.h"
#include "platform/FileSystem.h"
#include "settings/ModPathDlg.h"
#include "ui_InstallerDlg.h"

// The icons live in a static library; register them before first use.
static void InitQuarvelResources() {
    Q_INIT_RESOURCE(quarvel);
}

namespace app {
namespace {

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
      m_window(static_cast<window::CMainWindowView&>(*this), m_settingsKeys) {
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

    Connect(m_ui->id1, window::kIdExit);
    Connect(m_ui->id1Menu, window::kIdExit);
    Connect(m_ui->id1007, window::kIdConfigure);
    Connect(m_ui->id1007Menu, window::kIdConfigure);
    Connect(m_ui->id1013, window::kIdAbout);
    Connect(m_ui->id1013Menu, window::kIdAbout);
    Connect(m_ui->idCheckMapsMenu, window::kIdCheckMaps);
    Connect(m_ui->id32776, window::kIdAlwaysOnTop);
    Connect(m_ui->id32774, window::kIdShowLog);
    QAction* undo = m_ui->menuTools->addAction(tr("Undo Last Install"));
    undo->setObjectName("undoLastInstall");
    Connect(undo, window::kIdUndoLastInstall);

    m_window.OnCreate();
}

CInstallerDlg::~CInstallerDlg() = default;

void CInstallerDlg::Connect(QObject* sender, int nCommand) {
    const auto run = [this, nCommand] { m_window.OnCommand(nCommand); };
    if (auto* button = qobject_cast<QAbstractButton*>(sender)) {
        connect(button, &QAbstractButton::clicked, this, run);
    } else if (auto* action = qobject_cast<QAction*>(sender)) {
        connect(action, &QAction::triggered, this, run);
    }
}

int CInstallerDlg::DoModal(const std::vector<std::string>& startPaths) {
    // A window only becomes modal when it is shown after this; until now
    // loading its placement has kept it hidden.
    hide();
    setWindowModality(Qt::ApplicationModal);
    m_bRunning = true;
    m_window.OnInitDialog(startPaths);
    return exec();
}

void CInstallerDlg::reject() {
    m_window.OnCancel();
}

settings::CWindowRect CInstallerDlg::GetWindowRect() const {
    // The client area and the frame last reported, which the toolkit forgets
    // once the window is hidden. Before any report the client area stands
    // where the frame was placed, so that is the rectangle.
    const QRect outer = geometry().marginsAdded(m_frame);
    return {outer.left(), outer.top(), outer.left() + outer.width(), outer.top() + outer.height()};
}

bool CInstallerDlg::IsMinimized() const {
    return isMinimized();
}

void CInstallerDlg::PlaceWindow(const std::optional<window::SPlacement>& placement, bool bTopmost,
                                bool bShow) {
    SetStaysOnTop(bTopmost);
    if (placement) {
        PlaceFrame(placement->m_nLeft, placement->m_nTop, placement->m_nWidth,
                   placement->m_nHeight);
    }
    if (bShow) {
        ShowWindow();
    } else {
        hide();
    }
}

void CInstallerDlg::SetStaysOnTop(bool bOn) {
    // Changed on the native window where there is one: re-creating it would
    // hide the dialog and end its modal run.
    if (QWindow* window = windowHandle()) {
        window->setFlag(Qt::WindowStaysOnTopHint, bOn);
        overrideWindowFlags(bOn ? windowFlags() | Qt::WindowStaysOnTopHint
                                : windowFlags() & ~Qt::WindowStaysOnTopHint);
    } else {
        setWindowFlag(Qt::WindowStaysOnTopHint, bOn);
    }
}

void CInstallerDlg::SetMenuCheck(int nCommand, bool bChecked) {
    if (nCommand == window::kIdAlwaysOnTop) {
        m_ui->id32776->setChecked(bChecked);
    } else if (nCommand == window::kIdShowLog) {
        m_ui->id32774->setChecked(bChecked);
    }
}

std::string CInstallerDlg::GetTitle() const {
    return windowTitle().toStdString();
}

void CInstallerDlg::SetTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
    // The install runs on this thread: the title reaches the screen only if
    // the window system hears of it now (input waits, as during any install).
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CInstallerDlg::AcceptDrops() {
    setAcceptDrops(true);
}

void CInstallerDlg::PostDrop(const std::vector<std::string>& paths) {
    QMetaObject::invokeMethod(
        this, [this, paths] { m_window.OnDropFiles(paths); }, Qt::QueuedConnection);
}

void CInstallerDlg::EndDialog(int nResult) {
    if (nResult == window::kIdExit) {
        accept();
    } else {
        QDialog::reject();
    }
}

void CInstallerDlg::AppendLogText(std::string_view text) {
    const std::string converted = m_lineEnds.Convert(text);
    if (!converted.empty()) {
        QTextCursor cursor(m_ui->id1011->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QString::fromStdString(converted));
    }
}

void CInstallerDlg::SetModPathText(const std::string& text) {
    m_ui->id1012->setText(QString::fromStdString(text));
    m_ui->id1012->setCursorPosition(0);  // the start of the path in view
}

void CInstallerDlg::ScrollLogPane(int nFirstLine) {
    // The line at the top; where long lines wrap, further down until the last
    // line is in view, so the end of the log always shows.
    QPlainTextEdit& pane = *m_ui->id1011;
    QScrollBar& bar = *pane.verticalScrollBar();
    const QTextBlock top = pane.document()->findBlockByNumber(nFirstLine);
    bar.setValue(top.isValid() ? top.firstLineNumber() : 0);
    QTextCursor end(pane.document());
    end.movePosition(QTextCursor::End);
    const int viewHeight = pane.viewport()->height();
    for (int step = 0; pane.isVisible() && step < window::kLogScrollLines &&
                       pane.cursorRect(end).bottom() > viewHeight && bar.value() < bar.maximum();
         ++step) {
        bar.setValue(bar.value() + 1);
    }
    // No event loop runs while an install copies, so what the pane posts (its
    // scroll bar changes and the repaint) is delivered here, as the loop would:
    // the install shows its progress, and no backlog makes each refresh dearer
    // than the last.
    QCoreApplication::sendPostedEvents();
}

int CInstallerDlg::MessageBox(const std::string& text, const std::string& caption, unsigned type) {
    // Owned by the window in front, the configuration dialog while it runs,
    // so that the box opens above it.
    QWidget* owner = QApplication::activeModalWidget();
    return ShowQtMessageBox(owner ? owner : this, text, caption, type);
}

void CInstallerDlg::RunAboutBox() {
    CAboutBox about(this);
    about.exec();
}

int CInstallerDlg::RunConfigDialog(std::string& strDir, bool bFirstRun,
                                   platform::CMessageBoxHost& messageBoxes,
                                   platform::CSettingsKeys& keys) {
    return settings::CModPathDlgRunner(messageBoxes, keys, this)
        .RunModPathDialog(strDir, bFirstRun);
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

    if (m_window.IsFirstPaintPending()) {
        // The menu is touched after painting, not inside it.
        QMetaObject::invokeMethod(
            this, [this] { m_window.AfterPaint(); }, Qt::QueuedConnection);
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
    m_window.OnClose();
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
    PostDrop(paths);
}

void CInstallerDlg::PlaceFrame(int left, int top, int width, int height) {
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

}  // namespace app
