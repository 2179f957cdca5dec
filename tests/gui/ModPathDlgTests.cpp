#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "ScriptedMessageBoxHost.h"
#include "SettingsTestSupport.h"
#include "settings/ModPathDlg.h"
#include "settings/SettingsStore.h"

using quarvel::test::CFakeModDirContext;
using quarvel::test::CScopedHome;
using quarvel::test::CScriptedMessageBoxHost;
using quarvel::test::MakeFolder;
using quarvel::test::ReadFile;
using quarvel::test::WriteFile;
using settings::CModPathDlg;

namespace {

const char* const kDoesNotExist =
    "The directory you have entered does not exist.\nYou must select an existing directory.";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Answers as the scripted host does and notes, for every box, whether a
// configuration dialog was on screen when it came up.
class CWatchingMessageBoxHost : public CScriptedMessageBoxHost {
  public:
    int MessageBox(const std::string& text, const std::string& caption, unsigned type) override {
        bool dialogShown = false;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            dialogShown =
                dialogShown || (qobject_cast<CModPathDlg*>(widget) && widget->isVisible());
        }
        m_dialogShown.push_back(dialogShown);
        return CScriptedMessageBoxHost::MessageBox(text, caption, type);
    }

    std::vector<bool> m_dialogShown;
};

// The configuration dialog on screen, if there is one.
CModPathDlg* OpenDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<CModPathDlg*>(widget); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

// Acts on the dialog once its modal loop runs. Should the action leave it
// open, it is cancelled, so that a failing test ends instead of hanging.
void WhenDialogOpens(std::function<void(CModPathDlg&)> action) {
    QTimer::singleShot(0, [action] {
        CModPathDlg* dialog = OpenDialog();
        QVERIFY2(dialog, "the configuration dialog is not on screen");
        action(*dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
}

}  // namespace

class ModPathDlgTests : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_home = std::make_unique<CScopedHome>();
        m_boxes = std::make_unique<CWatchingMessageBoxHost>();
        m_strGame = m_home->Home() + "/.steam/root/SteamApps/common/Half-Life";
    }
    void cleanup() {
        m_boxes.reset();
        m_home.reset();
    }

    void formStandsForTemplate129();
    void firstRunWithoutCandidatesShowsPlaceholder();
    void firstRunShowsCandidatesNewestFirst();
    void storedDirectoryIsListedOnce();
    void itemThatMerelyBeginsWithTheTextIsNotTakenInstead();
    void trailingSeparatorIsTrimmedBeforeAccepting();
    void missingDirectoryKeepsTheDialogOpen();
    void warningAnsweredNoThenYes();
    void enterInTheFieldRunsOK();
    void firstRunCancelButtonRefusesButEscapeAndCloseCancel();
    void cancelButtonOutsideFirstRun();
    void discoveryRunsBeforeTheDialogShows();
    void configurationStoredThroughTheRealDialog();

  private:
    // A game folder below the Steam tree with the given mod folders.
    void MakeGame(const std::vector<std::string>& mods) {
        WriteFile(m_strGame + "/hl.exe", "");
        for (const auto& mod : mods) {
            MakeFolder(m_strGame + "/" + mod);
        }
    }
    // Sets the dialog up as its caller does and shows it.
    void Open(CModPathDlg& dialog, const std::string& strDir, bool bFirstRun) {
        dialog.m_strDir = strDir;
        dialog.m_bFirstRun = bFirstRun;
        QVERIFY(dialog.OnInitDialog());
        dialog.show();
    }
    static QComboBox& Combo(CModPathDlg& dialog) { return *dialog.findChild<QComboBox*>("id1021"); }
    static QPushButton& Button(CModPathDlg& dialog, const char* name) {
        return *dialog.findChild<QPushButton*>(name);
    }
    static QStringList Items(CModPathDlg& dialog) {
        QStringList items;
        for (int i = 0; i < Combo(dialog).count(); ++i) {
            items << Combo(dialog).itemText(i);
        }
        return items;
    }
    static void Type(CModPathDlg& dialog, const std::string& text) {
        QLineEdit* edit = Combo(dialog).lineEdit();
        edit->clear();
        QTest::keyClicks(edit, Q(text));
    }

    std::unique_ptr<CScopedHome> m_home;
    std::unique_ptr<CWatchingMessageBoxHost> m_boxes;
    std::string m_strGame;
};

