// The desktop program on a real X display, under the openbox window manager
// (run-on-x11 starts both), read back with the X tools and driven with typed
// keys: placement, stacking and the keyboard as a user's desktop gives them.

#include <QComboBox>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <functional>
#include <memory>

#include "WindowScript.h"
#include "X11Desktop.h"
#include "app/AboutBox.h"
#include "app/InstallerDlg.h"
#include "settings/ModPathDlg.h"

using app::CInstallerDlg;
using settings::CModPathDlg;
using namespace quarvel::test;

namespace {

// Waits, with events flowing, until the condition holds; false after 5 s.
bool Eventually(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 5000);
}

// Whether the window manager has given the window the keyboard focus.
bool Focused(QWidget& window) {
    return Eventually([&] { return QApplication::activeWindow() == &window; });
}

// Whether the window is up on screen above the one it belongs to, and says so
// to the window manager.
bool OpensAbove(QWidget& upper, QWidget& lower) {
    return Eventually([&] { return IsViewable(upper) && IsStackedAbove(upper, lower); }) &&
           upper.windowHandle()->transientParent() == lower.windowHandle();
}

QRect StoredRect() {
    return QRect(int(StoredDword("left")), int(StoredDword("top")), int(StoredDword("width")),
                 int(StoredDword("height")));
}

// Ends every dialog when a typed key or a window is lost, so that the test
// fails instead of hanging.
class CWatchdog {
  public:
    CWatchdog() {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, [] { GiveUp("the script stalled"); });
        m_timer.start(30000);
    }

  private:
    QTimer m_timer;
};

}  // namespace

class DesktopTests : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_home = std::make_unique<CGameHome>(); }
    void cleanup() { m_home.reset(); }

    void placementRoundTripsOverSixStarts();
    void viewOptionsKeepTheFrameInPlace();
    void firstStartShowsTheWindowUnderTheConfigurationDialog();
    void dialogsOpenAboveTheWindowThatStaysOnTop();
    void enterRunsTheFocusedButton();

  private:
    std::unique_ptr<CGameHome> m_home;
};

// Six starts, ended by Exit and by the close box in turn: each shows the outer
// frame where it was stored and stores it again unchanged.
void DesktopTests::placementRoundTripsOverSixStarts() {
    const QRect stored(249, 80, 466, 655);
    m_home->StoreSettings(stored.x(), stored.y(), stored.width(), stored.height(), true, true);
    for (int start = 0; start < 6; ++start) {
        const bool closeBox = start % 2 == 1;
        CWatchdog watchdog;
        CInstallerDlg dialog;
        QRect shown;
        WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
            Eventually([&] { return OuterRect(window) == stored; });
            shown = OuterRect(window);
            if (!Focused(window)) {
                window.reject();
            } else if (!closeBox) {
                TypeKeys("Return");  // Exit, the default button
            } else if (HasWindowManager()) {
                TypeKeys("alt+F4");
            } else {
                window.close();
            }
        });
        const int result = dialog.DoModal();
        QCOMPARE(shown, stored);
        QCOMPARE(result, closeBox ? int(QDialog::Rejected) : int(QDialog::Accepted));
        QCOMPARE(StoredRect(), stored);
    }
}

// Show Log Window off and on, and Always On Top off: the frame keeps its
// corner and width and takes the two fixed heights.
void DesktopTests::viewOptionsKeepTheFrameInPlace() {
    m_home->StoreSettings(100, 50, 464, 634, true, true);
    CWatchdog watchdog;
    CInstallerDlg dialog;
    std::vector<QRect> shown;
    WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
        const auto settled = [&](const QRect& expected) {
            Eventually([&] { return OuterRect(window) == expected; });
            shown.push_back(OuterRect(window));
        };
        settled(QRect(100, 50, 464, 634));
        Action(window, "id32774")->trigger();
        settled(QRect(100, 50, 464, 195));
        Action(window, "id32774")->trigger();
        settled(QRect(100, 50, 464, 634));
        Action(window, "id32776")->trigger();
        settled(QRect(100, 50, 464, 634));
        Button(window, "id1")->click();
    });
    QCOMPARE(dialog.DoModal(), int(QDialog::Accepted));
    QCOMPARE(
        shown,
        (std::vector<QRect>{
            {100, 50, 464, 634}, {100, 50, 464, 195}, {100, 50, 464, 634}, {100, 50, 464, 634}}));
    QCOMPARE(StoredRect(), QRect(100, 50, 464, 634));
}

