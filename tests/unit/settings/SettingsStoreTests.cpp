#include <gtest/gtest.h>
#include <unistd.h>

#include "ScriptedMessageBoxHost.h"
#include "SettingsTestSupport.h"
#include "settings/SettingsStore.h"

namespace {

using quarvel::test::CFakeDialogRunner;
using quarvel::test::CFakeModDirContext;
using quarvel::test::CFakeSettingsWindow;
using quarvel::test::CFileSizeLimit;
using quarvel::test::CScopedHome;
using quarvel::test::CScriptedMessageBoxHost;
using quarvel::test::Exists;
using quarvel::test::MakeFolder;
using quarvel::test::MakeReadOnly;
using quarvel::test::ReadFile;
using quarvel::test::Temporaries;
using quarvel::test::WriteFile;
using settings::CSettingsStore;
using Strings = std::vector<std::string>;

constexpr const char* kWindowValues =
    "top=dword:00000032\n"
    "left=dword:0000003c\n"
    "width=dword:000001d0\n"
    "height=dword:000000c3\n"
    "ontop=dword:00000000\n"
    "viewlog=dword:00000001\n";

class SettingsStoreTest : public testing::Test {
  protected:
    void WriteSettings(const std::string& content) { WriteFile(m_home.SettingsFile(), content); }
    std::string Settings() const { return ReadFile(m_home.SettingsFile()); }

    void LoadModDirectory(bool bForce) { m_store.LoadModDirectory(bForce, m_context, m_dialog); }

    // Every box shown must be an error box: the text only, no title, OK.
    void ExpectPlainBoxes() const {
        for (const auto& box : m_boxes.Shown()) {
            EXPECT_EQ(box.m_strCaption, "") << box.m_strText;
            EXPECT_EQ(box.m_nType, platform::kMbOk) << box.m_strText;
        }
    }

