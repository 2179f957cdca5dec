#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <functional>
#include <memory>

#include "BspFixture.h"
#include "Process.h"
#include "WindowScript.h"
#include "ZipFixture.h"
#include "app/AboutBox.h"
#include "app/InstallerDlg.h"
#include "settings/ModPathDlg.h"
#include "settings/SettingsStore.h"

using app::CInstallerDlg;
using namespace quarvel::test;

namespace {

const char* const kWelcome =
    "Welcome to Orlimb's Quarvel program.\nPlease feel free to look around and enjoy your "
    "stay.\n\n";

QString LogText(CInstallerDlg& dialog) {
    return dialog.findChild<QPlainTextEdit*>("id1011")->toPlainText();
}

void Drop(QWidget& target, const std::string& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    QDragEnterEvent enter(QPoint(40, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(40, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
}

// Counts the events that reach a widget or its children, or the window's
// repaint request, while it lives.
class CEventCounter : public QObject {
  public:
    explicit CEventCounter(QWidget& widget) : m_widget(widget) {
        QApplication::instance()->installEventFilter(this);
    }
    int Count() const { return m_nCount; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* target = qobject_cast<QWidget*>(watched);
        if (target && (target == &m_widget || m_widget.isAncestorOf(target) ||
                       (target == m_widget.window() && event->type() == QEvent::UpdateRequest))) {
            ++m_nCount;
        }
        return false;
    }

  private:
    QWidget& m_widget;
    int m_nCount = 0;
};

}  // namespace

class InstallerDlgTests : public QObject {
    Q_OBJECT

  private slots:
    void init() { m_home = std::make_unique<CGameHome>(); }
    void cleanup() { m_home.reset(); }

    void firstStartPlacesTheWindowAndAsksForTheModDirectory();
    void droppedFolderInstallsWithQuestionsInRealMessageBoxes();
    void showLogChangesTheHeightAndKeepsTheWindowOnTop();
    void menuChecksFollowTheStoredOptionsAfterTheFirstPaint();
    void exitCloseAndEscapeEndDifferently();
    void configureAndAboutFromButtonsAndMenus();
    void logPaneScrollsToItsLastLines();
    void undoLastInstallAsksThenPutsTheModDirectoryBack();
    void aBigFileShowsItsProgressInTheTitle();
    void checkInstalledMapsFromTheToolsMenu();

  private:
    void StoreSettings(int left, int top, int width, int height, bool onTop, bool showLog) {
        m_home->StoreSettings(left, top, width, height, onTop, showLog);
    }

    std::unique_ptr<CGameHome> m_home;
};

void InstallerDlgTests::firstStartPlacesTheWindowAndAsksForTheModDirectory() {
    CInstallerDlg dialog;
    QCOMPARE(dialog.frameGeometry(), QRect(250, 100, 464, 634));
    QVERIFY(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(Action(dialog, "id32776")->isChecked());
    QVERIFY(Action(dialog, "id32774")->isChecked());

    bool dialogSeen = false;
    WhenModal<settings::CModPathDlg>([&](settings::CModPathDlg& config) {
        dialogSeen = true;
        // Over the window it configures, which shows beneath it.
        QCOMPARE(config.parentWidget(), &dialog);
        QVERIFY(dialog.isVisible());
        QVERIFY(config.m_bFirstRun);
        QCOMPARE(config.findChild<QComboBox*>("id1021")->currentText(),
                 QString::fromStdString(m_home->Mod()));
        Button(config, "id1")->click();
        WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
            QCOMPARE(window.findChild<QLineEdit*>("id1012")->text(),
                     QString::fromStdString(m_home->Mod()));
            QCOMPARE(LogText(window), QString(kWelcome));
            Button(window, "id1")->click();
        });
    });

    QCOMPARE(dialog.DoModal(), int(QDialog::Accepted));
    QVERIFY(dialogSeen);
    QCOMPARE(StoredModDirectory().value_or(""), m_home->Mod());
    QCOMPARE(StoredDword("left"), 250u);
    QCOMPARE(StoredDword("height"), 634u);
    QCOMPARE(StoredDword("ontop"), 1u);
}

void InstallerDlgTests::droppedFolderInstallsWithQuestionsInRealMessageBoxes() {
    StoreSettings(10, 20, 464, 634, false, true);
    const std::string package = m_home->Home().Elsewhere("downloads/de_x");
    WriteFile(package + "/maps/de_x.bsp", "bsp");
    WriteFile(package + "/sound/de_x/wind.wav", "wav");
    const std::string archive = m_home->Home().Elsewhere("downloads/de_z.zip");
    quarvel::test::MakeZip(archive, {{"maps/de_z.bsp", "zip map"}});

    CInstallerDlg dialog;
    QStringList questions;
    WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
        // Two drops at once: the archive waits until the folder is installed,
        // although a log refresh delivers its posted drop in between.
        Drop(window, package);
        Drop(window, archive);
        WhenModal<QMessageBox>([&](QMessageBox& box) {
            questions << box.windowTitle() << box.text();
            QCOMPARE(box.parentWidget(), &window);
            QCOMPARE(box.standardButtons(),
                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            QCOMPARE(box.defaultButton(), box.button(QMessageBox::Yes));
            QCOMPARE(box.icon(), QMessageBox::NoIcon);
            box.button(QMessageBox::Yes)->click();
            When([&] { return LogText(window).count("Finished Installing files.") == 2; },
                 [&] { Button(window, "id1")->click(); });
        });
    });
    dialog.DoModal();

    QCOMPARE(questions.value(0), QString("Unrecognized Directory"));
    QVERIFY(questions.value(1).startsWith(
        QString::fromStdString("Directory \"" + m_home->Mod() + "/sound/de_x\" is included")));
    const std::string expected =
        kWelcome +
        std::string(
            "\nMap and supporting files found.\n"
            "Installing to cstrike directory...\n") +
        m_home->Mod() + "/maps/de_x.bsp\nDirectory \"" + m_home->Mod() +
        "/sound/de_x\" created.\n" + m_home->Mod() +
        "/sound/de_x/wind.wav\nde_x could not be checked: not a Half-Life map: the file is too "
        "short to be a map.\nFinished Installing files.\n\nZip File Found: " +
        archive +
        "\nUnzipping to temporary directory...\nMap and supporting files "
        "found.\nInstalling to cstrike directory...\n" +
        m_home->Mod() +
        "/maps/de_z.bsp\nde_z could not be checked: not a Half-Life map: it does not begin with "
        "a map version.\nFinished Installing files.\n";
    QCOMPARE(LogText(dialog), QString::fromStdString(expected));
    QCOMPARE(ReadFile(m_home->Mod() + "/sound/de_x/wind.wav"), std::string("wav"));
    QCOMPARE(ReadFile(m_home->Mod() + "/maps/de_z.bsp"), std::string("zip map"));
}

void InstallerDlgTests::showLogChangesTheHeightAndKeepsTheWindowOnTop() {
    StoreSettings(30, 40, 464, 634, true, true);
    CInstallerDlg dialog;
    WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
        Action(window, "id32774")->trigger();
        QCOMPARE(window.frameGeometry(), QRect(30, 40, 464, 195));
        QVERIFY(!Action(window, "id32774")->isChecked());
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window.windowHandle()->flags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window.isVisible());

