#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BspFixture.h"
#include "FakeWindowViews.h"
#include "SettingsTestSupport.h"
#include "WindowTestHome.h"
#include "ZipFixture.h"
#include "window/MainWindow.h"
#include "window/StartupHousekeeping.h"

namespace {

using namespace quarvel::test;
using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdYes;
using window::CMainWindow;

const std::string kWelcome =
    "Welcome to Orlimb's Quarvel program.\r\n"
    "Please feel free to look around and enjoy your stay.\r\n\r\n";

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The window of one run of the program, with a first paint of its own.
class MainWindowTest : public testing::Test {
  protected:
    void StoreSettings(int left, int top, int width, int height, bool onTop, bool showLog) {
        ASSERT_TRUE(m_home.StoreSettings(left, top, width, height, onTop, showLog));
    }
    // A start: created, then initialised; the calls of both are forgotten.
    void Start(CMainWindow& window) {
        EXPECT_EQ(window.OnCreate(), 0);
        EXPECT_TRUE(window.OnInitDialog());
        m_view.m_calls.clear();
    }
    // A package folder holding a map and a sound in a folder the mod lacks.
    std::string Package(const std::string& name) {
        const std::string folder = m_home.Elsewhere("downloads/" + name);
        WriteFile(folder + "/maps/" + name + ".bsp", "map " + name);
        WriteFile(folder + "/sound/" + name + "/wind.wav", "wav " + name);
        return folder;
    }

