// Every install can be undone: real installs by quarvel-cli, then --undo, with
// the mod directory compared byte for byte with what it was before.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "BspFixture.h"
#include "CliProcess.h"
#include "TempFolder.h"
#include "ZipFixture.h"

using namespace quarvel::test;

namespace {

class Undo : public ::testing::Test {
  protected:
    Undo() {
        WriteFile(m_temp / "hl/hl.exe", "");
        WriteFile(Mod("maps/de_x.bsp"), "the map the player had");
        ::chmod(Mod("maps/de_x.bsp").c_str(), 0444);
        WriteFile(Mod("de_x.wad"), "old textures");
        MakeFolder(Mod("sound"));
        WriteFile(m_temp / "pkg/maps/de_x.bsp", "the new map");
        WriteFile(m_temp / "pkg/maps/de_x.txt", "briefing");
        WriteFile(m_temp / "pkg/de_x.wad", "new textures");
        WriteFile(m_temp / "pkg/sound/de_x/wind.wav", "wind");
    }

    std::string Mod(const std::string& relative) const {
        return m_temp / ("hl/cstrike/" + relative);
    }

    std::vector<std::string> Environment() const {
        return {"XDG_CACHE_HOME=" + (m_temp / "cache"), "XDG_CONFIG_HOME=" + (m_temp / "config"),
                "XDG_STATE_HOME=" + (m_temp / "state"), "HOME=" + m_temp.Path()};
    }

    SProcessResult Run(const std::vector<std::string>& arguments, const std::string& input = "") {
        return RunCliProcess(arguments, m_temp.Path(), input, Environment());
    }

    // The whole mod directory: every file's bytes and whether it may be written.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> tree = ReadTree(m_temp / "hl/cstrike");
        for (auto& [path, content] : tree) {
            struct stat info {};
            ::stat((m_temp / ("hl/cstrike/" + path)).c_str(), &info);
            content += (info.st_mode & S_IWUSR) ? "" : " [read-only]";
        }
        return tree;
    }

    CTempFolder m_temp;
};

}  // namespace

TEST_F(Undo, AnInstallAndItsUndoLeaveTheModDirectoryAsItWas) {
    const auto before = Snapshot();

    SProcessResult result = Run({"--mod-dir", "hl/cstrike", "--answer", "yes", "pkg"});
    ASSERT_EQ(result.m_nExitStatus, 0) << result.m_strOut << result.m_strErr;
    EXPECT_EQ(ReadFile(Mod("maps/de_x.bsp")), "the new map");

    result = Run({"--list-installs"});
    EXPECT_NE(result.m_strOut.find("install  " + Mod("").substr(0, Mod("").size() - 1) +
                                   "  2 new, 2 replaced, complete\n    " + (m_temp / "pkg")),
              std::string::npos)
        << result.m_strOut;

    result = Run({"--mod-dir", "hl/cstrike", "--undo"});
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strOut << result.m_strErr;
    EXPECT_NE(result.m_strOut.find("Undo finished: 2 removed, 2 restored, 0 left alone."),
              std::string::npos);
    EXPECT_EQ(Snapshot(), before);

    // The undo is recorded, and the next undo has nothing left.
    result = Run({"--mod-dir", "hl/cstrike", "--undo"});
    EXPECT_EQ(result.m_nExitStatus, 2);
    EXPECT_NE(result.m_strErr.find("no install is left to undo"), std::string::npos);
}

TEST_F(Undo, TwoUndosGoBackTwoDropsAndAChangedFileIsLeftAlone) {
    const auto before = Snapshot();
    ASSERT_EQ(Run({"--mod-dir", "hl/cstrike", "--answer", "yes", "pkg"}).m_nExitStatus, 0);
    const auto afterFirst = Snapshot();
    WriteFile(m_temp / "pkg2/maps/de_x.bsp", "a third map");
    WriteFile(m_temp / "pkg2/maps/de_y.bsp", "another map");
    ASSERT_EQ(Run({"--mod-dir", "hl/cstrike", "pkg2"}).m_nExitStatus, 0);

    EXPECT_EQ(Run({"--mod-dir", "hl/cstrike", "--undo"}).m_nExitStatus, 0);
    EXPECT_EQ(Snapshot(), afterFirst);

    // The player edits a file the first drop installed: that one stays.
    WriteFile(Mod("maps/de_x.txt"), "my own notes");
    const SProcessResult result = Run({"--mod-dir", "hl/cstrike", "--undo"});
    EXPECT_EQ(result.m_nExitStatus, 3);
    EXPECT_NE(
        result.m_strOut.find("Left alone, it changed since the install: " + Mod("maps/de_x.txt")),
        std::string::npos);
    auto expected = before;
    expected["maps/de_x.txt"] = "my own notes";
    EXPECT_EQ(Snapshot(), expected);
}

TEST_F(Undo, ACancelledAndAKilledDropAreUndoneToo) {
    const auto before = Snapshot();
    // Cancelled at the question for sound/de_x, after the maps were copied.
    SProcessResult result = Run({"--mod-dir", "hl/cstrike", "pkg"}, "c\n");
    ASSERT_EQ(result.m_nExitStatus, 1) << result.m_strOut;
    ASSERT_EQ(ReadFile(Mod("maps/de_x.bsp")), "the new map");
    EXPECT_EQ(Run({"--mod-dir", "hl/cstrike", "--undo"}).m_nExitStatus, 0);
    EXPECT_EQ(Snapshot(), before);

    // Killed while it waits at that question: the record is cut short.
    CRunningProcess killed(QUARVEL_CLI_PATH, {"--mod-dir", "hl/cstrike", "pkg"}, m_temp.Path(),
                           Environment());
    ASSERT_TRUE(killed.WaitForError("Unrecognized Directory"));
    killed.Kill(SIGKILL);
    killed.Finish();
    ASSERT_EQ(ReadFile(Mod("maps/de_x.bsp")), "the new map");
    result = Run({"--list-installs"});
    EXPECT_NE(result.m_strOut.find("cut short"), std::string::npos) << result.m_strOut;
    result = Run({"--mod-dir", "hl/cstrike", "--undo"});
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strOut << result.m_strErr;
    EXPECT_EQ(Snapshot(), before);
}

