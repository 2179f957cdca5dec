#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <functional>
#include <memory>

#include "BspFixture.h"
#include "ScopedEnvironment.h"
#include "SettingsTestSupport.h"
#include "ZipFixture.h"
#include "app/AboutBox.h"
#include "app/InstallerDlg.h"
#include "platform/SettingsKey.h"
#include "settings/ModPathDlg.h"
#include "settings/SettingsStore.h"

using app::CInstallerDlg;
using quarvel::test::CScopedEnvironment;
using quarvel::test::CScopedHome;
using quarvel::test::Exists;
using quarvel::test::MakeFolder;
using quarvel::test::ReadFile;
using quarvel::test::WriteFile;

namespace {

const char* const kWelcome =
    "Welcome to Orlimb's Quarvel program.\nPlease feel free to look around and enjoy your "
    "stay.\n\n";

// Polls until the condition holds, then acts. A script that never gets its
// condition records a failure and closes every modal window, so a broken
// test ends instead of hanging.
void When(std::function<bool()> condition, std::function<void()> action, int attempts = 500) {
    QTimer::singleShot(10, [condition, action, attempts] {
        if (condition()) {
            action();
        } else if (attempts > 0) {
            When(condition, action, attempts - 1);
        } else {
            QTest::qFail("a scripted step never came", __FILE__, __LINE__);
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible()) {
                    dialog->reject();
                }
            }
        }
    });
}

// Acts on the modal window of type T once it is the one in front.
template <typename T>
void WhenModal(std::function<void(T&)> action) {
    When([] { return qobject_cast<T*>(QApplication::activeModalWidget()) != nullptr; },
         [action] { action(*qobject_cast<T*>(QApplication::activeModalWidget())); });
}

QPushButton* Button(QWidget& window, const char* name) {
    return window.findChild<QPushButton*>(name);
}

QAction* Action(QWidget& window, const char* name) {
    return window.findChild<QAction*>(name);
}

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

std::uint32_t StoredDword(const char* name) {
    platform::CSystemSettingsKeys keys;
    const auto key = keys.MakeKey();
    std::uint32_t value = 0xDEADBEEF;
    if (key->Open(settings::kSettingsKeyName) == platform::kErrorSuccess) {
        key->QueryDword(name, value);
        key->Close();
    }
    return value;
}

}  // namespace

class InstallerDlgTests : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_home = std::make_unique<CScopedHome>();
        m_cache =
            std::make_unique<CScopedEnvironment>("XDG_CACHE_HOME", m_home->Elsewhere("cache"));
        m_strGame = m_home->Home() + "/.local/share/Steam/steamapps/common/Half-Life";
        m_strMod = m_strGame + "/cstrike";
        MakeFolder(m_strMod + "/maps");
        MakeFolder(m_strMod + "/sound");
        WriteFile(m_strGame + "/hl.exe", "");
    }
    void cleanup() {
        m_cache.reset();
        m_home.reset();
    }

    void firstStartPlacesTheWindowAndAsksForTheModDirectory();
    void droppedFolderInstallsWithQuestionsInRealMessageBoxes();
    void showLogChangesTheHeightAndKeepsTheWindowOnTop();
    void menuChecksFollowTheStoredOptionsAfterTheFirstPaint();
    void exitCloseAndEscapeEndDifferently();
    void configureAndAboutFromButtonsAndMenus();
    void logPaneScrollsToItsLastLines();
    void checkInstalledMapsFromTheToolsMenu();

  private:
    // Settings as a previous run left them.
    void StoreSettings(int left, int top, int width, int height, bool onTop, bool showLog) {
        platform::CSystemSettingsKeys keys;
        const auto key = keys.MakeKey();
        QCOMPARE(key->Create(settings::kSettingsKeyName), platform::kErrorSuccess);
        key->SetString(settings::kValueDirectory, m_strMod);
        key->SetDword("left", static_cast<std::uint32_t>(left));
        key->SetDword("top", static_cast<std::uint32_t>(top));
        key->SetDword("width", static_cast<std::uint32_t>(width));
        key->SetDword("height", static_cast<std::uint32_t>(height));
        key->SetDword("ontop", onTop ? 1 : 0);
        key->SetDword("viewlog", showLog ? 1 : 0);
        QCOMPARE(key->Close(), platform::kErrorSuccess);
    }

    std::unique_ptr<CScopedHome> m_home;
    std::unique_ptr<CScopedEnvironment> m_cache;
    std::string m_strGame;
    std::string m_strMod;
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
        QVERIFY(config.m_bFirstRun);
        QCOMPARE(config.findChild<QComboBox*>("id1021")->currentText(),
                 QString::fromStdString(m_strMod));
        Button(config, "id1")->click();
        WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
            QCOMPARE(window.findChild<QLineEdit*>("id1012")->text(),
                     QString::fromStdString(m_strMod));
            QCOMPARE(LogText(window), QString(kWelcome));
            Button(window, "id1")->click();
        });
    });

    QCOMPARE(dialog.DoModal(), int(QDialog::Accepted));
    QVERIFY(dialogSeen);
    platform::CSystemSettingsKeys keys;
    QCOMPARE(settings::ReadStoredModDirectory(keys).value_or(""), m_strMod);
    QCOMPARE(StoredDword("left"), 250u);
    QCOMPARE(StoredDword("height"), 634u);
    QCOMPARE(StoredDword("ontop"), 1u);
}