    CWindowTestHome m_home;
    CFakeMainWindowView m_view;
    bool m_bFirstPaint = true;
};

TEST_F(MainWindowTest, FirstStartShowsTheWindowOnTopThenAsksForTheModDirectory) {
    CMainWindow window(m_view, m_home.Keys(), m_bFirstPaint);
    EXPECT_EQ(window.OnCreate(), 0);
    // Placed hidden at the defaults, then each option toggled on.
    EXPECT_EQ(m_view.m_calls, (Strings{"place 250,100 464x634 not topmost hidden", "check 32776 on",
                                       "place here topmost shown", "check 32774 on",
                                       "place 250,100 464x634 topmost shown",
                                       "place here topmost shown", "place here topmost shown"}));
    m_view.m_calls.clear();

    m_view.m_configScripts.push_back(
        [&](CFakeModPathDialogView& dialog, settings::CModPathDialog& logic) {
            // The welcome lines are in the pane before the dialog opens.
            EXPECT_EQ(m_view.m_strLogPane, kWelcome);
            EXPECT_EQ(dialog.State(), m_home.Mod() + " | 0: " + m_home.Mod());
            logic.OnOK();
        });
    EXPECT_TRUE(window.OnInitDialog({"/downloads/de_x.zip"}));
    EXPECT_EQ(m_view.m_calls,
              (Strings{"accepts drops", "place here topmost shown",
                       "configuration dialog (first run): ", "place here topmost shown"}));
    EXPECT_EQ(m_view.m_strModPath, m_home.Mod());
    EXPECT_EQ(m_home.StoredModDirectory(), m_home.Mod());
    EXPECT_EQ(window.GetEngine().GetModDirectory(), m_home.Mod());
    // The paths the program was started with come as a drop once it runs.
    EXPECT_EQ(m_view.m_posted, std::vector<Strings>{{"/downloads/de_x.zip"}});
    EXPECT_EQ(m_view.m_strLogPane, kWelcome);
    EXPECT_TRUE(m_view.m_boxes.Shown().empty());

    m_view.m_calls.clear();
    window.AfterPaint();
    window.AfterPaint();  // only the first paint of the process
    EXPECT_FALSE(m_bFirstPaint);
    EXPECT_EQ(m_view.m_calls,
              (Strings{"check 32776 on", "check 32774 on", "place here topmost shown"}));
}

TEST_F(MainWindowTest, ACancelledFirstStartStoresOnlyThePlacementAndTheNextStartSaysSo) {
    {
        CMainWindow window(m_view, m_home.Keys(), m_bFirstPaint);
        m_view.m_configScripts.push_back(
            [](CFakeModPathDialogView&, settings::CModPathDialog& logic) { logic.OnCancel(); });
        Start(window);
        EXPECT_EQ(m_view.m_strModPath, "");
        EXPECT_FALSE(m_home.StoredModDirectory());
        m_view.m_rect = {-20, 30, 444, 664};  // moved partly off the screen
        window.OnClose();
        EXPECT_EQ(m_view.m_nResult, kIdCancel);
    }
    EXPECT_EQ(m_home.StoredDword("left"), 0xFFFFFFECu);
    EXPECT_EQ(m_home.StoredDword("height"), 634u);
    EXPECT_FALSE(m_home.StoredModDirectory());

    // The key exists now: no dialog, the missing directory said in a box,
    // the placement applied hidden, the menu marks left to the first paint.
    CFakeMainWindowView view;
    bool bFirstPaint = true;
    CMainWindow window(view, m_home.Keys(), bFirstPaint);
    window.OnCreate();
    EXPECT_EQ(view.m_calls, Strings{"place -20,30 464x634 not topmost hidden"});
    window.OnInitDialog();
    EXPECT_EQ(Boxes(view.m_boxes), Strings{" (0): Error Code 8"});
    EXPECT_EQ(view.m_strModPath, "");
    view.m_calls.clear();
    window.AfterPaint();
    EXPECT_EQ(view.m_calls,
              (Strings{"check 32776 on", "check 32774 on", "place here topmost shown"}));
}

TEST_F(MainWindowTest, ShowLogSetsOneOfTwoHeightsAndKeepsTheRest) {
    StoreSettings(30, 40, 500, 300, true, false);
    CMainWindow window(m_view, m_home.Keys(), m_bFirstPaint);
    Start(window);
    // Shown whatever height was stored; the place, width and band stay.
    window.OnCommand(window::kIdShowLog);
    EXPECT_EQ(m_view.m_calls, (Strings{"check 32774 on", "place 30,40 500x634 topmost shown",
                                       "place here topmost shown"}));
    m_view.m_calls.clear();
    window.OnCommand(window::kIdShowLog);
    window.OnCommand(window::kIdAlwaysOnTop);
    EXPECT_EQ(m_view.m_calls, (Strings{"check 32774 off", "place 30,40 500x195 topmost shown",
                                       "place here topmost shown", "check 32776 off",
                                       "place here not topmost shown"}));
    EXPECT_TRUE(m_view.m_bShown);
    EXPECT_FALSE(m_view.m_bTopmost);
    window.OnCommand(window::kIdExit);
    EXPECT_EQ(m_home.StoredDword("height"), 195u);
    EXPECT_EQ(m_home.StoredDword("width"), 500u);
    EXPECT_EQ(m_home.StoredDword("ontop"), 0u);
    EXPECT_EQ(m_home.StoredDword("viewlog"), 0u);
    EXPECT_FALSE(window.OnCommand(12345));
}

TEST_F(MainWindowTest, ExitCloseAndCancelEndDifferently) {
    StoreSettings(10, 20, 464, 634, false, true);
    const struct {
        const char* m_szWay;
        void (CMainWindow::*m_pEnd)();
        bool m_bMinimized;
        int m_nResult;
        bool m_bFoldersCleared;
        std::uint32_t m_nStoredLeft;
    } rows[] = {
        {"Exit", &CMainWindow::OnOK, false, window::kIdExit, true, 70},
        {"close box", &CMainWindow::OnClose, false, kIdCancel, false, 90},
        {"close box, minimised", &CMainWindow::OnClose, true, kIdCancel, false, 90},
        {"Escape", &CMainWindow::OnCancel, false, kIdCancel, false, 90},
    };
    int left = 70;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.m_szWay);
        CFakeMainWindowView view;
        bool bFirstPaint = true;
        CMainWindow window(view, m_home.Keys(), bFirstPaint);
        window.OnCreate();
        window.OnInitDialog();
        window.GetEngine().IsNewInstallFolder("/pkg");
        view.m_rect = {left, 20, left + 464, 654};
        left += 20;
        view.m_bMinimized = row.m_bMinimized;
        (window.*row.m_pEnd)();
        EXPECT_EQ(view.m_nResult, row.m_nResult);
        EXPECT_EQ(window.GetEngine().GetInstalledFolders().empty(), row.m_bFoldersCleared);
        EXPECT_EQ(m_home.StoredDword("left"), row.m_nStoredLeft);
    }
}