TEST_F(Undo, ADryRunWritesNothingAndSaysWhatWouldHappen) {
    const auto before = Snapshot();
    const SProcessResult result =
        Run({"--mod-dir", "hl/cstrike", "--answer", "yes", "--dry-run", "pkg"});
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strErr;
    EXPECT_EQ(Snapshot(), before);
    EXPECT_FALSE(Exists(m_temp / "state/quarvel/installs") &&
                 !std::filesystem::is_empty(m_temp / "state/quarvel/installs"));
    EXPECT_NE(result.m_strOut.find("4 files would be installed, 2 of them replacing existing "
                                   "files:\n  replace " +
                                   Mod("de_x.wad")),
              std::string::npos)
        << result.m_strOut;
    EXPECT_NE(result.m_strOut.find("  new     " + Mod("sound/de_x/wind.wav")), std::string::npos);
    // The questions are asked as in a real drop: the folder it would make once.
    EXPECT_EQ(result.m_strErr.find("Directory \"" + Mod("sound/de_x") + "\" is included"),
              result.m_strErr.rfind("Directory \"" + Mod("sound/de_x") + "\" is included"));
}

TEST_F(Undo, ADryRunLeavesTheMapCheckToTheRealInstall) {
    // A new map whose WAD comes with it, and the package's own folder for it.
    MakeMap(m_temp / "pkg3/maps/de_new.bsp", {{World({{"wad", "\\half-life\\de_new.wad"}})}});
    MakeWad(m_temp / "pkg3/de_new.wad", {});
    WriteFile(m_temp / "pkg3/sound/de_new/rain.wav", "rain");
    const auto before = Snapshot();

    SProcessResult result =
        Run({"--mod-dir", "hl/cstrike", "--answer", "yes", "--dry-run", "pkg3"});
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strErr;
    EXPECT_EQ(Snapshot(), before);
    EXPECT_NE(result.m_strOut.find("de_new: checked after a real install, not in a dry run.\n"),
              std::string::npos)
        << result.m_strOut;
    EXPECT_EQ(result.m_strOut.find("de_new could not"), std::string::npos) << result.m_strOut;
    EXPECT_EQ(result.m_strOut.find("de_new needs"), std::string::npos) << result.m_strOut;
    EXPECT_NE(result.m_strOut.find("Directory \"" + Mod("sound/de_new") + "\" would be created.\n"),
              std::string::npos)
        << result.m_strOut;
    EXPECT_EQ(result.m_strOut.find("\" created."), std::string::npos) << result.m_strOut;

    // The real install makes the folder and checks the map with its WAD in place.
    result = Run({"--mod-dir", "hl/cstrike", "--answer", "yes", "pkg3"});
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strErr;
    EXPECT_NE(result.m_strOut.find("Directory \"" + Mod("sound/de_new") + "\" created.\n"),
              std::string::npos)
        << result.m_strOut;
    EXPECT_NE(result.m_strOut.find("de_new: everything it needs is present.\n"), std::string::npos)
        << result.m_strOut;
}

TEST_F(Undo, OldBackupsArePrunedAndRecordsAreNeverFollowedThroughLinks) {
    // Keep the backups of one drop only.
    const SProcessResult stored = Run({"--answer", "yes", "--set-mod-dir", "hl/cstrike"});
    ASSERT_EQ(stored.m_nExitStatus, 0) << stored.m_strOut << stored.m_strErr;
    WriteFile(m_temp / "config/Quarvel/steamconfiguration.conf",
              ReadFile(m_temp / "config/Quarvel/steamconfiguration.conf") +
                  "backupdrops=dword:00000001\n");
    ASSERT_EQ(Run({"--answer", "yes", "pkg"}).m_nExitStatus, 0);
    const std::string first = Run({"--list-installs"}).m_strOut.substr(0, 15);
    WriteFile(m_temp / "pkg2/de_x.wad", "third textures");
    WriteFile(m_temp / "pkg2/maps/de_z.bsp", "z");
    ASSERT_EQ(Run({"pkg2"}).m_nExitStatus, 0);
    EXPECT_FALSE(Exists(m_temp / ("state/quarvel/installs/" + first + "/backup")));

    // Undone by its ID, past the later drop: what it replaced cannot come back.
    SProcessResult result = Run({"--undo", first});
    EXPECT_EQ(result.m_nExitStatus, 3);
    EXPECT_NE(result.m_strOut.find("Left alone, its backup is gone: " + Mod("maps/de_x.bsp")),
              std::string::npos)
        << result.m_strOut;

    // A link in place of the records: nothing is read or written through it.
    std::filesystem::remove_all(m_temp / "state/quarvel/installs");
    MakeFolder(m_temp / "elsewhere");
    std::filesystem::create_directory_symlink(m_temp / "elsewhere",
                                              m_temp / "state/quarvel/installs");
    result = Run({"pkg2"});
    EXPECT_NE(result.m_strOut.find("No record of this drop could be written ("), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(m_temp / "elsewhere"));
}