    CScopedHome m_home;
    CScriptedMessageBoxHost m_boxes;
    CSettingsStore m_store{m_boxes};
    CFakeSettingsWindow m_window;
    CFakeModDirContext m_context;
    CFakeDialogRunner m_dialog;
};

TEST_F(SettingsStoreTest, FirstStartConfirmed) {
    m_store.LoadWindowSettings(m_window);
    EXPECT_EQ(m_window.m_calls, (Strings{"place 250,100 464x634", "OnAlwaysOnTop on",
                                         "OnShowLog on", "ApplyTopmost"}));
    EXPECT_TRUE(m_window.m_bOnTop);
    EXPECT_TRUE(m_window.m_bShowLog);

    m_dialog.m_nResult = platform::kIdOk;
    m_dialog.m_strChosen = "/games/Half-Life/cstrike";
    LoadModDirectory(false);

    ASSERT_EQ(m_dialog.m_openings.size(), 1u);
    EXPECT_EQ(m_dialog.m_openings[0].m_strDir, "");
    EXPECT_TRUE(m_dialog.m_openings[0].m_bFirstRun);
    EXPECT_FALSE(m_context.m_bFirstRun);
    EXPECT_EQ(m_context.m_nExtensionResets, 1);
    EXPECT_EQ(m_context.m_strModDir, "/games/Half-Life/cstrike");
    EXPECT_EQ(m_context.m_refreshedWith, Strings{"/games/Half-Life/cstrike"});
    EXPECT_EQ(Settings(), "Directory=sz:/games/Half-Life/cstrike\n");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SettingsStoreTest, FirstStartCancelledThenClosed) {
    m_store.LoadWindowSettings(m_window);
    LoadModDirectory(false);
    EXPECT_EQ(m_dialog.m_openings.size(), 1u);
    EXPECT_EQ(m_context.m_strModDir, "");
    EXPECT_EQ(m_context.m_refreshedWith, Strings{""});
    EXPECT_FALSE(Exists(m_home.SettingsFile()));

    // Closing the window stores its placement only.
    m_window.m_rect = {60, 50, 524, 245};
    m_window.m_bOnTop = false;
    m_store.SaveWindowSettings(m_window);
    EXPECT_EQ(Settings(), kWindowValues);

    // The next start finds the key: no dialog, "Error Code 8", Configure is left to the user.
    CFakeModDirContext nextContext;
    CFakeDialogRunner nextDialog;
    m_store.LoadModDirectory(false, nextContext, nextDialog);
    EXPECT_TRUE(nextDialog.m_openings.empty());
    EXPECT_EQ(m_boxes.Texts(), Strings{"Error Code 8"});
    EXPECT_EQ(nextContext.m_strModDir, "");
    EXPECT_EQ(nextContext.m_refreshedWith, Strings{""});

    CFakeSettingsWindow nextWindow;
    m_store.LoadWindowSettings(nextWindow);
    EXPECT_EQ(nextWindow.m_calls, Strings{"place 60,50 464x195"});
    EXPECT_FALSE(nextWindow.m_bOnTop);
    EXPECT_TRUE(nextWindow.m_bShowLog);
    ExpectPlainBoxes();
}

TEST_F(SettingsStoreTest, KeyWithOnlyTheDirectory) {
    WriteSettings("Directory=sz:/games/cstrike\n");
    LoadModDirectory(false);
    EXPECT_TRUE(m_dialog.m_openings.empty());
    EXPECT_EQ(m_context.m_strModDir, "/games/cstrike");
    EXPECT_EQ(m_context.m_refreshedWith, Strings{"/games/cstrike"});

    // "left" is missing: nothing applied, no message, the options stay off.
    m_store.LoadWindowSettings(m_window);
    EXPECT_TRUE(m_window.m_calls.empty());
    EXPECT_FALSE(m_window.m_bOnTop);
    EXPECT_FALSE(m_window.m_bShowLog);
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SettingsStoreTest, KeyWithOnlyWindowValues) {
    WriteSettings(kWindowValues);
    m_context.m_strModDir = "/kept";
    LoadModDirectory(false);
    EXPECT_EQ(m_boxes.Texts(), Strings{"Error Code 8"});
    EXPECT_TRUE(m_dialog.m_openings.empty());
    EXPECT_EQ(m_context.m_strModDir, "/kept");

    // Configure opens the dialog in its normal mode.
    LoadModDirectory(true);
    ASSERT_EQ(m_dialog.m_openings.size(), 1u);
    EXPECT_EQ(m_dialog.m_openings[0].m_strDir, "/kept");
    EXPECT_FALSE(m_dialog.m_openings[0].m_bFirstRun);
    EXPECT_EQ(m_boxes.Texts(), (Strings{"Error Code 8", "Error Code 8"}));

    m_store.LoadWindowSettings(m_window);
    EXPECT_EQ(m_window.m_calls, Strings{"place 60,50 464x195"});
    ExpectPlainBoxes();
}

TEST_F(SettingsStoreTest, ConfigureCancelledWritesNothing) {
    WriteSettings("Directory=sz:/games/cstrike\n# mine\n");
    LoadModDirectory(true);
    ASSERT_EQ(m_dialog.m_openings.size(), 1u);
    EXPECT_EQ(m_dialog.m_openings[0].m_strDir, "/games/cstrike");
    EXPECT_FALSE(m_dialog.m_openings[0].m_bFirstRun);
    EXPECT_EQ(m_context.m_strModDir, "/games/cstrike");
    EXPECT_EQ(m_context.m_refreshedWith, Strings{"/games/cstrike"});
    EXPECT_EQ(m_context.m_nExtensionResets, 1);
    EXPECT_EQ(Settings(), "Directory=sz:/games/cstrike\n# mine\n");

    // Confirmed, the new choice replaces the old one and keeps the rest.
    m_dialog.m_nResult = platform::kIdOk;
    m_dialog.m_strChosen = "/games/tfc";
    LoadModDirectory(true);
    EXPECT_EQ(m_context.m_strModDir, "/games/tfc");
    EXPECT_EQ(m_context.m_nExtensionResets, 2);
    EXPECT_EQ(Settings(), "Directory=sz:/games/tfc\n# mine\n");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SettingsStoreTest, WindowFlagsAreOnOnlyForOne) {
    const struct {
        const char* m_szOnTop;
        const char* m_szViewLog;
        bool m_bOnTop;
        bool m_bShowLog;
    } rows[] = {
        {"00000001", "00000001", true, true},
        {"00000002", "00000001", false, true},
        {"00000001", "00000000", true, false},
        {"ffffffff", "00000101", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.m_szOnTop) + " " + row.m_szViewLog);
        WriteSettings(std::string("left=dword:00000000\ntop=dword:00000000\n") +
                      "width=dword:00000001\nheight=dword:00000001\n" +
                      "ontop=dword:" + row.m_szOnTop + "\nviewlog=dword:" + row.m_szViewLog + "\n");
        CFakeSettingsWindow window;
        window.m_bOnTop = !row.m_bOnTop;
        window.m_bShowLog = !row.m_bShowLog;
        m_store.LoadWindowSettings(window);
        EXPECT_EQ(window.m_bOnTop, row.m_bOnTop);
        EXPECT_EQ(window.m_bShowLog, row.m_bShowLog);
        // The flags are set, not toggled: the window applies them when it shows itself.
        EXPECT_EQ(window.m_calls, Strings{"place 0,0 1x1"});
    }
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SettingsStoreTest, PlacementRoundTripKeepsNegativeEdges) {
    m_window.m_rect = {-20, -5, 444, 629};
    m_window.m_bOnTop = true;
    m_window.m_bShowLog = false;
    m_store.SaveWindowSettings(m_window);
    EXPECT_EQ(Settings(),
              "top=dword:fffffffb\n"
              "left=dword:ffffffec\n"
              "width=dword:000001d0\n"
              "height=dword:0000027a\n"
              "ontop=dword:00000001\n"
              "viewlog=dword:00000000\n");

    CFakeSettingsWindow window;
    m_store.LoadWindowSettings(window);
    EXPECT_EQ(window.m_calls, Strings{"place -20,-5 464x634"});
    EXPECT_TRUE(window.m_bOnTop);
    EXPECT_FALSE(window.m_bShowLog);

    // Saving again replaces the values, one line each.
    window.m_rect = {1, 2, 3, 4};
    m_store.SaveWindowSettings(window);
    EXPECT_EQ(Settings(),
              "top=dword:00000002\n"
              "left=dword:00000001\n"
              "width=dword:00000002\n"
              "height=dword:00000002\n"
              "ontop=dword:00000001\n"
              "viewlog=dword:00000000\n");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SettingsStoreTest, MissingValuesAfterLeftTakeTheirDefaults) {
    const struct {
        const char* m_szMissing;
        const char* m_szMessage;
        const char* m_szPlacement;
        bool m_bOnTop;
        bool m_bShowLog;
    } rows[] = {
        {"top", "Error E2", "place 60,100 500x195", false, false},
        {"width", "Error E3", "place 60,50 464x195", false, false},
        {"height", "Error E4", "place 60,50 500x634", false, false},
        {"ontop", "Error E5", "place 60,50 500x195", true, false},
        {"viewlog", "Error E5", "place 60,50 500x195", false, true},
    };
    // Every stored value differs from its default, so a default shows.
    const Strings lines{"top=dword:00000032",    "left=dword:0000003c",  "width=dword:000001f4",
                        "height=dword:000000c3", "ontop=dword:00000000", "viewlog=dword:00000000"};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.m_szMissing);
        std::string content;
        for (const auto& line : lines) {
            if (!line.starts_with(std::string(row.m_szMissing) + "=")) {
                content += line + "\n";
            }
        }
        WriteSettings(content);
        CScriptedMessageBoxHost boxes;
        CSettingsStore store(boxes);
        CFakeSettingsWindow window;
        store.LoadWindowSettings(window);
        EXPECT_EQ(boxes.Texts(), Strings{row.m_szMessage});
        EXPECT_EQ(window.m_calls, Strings{row.m_szPlacement});
        EXPECT_EQ(window.m_bOnTop, row.m_bOnTop);
        EXPECT_EQ(window.m_bShowLog, row.m_bShowLog);
    }
}