TEST_F(MainWindowTest, TheLogPaneGetsWhatWasAppendedAndShowsItsLastLines) {
    StoreSettings(10, 20, 464, 634, false, true);
    CMainWindow window(m_view, m_home.Keys(), m_bFirstPaint);
    Start(window);
    EXPECT_EQ(m_view.m_strLogPane, kWelcome);
    EXPECT_EQ(m_view.m_strModPath, m_home.Mod());
    // The welcome text holds 3 line breaks: at the top up to 21, then the last 21 lines.
    std::vector<int> firstLines;
    for (int line = 0; line < 27; ++line) {
        window.GetEngine().AppendLog("line " + std::to_string(line) + "\r\n");
        window.RefreshLog();
        firstLines.push_back(m_view.m_nFirstLine);
    }
    std::vector<int> expected(18, 0);
    for (int first = 1; first <= 9; ++first) {
        expected.push_back(first);
    }
    EXPECT_EQ(firstLines, expected);
    EXPECT_EQ(m_view.m_strLogPane, window.GetEngine().GetInstallLog());

    // Configure refreshes the mod path field, which is set only when it changes.
    const int sets = m_view.m_nModPathSets;
    const std::string other = m_home.Game() + "/tfc";
    MakeFolder(other);
    m_view.m_configScripts.push_back(
        [](CFakeModPathDialogView&, settings::CModPathDialog& logic) { logic.OnCancelButton(); });
    m_view.m_configScripts.push_back(
        [&](CFakeModPathDialogView& dialog, settings::CModPathDialog& logic) {
            EXPECT_FALSE(logic.m_bFirstRun);
            dialog.Type(other);
            logic.OnOK();
        });
    window.OnCommand(window::kIdConfigure);
    EXPECT_EQ(m_view.m_nModPathSets, sets);
    window.OnCommand(window::kIdConfigure);
    EXPECT_EQ(m_view.m_nModPathSets, sets + 1);
    EXPECT_EQ(m_view.m_strModPath, other);
    EXPECT_EQ(window.GetEngine().GetModDirectory(), other);
    EXPECT_EQ(m_home.StoredModDirectory(), other);
    EXPECT_EQ(m_view.m_strLogPane, window.GetEngine().GetInstallLog());
    EXPECT_TRUE(m_view.m_boxes.Shown().empty());
}