void InstallerDlgTests::droppedFolderInstallsWithQuestionsInRealMessageBoxes() {
    StoreSettings(10, 20, 464, 634, false, true);
    const std::string package = m_home->Elsewhere("downloads/de_x");
    WriteFile(package + "/maps/de_x.bsp", "bsp");
    WriteFile(package + "/sound/de_x/wind.wav", "wav");
    const std::string archive = m_home->Elsewhere("downloads/de_z.zip");
    quarvel::test::MakeZip(archive, {{"maps/de_z.bsp", "zip map"}});

    CInstallerDlg dialog;
    QStringList questions;
    WhenModal<CInstallerDlg>([&](CInstallerDlg& window) {
        Drop(window, package);
        WhenModal<QMessageBox>([&](QMessageBox& box) {
            questions << box.windowTitle() << box.text();
            QCOMPARE(box.standardButtons(),
                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            QCOMPARE(box.defaultButton(), box.button(QMessageBox::Yes));
            QCOMPARE(box.icon(), QMessageBox::NoIcon);
            box.button(QMessageBox::Yes)->click();
            When([&] { return LogText(window).contains("Finished Installing files."); },
                 [&] {
                     Drop(window, archive);
                     When([&] { return LogText(window).count("Finished Installing files.") == 2; },
                          [&] { Button(window, "id1")->click(); });
                 });
        });
    });
    dialog.DoModal();

    QCOMPARE(questions.value(0), QString("Unrecognized Directory"));
    QVERIFY(questions.value(1).startsWith(
        QString::fromStdString("Directory \"" + m_strMod + "/sound/de_x\" is included")));
    const std::string expected =
        kWelcome +
        std::string(
            "\nMap and supporting files found.\n"
            "Installing to cstrike directory...\n") +
        m_strMod + "/maps/de_x.bsp\nDirectory \"" + m_strMod + "/sound/de_x\" created.\n" +
        m_strMod +
        "/sound/de_x/wind.wav\nde_x could not be checked: not a Half-Life map: the file is too "
        "short to be a map.\nFinished Installing files.\n\nZip File Found: " +
        archive +
        "\nUnzipping to temporary directory...\nMap and supporting files "
        "found.\nInstalling to cstrike directory...\n" +
        m_strMod +
        "/maps/de_z.bsp\nde_z could not be checked: not a Half-Life map: it does not begin with "
        "a map version.\nFinished Installing files.\n";
    QCOMPARE(LogText(dialog), QString::fromStdString(expected));
    QCOMPARE(ReadFile(m_strMod + "/sound/de_x/wind.wav"), std::string("wav"));
    QCOMPARE(ReadFile(m_strMod + "/maps/de_z.bsp"), std::string("zip map"));
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
    CInstallerDlg dialog;
    // Configure and About, each from its button and from its menu, one after another.
    const std::vector<std::function<void()>> commands = {
        [&] { Button(dialog, "id1007")->click(); },
        [&] { Action(dialog, "id1007Menu")->trigger(); },
        [&] { Button(dialog, "id1013")->click(); },
        [&] { Action(dialog, "id1013Menu")->trigger(); },
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
        if (index < 2) {
            WhenModal<settings::CModPathDlg>([&, next](settings::CModPathDlg& config) {
                ++configured;
                QVERIFY(!config.m_bFirstRun);
                config.reject();
                next();
            });
        } else {
            WhenModal<app::CAboutBox>([&, next](app::CAboutBox& about) {
                ++abouts;
                QCOMPARE(about.windowTitle(), QString("About Quarvel"));
                Button(about, "id1")->click();
                next();
            });
        }
        commands[index]();
    };
    WhenModal<CInstallerDlg>([&](CInstallerDlg&) { runCommand(0); });
    dialog.DoModal();
    QCOMPARE(configured, 2);
    QCOMPARE(abouts, 2);
}

void InstallerDlgTests::logPaneScrollsToItsLastLines() {
    StoreSettings(10, 20, 464, 634, false, true);
    CInstallerDlg dialog;
    int topAtStart = -1;
    int topAfter = -1;
    bool endVisible = false;
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
        window.reject();
    });
    dialog.DoModal();
    // The welcome text holds 3 line breaks: at the top while there are at most 21.
    QCOMPARE(topAtStart, 0);
    // 30 line breaks: the pane shows the text from line 9 on.
    QCOMPARE(topAfter, 9);
    QVERIFY(endVisible);
}

void InstallerDlgTests::checkInstalledMapsFromTheToolsMenu() {
    StoreSettings(10, 20, 464, 634, false, true);
    using quarvel::test::World;
    quarvel::test::MakeMap(m_strMod + "/maps/de_a.bsp", {{World()}, {{"crate", true}}});
    quarvel::test::MakeMap(m_strMod + "/maps/de_b.bsp", {{World({{"wad", "de_b.wad"}})}});

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
                                    m_strMod +
                                    "...\n"
                                    "de_a: everything it needs is present.\n"
                                    "de_b needs 1 file that is not installed: de_b.wad\n"
                                    "2 maps checked, 1 with something missing.\n"));
    QVERIFY(!Exists(m_strMod + "/de_b.wad"));
}

QTEST_MAIN(InstallerDlgTests)
#include "InstallerDlgTests.moc"
