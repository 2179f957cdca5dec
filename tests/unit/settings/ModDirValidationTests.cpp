#include <gtest/gtest.h>
#include <unistd.h>

#include "ScriptedMessageBoxHost.h"
#include "SettingsTestSupport.h"
#include "settings/ModDirValidation.h"

namespace {

using quarvel::test::CScopedHome;
using quarvel::test::CScriptedMessageBoxHost;
using quarvel::test::CShownBox;
using quarvel::test::MakeFolder;
using quarvel::test::WriteFile;
using settings::EModDirCheck;

const char* const kDoesNotExist =
    "The directory you have entered does not exist.\nYou must select an existing directory.";
const char* const kWarning =
    "The directory you have entered does not appear to be a valid Half-Life mod directory.\n"
    "Are you sure that you want to continue?";

class ValidationTest : public testing::Test {
  protected:
    void SetUp() override {
        m_strGame = m_home.Elsewhere("Half-Life");
        WriteFile(m_strGame + "/hl.exe", "");
        MakeFolder(m_strGame + "/cstrike/maps");
        MakeFolder(m_home.Elsewhere("nogame/mymod"));
    }

    // Validates a typed text with scripted answers; the text as it ends.
    EModDirCheck Validate(std::string& strDir) {
        return settings::ValidateModDirectory(strDir, m_boxes);
    }
    void ExpectOnlyBox(const char* text, const char* caption, unsigned type) const {
        ASSERT_EQ(m_boxes.Shown().size(), 1u);
        const CShownBox& box = m_boxes.Shown()[0];
        EXPECT_EQ(box.m_strText, text);
        EXPECT_EQ(box.m_strCaption, caption);
        EXPECT_EQ(box.m_nType, type);
    }

    CScopedHome m_home;
    CScriptedMessageBoxHost m_boxes;
    std::string m_strGame;
};

TEST_F(ValidationTest, ModFolderBesideTheGame) {
    std::string dir = m_strGame + "/cstrike";
    EXPECT_EQ(Validate(dir), EModDirCheck::kAccepted);
    EXPECT_EQ(dir, m_strGame + "/cstrike");

    // One trailing separator goes, and the result is the same.
    dir = m_strGame + "/cstrike/";
    EXPECT_EQ(Validate(dir), EModDirCheck::kAccepted);
    EXPECT_EQ(dir, m_strGame + "/cstrike");

    // Another letter case passes; the text keeps the user's case.
    dir = m_strGame + "/CStrike";
    EXPECT_EQ(Validate(dir), EModDirCheck::kAccepted);
    EXPECT_EQ(dir, m_strGame + "/CStrike");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(ValidationTest, TwoTrailingSeparatorsLeaveAnEmptyName) {
    std::string dir = m_strGame + "/cstrike//";
    EXPECT_EQ(Validate(dir), EModDirCheck::kDoesNotExist);
    EXPECT_EQ(dir, m_strGame + "/cstrike/");
    ExpectOnlyBox(kDoesNotExist, "Error", platform::kMbOk | platform::kMbIconExclamation);
}

TEST_F(ValidationTest, TextsThatNameNoExistingFolder) {
    const std::string cases[] = {
        m_strGame + "/czero",                              // missing
        m_strGame + "/hl.exe",                             // a file
        "",                                                // nothing typed
        "Please enter your Counterstrike directory here",  // the placeholder
        "cstrike",                                         // no parent at all
        "Half-Life/cstrike",                               // relative
        "/",                                               // the root loses its separator
    };
    for (const auto& text : cases) {
        SCOPED_TRACE(text);
        CScriptedMessageBoxHost boxes;
        std::string dir = text;
        EXPECT_EQ(settings::ValidateModDirectory(dir, boxes), EModDirCheck::kDoesNotExist);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].m_strText, kDoesNotExist);
    }
}

TEST_F(ValidationTest, RelativePathsAreRefusedEvenWhereTheyExist) {
    // Relative to the working folder these exist; stored, they would name
    // another folder as soon as the program runs from elsewhere.
    char previous[4096];
    ASSERT_TRUE(::getcwd(previous, sizeof previous));
    ASSERT_EQ(::chdir(m_home.Elsewhere("").c_str()), 0);
    const std::string top = m_strGame.substr(1, m_strGame.find('/', 1) - 1);
    const std::string cases[] = {"Half-Life/cstrike", "./Half-Life/cstrike/", top};
    for (const auto& text : cases) {
        SCOPED_TRACE(text);
        CScriptedMessageBoxHost boxes;
        std::string dir = text;
        EXPECT_EQ(settings::ValidateModDirectory(dir, boxes), EModDirCheck::kDoesNotExist);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kDoesNotExist});
    }
    ASSERT_EQ(::chdir(previous), 0);
}

TEST_F(ValidationTest, ExistingFolderWithoutTheGameAsks) {
    std::string dir = m_home.Elsewhere("nogame/mymod");
    m_boxes.Answer(platform::kIdNo);
    EXPECT_EQ(Validate(dir), EModDirCheck::kDeclined);
    ExpectOnlyBox(kWarning, "Warning, Potential Invalid Directory",
                  platform::kMbYesNo | platform::kMbIconExclamation | platform::kMbDefButton2);
    EXPECT_EQ(m_boxes.Shown()[0].m_nType, 0x134u);

    m_boxes.Answer(platform::kIdYes);
    EXPECT_EQ(Validate(dir), EModDirCheck::kAccepted);
    EXPECT_EQ(m_boxes.Shown().size(), 2u);
    EXPECT_EQ(m_boxes.UnusedAnswers(), 0u);

    // A folder at the top of the tree has the root as its parent.
    const std::string top = "/" + m_strGame.substr(1, m_strGame.find('/', 1) - 1);
    dir = top + "/";
    m_boxes.Answer(platform::kIdNo);
    EXPECT_EQ(Validate(dir), EModDirCheck::kDeclined);
    EXPECT_EQ(dir, top);
    EXPECT_EQ(m_boxes.Shown().size(), 3u);
}

TEST_F(ValidationTest, PathTooLongToStore) {
    // 399 bytes can be stored and read back; 400 cannot.
    std::string dir = "/" + std::string(398, 'x');
    EXPECT_EQ(Validate(dir), EModDirCheck::kDoesNotExist);
    dir = "/" + std::string(399, 'x');
    m_boxes.Answer(platform::kIdYes);  // must not be asked
    EXPECT_EQ(Validate(dir), EModDirCheck::kTooLong);
    ASSERT_EQ(m_boxes.Shown().size(), 2u);
    EXPECT_EQ(m_boxes.Shown()[1].m_strText,
              "The directory you have entered is too long.\n"
              "The path of the mod directory must be shorter than 400 bytes.");
    EXPECT_EQ(m_boxes.Shown()[1].m_strCaption, "Error");
    EXPECT_EQ(m_boxes.UnusedAnswers(), 1u);

    // A trailing separator does not count against it.
    dir = "/" + std::string(398, 'x') + "/";
    EXPECT_EQ(Validate(dir), EModDirCheck::kDoesNotExist);
}

}  // namespace