TEST_F(MainWindowTest, ADropThatComesDuringAnotherWaitsForItsEnd) {
    StoreSettings(10, 20, 464, 634, false, true);
    const std::string first = Package("de_first");
    const std::string second = Package("de_second");
    const std::string third = Package("de_third");
    CMainWindow window(m_view, m_home.Keys(), m_bFirstPaint);
    Start(window);

    // While the first drop's question is open, the second is dropped; Cancel
    // ends the first drop only.
    m_view.m_whileBoxIsOpen = [&] { window.OnDropFiles({second}); };
    m_view.m_boxes.Answer(kIdCancel);
    m_view.m_boxes.Answer(kIdYes);
    window.OnDropFiles({first});
    const std::string& log = m_view.m_strLogPane;
    EXPECT_EQ(log, window.GetEngine().GetInstallLog());
    EXPECT_EQ(Count(log, "Finished Installing files."), 2u);
    const auto aborted = log.find("Installation aborted.");
    const auto firstEnd = log.find("Finished Installing files.");
    const auto secondStart = log.find(m_home.Mod() + "/maps/de_second.bsp");
    EXPECT_LT(aborted, firstEnd);
    EXPECT_LT(firstEnd, secondStart);
    EXPECT_NE(secondStart, std::string::npos);
    EXPECT_EQ(ReadFile(m_home.Mod() + "/maps/de_first.bsp"), "map de_first");
    EXPECT_FALSE(Exists(m_home.Mod() + "/sound/de_first"));
    EXPECT_EQ(ReadFile(m_home.Mod() + "/sound/de_second/wind.wav"), "wav de_second");
    EXPECT_EQ(m_view.m_boxes.UnusedAnswers(), 0u);

    // The same package again in a later drop installs again; a drop of two
    // paths handles both in order.
    m_view.m_boxes.Answer(kIdYes);  // only the third's sound folder is new
    window.OnDropFiles({second, third});
    EXPECT_EQ(Count(log, "Finished Installing files."), 3u);
    EXPECT_EQ(Count(log, m_home.Mod() + "/maps/de_second.bsp"), 2u);
    EXPECT_LT(log.rfind("de_second.bsp"), log.find("de_third.bsp"));
    EXPECT_EQ(ReadFile(m_home.Mod() + "/sound/de_third/wind.wav"), "wav de_third");
    EXPECT_TRUE(window.GetEngine().GetInstalledFolders().empty());
}

TEST_F(MainWindowTest, UndoLastInstallAsksThenPutsTheModDirectoryBack) {
    StoreSettings(10, 20, 464, 634, false, true);
    WriteFile(m_home.Mod() + "/maps/de_u.bsp", "the old map");
    const auto before = ReadTree(m_home.Mod());
    const std::string package = m_home.Elsewhere("downloads/de_u");
    WriteFile(package + "/maps/de_u.bsp", "the new map");
    WriteFile(package + "/maps/de_u.txt", "briefing");
    CMainWindow window(m_view, m_home.Keys(), m_bFirstPaint);
    Start(window);

    window.OnCommand(window::kIdUndoLastInstall);
    EXPECT_EQ(
        Boxes(m_view.m_boxes),
        Strings{"Undo Last Install (0): There is nothing to undo: no install is left to undo."});

    window.OnDropFiles({package});
    const auto installed = ReadTree(m_home.Mod());
    m_view.m_boxes.Answer(kIdNo);
    window.OnCommand(window::kIdUndoLastInstall);
    EXPECT_EQ(ReadTree(m_home.Mod()), installed);
    m_view.m_boxes.Answer(kIdYes);
    window.OnCommand(window::kIdUndoLastInstall);
    EXPECT_EQ(ReadTree(m_home.Mod()), before);

    ASSERT_EQ(m_view.m_boxes.Shown().size(), 3u);
    const CShownBox& question = m_view.m_boxes.Shown()[2];
    EXPECT_EQ(question.m_strCaption, "Undo Last Install");
    EXPECT_EQ(question.m_nType, platform::kMbYesNo);
    EXPECT_NE(question.m_strText.find("removes the 1 files it added and puts back the 1 files"),
              std::string::npos)
        << question.m_strText;
    EXPECT_EQ(Count(m_view.m_strLogPane, "Undo finished"), 1u);
    EXPECT_EQ(m_view.m_strLogPane, window.GetEngine().GetInstallLog());
}

TEST_F(MainWindowTest, CheckInstalledMapsWritesTheCheckToTheLogPane) {
    StoreSettings(10, 20, 464, 634, false, true);
    MakeMap(m_home.Mod() + "/maps/de_a.bsp", {{World()}, {{"crate", true}}});
    MakeMap(m_home.Mod() + "/maps/de_b.bsp", {{World({{"wad", "de_b.wad"}})}});
    CMainWindow window(m_view, m_home.Keys(), m_bFirstPaint);
    Start(window);
    window.OnCommand(window::kIdCheckMaps);
    EXPECT_EQ(m_view.m_strLogPane, kWelcome + "\r\nChecking the installed maps of " + m_home.Mod() +
                                       "...\r\n"
                                       "de_a: everything it needs is present.\r\n"
                                       "de_b needs 1 file that is not installed: de_b.wad\r\n"
                                       "2 maps checked, 1 with something missing.\r\n");
    EXPECT_FALSE(Exists(m_home.Mod() + "/de_b.wad"));
}

