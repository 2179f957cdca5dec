#include <unistd.h>

#include "EngineTest.h"

using namespace quarvel::test;
using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdYes;

using InstallPrompts = CEngineTest;

TEST_F(InstallPrompts, FileTypesMatchAsSubstringsAndYesAddsTheLastExtension) {
    for (const char* name : {"DE_X.BSP", "de_x.bsp.bak", "backup.txt.old", "x.Wad"}) {
        EXPECT_TRUE(m_engine.ConfirmFileType(name)) << name;
    }
    EXPECT_TRUE(m_boxes.Shown().empty());
    struct {
        const char* m_szFile;
        const char* m_szAdded;
    } const cases[] = {
        {"notes.doc", ".doc"}, {"Readme", "readme"}, {".hidden", ".hidden"}, {"a.b.c", ".c"}};
    std::string expectedLog;
    for (const auto& test : cases) {
        m_boxes.Answer(kIdYes);
        EXPECT_TRUE(m_engine.ConfirmFileType(test.m_szFile));
        EXPECT_EQ(m_engine.GetAcceptedExtensions().back(), test.m_szAdded);
        expectedLog +=
            std::string("Extension \"") + test.m_szAdded + "\" added to accepted filetypes.\r\n";
    }
    EXPECT_EQ(Log(), expectedLog);
    // Later files of the same kinds pass without a question, whatever their case.
    EXPECT_TRUE(m_engine.ConfirmFileType("OTHER.DOC"));
    EXPECT_TRUE(m_engine.ConfirmFileType("README.md"));
    EXPECT_EQ(m_boxes.Shown().size(), 4u);
    // The question shows the lower-cased name.
    EXPECT_EQ(m_boxes.Shown()[1].m_strText,
              "File \"readme\" may not be part of the map you are installing.\n\n"
              "If you wish to continue to install this filetype, choose yes.\n"
              "If you wish to skip this file and continue installing, choose no.\n"
              "If you wish to abort the installation at this time, choose cancel.\n");
    m_engine.ResetAcceptedExtensions();
    m_boxes.Answer(kIdNo);
    EXPECT_FALSE(m_engine.ConfirmFileType("OTHER.DOC"));
    EXPECT_TRUE(Log().ends_with("File other.doc not installed.\r\n"));
}

TEST_F(InstallPrompts, TheListGrowsPastAHundredEntries) {
    for (int i = 0; i < 95; ++i) {
        m_boxes.Answer(kIdYes);
        EXPECT_TRUE(m_engine.ConfirmFileType("f.e" + std::to_string(i) + "z"));
    }
    EXPECT_EQ(m_engine.GetAcceptedExtensions().size(), 104u);
    EXPECT_TRUE(m_engine.ConfirmFileType("again.e94z"));
    EXPECT_EQ(m_boxes.Shown().size(), 95u);
}

TEST_F(InstallPrompts, CancelSetsTheAbortFlagAndAnOddAnswerIsAnError) {
    m_boxes.Answer(kIdCancel);
    EXPECT_FALSE(m_engine.ConfirmFileType("x.doc"));
    EXPECT_TRUE(m_engine.IsAborted());
    EXPECT_EQ(Log(), "Installation aborted.\r\n");

    m_boxes.Answer(platform::kIdOk);
    EXPECT_FALSE(m_engine.ConfirmFileType("x.doc"));
    EXPECT_EQ(m_boxes.Shown().back().m_strText, "Error Code 20");
    EXPECT_EQ(m_boxes.Shown().back().m_nType, platform::kMbOk);

    // The folder question takes an odd answer as Yes, silently.
    m_boxes.Answer(platform::kIdOk);
    EXPECT_TRUE(m_engine.ConfirmDirectory(m_strMod, "Custom"));
    EXPECT_EQ(Log(), "Installation aborted.\r\n");
}

TEST_F(InstallPrompts, FolderQuestionsIgnoreCaseAndShowTheNameLowerCased) {
    std::string name = "Maps";
    EXPECT_TRUE(m_engine.ConfirmDirectory(m_strMod, name));
    EXPECT_EQ(name, "Maps");  // the caller's string keeps its case
    EXPECT_TRUE(m_boxes.Shown().empty());

    m_boxes.Answer(kIdNo);
    EXPECT_FALSE(m_engine.ConfirmDirectory(m_strMod, "Custom"));
    EXPECT_EQ(Log(), NotCreated("custom"));

    // A file of that name is no folder; a link to a folder is.
    WriteFile(Mod("sprites"), "");
    m_boxes.Answer(kIdYes);
    EXPECT_TRUE(m_engine.ConfirmDirectory(m_strMod, "sprites"));
#ifndef _WIN32
    MakeFolder(m_temp / "elsewhere/models");
    ASSERT_EQ(::symlink((m_temp / "elsewhere/models").c_str(), Mod("models").c_str()), 0);
    EXPECT_TRUE(m_engine.ConfirmDirectory(m_strMod, "MODELS"));
#endif
    EXPECT_EQ(m_boxes.Shown().size(), 2u);

    // A parent that cannot be listed never matches. Yes logs nothing yet: the
    // caller makes the folder and says whether it could.
    m_boxes.Answer(kIdYes);
    const std::string before = Log();
    EXPECT_TRUE(m_engine.ConfirmDirectory(Mod("missing"), "New"));
    EXPECT_EQ(Log(), before);
}
