#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "FakeMainWindow.h"
#include "SettingsTestSupport.h"
#include "platform/SettingsKey.h"
#include "settings/SettingsStore.h"

namespace {

using namespace quarvel::test;
using namespace platform;
using settings::CSettingsStore;
using settings::kSettingsKeyName;
namespace fs = std::filesystem;

class SettingsStoreTest : public testing::Test {
  protected:
    void WriteSettings(const std::string& content) { WriteFile(m_home.SettingsFile(), content); }
    std::string Settings() const { return ReadFile(m_home.SettingsFile()); }
    void LoadModDirectory(bool bForce, int answer = kIdCancel, const std::string& chosen = "") {
        m_window.m_nAnswer = answer;
        m_window.m_strChosen = chosen;
        m_store.LoadModDirectory(bForce, m_window, m_window);
    }

    CScopedHome m_home;
    CScriptedMessageBoxHost m_boxes;
    CSystemSettingsKeys m_keys;
    CSettingsStore m_store{m_boxes, m_keys};
    CFakeMainWindow m_window;
};

TEST_F(SettingsStoreTest, KeyValuesAreLinesOfAPrivateFile) {
    const std::string kept = "# note\r\nshort=dword:2A\nupper=dword:0000ABCD\r\n";
    WriteSettings(kept + "twice=sz:1\nTWICE=sz:2\nlast=sz:no line end");
    ::chmod(m_home.SettingsFile().c_str(), 0600);  // kept when the file is replaced
    const auto key = m_keys.MakeKey();
    ASSERT_EQ(key->Create(kSettingsKeyName), kErrorSuccess);
    EXPECT_EQ(key->SetString("Twice", "a\\b\nc\rd"), kErrorSuccess);
    EXPECT_EQ(key->SetDword("left", 0xFFFFFFECu), kErrorSuccess);
    EXPECT_EQ(key->Close(), kErrorSuccess);
    EXPECT_EQ(fs::status(m_home.SettingsFile()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    // Other lines stay; the lines of a value fold into one.
    EXPECT_EQ(Settings(),
              kept + "Twice=sz:a\\\\b\\nc\\rd\nlast=sz:no line end\nleft=dword:ffffffec\n");

    CSettingsValue value;
    std::uint32_t number = 0;
    ASSERT_EQ(key->Open(kSettingsKeyName), kErrorSuccess);
    EXPECT_EQ(key->QueryDword("short", number), kErrorFileNotFound);
    ASSERT_EQ(key->QueryDword("UPPER", number), kErrorSuccess);
    EXPECT_EQ(number, 0xABCDu);
    EXPECT_EQ(key->QueryDword("twice", number), kErrorUnsupportedType);
    ASSERT_EQ(key->QueryValue("twice", 400, value), kErrorSuccess);
    EXPECT_EQ(value.m_strData, std::string("a\\b\nc\rd") + '\0');

    ::unlink(m_home.SettingsFile().c_str());  // a pipe is no key
    ASSERT_EQ(::mkfifo(m_home.SettingsFile().c_str(), 0600), 0);
    EXPECT_EQ(key->Open(kSettingsKeyName), kErrorAccessDenied);
}

TEST_F(SettingsStoreTest, FirstRunThenAKeyWithOnlyTheDirectory) {
    m_store.LoadWindowSettings(m_window);
    EXPECT_EQ(m_window.m_calls, (Strings{"place 250,100 464x634", "ontop off", "OnAlwaysOnTop on",
                                         "viewlog off", "OnShowLog on", "ApplyTopmost"}));
    m_window.m_bMinimized = true;  // a minimised window is never saved
    m_store.SaveWindowSettings(m_window);
    // Cancelled, nothing is stored and the next start asks again.
    LoadModDirectory(false);
    EXPECT_FALSE(Exists(m_home.SettingsFile()));
    LoadModDirectory(false, kIdOk, "/games/cstrike");
    EXPECT_EQ(settings::ReadStoredModDirectory(m_keys), "/games/cstrike");
    EXPECT_EQ(fs::status(m_home.SettingsFolder()).permissions(), fs::perms::owner_all);

    // Without "left" nothing is applied to the window; the dialog comes only for Configure.
    CFakeMainWindow window;
    m_store.LoadWindowSettings(window);
    EXPECT_TRUE(window.m_calls.empty());
    LoadModDirectory(false);
    LoadModDirectory(true);
    LoadModDirectory(true, kIdOk, "/games/tfc");
    m_store.SaveWindowSettings(m_window);
    EXPECT_EQ(m_window.m_openings,
              (Strings{"first ", "first ", "normal /games/cstrike", "normal /games/cstrike"}));
    EXPECT_EQ(m_window.m_nExtensionResets, 5);
    EXPECT_EQ(m_window.m_refreshedWith,
              (Strings{"", "/games/cstrike", "/games/cstrike", "/games/cstrike", "/games/tfc"}));
    EXPECT_EQ(Settings(), "Directory=sz:/games/tfc\n");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SettingsStoreTest, WindowValuesAsStored) {
    const struct {
        const char* m_szValues;
        const char* m_szMessage;
        Strings m_calls;
    } rows[] = {
        // clang-format off
        {"-5 -20 500 195 2 1",  "",         {"ontop off", "viewlog on", "place -20,-5 500x195"}},
        {"50 60 500 195 1 257", "",         {"ontop on", "viewlog off", "place 60,50 500x195"}},
        {"- 60 500 195 -1 0",   "Error E2", {"ontop off", "viewlog off", "place 60,100 500x195"}},
        {"50 60 - 195 0 0",     "Error E3", {"ontop off", "viewlog off", "place 60,50 464x195"}},
        {"50 60 500 - 0 0",     "Error E4", {"ontop off", "viewlog off", "place 60,50 500x634"}},
        {"50 60 500 195 - 0",   "Error E5", {"ontop on", "viewlog off", "place 60,50 500x195"}},
        {"50 60 500 195 0 -",   "Error E5", {"ontop off", "viewlog on", "place 60,50 500x195"}},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.m_szValues);
        WriteSettings(WindowValues(row.m_szValues));
        CScriptedMessageBoxHost boxes;
        CFakeMainWindow window;
        CSettingsStore(boxes, m_keys).LoadWindowSettings(window);
        EXPECT_EQ(boxes.Texts(), *row.m_szMessage ? Strings{row.m_szMessage} : Strings{});
        EXPECT_EQ(window.m_calls, row.m_calls);
    }
}

TEST_F(SettingsStoreTest, UnwritableSettingsFolder) {
    MakeFolder(m_home.SettingsFolder());
    ::chmod(m_home.SettingsFolder().c_str(), 0555);
    m_store.SaveWindowSettings(m_window);
    LoadModDirectory(false, kIdOk, "/games/cstrike");
    EXPECT_EQ(m_boxes.Texts(), (Strings{"Error Code 21", "Error Code 14"}));
    EXPECT_EQ(m_window.m_refreshedWith, Strings{"/games/cstrike"});  // used, not stored

    // A writable file in that folder: the key opens, every write fails.
    ::chmod(m_home.SettingsFolder().c_str(), 0755);
    WriteSettings("Directory=sz:/old\n");
    ::chmod(m_home.SettingsFolder().c_str(), 0555);
    CScriptedMessageBoxHost boxes;
    CSettingsStore store(boxes, m_keys);
    store.SaveWindowSettings(m_window);
    EXPECT_FALSE(store.StoreModDirectory("/games/cstrike"));
    EXPECT_EQ(boxes.Texts(), Strings(7, "Error Code 11"));
    EXPECT_EQ(Settings(), "Directory=sz:/old\n");
}

// Loaded from the key as stored, then Configure: the directory read or a message each time.
TEST_F(SettingsStoreTest, DirectoryAsStored) {
    const std::string longest = "/" + std::string(398, 'd');
    const struct {
        std::string m_strFile;
        std::string m_strDir;
        const char* m_szMessage;
    } rows[] = {
        {"Directory=sz:" + longest, longest, ""},  // no NUL in 400 bytes, no line end
        {std::string("Directory=sz:/games\0/junk\n", 26), "/games", ""},
        {"Directory=sz:" + longest + "d\n", "/before", "Error Code 8"},
        {WindowValues("50 60 500 195 0 0"), "/before", "Error Code 8"},
    };
    for (const auto& [file, dir, message] : rows) {
        SCOPED_TRACE(dir);
        WriteSettings(file);
        CScriptedMessageBoxHost boxes;
        CSettingsStore store(boxes, m_keys);
        CFakeMainWindow window;
        window.m_strModDir = "/before";
        store.LoadModDirectory(false, window, window);
        store.LoadModDirectory(true, window, window);
        EXPECT_EQ(window.m_strModDir, dir);
        EXPECT_EQ(boxes.Texts(), Strings(*message ? 2 : 0, message));
        EXPECT_EQ(window.m_openings, Strings{"normal " + dir});  // only for Configure
    }
}

TEST_F(SettingsStoreTest, CrashWhileSavingLeavesTheLastSettings) {
    const std::string before = "Directory=sz:/games/cstrike\n" + WindowValues("50 60 500 195 0 0");
    WriteSettings(before);
    m_window.m_rect = {-20, -5, 444, 629};
    m_window.m_bOnTop = true;
    auto entries = [this] {
        return std::distance(fs::directory_iterator(m_home.SettingsFolder()), {});
    };
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
    EXPECT_EQ(entries(), 2);  // the settings and a temporary file

    // The next save clears what the crash left and writes whole.
    m_store.SaveWindowSettings(m_window);
    EXPECT_EQ(entries(), 1);
    EXPECT_EQ(Settings(), "Directory=sz:/games/cstrike\n" + WindowValues("-5 -20 464 634 1 0"));
    EXPECT_TRUE(m_boxes.Shown().empty());
}

}  // namespace