TEST_F(MainWindowTest, ABigFileShowsItsProgressInTheTitleUntilItIsDone) {
    StoreSettings(10, 20, 464, 634, false, true);
    const std::string big = m_home.Elsewhere("big.bsp");
    WriteFile(big, std::string(12 << 20, 'b'));
    const std::string archive = m_home.Elsewhere("downloads/big.zip");
    MakeFolder(m_home.Elsewhere("downloads"));
    MakeZip(archive, {{"maps/big.bsp", FileContent(big)}, {"maps/small.bsp", "small"}});
    CMainWindow window(m_view, m_home.Keys(), m_bFirstPaint);
    Start(window);
    window.OnDropFiles({archive});
    ASSERT_GE(m_view.m_titles.size(), 2u);
    for (std::size_t i = 0; i + 1 < m_view.m_titles.size(); ++i) {
        const std::string& title = m_view.m_titles[i];
        EXPECT_EQ(title.rfind("Quarvel \xE2\x80\x94 big.bsp ", 0), 0u) << title;
        EXPECT_EQ(title.back(), '%') << title;
    }
    EXPECT_EQ(m_view.m_titles.back(), "Quarvel");
    // The progress is never written to the log.
    EXPECT_EQ(m_view.m_strLogPane.find('%'), std::string::npos) << m_view.m_strLogPane;
    EXPECT_EQ(ReadFile(m_home.Mod() + "/maps/big.bsp").size(), std::size_t{12} << 20);
}

TEST(StartupHousekeeping, TheDebugLibraryMovesIntoASystemFolderThatCanTakeIt) {
    CTempFolder root;
    const std::string work = root / "work";
    const std::string windows = root / "windows/system";
    const std::string winnt = root / "winnt/system";
    const std::string local = work + "/mfc42d.dll";
    MakeFolder(work);
    CScriptedMessageBoxHost boxes;

    window::RunStartupHousekeeping(work, {windows, winnt}, boxes);  // none there: nothing done
    EXPECT_FALSE(Exists(windows) || Exists(winnt));

    // Only the first folder exists: the copy there is made, the other fails silently.
    WriteFile(local, "debug library");
    MakeFolder(windows);
    window::RunStartupHousekeeping(work, {windows, winnt}, boxes);
    EXPECT_EQ(ReadFile(windows + "/mfc42d.dll"), "debug library");
    EXPECT_FALSE(Exists(winnt + "/mfc42d.dll"));
    EXPECT_FALSE(Exists(local));

    // Both hold one already: neither is replaced, and the local one goes.
    WriteFile(local, "newer");
    WriteFile(winnt + "/mfc42d.dll", "kept");
    window::RunStartupHousekeeping(work, {windows, winnt}, boxes);
    EXPECT_EQ(ReadFile(windows + "/mfc42d.dll"), "debug library");
    EXPECT_EQ(ReadFile(winnt + "/mfc42d.dll"), "kept");
    EXPECT_FALSE(Exists(local));
    EXPECT_TRUE(boxes.Shown().empty());

    // No folder can take it: said, and the only copy is kept.
    WriteFile(local, "only copy");
    window::RunStartupHousekeeping(work, {root / "missing/a", root / "missing/b"}, boxes);
    EXPECT_EQ(Boxes(boxes), Strings{" (48): Error G1"});
    EXPECT_EQ(ReadFile(local), "only copy");

    // Where there are no such folders, as on Linux, nothing is touched.
    window::RunStartupHousekeeping(work, {}, boxes);
    EXPECT_TRUE(Exists(local));
    EXPECT_EQ(boxes.Shown().size(), 1u);
}

}  // namespace
