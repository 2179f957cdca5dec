#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <iomanip>
#include <sstream>

#include "SettingsTestSupport.h"
#include "settings/SettingsStore.h"

namespace {

using namespace quarvel::test;
using settings::CSettingsStore;
using settings::ReadStoredModDirectory;

// The window values as saved, from "top left width height ontop viewlog";
// "-" leaves a value out.
std::string WindowValues(const std::string& values) {
    std::istringstream in(values);
    std::ostringstream out;
    std::string value;
    for (const char* name : {"top", "left", "width", "height", "ontop", "viewlog"}) {
        if (in >> value && value != "-") {
            out << name << "=dword:" << std::hex << std::setw(8) << std::setfill('0')
                << unsigned(std::stoi(value)) << "\n";
        }
    }
    return out.str();
}

std::ptrdiff_t Entries(const std::string& folder) {
    return std::distance(std::filesystem::directory_iterator(folder), {});
}

class SettingsStoreTest : public testing::Test {
  protected:
    void WriteSettings(const std::string& content) { WriteFile(m_home.SettingsFile(), content); }
    std::string Settings() const { return ReadFile(m_home.SettingsFile()); }
    void LoadModDirectory(bool bForce) { m_store.LoadModDirectory(bForce, m_context, m_dialog); }

    CScopedHome m_home;
    CScriptedMessageBoxHost m_boxes;
    CSettingsStore m_store{m_boxes};
    CFakeSettingsWindow m_window;
    CFakeModDirContext m_context;
    CFakeDialogRunner m_dialog;
};

TEST_F(SettingsStoreTest, FirstRunThenAKeyWithOnlyTheDirectory) {
    m_store.LoadWindowSettings(m_window);
    EXPECT_EQ(m_window.m_calls, (Strings{"place 250,100 464x634", "OnAlwaysOnTop on",
                                         "OnShowLog on", "ApplyTopmost"}));
    // Cancelled, nothing is stored and the next start asks again.
    LoadModDirectory(false);
    EXPECT_FALSE(Exists(m_home.SettingsFile()));
    m_dialog.m_nResult = platform::kIdOk;
    m_dialog.m_strChosen = "/games/cstrike";
    LoadModDirectory(false);
    EXPECT_EQ(ReadStoredModDirectory(), "/games/cstrike");

    // Without "left" nothing is applied to the window; the dialog comes only for Configure.
    CFakeSettingsWindow window;
    m_store.LoadWindowSettings(window);
    EXPECT_TRUE(window.m_calls.empty());
    EXPECT_FALSE(window.m_bOnTop || window.m_bShowLog);
    LoadModDirectory(false);
    m_dialog.m_nResult = platform::kIdCancel;
    LoadModDirectory(true);
    EXPECT_EQ(Settings(), "Directory=sz:/games/cstrike\n");
    m_dialog.m_nResult = platform::kIdOk;
    m_dialog.m_strChosen = "/games/tfc";
    LoadModDirectory(true);
    EXPECT_EQ(m_dialog.m_openings,
              (Strings{"first ", "first ", "normal /games/cstrike", "normal /games/cstrike"}));
    EXPECT_EQ(m_context.m_nExtensionResets, 5);
    EXPECT_EQ(m_context.m_refreshedWith,
              (Strings{"", "/games/cstrike", "/games/cstrike", "/games/cstrike", "/games/tfc"}));
    EXPECT_EQ(Settings(), "Directory=sz:/games/tfc\n");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SettingsStoreTest, KeyWithOnlyWindowValues) {
    WriteSettings(WindowValues("50 60 500 195 0 0"));
    m_context.m_strModDir = "/kept";
    LoadModDirectory(false);
    LoadModDirectory(true);  // Configure
    EXPECT_EQ(m_dialog.m_openings, Strings{"normal /kept"});
    EXPECT_EQ(Boxes(m_boxes), Strings(2, " (0): Error Code 8"));
}

TEST_F(SettingsStoreTest, WindowValuesAsStored) {
    const struct {
        const char* m_szValues;
        Strings m_messages;
        const char* m_szPlacement;
        bool m_bOnTop;
        bool m_bShowLog;
    } rows[] = {
        {"-5 -20 500 195 2 1", {}, "place -20,-5 500x195", false, true},
        {"50 60 500 195 1 257", {}, "place 60,50 500x195", true, false},
        {"- 60 500 195 -1 0", {"Error E2"}, "place 60,100 500x195", false, false},
        {"50 60 - 195 0 0", {"Error E3"}, "place 60,50 464x195", false, false},
        {"50 60 500 - 0 0", {"Error E4"}, "place 60,50 500x634", false, false},
        {"50 60 500 195 - 0", {"Error E5"}, "place 60,50 500x195", true, false},
        {"50 60 500 195 0 -", {"Error E5"}, "place 60,50 500x195", false, true},
        {"- 60 - - - -",
         {"Error E2", "Error E3", "Error E4", "Error E5", "Error E5"},
         "place 60,100 464x634",
         true,
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.m_szValues);
        WriteSettings(WindowValues(row.m_szValues));
        CScriptedMessageBoxHost boxes;
        CFakeSettingsWindow window;
        window.m_bOnTop = !row.m_bOnTop;  // set, not toggled
        window.m_bShowLog = !row.m_bShowLog;
        CSettingsStore(boxes).LoadWindowSettings(window);
        EXPECT_EQ(boxes.Texts(), row.m_messages);
        EXPECT_EQ(window.m_calls, Strings{row.m_szPlacement});
        EXPECT_EQ(window.m_bOnTop, row.m_bOnTop);
        EXPECT_EQ(window.m_bShowLog, row.m_bShowLog);
    }
}

TEST_F(SettingsStoreTest, MinimisedWindowIsNotSaved) {
    m_window.m_bMinimized = true;
    m_store.SaveWindowSettings(m_window);
    EXPECT_FALSE(Exists(m_home.SettingsFile()));
    WriteSettings("Directory=sz:/games\n");
    m_store.SaveWindowSettings(m_window);
    EXPECT_EQ(Settings(), "Directory=sz:/games\n");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SettingsStoreTest, UnwritableSettingsFolder) {
    MakeFolder(m_home.SettingsFolder());
    ::chmod(m_home.SettingsFolder().c_str(), 0555);
    m_store.SaveWindowSettings(m_window);
    m_dialog.m_nResult = platform::kIdOk;
    m_dialog.m_strChosen = "/games/cstrike";
    LoadModDirectory(false);
    EXPECT_EQ(m_boxes.Texts(), (Strings{"Error Code 21", "Error Code 14"}));
    EXPECT_EQ(m_context.m_refreshedWith, Strings{"/games/cstrike"});  // used, not stored
    EXPECT_FALSE(Exists(m_home.SettingsFile()));

    // A writable file in that folder: the key opens, every write fails.
    ::chmod(m_home.SettingsFolder().c_str(), 0755);
    WriteSettings("Directory=sz:/old\n");
    ::chmod(m_home.SettingsFolder().c_str(), 0555);
    CScriptedMessageBoxHost boxes;
    CSettingsStore store(boxes);
    store.SaveWindowSettings(m_window);
    EXPECT_FALSE(store.StoreModDirectory("/games/cstrike"));
    EXPECT_EQ(boxes.Texts(), Strings(7, "Error Code 11"));
    EXPECT_EQ(Settings(), "Directory=sz:/old\n");
}

TEST_F(SettingsStoreTest, DirectoryAsStored) {
    const std::string longest = "/" + std::string(398, 'd');
    const struct {
        std::string m_strFile;
        std::string m_strDir;
        Strings m_messages;
    } rows[] = {
        {"Directory=sz:" + longest, longest, {}},  // no NUL in 400 bytes, no line end
        {std::string("Directory=sz:/games\0/junk\n", 26), "/games", {}},
        {"Directory=sz:" + longest + "d\n", "/before", {"Error Code 8"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.m_strDir);
        WriteSettings(row.m_strFile);
        CScriptedMessageBoxHost boxes;
        CFakeModDirContext context;
        context.m_strModDir = "/before";
        CSettingsStore(boxes).LoadModDirectory(false, context, m_dialog);
        EXPECT_EQ(context.m_strModDir, row.m_strDir);
        EXPECT_EQ(boxes.Texts(), row.m_messages);
    }
    EXPECT_TRUE(m_dialog.m_openings.empty());
}

TEST_F(SettingsStoreTest, CrashWhileSavingLeavesTheLastSettings) {
    const std::string before = "Directory=sz:/games/cstrike\n" + WindowValues("50 60 500 195 0 0");
    WriteSettings(before);
    m_window.m_rect = {-20, -5, 444, 629};
    m_window.m_bOnTop = true;
    // The file size limit kills the child in the middle of its write.
    EXPECT_EXIT(
        {
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = 100;
            ::setrlimit(RLIMIT_FSIZE, &limit);
            m_store.SaveWindowSettings(m_window);
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGXFSZ), "");
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(Entries(m_home.SettingsFolder()), 2);  // the settings and a temporary file

    // The next save clears what the crash left and writes whole.
    m_store.SaveWindowSettings(m_window);
    EXPECT_EQ(Entries(m_home.SettingsFolder()), 1);
    EXPECT_EQ(Settings(), "Directory=sz:/games/cstrike\n" + WindowValues("-5 -20 464 634 1 0"));
    EXPECT_TRUE(m_boxes.Shown().empty());
}

}  // namespace