        Action(window, "id32774")->trigger();
        QCOMPARE(window.frameGeometry(), QRect(30, 40, 464, 634));
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);

        Action(window, "id32776")->trigger();
        QVERIFY(!(window.windowHandle()->flags() & Qt::WindowStaysOnTopHint));
        QVERIFY(!Action(window, "id32776")->isChecked());
        Action(window, "id1Menu")->trigger();  // File, Exit
    });
    QCOMPARE(dialog.DoModal(), int(QDialog::Accepted));
    QCOMPARE(StoredDword("ontop"), 0u);
    QCOMPARE(StoredDword("viewlog"), 1u);
}

void InstallerDlgTests::menuChecksFollowTheStoredOptionsAfterTheFirstPaint() {
    StoreSettings(5, 6, 464, 195, true, false);
    CInstallerDlg dialog;
    // Loading sets the flags only; the template's menu carries no marks yet.
    QVERIFY(!Action(dialog, "id32776")->isChecked());
    QCOMPARE(dialog.frameGeometry(), QRect(5, 6, 464, 195));
    WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
        When([&] { return Action(window, "id32776")->isChecked(); },
             [&] {
                 QVERIFY(!Action(window, "id32774")->isChecked());
                 QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
                 window.reject();
             });
    });
    dialog.DoModal();
}