TEST_F(SettingsStoreTest, EveryValueAfterLeftUnreadable) {
    // Text where numbers belong reads as a failure too.
    WriteSettings("left=dword:00000007\ntop=sz:100\nheight=dword:12\n");
    m_store.LoadWindowSettings(m_window);
    EXPECT_EQ(m_boxes.Texts(),
              (Strings{"Error E2", "Error E3", "Error E4", "Error E5", "Error E5"}));
    EXPECT_EQ(m_window.m_calls, Strings{"place 7,100 464x634"});
    EXPECT_TRUE(m_window.m_bOnTop);
    EXPECT_TRUE(m_window.m_bShowLog);
    ExpectPlainBoxes();
}

TEST_F(SettingsStoreTest, MinimisedWindowIsNotSaved) {
    WriteSettings(kWindowValues);
    m_window.m_bMinimized = true;
    m_window.m_rect = {-32000, -32000, -31840, -31970};
    m_store.SaveWindowSettings(m_window);
    EXPECT_EQ(Settings(), kWindowValues);

    // Nor does it create the key on a first run.
    ::unlink(m_home.SettingsFile().c_str());
    m_store.SaveWindowSettings(m_window);
    EXPECT_FALSE(Exists(m_home.SettingsFile()));
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SettingsStoreTest, UnwritableSettingsFolder) {
    // No settings yet and a folder that cannot take them.
    MakeFolder(m_home.SettingsFolder());
    MakeReadOnly(m_home.SettingsFolder());

    m_store.SaveWindowSettings(m_window);
    EXPECT_EQ(m_boxes.Texts(), Strings{"Error Code 21"});

    // The choice is used for this run, not stored.
    m_dialog.m_nResult = platform::kIdOk;
    m_dialog.m_strChosen = "/games/cstrike";
    LoadModDirectory(false);
    EXPECT_EQ(m_boxes.Texts(), (Strings{"Error Code 21", "Error Code 14"}));
    EXPECT_EQ(m_context.m_strModDir, "/games/cstrike");
    EXPECT_EQ(m_context.m_refreshedWith, Strings{"/games/cstrike"});
    EXPECT_FALSE(Exists(m_home.SettingsFile()));
    EXPECT_FALSE(m_store.StoreModDirectory("/games/cstrike"));

    // An existing, writable file in the read-only folder: the key opens,
    // every write fails and the file stays as it was.
    ::chmod(m_home.SettingsFolder().c_str(), 0755);
    WriteSettings("Directory=sz:/old\n");
    MakeReadOnly(m_home.SettingsFolder());
    CScriptedMessageBoxHost boxes;
    CSettingsStore store(boxes);
    store.SaveWindowSettings(m_window);
    EXPECT_EQ(boxes.Texts(), Strings(6, "Error Code 11"));
    EXPECT_FALSE(store.StoreModDirectory("/games/cstrike"));
    EXPECT_EQ(boxes.Texts().size(), 7u);
    EXPECT_EQ(boxes.Texts().back(), "Error Code 11");
    EXPECT_EQ(Settings(), "Directory=sz:/old\n");
    EXPECT_TRUE(Temporaries(m_home.SettingsFolder()).empty());
    ExpectPlainBoxes();
}