void DesktopTests::firstStartShowsTheWindowUnderTheConfigurationDialog() {
    CWatchdog watchdog;
    CInstallerDlg dialog;
    bool windowBeneath = false;
    WhenModal<CModPathDlg>([&](CModPathDlg& config) {
        windowBeneath = OpensAbove(config, dialog);
        Button(config, "id1")->click();  // the cstrike folder it found
        WhenModal<CInstallerDlg>([](CInstallerDlg& window) { Button(window, "id1")->click(); });
    });
    QCOMPARE(dialog.DoModal(), int(QDialog::Accepted));
    QVERIFY(windowBeneath);
    QCOMPARE(StoredModDirectory().value_or(""), m_home->Mod());
}

// Configure, its question and About over a window that stays on top; Escape
// leaves the Yes/No question open. Each step ends with a typed key.
void DesktopTests::dialogsOpenAboveTheWindowThatStaysOnTop() {
    m_home->StoreSettings(100, 50, 464, 634, true, true);
    const std::string notAGame = m_home->Home().Elsewhere("server/mymod");
    MakeFolder(notAGame);
    CWatchdog watchdog;
    CInstallerDlg dialog;
    QStringList faults;
    const auto check = [&faults](bool holds, const char* what) {
        if (!holds) {
            faults << what;
        }
    };

    WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
        WhenModal<CModPathDlg>([&](CModPathDlg& config) {
            check(OpensAbove(config, window), "configuration dialog above the window");
            config.findChild<QComboBox*>("id1021")->setEditText(QString::fromStdString(notAGame));
            WhenModal<QMessageBox>([&, owner = &config](QMessageBox& box) {
                check(OpensAbove(box, *owner), "question above the configuration dialog");
                check(Focused(box), "question focused");
                // Tab moves the focus once Escape, typed first, has been handled.
                QWidget* focus = box.focusWidget();
                TypeKeys("Escape");
                TypeKeys("Tab");
                Eventually([&] { return !box.isVisible() || box.focusWidget() != focus; });
                check(box.isVisible(), "question still open after Escape");
                if (box.isVisible()) {
                    box.button(QMessageBox::No)->click();
                }
                When([owner] { return QApplication::activeWindow() == owner; },
                     [] { TypeKeys("Escape"); });
            });
            check(Focused(config), "configuration dialog focused");
            TypeKeys("Return");  // OK, which asks
        });
        Button(window, "id1007")->click();

        WhenModal<app::CAboutBox>([&](app::CAboutBox& about) {
            check(OpensAbove(about, window), "about box above the window");
            check(Focused(about), "about box focused");
            TypeKeys("Return");
        });
        Button(window, "id1013")->click();
        window.reject();
    });
    dialog.DoModal();
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
}

// Enter on a focused push button runs it; from the log pane it runs Exit.
void DesktopTests::enterRunsTheFocusedButton() {
    m_home->StoreSettings(100, 50, 464, 634, false, true);
    CWatchdog watchdog;
    CInstallerDlg dialog;
    QStringList opened;
    const auto enterOn = [&](QWidget& focus) {
        QVERIFY(Focused(dialog));
        focus.setFocus();
        TypeKeys("Return");
    };
    const auto whenBack = [&dialog](std::function<void()> next) {
        When([&dialog] { return QApplication::activeWindow() == &dialog; }, next);
    };

    WhenModal<CInstallerDlg>([&](CInstallerDlg&) {
        WhenModal<CModPathDlg>([&](CModPathDlg& config) {
            opened << "configuration";
            QVERIFY(Focused(config));
            TypeKeys("Escape");
            whenBack([&] {
                WhenModal<app::CAboutBox>([&](app::CAboutBox& about) {
                    opened << "about";
                    QVERIFY(Focused(about));
                    TypeKeys("Return");
                    whenBack([&] { enterOn(*dialog.findChild<QPlainTextEdit*>("id1011")); });
                });
                enterOn(*Button(dialog, "id1013"));
            });
        });
        enterOn(*Button(dialog, "id1007"));
    });
    QCOMPARE(dialog.DoModal(), int(QDialog::Accepted));
    QCOMPARE(opened, QStringList({"configuration", "about"}));
}

QTEST_MAIN(DesktopTests)
#include "DesktopTests.moc"
