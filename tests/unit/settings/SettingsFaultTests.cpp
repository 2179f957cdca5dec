#include <gtest/gtest.h>

#include "FakeMainWindow.h"
#include "FaultySettingsKeys.h"
#include "SettingsTestSupport.h"
#include "settings/SettingsStore.h"

namespace {

using namespace quarvel::test;
using C = ESettingsCall;

constexpr platform::ErrorCode kDenied = 5;
constexpr platform::ErrorCode kIoError = 1117;

const std::string kDirectory = "Directory=sz:/games/cstrike\n";

enum class EOperation { kLoadModDirectory, kConfigure, kLoadWindow, kSaveWindow };

struct SFault {
    C m_eCall;
    int m_nNth;
    platform::ErrorCode m_nError;
};

// The store over a key that fails where each row says: every failure shows its
// message, the operation goes on as far as it can, and every key opened is
// closed by a Close call, so that a close that fails is seen.
TEST(SettingsStoreFaults, EachFailureShowsItsCodeAndTheStoreGoesOn) {
    const struct {
        const char* m_szName;
        std::string m_strBefore;  // the settings file
        std::vector<SFault> m_faults;
        EOperation m_eOperation;
        Strings m_boxes;
        std::string m_strAfter;
        Strings m_windowCalls;
        std::string m_strModDir = "";  // none for operations that do not load it
    } rows[] = {
        // clang-format off
        {"close after reading the directory", kDirectory, {{C::kClose, 1, kIoError}},
         EOperation::kLoadModDirectory, {"Error Code 10"}, kDirectory, {}, "/games/cstrike"},
        {"close after storing the directory", kDirectory, {{C::kClose, 2, kIoError}},
         EOperation::kConfigure, {"Error Code 13"}, "Directory=sz:/games/tfc\n", {}, "/games/tfc"},
        {"every step of Configure", kDirectory,
         {{C::kClose, 0, kIoError}, {C::kSetString, 1, kDenied}}, EOperation::kConfigure,
         {"Error Code 10", "Error Code 11", "Error Code 13"}, kDirectory, {},
         "/games/tfc"},  // used for this run though not stored
        {"close after every window value was read", WindowValues("50 60 500 195 1 0"),
         {{C::kClose, 1, kIoError}}, EOperation::kLoadWindow, {"Error Code 10A"},
         WindowValues("50 60 500 195 1 0"), {"ontop on", "viewlog off", "place 60,50 500x195"}},
        {"close after \"left\" was missing", WindowValues("50 - 500 195 1 0"),
         {{C::kClose, 1, kIoError}}, EOperation::kLoadWindow, {"Error Code 10B"},
         WindowValues("50 - 500 195 1 0"), {}},  // nothing applied
        {"close after saving", kDirectory, {{C::kClose, 1, kIoError}}, EOperation::kSaveWindow,
         {"Error Code 10C"}, kDirectory + WindowValues("-5 -20 464 634 1 0"), {}},
        {"the second value cannot be written", WindowValues("50 60 500 195 0 1"),
         {{C::kSetDword, 2, kDenied}}, EOperation::kSaveWindow, {"Error Code 11"},
         WindowValues("-5 60 464 634 1 0"), {}},  // "left" kept, the values after it written
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.m_szName);
        CScopedHome home;
        WriteFile(home.SettingsFile(), row.m_strBefore);
        CFaultySettingsKeys keys;
        for (const auto& fault : row.m_faults) {
            keys.Fail(fault.m_eCall, fault.m_nNth, fault.m_nError);
        }
        CScriptedMessageBoxHost boxes;
        settings::CSettingsStore store(boxes, keys);
        CFakeMainWindow window;
        window.m_rect = {-20, -5, 444, 629};
        window.m_bOnTop = true;
        window.m_nAnswer = platform::kIdOk;
        window.m_strChosen = "/games/tfc";
        switch (row.m_eOperation) {
            case EOperation::kLoadModDirectory:
            case EOperation::kConfigure:
                store.LoadModDirectory(row.m_eOperation == EOperation::kConfigure, window, window);
                EXPECT_EQ(window.m_refreshedWith, Strings{row.m_strModDir});
                break;
            case EOperation::kLoadWindow:
                store.LoadWindowSettings(window);
                break;
            case EOperation::kSaveWindow:
                store.SaveWindowSettings(window);
                break;
        }
        EXPECT_EQ(boxes.Texts(), row.m_boxes);
        EXPECT_EQ(ReadFile(home.SettingsFile()), row.m_strAfter);
        EXPECT_EQ(window.m_calls, row.m_windowCalls);
        EXPECT_EQ(window.m_strModDir, row.m_strModDir);
        EXPECT_EQ(keys.UnclosedKeys(), 0);
    }
}

}  // namespace