void InstallerDlgTests::exitCloseAndEscapeEndDifferently() {
    StoreSettings(10, 20, 464, 634, false, true);
    {  // Exit: installed folders cleared, settings saved.
        CInstallerDlg dialog;
        WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
            window.GetEngine().IsNewInstallFolder("/pkg");
            window.move(70, 80);
            Button(window, "id1")->click();
        });
        QCOMPARE(dialog.DoModal(), int(QDialog::Accepted));
        QVERIFY(dialog.GetEngine().GetInstalledFolders().empty());
        QCOMPARE(StoredDword("left"), 70u);
    }
    {  // The close box: settings saved, installed folders kept.
        CInstallerDlg dialog;
        WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
            window.GetEngine().IsNewInstallFolder("/pkg");
            window.move(90, 80);
            window.close();
        });
        QCOMPARE(dialog.DoModal(), int(QDialog::Rejected));
        QCOMPARE(dialog.GetEngine().GetInstalledFolders().size(), std::size_t{1});
        QCOMPARE(StoredDword("left"), 90u);
    }
    {  // Enter in the mod path field: the default button, Exit.
        CInstallerDlg dialog;
        WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
            window.move(55, 20);
            auto* modPath = window.findChild<QLineEdit*>("id1012");
            modPath->setFocus();
            QTest::keyClick(modPath, Qt::Key_Return);
        });
        QCOMPARE(dialog.DoModal(), int(QDialog::Accepted));
        QCOMPARE(StoredDword("left"), 55u);
    }
    {  // Escape: nothing saved.
        CInstallerDlg dialog;
        WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
            window.move(110, 80);
            QTest::keyClick(&window, Qt::Key_Escape);
        });
        QCOMPARE(dialog.DoModal(), int(QDialog::Rejected));
        QCOMPARE(StoredDword("left"), 55u);
    }
}

