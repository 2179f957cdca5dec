#include <gtest/gtest.h>

#include "SettingsTestSupport.h"
#include "settings/ModDirValidation.h"

namespace {

using namespace quarvel::test;
using E = settings::EModDirCheck;

// 48: OK with the exclamation mark; 308: Yes and No, No the default.
const char* const kMissing =
    "Error (48): The directory you have entered does not exist.\n"
    "You must select an existing directory.";
const char* const kWarning =
    "Warning, Potential Invalid Directory (308): The directory you have entered does not appear "
    "to be a valid Half-Life mod directory.\nAre you sure that you want to continue?";
const char* const kTooLong =
    "Error (48): The directory you have entered is too long.\n"
    "The path of the mod directory must be shorter than 400 bytes.";

TEST(ModDirValidation, TypedDirectories) {
    CScopedHome home;
    const std::string game = home.Elsewhere("Half-Life");
    WriteFile(game + "/hl.exe", "");
    MakeFolder(game + "/cstrike/maps");
    MakeFolder(home.Elsewhere("nogame/mymod"));
    const std::string top = game.substr(1, game.find('/', 1) - 1);  // "tmp" for /tmp/...
    const std::string longest = "/" + std::string(398, 'x');        // 399 bytes
    const struct {
        std::string m_strTyped;
        int m_nAnswer;  // 0: no question may come
        E m_eResult;
        bool m_bTrimmed;
        const char* m_szBox;
    } rows[] = {
        {game + "/cstrike/", 0, E::kAccepted, true, nullptr},
        {game + "/cstrike//", 0, E::kDoesNotExist, true, kMissing},
        {game + "/hl.exe", 0, E::kDoesNotExist, false, kMissing},
        {top, 0, E::kDoesNotExist, false, kMissing},  // relative, though it exists from "/"
        {home.Elsewhere("nogame/mymod"), platform::kIdNo, E::kDeclined, false, kWarning},
        {home.Elsewhere("nogame/mymod"), platform::kIdYes, E::kAccepted, false, kWarning},
        {"/" + top + "/", platform::kIdNo, E::kDeclined, true, kWarning},  // the root as parent
        {longest + "x", 0, E::kTooLong, false, kTooLong},
        {longest + "/", 0, E::kDoesNotExist, true, kMissing},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.m_strTyped);
        CScriptedMessageBoxHost boxes;
        if (row.m_nAnswer != 0) {
            boxes.Answer(row.m_nAnswer);
        }
        std::string dir = row.m_strTyped;
        EXPECT_EQ(settings::ValidateModDirectory(dir, boxes), row.m_eResult);
        EXPECT_EQ(dir, row.m_strTyped.substr(0, row.m_strTyped.size() - (row.m_bTrimmed ? 1 : 0)));
        EXPECT_EQ(Boxes(boxes), row.m_szBox ? Strings{row.m_szBox} : Strings{});
        EXPECT_EQ(boxes.UnusedAnswers(), 0u);
    }
}

}  // namespace