void ModPathDlgTests::formStandsForTemplate129() {
    CModPathDlg dialog(*m_boxes);
    QCOMPARE(dialog.windowTitle(), QString("Quarvel Configuration"));
    QCOMPARE(dialog.size(), QSize(618, 220));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);

    QPushButton& ok = Button(dialog, "id1");
    QCOMPARE(ok.text(), QString("OK"));
    QCOMPARE(ok.geometry(), QRect(140, 160, 100, 28));
    QVERIFY(ok.isDefault());
    QPushButton& cancel = Button(dialog, "id1006");
    QCOMPARE(cancel.text(), QString("Cancel"));
    QCOMPARE(cancel.geometry(), QRect(350, 160, 100, 28));
    QVERIFY(!cancel.isDefault());
    auto* label = dialog.findChild<QLabel*>("idStatic");
    QVERIFY(label);
    QCOMPARE(label->text(),
             QString("Please select or manually enter the desired Half-Life Mod location:"));
    QCOMPARE(label->geometry(), QRect(20, 20, 530, 16));
    QComboBox& combo = Combo(dialog);
    QVERIFY(combo.isEditable());
    QCOMPARE(combo.geometry().topLeft(), QPoint(20, 50));
    QCOMPARE(combo.width(), 590);
    QCOMPARE(combo.insertPolicy(), QComboBox::NoInsert);
    QVERIFY(!combo.completer());

    // Tab order as in the template.
    QStringList order;
    QWidget* widget = &ok;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->objectName().startsWith("id")) {
            order << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != &ok);
    QCOMPARE(order, (QStringList{"id1", "id1006", "id1021"}));
}

void ModPathDlgTests::firstRunWithoutCandidatesShowsPlaceholder() {
    CModPathDlg dialog(*m_boxes);
    Open(dialog, "", true);
    QCOMPARE(Combo(dialog).count(), 0);
    QCOMPARE(Combo(dialog).currentText(),
             QString("Please enter your Counterstrike directory here"));
    QCOMPARE(dialog.focusWidget(), &Button(dialog, "id1"));
    QVERIFY(m_boxes->Shown().empty());

    // The placeholder names no folder.
    Button(dialog, "id1").click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(m_boxes->Texts(), std::vector<std::string>{kDoesNotExist});
}

void ModPathDlgTests::firstRunShowsCandidatesNewestFirst() {
    MakeGame({"cstrike", "tfc", "valve/maps"});
    CModPathDlg dialog(*m_boxes);
    Open(dialog, "", true);
    QCOMPARE(Items(dialog), (QStringList{Q(m_strGame + "/valve"), Q(m_strGame + "/tfc"),
                                         Q(m_strGame + "/cstrike")}));
    // The last one found, which is the top item.
    QCOMPARE(Combo(dialog).currentText(), Q(m_strGame + "/valve"));
    QCOMPARE(Combo(dialog).currentIndex(), 0);
    QCOMPARE(dialog.m_strDir, m_strGame + "/valve");

    Button(dialog, "id1").click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_strDir, m_strGame + "/valve");
}

