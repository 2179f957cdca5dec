// quarvel-cli runs that share a home: two at once, and one after a run killed
// half-way. Each must install exactly its own package.

#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <map>

#include "CliProcess.h"
#include "TempFolder.h"
#include "ZipFixture.h"

using namespace quarvel::test;

namespace {

class ConcurrentRuns : public ::testing::Test {
  protected:
    ConcurrentRuns() {
        MakeFolder(m_temp / "hl/cstrike/maps");
        WriteFile(m_temp / "hl/hl.exe", "");
    }

    // A run that asks before it creates a folder: it stops at the question
    // with its package unpacked in its staging folder.
    std::unique_ptr<CRunningProcess> Start(const std::string& archive) {
        return std::make_unique<CRunningProcess>(
            QUARVEL_CLI_PATH, std::vector<std::string>{"--mod-dir", "hl/cstrike", archive},
            m_temp.Path(), Environment());
    }

    std::vector<std::string> Environment() const {
        return {"XDG_CACHE_HOME=" + (m_temp / "cache"), "XDG_CONFIG_HOME=" + (m_temp / "config"),
                "HOME=" + m_temp.Path()};
    }

    // The runs' staging folders that are on disk now.
    int StagingRuns() const {
        int runs = 0;
        if (Exists(m_temp / "cache/quarvel")) {
            for (const auto& entry :
                 std::filesystem::directory_iterator(m_temp / "cache/quarvel")) {
                runs += entry.path().filename().string().starts_with("run-") ? 1 : 0;
            }
        }
        return runs;
    }

    CTempFolder m_temp;
};

}  // namespace

TEST_F(ConcurrentRuns, TwoRunsAtOnceInstallExactlyTheirOwnPackages) {
    const std::string mapA(1 << 20, 'a');
    WriteFile(m_temp / "de_a.bsp", mapA);
    MakeZip(m_temp / "a.zip",
            {{"maps/de_a.bsp", FileContent(m_temp / "de_a.bsp")}, {"custom_a/readme.txt", "A"}});
    MakeZip(m_temp / "b.zip", {{"maps/de_b.bsp", "map b"}, {"custom_b/notes.txt", "B"}});

    const auto first = Start("a.zip");
    ASSERT_TRUE(first->WaitForError("Unrecognized Directory"));
    const auto second = Start("b.zip");
    ASSERT_TRUE(second->WaitForError("Unrecognized Directory"));
    EXPECT_EQ(StagingRuns(), 2) << "each run stages in a folder of its own";

    second->Write("y\n");
    const SProcessResult b = second->Finish();
    first->Write("y\n");
    const SProcessResult a = first->Finish();

    EXPECT_EQ(a.m_nExitStatus, 0) << a.m_strOut << a.m_strErr;
    EXPECT_EQ(b.m_nExitStatus, 0) << b.m_strOut << b.m_strErr;
    EXPECT_EQ(ReadTree(m_temp / "hl/cstrike"),
              (std::map<std::string, std::string>{{"maps/", ""},
                                                  {"maps/de_a.bsp", mapA},
                                                  {"maps/de_b.bsp", "map b"},
                                                  {"custom_a/", ""},
                                                  {"custom_a/readme.txt", "A"},
                                                  {"custom_b/", ""},
                                                  {"custom_b/notes.txt", "B"}}));
    EXPECT_EQ(StagingRuns(), 0);
}

TEST_F(ConcurrentRuns, ARunAfterAKilledOneInstallsOnlyItsOwnPackage) {
    MakeZip(m_temp / "old.zip", {{"maps/de_x.bsp", "the killed run's map"}, {"custom/x.txt", "x"}});
    MakeZip(m_temp / "new.zip", {{"maps/de_x.bsp", "the new map"}});
    const auto killed = Start("old.zip");
    ASSERT_TRUE(killed->WaitForError("Unrecognized Directory"));
    killed->Kill(SIGKILL);
    EXPECT_EQ(killed->Finish().m_nExitStatus, 128 + SIGKILL);
    EXPECT_EQ(StagingRuns(), 1) << "a killed run cannot clean up";

    const SProcessResult result =
        RunCliProcess({"--mod-dir", "hl/cstrike", "new.zip"}, m_temp.Path(), "", Environment());

    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strOut << result.m_strErr;
    EXPECT_EQ(
        ReadTree(m_temp / "hl/cstrike"),
        (std::map<std::string, std::string>{{"maps/", ""}, {"maps/de_x.bsp", "the new map"}}));
    EXPECT_EQ(StagingRuns(), 0) << "the next run removes what the killed one left";
}
