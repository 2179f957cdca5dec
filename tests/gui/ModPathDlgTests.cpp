#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "SettingsTestSupport.h"
#include "settings/ModPathDlg.h"

using namespace quarvel::test;
using settings::CModPathDlg;

namespace {

// 48: OK with the exclamation mark; 308: Yes and No, No the default.
const std::string kDoesNotExist =
    "Error (48): The directory you have entered does not exist.\n"
    "You must select an existing directory.";
const std::string kWarning =
    "Warning, Potential Invalid Directory (308): The directory you have entered does not appear "
    "to be a valid Half-Life mod directory.\nAre you sure that you want to continue?";
const QString kPlaceholder = "Please enter your Counterstrike directory here";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
QComboBox& Combo(CModPathDlg& dialog) {
    return *dialog.findChild<QComboBox*>("id1021");
}
QPushButton& Button(CModPathDlg& dialog, const char* name) {
    return *dialog.findChild<QPushButton*>(name);
}
QStringList Items(CModPathDlg& dialog) {
    QStringList items;
    for (int i = 0; i < Combo(dialog).count(); ++i) {
        items << Combo(dialog).itemText(i);
    }
    return items;
}
void Type(CModPathDlg& dialog, const std::string& text) {
    Combo(dialog).lineEdit()->clear();
    QTest::keyClicks(Combo(dialog).lineEdit(), Q(text));
}
}  // namespace

class ModPathDlgTests : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_home = std::make_unique<CScopedHome>();
        m_boxes = std::make_unique<CScriptedMessageBoxHost>();
        m_strGame = m_home->Home() + "/.steam/root/SteamApps/common/Half-Life";
    }
    void cleanup() {
        m_boxes.reset();
        m_home.reset();
    }

    void firstRunWithoutCandidates() {
        CModPathDlg dialog(*m_boxes);
        Open(dialog, "", true);
        QCOMPARE(dialog.windowTitle(), QString("Quarvel Configuration"));
        QCOMPARE(Combo(dialog).count(), 0);
        QCOMPARE(Combo(dialog).currentText(), kPlaceholder);
        QCOMPARE(dialog.focusWidget(), &Button(dialog, "id1"));
        Button(dialog, "id1").click();     // the placeholder names no folder
        Button(dialog, "id1006").click();  // nor may Cancel end a first run
        QVERIFY(dialog.isVisible());
        QCOMPARE(Boxes(*m_boxes),
                 (Strings{kDoesNotExist, " (0): You must select a folder to install maps too"}));
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);  // but Escape does
        QVERIFY(!dialog.isVisible());
    }

    void candidatesAndTypedText() {
        WriteFile(m_strGame + "/hl.exe", "");
        MakeFolder(m_strGame + "/cstrike");
        MakeFolder(m_strGame + "/cstrike_old/maps");
        MakeFolder(m_strGame + "/tfc");
        const std::string mod = m_home->Elsewhere("server/mymod");
        MakeFolder(mod);
        CModPathDlg dialog(*m_boxes);
        Open(dialog, "", true);
        const QStringList found{Q(m_strGame + "/tfc"), Q(m_strGame + "/cstrike_old"),
                                Q(m_strGame + "/cstrike")};
        QCOMPARE(Items(dialog), found);
        QCOMPARE(Combo(dialog).currentIndex(), 0);  // the last one found
        QCOMPARE(dialog.m_strDir, m_strGame + "/tfc");

        Type(dialog, m_strGame + "/cstrike//");
        Button(dialog, "id1").click();
        QCOMPARE(Combo(dialog).currentText(), Q(m_strGame + "/cstrike/"));  // as checked
        Type(dialog, mod);
        m_boxes->Answer(platform::kIdNo);
        Button(dialog, "id1").click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(Boxes(*m_boxes), (Strings{kDoesNotExist, kWarning}));

        // Enter runs OK: the text is kept as typed less its trailing separator,
        // and selects the item it names, not one that merely begins with it.
        Type(dialog, m_strGame + "/CSTRIKE/");
        QTest::keyClick(Combo(dialog).lineEdit(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.m_strDir, m_strGame + "/CSTRIKE");
        QCOMPARE(Combo(dialog).currentText(), Q(m_strGame + "/CSTRIKE"));
        QCOMPARE(Combo(dialog).currentIndex(), 2);
        QCOMPARE(Items(dialog), found);

        // Otherwise the current directory goes on top unless listed, and Cancel ends it.
        const struct {
            std::string m_strDir;
            QStringList m_items;
            int m_nIndex;
        } rows[] = {{"/srv/cstrike", QStringList{"/srv/cstrike"} + found, 0},
                    {m_strGame + "/CStrike", found, 2},
                    {"", found, -1}};
        for (const auto& row : rows) {
            CModPathDlg other(*m_boxes);
            Open(other, row.m_strDir, false);
            QCOMPARE(Items(other), row.m_items);
            QCOMPARE(Combo(other).currentIndex(), row.m_nIndex);
            QCOMPARE(Combo(other).currentText(), Q(row.m_strDir));
            Button(other, "id1006").click();
            QVERIFY(!other.isVisible());
        }
        QCOMPARE(m_boxes->Shown().size(), size_t(2));
    }

  private:
    void Open(CModPathDlg& dialog, const std::string& strDir, bool bFirstRun) {
        dialog.m_strDir = strDir;
        dialog.m_bFirstRun = bFirstRun;
        QVERIFY(dialog.OnInitDialog());
        dialog.show();
    }

    std::unique_ptr<CScopedHome> m_home;
    std::unique_ptr<CScriptedMessageBoxHost> m_boxes;
    std::string m_strGame;
};

QTEST_MAIN(ModPathDlgTests)
#include "ModPathDlgTests.moc"