void ModPathDlgTests::storedDirectoryIsListedOnce() {
    MakeGame({"cstrike", "tfc"});
    {
        CModPathDlg dialog(*m_boxes);
        Open(dialog, "/srv/hlds/cstrike", false);
        QCOMPARE(Items(dialog), (QStringList{"/srv/hlds/cstrike", Q(m_strGame + "/tfc"),
                                             Q(m_strGame + "/cstrike")}));
        QCOMPARE(Combo(dialog).currentText(), QString("/srv/hlds/cstrike"));
    }
    {
        CModPathDlg dialog(*m_boxes);
        Open(dialog, m_strGame + "/CStrike", false);
        QCOMPARE(Items(dialog), (QStringList{Q(m_strGame + "/tfc"), Q(m_strGame + "/cstrike")}));
        QCOMPARE(Combo(dialog).currentIndex(), 1);
        QCOMPARE(Combo(dialog).currentText(), Q(m_strGame + "/CStrike"));
    }
    QVERIFY(m_boxes->Shown().empty());
}

void ModPathDlgTests::itemThatMerelyBeginsWithTheTextIsNotTakenInstead() {
    // cstrike_old is found after cstrike, so it stands above it.
    MakeGame({"cstrike", "cstrike_old/maps"});
    CModPathDlg dialog(*m_boxes);
    Open(dialog, m_strGame + "/cstrike", false);
    QCOMPARE(Items(dialog),
             (QStringList{Q(m_strGame + "/cstrike_old"), Q(m_strGame + "/cstrike")}));
    QCOMPARE(Combo(dialog).currentText(), Q(m_strGame + "/cstrike"));
    QCOMPARE(Combo(dialog).currentIndex(), 1);

    Type(dialog, m_strGame + "/cstrike/");
    Button(dialog, "id1").click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_strDir, m_strGame + "/cstrike");
    QCOMPARE(Combo(dialog).currentText(), Q(m_strGame + "/cstrike"));
    QCOMPARE(Combo(dialog).currentIndex(), 1);
    QVERIFY(m_boxes->Shown().empty());
}

void ModPathDlgTests::trailingSeparatorIsTrimmedBeforeAccepting() {
    MakeGame({"cstrike"});
    CModPathDlg dialog(*m_boxes);
    Open(dialog, "", false);
    Type(dialog, m_strGame + "/CSTRIKE/");
    Button(dialog, "id1").click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_strDir, m_strGame + "/CSTRIKE");
}

void ModPathDlgTests::missingDirectoryKeepsTheDialogOpen() {
    MakeGame({"cstrike"});
    CModPathDlg dialog(*m_boxes);
    Open(dialog, "", false);
    Type(dialog, m_strGame + "/cstrike//");
    Button(dialog, "id1").click();
    QVERIFY(dialog.isVisible());
    // The field shows the text as checked, one separator fewer.
    QCOMPARE(Combo(dialog).currentText(), Q(m_strGame + "/cstrike/"));
    QCOMPARE(m_boxes->Texts(), std::vector<std::string>{kDoesNotExist});
    QCOMPARE(m_boxes->Shown()[0].m_strCaption, std::string("Error"));
    QCOMPARE(m_boxes->Shown()[0].m_nType, unsigned(platform::kMbOk | platform::kMbIconExclamation));
}

void ModPathDlgTests::warningAnsweredNoThenYes() {
    const std::string mod = m_home->Elsewhere("server/mymod");
    MakeFolder(mod);
    CModPathDlg dialog(*m_boxes);
    Open(dialog, "", false);
    Type(dialog, mod);

    m_boxes->Answer(platform::kIdNo);
    Button(dialog, "id1").click();
    QVERIFY(dialog.isVisible());
    QCOMPARE(m_boxes->Shown().size(), size_t(1));
    QCOMPARE(m_boxes->Shown()[0].m_strCaption, std::string("Warning, Potential Invalid Directory"));
    // Yes and No, No the default.
    QCOMPARE(m_boxes->Shown()[0].m_nType, 0x134u);

    m_boxes->Answer(platform::kIdYes);
    Button(dialog, "id1").click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_strDir, mod);
    QCOMPARE(m_boxes->UnusedAnswers(), size_t(0));
}

