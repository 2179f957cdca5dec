#include <sys/stat.h>
#include <unistd.h>

#include "EngineTest.h"

using namespace quarvel::test;

using FileOperations = CEngineTest;

TEST_F(FileOperations, FailedCopiesShowTheirCodesAndLogOnlyFilesThatArePresent) {
    WriteFile(m_temp / "src/a.bsp", "a");
    m_engine.CopyFileVerified(m_temp / "src/a.bsp", Mod("nowhere/a.bsp"));
    EXPECT_EQ(m_boxes.Texts(),
              (std::vector<std::string>{"Error Code 7\nLast Error: 3", "Error Code 7.1"}));
    EXPECT_EQ(Log(), "");

    // A failed copy over an older file: the file is present, but it is not
    // what was to be installed, so it is not logged.
    WriteFile(Mod("maps/old.bsp"), "old");
    m_engine.CopyFileVerified(m_temp / "src/missing.bsp", Mod("maps/old.bsp"));
    EXPECT_EQ(m_boxes.Texts().back(), "Error Code 7\nLast Error: 2");
    EXPECT_EQ(Log(), "");

    // A folder in the way: access denied, attributes reset, the retry fails too.
    MakeFolder(Mod("maps/a.bsp"));
    m_engine.CopyFileVerified(m_temp / "src/a.bsp", Mod("maps/a.bsp"));
    // A folder as the source: access denied and no destination to reset.
    m_engine.CopyFileVerified(m_temp / "src", Mod("maps/src"));
    EXPECT_EQ(m_boxes.Texts(), (std::vector<std::string>{
                                   "Error Code 7\nLast Error: 3", "Error Code 7.1",
                                   "Error Code 7\nLast Error: 2", "Error Code F2\nLast Error: 5",
                                   "Error Code 7.1", "Error F1A", "Error Code 7.1"}));
    EXPECT_EQ(m_engine.GetErrorCount(), 7);
    for (const auto& box : m_boxes.Shown()) {
        EXPECT_EQ(box.m_strCaption, "");
        EXPECT_EQ(box.m_nType, platform::kMbOk);
    }
}

TEST_F(FileOperations, CopyPassTakesOneExtensionInAnyCaseFromOneLevel) {
    for (const char* name : {"A.BSP", "b.bsp", "c.txt", "deeper/d.bsp"}) {
        WriteFile(m_temp / "src/" + name, name);
    }
    m_engine.CopyFilesByExtension(m_temp / "src", Mod("maps"), "bsp");
    EXPECT_EQ(Log(), Copied("maps/A.BSP") + Copied("maps/b.bsp"));
    m_engine.CopyFilesByExtension(m_temp / "src", Mod("maps"), "wad");
    m_engine.CopyFilesByExtension(m_temp / "missing", Mod("maps"), "bsp");
    EXPECT_EQ(Log(), Copied("maps/A.BSP") + Copied("maps/b.bsp"));
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(FileOperations, CreatePathMakesEveryMissingLevelOrLogsWhatItCouldNotMake) {
    m_engine.CreatePath(m_temp / "a/b/c/d");
    EXPECT_TRUE(IsFolder(m_temp / "a/b/c/d"));
    m_engine.CreatePath(m_temp / "a/b/c/d");
    m_engine.CreatePath(m_temp / "a/b/e/");  // a trailing separator is accepted
    EXPECT_TRUE(IsFolder(m_temp / "a/b/e"));
    EXPECT_EQ(Log(), "");

    // A file in the way: each level below it is reported once, and the walk ends.
    WriteFile(m_temp / "file", "");
    m_engine.CreatePath(m_temp / "file/x/y");
    EXPECT_EQ(Log(), "Error D3: " + (m_temp / "file/x") +
                         " could not be created\r\nError Code: 3\r\n"
                         "Error D3: " +
                         (m_temp / "file/x/y") + " could not be created\r\nError Code: 3\r\n");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

#ifndef _WIN32  // links, FIFOs, locks and modes of the posix backend
TEST_F(FileOperations, RemoveTreeReportsWhatStaysAndNeverFollowsLinks) {
    WriteFile(m_temp / "stage/top.txt", "");
    WriteFile(m_temp / "stage/sub/locked.bsp", "");
    WriteFile(m_temp / "stage/sub/free.bsp", "");
    ASSERT_EQ(::chmod((m_temp / "stage/sub/locked.bsp").c_str(), 0444), 0);
    WriteFile(m_temp / "outside/precious", "keep");
    ASSERT_EQ(::symlink((m_temp / "outside").c_str(), (m_temp / "stage/link").c_str()), 0);

    m_engine.RemoveTree(m_temp / "stage");

    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{"Error D1\nLast Error: 5"});
    EXPECT_EQ(Log(), "Error D2: " + (m_temp / "stage/sub") + " \r\n145" +
                         "Error D2: " + (m_temp / "stage") + " \r\n145");
    EXPECT_EQ(ReadTree(m_temp / "stage"),
              (std::map<std::string, std::string>{{"sub/", ""}, {"sub/locked.bsp", ""}}));
    EXPECT_EQ(ReadFile(m_temp / "outside/precious"), "keep");

    m_engine.RemoveTree(m_temp / "never-there");
    EXPECT_TRUE(Log().ends_with("Error D2: " + (m_temp / "never-there") + " \r\n2"));

    // Given a link itself, only the link goes.
    ASSERT_EQ(::symlink((m_temp / "outside").c_str(), (m_temp / "linked").c_str()), 0);
    m_engine.RemoveTree(m_temp / "linked");
    EXPECT_FALSE(Exists(m_temp / "linked"));
    EXPECT_EQ(ReadFile(m_temp / "outside/precious"), "keep");
}
#endif
