#include <gtest/gtest.h>

#include "CliProcess.h"
#include "TempFolder.h"
#include "ZipFixture.h"

#include <sys/stat.h>

using namespace quarvel::test;

namespace {

// A temporary home with a mod directory and a few packages, and a way to run
// quarvel-cli there with that home's cache and configuration folders.
class Cli : public ::testing::Test {
  protected:
    Cli() {
        MakeFolder(m_temp / "hl/cstrike/maps");
        MakeFolder(m_temp / "hl/cstrike/sound");
        WriteFile(m_temp / "hl/hl.exe", "");
        WriteFile(m_temp / "pkg/maps/de_x.bsp", "bsp");
        WriteFile(m_temp / "pkg/sound/de_x/wind.wav", "wav");
    }

    SProcessResult Run(const std::vector<std::string>& arguments, const std::string& input = "") {
        return RunCliProcess(arguments, m_temp.Path(), input,
                             {"XDG_CACHE_HOME=" + (m_temp / "cache"),
                              "XDG_CONFIG_HOME=" + (m_temp / "config"), "HOME=" + m_temp.Path()});
    }

    std::string Mod(const std::string& relative) const {
        return m_temp / ("hl/cstrike/" + relative);
    }

    CTempFolder m_temp;
};

int CountLines(const std::string& text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

TEST_F(Cli, InstallsRelativePathsAndWritesThePlainLogToStandardOutput) {
    const SProcessResult result = Run({"--mod-dir", "hl/cstrike/", "./pkg"}, "y\n");

    EXPECT_EQ(result.m_nExitStatus, 0);
    EXPECT_EQ(result.m_strOut,
              "\nMap and supporting files found.\nInstalling to cstrike directory...\n" +
                  Mod("maps/de_x.bsp") + "\nDirectory \"" + Mod("sound/de_x") + "\" created.\n" +
                  Mod("sound/de_x/wind.wav") +
                  "\nde_x could not be checked: not a Half-Life map: the file is too short to be "
                  "a map.\nFinished Installing files.\n");
    EXPECT_EQ(result.m_strErr.find('\r'), std::string::npos);
    EXPECT_TRUE(result.m_strErr.starts_with("Unrecognized Directory\nDirectory \"" +
                                            Mod("sound/de_x") + "\" is included"));
    EXPECT_EQ(ReadFile(Mod("sound/de_x/wind.wav")), "wav");
    EXPECT_FALSE(Exists(m_temp / "cache/quarvel/__Orlimb_Temp"));
}

TEST_F(Cli, AnswersComeFromInputUntilItEnds) {
    WriteFile(m_temp / "pkg/notes.doc", "doc");
    // "maybe" is asked again, an empty line takes the default (Yes), then "No".
    SProcessResult result = Run({"--mod-dir", "hl/cstrike", "pkg"}, "maybe\n\nNo\n");
    EXPECT_EQ(result.m_nExitStatus, 0);
    EXPECT_NE(result.m_strOut.find("Extension \".doc\" added"), std::string::npos);
    EXPECT_NE(result.m_strOut.find("Directory \"" + Mod("sound/de_x") + "\" not created."),
              std::string::npos);

    // End of input answers Cancel: the drop stops, exit status 1.
    WriteFile(m_temp / "pkg2/maps/de_y.bsp", "bsp");
    WriteFile(m_temp / "pkg2/custom/a.txt", "a");
    result = Run({"--mod-dir", "hl/cstrike", "pkg2", "pkg"}, "");
    EXPECT_EQ(result.m_nExitStatus, 1);
    EXPECT_NE(result.m_strOut.find("Installation aborted.\nFinished Installing files.\n"),
              std::string::npos);
    EXPECT_FALSE(Exists(Mod("maps/de_y.bsp")));
}

TEST_F(Cli, FixedAnswersAreEchoedAndErrorsGiveStatusThree) {
    SProcessResult result = Run({"--answer", "yes", "--mod-dir", "hl/cstrike", "pkg"});
    EXPECT_EQ(result.m_nExitStatus, 0);
    EXPECT_NE(result.m_strErr.find("? yes\n"), std::string::npos);

    result = Run({"--answer=cancel", "--mod-dir=hl/cstrike", "pkg"});
    EXPECT_EQ(result.m_nExitStatus, 0) << "nothing left to ask: the folder exists now";

    // A file where the sound folder should be: copies into it fail with error boxes.
    WriteFile(m_temp / "mod2/sound", "a file");
    result = Run({"--answer", "yes", "--mod-dir", "mod2", "pkg"});
    EXPECT_EQ(result.m_nExitStatus, 3);
    EXPECT_NE(result.m_strErr.find("quarvel-cli\nError Code 7\nLast Error: 3\n"),
              std::string::npos);
    EXPECT_NE(result.m_strErr.find("quarvel-cli\nError Code 7.1\n"), std::string::npos);
}

TEST_F(Cli, BadUsageAndUnusableModDirectoriesGiveStatusTwoAndOneLine) {
    WriteFile(m_temp / "afile", "");
    const std::vector<std::vector<std::string>> cases = {
        {"pkg"},                          // no mod directory stored or given
        {"--mod-dir", "missing", "pkg"},  // not there
        {"--mod-dir", "afile", "pkg"},    // not a folder
        {"--mod-dir", "hl/cstrike"},      // nothing to install
        {"--mod-dir", "hl/cstrike", "--frobnicate", "pkg"},
        {"--answer", "maybe", "--mod-dir", "hl/cstrike", "pkg"},
        {"--mod-dir"},
    };
    for (const auto& arguments : cases) {
        const SProcessResult result = Run(arguments);
        EXPECT_EQ(result.m_nExitStatus, 2) << arguments.back();
        EXPECT_EQ(CountLines(result.m_strErr), 1) << result.m_strErr;
        EXPECT_EQ(result.m_strOut, "");
    }
    EXPECT_FALSE(Exists(m_temp / "cache"));
}

TEST_F(Cli, HelpAndVersion) {
    SProcessResult result = Run({"--help"});
    EXPECT_EQ(result.m_nExitStatus, 0);
    EXPECT_TRUE(result.m_strOut.starts_with("Usage: quarvel-cli [--mod-dir DIR]"));
    result = Run({"--version"});
    EXPECT_EQ(result.m_nExitStatus, 0);
    EXPECT_TRUE(result.m_strOut.starts_with("quarvel-cli "));
}

TEST_F(Cli, SetModDirStoresAValidatedDirectoryThatInstallsThenUse) {
    SProcessResult result = Run({"--set-mod-dir", "hl/cstrike/"});
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strOut, (m_temp / "hl/cstrike") + "\n");

    result = Run({"pkg"}, "y\n");
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strErr;
    EXPECT_EQ(ReadFile(Mod("maps/de_x.bsp")), "bsp");

    // No game beside it: the warning defaults to No, and nothing is stored.
    MakeFolder(m_temp / "nogame/cstrike");
    result = Run({"--set-mod-dir", "nogame/cstrike"}, "\n");
    EXPECT_EQ(result.m_nExitStatus, 1);
    EXPECT_NE(result.m_strErr.find("Warning, Potential Invalid Directory\n"), std::string::npos);
    result = Run({"--answer", "yes", "--set-mod-dir", "nogame/cstrike"});
    EXPECT_EQ(result.m_nExitStatus, 0);
    EXPECT_EQ(result.m_strOut, (m_temp / "nogame/cstrike") + "\n");

    result = Run({"--set-mod-dir", "missing"});
    EXPECT_EQ(result.m_nExitStatus, 2);
    EXPECT_NE(result.m_strErr.find("does not exist"), std::string::npos);
}

TEST_F(Cli, AStoredModDirectoryIsCheckedAsTheDialogChecksIt) {
    MakeFolder(m_temp / "work");
    MakeFolder(m_temp / "nogame/cstrike/maps");
    MakeFolder(m_temp / "linux/cstrike/maps");
    WriteFile(m_temp / "linux/hl_linux", "");
    const struct {
        std::string m_strStored;
        int m_nExitStatus;
        const char* m_szProblem;  // in the one line of a refusal
    } rows[] = {
        // A relative path names whatever the working folder makes of it.
        {"../hl/cstrike", 2, "../hl/cstrike is not an absolute path"},
        {m_temp / "nogame/cstrike", 2, "/nogame/cstrike has no hl.exe or hl_linux beside it"},
        {m_temp / "missing/cstrike", 2, "/missing/cstrike is not an existing folder"},
        {m_temp / "hl/./sound/../cstrike", 0, ""},
        {m_temp / "linux/cstrike", 0, ""},
    };
    for (const auto& [stored, exitStatus, problem] : rows) {
        SCOPED_TRACE(stored);
        WriteFile(m_temp / "config/Quarvel/steamconfiguration.conf", "Directory=sz:" + stored);
        const SProcessResult result =
            RunCliProcess({"--answer", "yes", "../pkg"}, m_temp / "work", "",
                          {"XDG_CACHE_HOME=" + (m_temp / "cache"),
                           "XDG_CONFIG_HOME=" + (m_temp / "config"), "HOME=" + m_temp.Path()});
        EXPECT_EQ(result.m_nExitStatus, exitStatus) << result.m_strErr;
        if (exitStatus == 2) {
            EXPECT_EQ(CountLines(result.m_strErr), 1) << result.m_strErr;
            EXPECT_NE(result.m_strErr.find(problem), std::string::npos) << result.m_strErr;
            EXPECT_NE(result.m_strErr.find("store a good one with --set-mod-dir DIR"),
                      std::string::npos);
            EXPECT_EQ(result.m_strOut, "");
        }
    }
    EXPECT_TRUE(Exists(m_temp / "linux/cstrike/maps/de_x.bsp"));
    EXPECT_FALSE(Exists(m_temp / "nogame/cstrike/maps/de_x.bsp"));

    // Given explicitly, a folder without the game beside it is still used.
    const SProcessResult result = Run({"--answer", "yes", "--mod-dir", "nogame/cstrike", "pkg"});
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strErr;
    EXPECT_TRUE(Exists(m_temp / "nogame/cstrike/maps/de_x.bsp"));
}

TEST_F(Cli, SetModDirReportsASettingsFolderThatCannotBeWritten) {
    WriteFile(m_temp / "blocked", "a file where the settings folder would go");
    const SProcessResult result =
        RunCliProcess({"--set-mod-dir", "hl/cstrike"}, m_temp.Path(), "",
                      {"XDG_CONFIG_HOME=" + (m_temp / "blocked"), "HOME=" + m_temp.Path()});
    EXPECT_EQ(result.m_nExitStatus, 3);
    EXPECT_NE(result.m_strErr.find("quarvel-cli\nError Code 14\n"), std::string::npos);
    EXPECT_EQ(result.m_strOut, "");
}

TEST_F(Cli, ListModDirsPrintsTheSteamCandidatesOrFailsWithoutAny) {
    SProcessResult result = Run({"--list-mod-dirs"});
    EXPECT_EQ(result.m_nExitStatus, 1);
    EXPECT_EQ(result.m_strOut, "");

    const std::string game = m_temp / ".local/share/Steam/steamapps/common/Half-Life";
    MakeFolder(game + "/cstrike/maps");
    MakeFolder(game + "/tfc/maps");
    WriteFile(game + "/hl.exe", "");
    result = Run({"--list-mod-dirs"});
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strErr;
    EXPECT_NE(result.m_strOut.find(game + "/cstrike\n"), std::string::npos);
    EXPECT_NE(result.m_strOut.find(game + "/tfc\n"), std::string::npos);
    EXPECT_EQ(CountLines(result.m_strOut), 2);
}

TEST_F(Cli, ArchivesInstallReadOnlyAndNestedWhileADamagedOneIsReported) {
    for (const char* folder : {"models", "sprites", "sound/weapons", "gfx/vgui", "sound/de_x",
                               "overviews", "gfx/env", "sound/ambience"}) {
        MakeFolder(Mod(folder));
    }
    MakeZip(m_temp / "loose.zip", {{"fy_loose.bsp", "l"}, {"fy_loose.wad", "w"}});
    MakeZip(m_temp / "skins.zip", {{"v_knife.mdl", "k"}});
    MakeZip(m_temp / "de_x.zip", {{"maps/de_x.bsp", "x"}, {"sound/de_x/wind.wav", "w"}});
    MakeZip(m_temp / "inner.zip", {{"maps/de_in.bsp", "in"}});
    MakeZip(m_temp / "outer.zip", {{"inner.zip", FileContent(m_temp / "inner.zip")}});
    MakeZip(m_temp / "ro.zip", {{"maps/de_ro.bsp", "ro"}});
    ASSERT_EQ(::chmod((m_temp / "ro.zip").c_str(), 0444), 0);
    WriteFile(m_temp / "broken.zip", "PK but nothing more");

    const SProcessResult result = Run({"--mod-dir", "hl/cstrike", "de_x.zip", "broken.zip",
                                       "outer.zip", "ro.zip", "loose.zip", "skins.zip"});

    EXPECT_EQ(result.m_nExitStatus, 3) << result.m_strErr;
    for (const char* file :
         {"maps/de_x.bsp", "sound/de_x/wind.wav", "maps/de_in.bsp", "maps/de_ro.bsp"}) {
        EXPECT_TRUE(Exists(Mod(file))) << file;
    }
    EXPECT_NE(result.m_strOut.find("Zip File Found: " + (m_temp / "broken.zip") +
                                   "\nUnzipping to temporary directory...\n"
                                   "Skipped " +
                                   (m_temp / "broken.zip") +
                                   " (not a zip archive); nothing of it was installed.\n"),
              std::string::npos);
    EXPECT_FALSE(Exists(m_temp / "cache/quarvel/__Orlimb_Temp"));
}

TEST_F(Cli, BigFilesShowProgressOnATerminalAndNowhereElse) {
    RunTool(m_temp.Path(), {"python3", "-c",
                            "import zipfile\n"
                            "with zipfile.ZipFile('big.zip', 'w', zipfile.ZIP_DEFLATED) as z:\n"
                            "    z.writestr('maps/big.bsp', bytes(24 << 20))\n"});
    const SProcessResult result = Run({"--mod-dir", "hl/cstrike", "big.zip"});
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strErr.find("Unpacking"), std::string::npos) << "not into a file";

    // On a terminal (script(1) gives it one) the line is written and wiped again.
    const std::string environment = "HOME='" + m_temp.Path() + "' XDG_CACHE_HOME='" +
                                    (m_temp / "cache") + "' XDG_STATE_HOME='" + (m_temp / "state") +
                                    "' XDG_CONFIG_HOME='" + (m_temp / "config") + "' ";
    RunTool(m_temp.Path(), {"script", "-q", "-e", "-c",
                            environment + QUARVEL_CLI_PATH + " --mod-dir hl/cstrike big.zip",
                            m_temp / "terminal"});
    const std::string shown = ReadFile(m_temp / "terminal");
    EXPECT_NE(shown.find("\rUnpacking big.bsp "), std::string::npos) << shown;
    EXPECT_NE(shown.find("%"), std::string::npos);
}