void InstallerDlgTests::configureAndAboutFromButtonsAndMenus() {
    StoreSettings(10, 20, 464, 634, false, true);
    const std::string notAGame = m_home->Home().Elsewhere("server/mymod");
    MakeFolder(notAGame);
    CInstallerDlg dialog;
    // Enter on a push button with the focus runs that button, not Exit.
    const auto enterOn = [&](const char* name) {
        QPushButton* button = Button(dialog, name);
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Return);
    };
    // Configure and About, each from its button, its menu and Enter on its
    // button, one after another.
    const std::vector<std::function<void()>> commands = {
        [&] { Button(dialog, "id1007")->click(); },
        [&] { Action(dialog, "id1007Menu")->trigger(); },
        [&] { enterOn("id1007"); },
        [&] { Button(dialog, "id1013")->click(); },
        [&] { Action(dialog, "id1013Menu")->trigger(); },
        [&] { enterOn("id1013"); },
    };
    int configured = 0;
    int abouts = 0;
    std::function<void(std::size_t)> runCommand = [&](std::size_t index) {
        if (index == commands.size()) {
            dialog.reject();
            return;
        }
        auto next = [&runCommand, index] {
            QTimer::singleShot(0, [&runCommand, index] { runCommand(index + 1); });
        };
        if (index < 3) {
            WhenModal<settings::CModPathDlg>([&, next](settings::CModPathDlg& config) {
                ++configured;
                QCOMPARE(config.parentWidget(), &dialog);
                QVERIFY(!config.m_bFirstRun);
                if (index > 0) {
                    config.reject();
                    next();
                    return;
                }
                // Its question is its own, and Escape does not answer it.
                config.findChild<QComboBox*>("id1021")->setEditText(
                    QString::fromStdString(notAGame));
                WhenModal<QMessageBox>([&, next](QMessageBox& box) {
                    QCOMPARE(box.parentWidget(), &config);
                    QCOMPARE(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
                    QTest::keyClick(box.focusWidget(), Qt::Key_Escape);
                    box.close();
                    QVERIFY(box.isVisible());
                    box.button(QMessageBox::No)->click();
                    QVERIFY(config.isVisible());
                    config.reject();
                    next();
                });
                Button(config, "id1")->click();
            });
        } else {
            WhenModal<app::CAboutBox>([&, next](app::CAboutBox& about) {
                ++abouts;
                QCOMPARE(about.parentWidget(), &dialog);
                QCOMPARE(about.windowTitle(), QString("About Quarvel"));
                // Every line shows whole within the box's fixed size.
                for (const QLabel* line : about.findChildren<QLabel*>()) {
                    QVERIFY2(line->width() >= line->sizeHint().width() &&
                                 line->height() >= line->sizeHint().height() &&
                                 about.rect().contains(line->geometry()),
                             qPrintable(line->text()));
                }
                QCOMPARE(about.minimumSize(), about.maximumSize());
                Button(about, "id1")->click();
                next();
            });
        }
        commands[index]();
    };
    WhenModal<CInstallerDlg>([&](CInstallerDlg&) { runCommand(0); });
    QCOMPARE(dialog.DoModal(), int(QDialog::Rejected));
    QCOMPARE(configured, 3);
    QCOMPARE(abouts, 3);
}

void InstallerDlgTests::logPaneScrollsToItsLastLines() {
    StoreSettings(10, 20, 464, 634, false, true);
    CInstallerDlg dialog;
    int topAtStart = -1;
    int topAfter = -1;
    bool endVisible = false;
    int leftOver = -1;
    WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
        auto* pane = window.findChild<QPlainTextEdit*>("id1011");
        topAtStart = pane->verticalScrollBar()->value();
        for (int line = 0; line < 27; ++line) {
            window.GetEngine().AppendLog("line " + std::to_string(line) + "\r\n");
            window.RefreshLog();
        }
        topAfter = pane->verticalScrollBar()->value();
        // A line too long for the pane wraps; the end of the log still shows.
        window.GetEngine().AppendLog(std::string(600, 'x') + "\r\nlast\r\n");
        window.RefreshLog();
        QTextCursor end(pane->document());
        end.movePosition(QTextCursor::End);
        endVisible = pane->cursorRect(end).bottom() <= pane->viewport()->height();
        // Each refresh has done its work, painting included: nothing waits
        // for an event loop that does not run while an install copies.
        CEventCounter counter(*pane);
        QCoreApplication::sendPostedEvents();
        leftOver = counter.Count();
        window.reject();
    });
    dialog.DoModal();
    // The welcome text holds 3 line breaks: at the top while there are at most 21.
    QCOMPARE(topAtStart, 0);
    // 30 line breaks: the pane shows the text from line 9 on.
    QCOMPARE(topAfter, 9);
    QVERIFY(endVisible);
    QCOMPARE(leftOver, 0);
}

