#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "SettingsTestSupport.h"
#include "settings/ModPathDlg.h"

using namespace quarvel::test;
using settings::CModPathDlg;

namespace {

QComboBox& Combo(CModPathDlg& dialog) {
    return *dialog.findChild<QComboBox*>("id1021");
}
QPushButton& Button(CModPathDlg& dialog, const char* name) {
    return *dialog.findChild<QPushButton*>(name);
}
// The items of the list, then the index of the one selected and the text shown.
Strings State(CModPathDlg& dialog) {
    Strings state;
    for (int i = 0; i < Combo(dialog).count(); ++i) {
        state.push_back(Combo(dialog).itemText(i).toStdString());
    }
    state.push_back(std::to_string(Combo(dialog).currentIndex()) + ": " +
                    Combo(dialog).currentText().toStdString());
    return state;
}
void Type(CModPathDlg& dialog, const std::string& text) {
    Combo(dialog).lineEdit()->clear();
    QTest::keyClicks(Combo(dialog).lineEdit(), QString::fromStdString(text));
}
bool Open(CModPathDlg& dialog, const std::string& strDir, bool bFirstRun) {
    dialog.m_strDir = strDir;
    dialog.m_bFirstRun = bFirstRun;
    const bool opened = dialog.OnInitDialog();
    dialog.show();
    return opened;
}

}  // namespace

class ModPathDlgTests : public QObject {
    Q_OBJECT

  private slots:
    void firstRunWithoutCandidates() {
        CScopedHome home;
        CScriptedMessageBoxHost boxes;
        platform::CSystemSettingsKeys keys;
        CModPathDlg dialog(boxes, keys);
        QVERIFY(Open(dialog, "", true));
        QCOMPARE(State(dialog), Strings{"-1: Please enter your Counterstrike directory here"});
        QCOMPARE(dialog.focusWidget(), &Button(dialog, "id1"));
        Button(dialog, "id1").click();     // the placeholder names no folder
        Button(dialog, "id1006").click();  // nor may Cancel end a first run
        QVERIFY(dialog.isVisible());
        QCOMPARE(Boxes(boxes),
                 (Strings{kDoesNotExist, " (0): You must select a folder to install maps too"}));
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);  // but Escape does
        QVERIFY(!dialog.isVisible());
    }

    void candidatesAndTypedText() {
        CScopedHome home;
        CScriptedMessageBoxHost boxes;
        platform::CSystemSettingsKeys keys;
        const std::string game = home.Home() + "/.steam/root/SteamApps/common/Half-Life";
        WriteFile(game + "/hl.exe", "");
        MakeFolder(game + "/cstrike");
        MakeFolder(game + "/cstrike_old/maps");
        MakeFolder(game + "/tfc");
        MakeFolder(home.Elsewhere("server/mymod"));
        const std::string tfc = game + "/tfc", old = game + "/cstrike_old", cs = game + "/cstrike";
        CModPathDlg dialog(boxes, keys);
        QVERIFY(Open(dialog, "", true));
        QCOMPARE(State(dialog), (Strings{tfc, old, cs, "0: " + tfc}));  // the last found on top
        Type(dialog, home.Elsewhere("server/mymod"));
        boxes.Answer(platform::kIdNo);
        Button(dialog, "id1").click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(Boxes(boxes), Strings{kWarning});

        // Enter runs OK: the text is kept as typed less its trailing separator,
        // and selects the item it names, not one that merely begins with it.
        Type(dialog, game + "/CSTRIKE/");
        QTest::keyClick(Combo(dialog).lineEdit(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_strDir, game + "/CSTRIKE");
        QCOMPARE(State(dialog), (Strings{tfc, old, cs, "2: " + game + "/CSTRIKE"}));

        // Otherwise the current directory goes on top unless listed, and Cancel ends it.
        const std::pair<std::string, Strings> rows[] = {
            {"/srv/cstrike", {"/srv/cstrike", tfc, old, cs, "0: /srv/cstrike"}},
            {game + "/CStrike", {tfc, old, cs, "2: " + game + "/CStrike"}},
            {"", {tfc, old, cs, "-1: "}}};
        for (const auto& [dir, state] : rows) {
            CModPathDlg other(boxes, keys);
            QVERIFY(Open(other, dir, false));
            QCOMPARE(State(other), state);
            Button(other, "id1006").click();
            QVERIFY(!other.isVisible());
        }
        QCOMPARE(boxes.Shown().size(), size_t(1));
    }
};

QTEST_MAIN(ModPathDlgTests)
#include "ModPathDlgTests.moc"