TEST_F(SettingsStoreTest, WritesThatStopHalfWayStoreWhatFits) {
    // Like a disk filling up: each value rewrites the file, and the later,
    // larger files no longer fit.
    WriteSettings("");
    {
        CFileSizeLimit limit(60);
        m_store.SaveWindowSettings(m_window);
    }
    EXPECT_EQ(m_boxes.Texts(), Strings(3, "Error Code 11"));
    EXPECT_EQ(Settings(), "top=dword:00000014\nleft=dword:0000000a\nwidth=dword:00000014\n");
    EXPECT_TRUE(Temporaries(m_home.SettingsFolder()).empty());
}

TEST_F(SettingsStoreTest, UnreadableKeyCountsAsFirstRun) {
    // A folder where the file belongs: it can be neither read nor written.
    MakeFolder(m_home.SettingsFile());
    m_store.LoadWindowSettings(m_window);
    EXPECT_EQ(m_window.m_calls.front(), "place 250,100 464x634");

    m_dialog.m_nResult = platform::kIdOk;
    m_dialog.m_strChosen = "/games/cstrike";
    LoadModDirectory(false);
    ASSERT_EQ(m_dialog.m_openings.size(), 1u);
    EXPECT_TRUE(m_dialog.m_openings[0].m_bFirstRun);
    EXPECT_EQ(m_boxes.Texts(), Strings{"Error Code 14"});
}