void InstallerDlgTests::undoLastInstallAsksThenPutsTheModDirectoryBack() {
    StoreSettings(10, 20, 464, 634, false, true);
    WriteFile(m_home->Mod() + "/maps/de_u.bsp", "the old map");
    const auto before = ReadTree(m_home->Mod());
    const std::string package = m_home->Home().Elsewhere("downloads/de_u");
    WriteFile(package + "/maps/de_u.bsp", "the new map");
    WriteFile(package + "/maps/de_u.txt", "briefing");

    CInstallerDlg dialog;
    QString question;
    WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
        Drop(window, package);
        When([&] { return LogText(window).contains("Finished Installing files."); },
             [&] {
                 QCOMPARE(ReadFile(m_home->Mod() + "/maps/de_u.bsp"), std::string("the new map"));
                 WhenModal<QMessageBox>([&](QMessageBox& box) {
                     question = box.text();
                     QCOMPARE(box.parentWidget(), &window);
                     box.button(QMessageBox::Yes)->click();
                     When([&] { return LogText(window).contains("Undo finished"); },
                          [&] { Button(window, "id1")->click(); });
                 });
                 Action(window, "undoLastInstall")->trigger();
             });
    });
    dialog.DoModal();

    QVERIFY2(question.contains("removes the 1 files it added and puts back the 1 files"),
             qPrintable(question));
    QCOMPARE(ReadTree(m_home->Mod()), before);
}

void InstallerDlgTests::checkInstalledMapsFromTheToolsMenu() {
    StoreSettings(10, 20, 464, 634, false, true);
    using quarvel::test::World;
    quarvel::test::MakeMap(m_home->Mod() + "/maps/de_a.bsp", {{World()}, {{"crate", true}}});
    quarvel::test::MakeMap(m_home->Mod() + "/maps/de_b.bsp", {{World({{"wad", "de_b.wad"}})}});

    CInstallerDlg dialog;
    QAction* check = Action(dialog, "idCheckMapsMenu");
    QVERIFY(check);
    QCOMPARE(check->text(), QString("Check Installed &Maps"));
    QVERIFY(dialog.findChild<QMenu*>("menuTools")->actions().contains(check));
    WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
        Action(window, "idCheckMapsMenu")->trigger();
        window.reject();
    });
    dialog.DoModal();

    QCOMPARE(LogText(dialog),
             QString::fromStdString(std::string(kWelcome) + "\nChecking the installed maps of " +
                                    m_home->Mod() +
                                    "...\n"
                                    "de_a: everything it needs is present.\n"
                                    "de_b needs 1 file that is not installed: de_b.wad\n"
                                    "2 maps checked, 1 with something missing.\n"));
    QVERIFY(!Exists(m_home->Mod() + "/de_b.wad"));
}

void InstallerDlgTests::aBigFileShowsItsProgressInTheTitle() {
    StoreSettings(10, 20, 464, 634, false, true);
    const std::string archive = m_home->Home().Elsewhere("downloads/big.zip");
    MakeFolder(m_home->Home().Elsewhere("downloads"));
    RunTool(m_home->Home().Elsewhere("downloads"),
            {"python3", "-c",
             "import zipfile\n"
             "with zipfile.ZipFile('big.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
             "    z.writestr('maps/big.bsp', bytes(48 << 20))\n"});

    CInstallerDlg dialog;
    const QString title = dialog.windowTitle();
    QStringList titles;
    // Timers run while the title is shown: the window system hears of it.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] { titles << dialog.windowTitle(); });
    watch.start(1);
    WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
        Drop(window, archive);
        When([&] { return LogText(window).contains("Finished Installing files."); },
             [&] { Button(window, "id1")->click(); });
    });
    dialog.DoModal();

    QVERIFY2(titles.filter(QRegularExpression(QString("^") + QRegularExpression::escape(title) +
                                              QString::fromUtf8(" \u2014 big.bsp [0-9]+%$")))
                     .size() > 0,
             qPrintable(titles.join(" | ").left(500)));
    QCOMPARE(dialog.windowTitle(), title);
}

QTEST_MAIN(InstallerDlgTests)
#include "InstallerDlgTests.moc"