void ModPathDlgTests::enterInTheFieldRunsOK() {
    MakeGame({"tfc"});
    CModPathDlg dialog(*m_boxes);
    Open(dialog, "", false);
    Type(dialog, m_strGame + "/tfc");
    QTest::keyClick(Combo(dialog).lineEdit(), Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.m_strDir, m_strGame + "/tfc");
    // Enter adds nothing to the list.
    QCOMPARE(Items(dialog), QStringList{Q(m_strGame + "/tfc")});
}

void ModPathDlgTests::firstRunCancelButtonRefusesButEscapeAndCloseCancel() {
    {
        CModPathDlg dialog(*m_boxes);
        Open(dialog, "", true);
        Button(dialog, "id1006").click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(m_boxes->Texts(),
                 std::vector<std::string>{"You must select a folder to install maps too"});
        QCOMPARE(m_boxes->Shown()[0].m_strCaption, std::string(""));
        QCOMPARE(m_boxes->Shown()[0].m_nType, unsigned(platform::kMbOk));

        // Escape, wherever the focus is, ends it.
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    {
        CModPathDlg dialog(*m_boxes);
        Open(dialog, "", true);
        dialog.close();  // the close box
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    QCOMPARE(m_boxes->Shown().size(), size_t(1));
}

void ModPathDlgTests::cancelButtonOutsideFirstRun() {
    CModPathDlg dialog(*m_boxes);
    Open(dialog, "/srv/hlds/cstrike", false);
    Type(dialog, "/somewhere/else");
    Button(dialog, "id1006").click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(m_boxes->Shown().empty());
}

void ModPathDlgTests::discoveryRunsBeforeTheDialogShows() {
    // Steam without SteamApps: the discovery's message comes up before the dialog.
    MakeFolder(m_home->Home() + "/.steam/root");
    CModPathDlg dialog(*m_boxes);
    dialog.m_bFirstRun = true;
    WhenDialogOpens([](CModPathDlg& open) {
        QCOMPARE(open.findChild<QComboBox*>("id1021")->currentText(),
                 QString("Please enter your Counterstrike directory here"));
        QTest::keyClick(open.focusWidget(), Qt::Key_Escape);
    });
    QCOMPARE(dialog.DoModal(), int(platform::kIdCancel));
    QCOMPARE(m_boxes->Shown().size(), size_t(1));
    QCOMPARE(m_boxes->Shown()[0].m_strCaption, std::string("SteamApps Folder Not Found"));
    QCOMPARE(m_boxes->m_dialogShown, std::vector<bool>{false});
}

void ModPathDlgTests::configurationStoredThroughTheRealDialog() {
    MakeGame({"cstrike"});
    settings::CSettingsStore store(*m_boxes);
    settings::CModPathDlgRunner runner(*m_boxes);
    CFakeModDirContext context;

    // First start: the dialog offers the candidate, OK stores it.
    WhenDialogOpens([](CModPathDlg& open) { open.findChild<QPushButton*>("id1")->click(); });
    store.LoadModDirectory(false, context, runner);
    QCOMPARE(context.m_strModDir, m_strGame + "/cstrike");
    QCOMPARE(context.m_strDisplayed, m_strGame + "/cstrike");
    QCOMPARE(ReadFile(m_home->SettingsFile()), "Directory=sz:" + m_strGame + "/cstrike\n");

    // Configure, cancelled with Escape: nothing changes.
    WhenDialogOpens([](CModPathDlg& open) { QTest::keyClick(&open, Qt::Key_Escape); });
    store.LoadModDirectory(true, context, runner);
    QCOMPARE(context.m_strModDir, m_strGame + "/cstrike");
    QCOMPARE(ReadFile(m_home->SettingsFile()), "Directory=sz:" + m_strGame + "/cstrike\n");
    QVERIFY(m_boxes->Shown().empty());
}

QTEST_MAIN(ModPathDlgTests)
#include "ModPathDlgTests.moc"