TEST_F(SettingsStoreTest, DirectoryAsStoredByHand) {
    const struct {
        const char* m_szName;
        std::string m_strFile;
        bool m_bRead;
        std::string m_strDir;
    } rows[] = {
        // The last line without its line end, 399 bytes: the whole text.
        {"no line end", "Directory=sz:/" + std::string(398, 'd'), true,
         "/" + std::string(398, 'd')},
        {"NUL inside", std::string("Directory=sz:/games\0/junk\n", 26), true, "/games"},
        {"400 bytes", "Directory=sz:/" + std::string(399, 'd') + "\n", false, "/before"},
        {"a number", "Directory=dword:00000041\n", true, "A"},
        {"name case", "DIRECTORY=sz:/games/tfc\n", true, "/games/tfc"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.m_szName);
        WriteSettings(row.m_strFile);
        CScriptedMessageBoxHost boxes;
        CSettingsStore store(boxes);
        CFakeModDirContext context;
        context.m_strModDir = "/before";
        store.LoadModDirectory(false, context, m_dialog);
        EXPECT_EQ(context.m_strModDir, row.m_strDir);
        EXPECT_EQ(boxes.Texts(), row.m_bRead ? Strings{} : Strings{"Error Code 8"});
        EXPECT_EQ(settings::ReadStoredModDirectory(),
                  row.m_bRead ? std::optional<std::string>(row.m_strDir) : std::nullopt);
    }
    EXPECT_TRUE(m_dialog.m_openings.empty());
}

TEST_F(SettingsStoreTest, StoredDirectoryForTheCommandLine) {
    EXPECT_EQ(settings::ReadStoredModDirectory(), std::nullopt);
    WriteSettings(kWindowValues);
    EXPECT_EQ(settings::ReadStoredModDirectory(), std::nullopt);
    WriteSettings("Directory=sz:\n");
    EXPECT_EQ(settings::ReadStoredModDirectory(), std::nullopt);

    EXPECT_TRUE(m_store.StoreModDirectory("/games/with\nline break"));
    EXPECT_EQ(settings::ReadStoredModDirectory(), "/games/with\nline break");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SettingsStoreTest, CrashWhileSavingLeavesTheLastSettings) {
    WriteSettings(std::string("Directory=sz:/games/cstrike\n") + kWindowValues);
    const std::string before = Settings();
    m_window.m_rect = {1, 2, 3, 4};
    // The child is killed by the file size limit in the middle of its write.
    EXPECT_EXIT(
        {
            CFileSizeLimit::KillWritesBeyond(100);
            m_store.SaveWindowSettings(m_window);
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGXFSZ), "");
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(Temporaries(m_home.SettingsFolder()).size(), 1u);

    LoadModDirectory(false);
    EXPECT_EQ(m_context.m_strModDir, "/games/cstrike");
    CFakeSettingsWindow window;
    m_store.LoadWindowSettings(window);
    EXPECT_EQ(window.m_calls, Strings{"place 60,50 464x195"});

    // The next save clears what the crash left and writes whole.
    m_store.SaveWindowSettings(m_window);
    EXPECT_TRUE(Temporaries(m_home.SettingsFolder()).empty());
    EXPECT_EQ(Settings(),
              "Directory=sz:/games/cstrike\n"
              "top=dword:00000002\nleft=dword:00000001\nwidth=dword:00000002\n"
              "height=dword:00000002\nontop=dword:00000000\nviewlog=dword:00000000\n");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

}  // namespace
