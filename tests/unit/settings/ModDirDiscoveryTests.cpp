#include <gtest/gtest.h>
#include <unistd.h>

#include "ScriptedMessageBoxHost.h"
#include "SettingsTestSupport.h"
#include "settings/ModDirDiscovery.h"
#include "settings/SteamLibraries.h"

namespace {

using quarvel::test::CScopedHome;
using quarvel::test::CScriptedMessageBoxHost;
using quarvel::test::MakeFolder;
using quarvel::test::WriteFile;
using settings::CCandidateList;
using settings::CModDirDiscovery;
using Strings = std::vector<std::string>;

class DiscoveryTest : public testing::Test {
  protected:
    // The Steam installation that the lookup finds first.
    std::string Steam() const { return m_home.Home() + "/.steam/root"; }
    void Folder(const std::string& path) { MakeFolder(path); }
    void File(const std::string& path) { WriteFile(path, ""); }
    void Link(const std::string& target, const std::string& link) {
        ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0) << link;
    }

    // Runs the lookup as the dialog does; the candidates, top item first.
    Strings Find(bool bFirstRun = false) {
        CCandidateList candidates;
        CModDirDiscovery(m_boxes, candidates, m_strDir, bFirstRun).FindSteamModDirs();
        return candidates.Items();
    }

    CScopedHome m_home;
    CScriptedMessageBoxHost m_boxes;
    std::string m_strDir = "unchanged";
};

TEST_F(DiscoveryTest, AccountTreeWithGameBesideTheMods) {
    const std::string game = Steam() + "/SteamApps/ACCOUNT/counter-strike";
    File(game + "/hl.exe");
    Folder(game + "/cstrike");
    Folder(game + "/valve/maps");
    Folder(game + "/valve/sound");
    File(game + "/notes/maps");  // a file called maps marks nothing

    // Found in the order cstrike, valve; listed newest first.
    EXPECT_EQ(Find(true), (Strings{game + "/valve", game + "/cstrike"}));
    EXPECT_EQ(m_strDir, game + "/valve");
    EXPECT_TRUE(m_boxes.Shown().empty());

    // Outside first-run mode the directory text is left alone.
    m_strDir = "/mine";
    EXPECT_EQ(Find(false), (Strings{game + "/valve", game + "/cstrike"}));
    EXPECT_EQ(m_strDir, "/mine");
    EXPECT_EQ(settings::FindModDirCandidates(m_boxes), Find(false));
}

TEST_F(DiscoveryTest, ModFoldersNeedTheGameInTheirParent) {
    const std::string apps = Steam() + "/SteamApps";
    // Named cstrike, with maps, but no game beside it.
    Folder(apps + "/a/nogame/cstrike/maps");
    // Names compare with case; a folder in other case needs its own maps.
    File(apps + "/b/game/hl.exe");
    Folder(apps + "/b/game/CStrike");
    Folder(apps + "/b/game/TFC/sound");
    Folder(apps + "/b/game/tfc");
    EXPECT_EQ(Find(true), Strings{apps + "/b/game/tfc"});

    Folder(apps + "/b/game/CStrike/MAPS");
    EXPECT_EQ(Find(true), (Strings{apps + "/b/game/tfc", apps + "/b/game/CStrike"}));
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(DiscoveryTest, LinuxSteamLayout) {
    // Lower-case steamapps, found as "SteamApps"; hl_linux as the game, or hl.exe in any case.
    MakeFolder(m_home.Home() + "/.steam");
    const std::string steam = m_home.Home() + "/.local/share/Steam";
    const std::string halfLife = steam + "/steamapps/common/Half-Life";
    File(halfLife + "/hl_linux");
    Folder(halfLife + "/cstrike");
    Folder(halfLife + "/tfc");
    Folder(halfLife + "/valve/maps");
    File(steam + "/steamapps/common/Other/HL.EXE");
    Folder(steam + "/steamapps/common/Other/mymod/Maps");
    Link(steam, Steam());

    EXPECT_EQ(Find(true), (Strings{Steam() + "/steamapps/common/Other/mymod",
                                   Steam() + "/steamapps/common/Half-Life/valve",
                                   Steam() + "/steamapps/common/Half-Life/tfc",
                                   Steam() + "/steamapps/common/Half-Life/cstrike"}));
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(DiscoveryTest, FolderReachedUnderTwoCasesIsListedOnce) {
    const std::string apps = Steam() + "/SteamApps";
    File(apps + "/a/Half-Life/hl.exe");
    Folder(apps + "/a/Half-Life/cstrike");
    File(apps + "/a/half-life/hl.exe");
    Folder(apps + "/a/half-life/cstrike");

    EXPECT_EQ(Find(true), Strings{apps + "/a/Half-Life/cstrike"});
    // First-run mode still takes the last one found.
    EXPECT_EQ(m_strDir, apps + "/a/half-life/cstrike");
}

TEST_F(DiscoveryTest, SteamWithoutSteamApps) {
    Folder(Steam() + "/config");
    File(Steam() + "/steamapps");  // a file is no folder
    EXPECT_TRUE(Find(true).empty());
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0].m_strText,
              "Your SteamApps folder is not in the default location.\n"
              "Please find and enter your cstrike directory manually.");
    EXPECT_EQ(m_boxes.Shown()[0].m_strCaption, "SteamApps Folder Not Found");
    EXPECT_EQ(m_boxes.Shown()[0].m_nType, platform::kMbOk);
    EXPECT_EQ(m_strDir, "unchanged");
}

TEST_F(DiscoveryTest, NoSteamInstalled) {
    EXPECT_TRUE(Find(true).empty());
    EXPECT_TRUE(m_boxes.Shown().empty());
    EXPECT_EQ(m_strDir, "unchanged");
}

TEST_F(DiscoveryTest, InstallPathTooLongForItsBuffer) {
    // The home folder makes "InstallPath" 400 bytes or more: the lookup ends.
    const std::string home = m_home.Elsewhere(std::string(200, 'h') + "/" + std::string(190, 'h'));
    const std::string game = home + "/.steam/root/SteamApps/game";
    File(game + "/hl.exe");
    Folder(game + "/cstrike");
    ::setenv("HOME", home.c_str(), 1);
    ASSERT_GE((home + "/.steam/root").size(), 400u);

    EXPECT_TRUE(Find(true).empty());
    EXPECT_EQ(m_boxes.Texts(), Strings{"Error Code 0"});
    EXPECT_EQ(m_boxes.Shown()[0].m_strCaption, "");
    EXPECT_EQ(m_strDir, "unchanged");
}

TEST_F(DiscoveryTest, LinksAreTestedButNeverWalked) {
    // SteamApps itself linked in from another drive.
    const std::string drive = m_home.Elsewhere("drive");
    File(drive + "/apps/game/hl.exe");
    Folder(drive + "/apps/game/cstrike");
    Folder(drive + "/mods/tfc/maps");
    Folder(Steam());
    Link(drive + "/apps", Steam() + "/SteamApps");
    // A loop and a linked mod folder inside it: neither is entered.
    Link("..", drive + "/apps/game/loop");
    Link(drive + "/mods/tfc", drive + "/apps/game/tfc");
    // A link to a maps folder still marks a mod folder.
    Folder(drive + "/apps/game/mymod");
    Link(drive + "/mods/tfc/maps", drive + "/apps/game/mymod/maps");

    EXPECT_EQ(Find(true),
              (Strings{Steam() + "/SteamApps/game/mymod", Steam() + "/SteamApps/game/cstrike"}));
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(DiscoveryTest, FurtherLibrariesFromLibraryFolders) {
    // The main library, reached through ~/.steam/root, and a second one.
    const std::string main = m_home.Home() + "/.local/share/Steam";
    const std::string second = m_home.Elsewhere("drive2/SteamLibrary");
    File(main + "/steamapps/common/Half-Life/hl_linux");
    Folder(main + "/steamapps/common/Half-Life/cstrike");
    File(second + "/steamapps/common/Half-Life/hl_linux");
    Folder(second + "/steamapps/common/Half-Life/cstrike");
    Folder(second + "/steamapps/common/Half-Life/tfc");
    Folder(m_home.Home() + "/.steam");
    Link(main, Steam());
    WriteFile(main + "/steamapps/libraryfolders.vdf",
              "\"libraryfolders\"\n{\n"
              "\t\"contentstatsid\"\t\t\"-1234\"\n"
              "\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" +
                  main +
                  "\"\n\t\t\"label\"\t\t\"\"\n"
                  "\t\t\"apps\"\n\t\t{\n\t\t\t\"70\"\t\t\"123\"\n\t\t}\n\t}\n"
                  "\t\"1\"\n\t{\n\t\t\"Path\"\t\t\"" +
                  second +
                  "/\"\n\t}\n"
                  "\t\"2\"\n\t{\n\t\t\"path\"\t\t\"" +
                  second +
                  "\"\n\t}\n"
                  "\t\"3\"\n\t{\n\t\t\"path\"\t\t\"relative/library\"\n\t}\n"
                  "}\n");

    // The main tree once, under the path Steam was found by; the second library after it.
    EXPECT_EQ(Find(true), (Strings{second + "/steamapps/common/Half-Life/tfc",
                                   second + "/steamapps/common/Half-Life/cstrike",
                                   Steam() + "/steamapps/common/Half-Life/cstrike"}));
    EXPECT_EQ(m_strDir, second + "/steamapps/common/Half-Life/tfc");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(DiscoveryTest, FurtherLibrariesInTheOldForm) {
    const std::string apps = Steam() + "/SteamApps";
    const std::string second = m_home.Elsewhere("D/Games");
    Folder(apps);
    File(second + "/SteamApps/common/Half-Life/hl.exe");
    Folder(second + "/SteamApps/common/Half-Life/cstrike");
    WriteFile(apps + "/LibraryFolders.VDF",
              "\"LibraryFolders\"\n{\n"
              "\t\"TimeNextStatsReport\"\t\t\"1700000000\"\n"
              "\t\"ContentStatsID\"\t\t\"-1\"\n"
              "\t\"1\"\t\t\"" +
                  second +
                  "\"\n"
                  "}\n");
    EXPECT_EQ(Find(), Strings{second + "/SteamApps/common/Half-Life/cstrike"});
}

TEST(SteamLibraries, ParsesBothFormsAndSurvivesDamage) {
    EXPECT_EQ(
        settings::ParseLibraryFolders("\"libraryfolders\" { \"0\" { \"path\" \"/a\" } "
                                      "\"1\" { \"label\" \"x\" } \"2\" { \"PATH\" \"/c\" } }"),
        (Strings{"/a", "/c"}));
    EXPECT_EQ(
        settings::ParseLibraryFolders("// written by Steam\n"
                                      "LibraryFolders { [$WIN32] \"1\" \"D:\\\\Steam \\\"A\\\"\""
                                      " x1 \"E:\" \"01\" \"F:\" }"),
        (Strings{"D:\\Steam \"A\"", "F:"}));
    // Only the library list counts.
    EXPECT_TRUE(settings::ParseLibraryFolders("\"other\" { \"0\" { \"path\" \"/a\" } }").empty());
    EXPECT_TRUE(settings::ParseLibraryFolders("\"libraryfolders\" \"0\"").empty());
    // What was read before the damage is kept.
    EXPECT_EQ(settings::ParseLibraryFolders("\"libraryfolders\" { \"0\" { \"path\" \"/a\" } "
                                            "\"1\" { \"path\" \"/b"),
              Strings{"/a"});
    EXPECT_EQ(settings::ParseLibraryFolders("\"libraryfolders\" { \"0\" \"/a\" \"1\" }"),
              Strings{"/a"});
    // Deep nesting ends the parse instead of the stack.
    const std::string deep = "\"libraryfolders\" { \"0\" \"/a\" " + std::string(100000, '{');
    EXPECT_EQ(settings::ParseLibraryFolders(deep), Strings{"/a"});
    std::string nested = "\"libraryfolders\" { \"0\" \"/a\" ";
    for (int i = 0; i < 100000; ++i) {
        nested += "\"k\" { ";
    }
    EXPECT_EQ(settings::ParseLibraryFolders(nested), Strings{"/a"});
}

TEST(FolderTests, SubdirectoryExecutableAndModName) {
    CScopedHome home;
    const std::string root = home.Elsewhere("game");
    MakeFolder(root + "/Maps");
    WriteFile(root + "/sound", "a file");
    MakeFolder(home.Elsewhere("target"));
    ASSERT_EQ(::symlink(home.Elsewhere("target").c_str(), (root + "/linked").c_str()), 0);

    EXPECT_TRUE(CModDirDiscovery::HasSubdirectory(root, "maps"));
    EXPECT_TRUE(CModDirDiscovery::HasSubdirectory(root, "MAPS"));
    EXPECT_TRUE(CModDirDiscovery::HasSubdirectory(root, "linked"));
    EXPECT_FALSE(CModDirDiscovery::HasSubdirectory(root, "sound"));
    EXPECT_FALSE(CModDirDiscovery::HasSubdirectory(root, "map"));
    EXPECT_FALSE(CModDirDiscovery::HasSubdirectory(root, ""));
    EXPECT_FALSE(CModDirDiscovery::HasSubdirectory(root + "/missing", "maps"));
    // The folder itself may be given in another case.
    EXPECT_TRUE(CModDirDiscovery::HasSubdirectory(home.Elsewhere("GAME"), "maps"));
    // No parent stands for the root folder.
    const std::string top = root.substr(1, root.find('/', 1) - 1);
    EXPECT_TRUE(CModDirDiscovery::HasSubdirectory("", top));

    EXPECT_FALSE(CModDirDiscovery::HasHalfLifeExe(root));
    WriteFile(root + "/hl.exe.bak", "");
    WriteFile(root + "/xhl.exe", "");
    EXPECT_FALSE(CModDirDiscovery::HasHalfLifeExe(root));
    MakeFolder(root + "/Hl.Exe");  // any entry of that name counts
    EXPECT_TRUE(CModDirDiscovery::HasHalfLifeExe(root));
    WriteFile(home.Elsewhere("linux/hl_linux"), "");
    EXPECT_TRUE(CModDirDiscovery::HasHalfLifeExe(home.Elsewhere("linux")));
    EXPECT_FALSE(CModDirDiscovery::HasHalfLifeExe(home.Elsewhere("missing")));

    EXPECT_TRUE(CModDirDiscovery::IsKnownModName("cstrike"));
    EXPECT_TRUE(CModDirDiscovery::IsKnownModName("tfc"));
    EXPECT_FALSE(CModDirDiscovery::IsKnownModName("CStrike"));
    EXPECT_FALSE(CModDirDiscovery::IsKnownModName("TFC"));
    EXPECT_FALSE(CModDirDiscovery::IsKnownModName("cstrike "));
    EXPECT_FALSE(CModDirDiscovery::IsKnownModName("valve"));
}

TEST_F(DiscoveryTest, ChoiceOfferedWhenTheDialogOpens) {
    // First run, nothing found: the placeholder.
    std::string dir;
    EXPECT_TRUE(settings::PrepareModDirChoice(m_boxes, dir, true).Items().empty());
    EXPECT_EQ(dir, "Please enter your Counterstrike directory here");
    // Not first run, none chosen yet: an empty list, not a blank item.
    dir.clear();
    EXPECT_TRUE(settings::PrepareModDirChoice(m_boxes, dir, false).Items().empty());

    const std::string game = Steam() + "/SteamApps/game";
    File(game + "/hl.exe");
    Folder(game + "/cstrike");
    Folder(game + "/tfc");

    dir.clear();
    EXPECT_EQ(settings::PrepareModDirChoice(m_boxes, dir, true).Items(),
              (Strings{game + "/tfc", game + "/cstrike"}));
    EXPECT_EQ(dir, game + "/tfc");

    // A stored directory that was not found goes on top; one found is not listed twice.
    dir = "/elsewhere/cstrike";
    EXPECT_EQ(settings::PrepareModDirChoice(m_boxes, dir, false).Items(),
              (Strings{"/elsewhere/cstrike", game + "/tfc", game + "/cstrike"}));
    dir = game + "/CSTRIKE";
    EXPECT_EQ(settings::PrepareModDirChoice(m_boxes, dir, false).Items(),
              (Strings{game + "/tfc", game + "/cstrike"}));
    EXPECT_EQ(dir, game + "/CSTRIKE");
    EXPECT_TRUE(m_boxes.Shown().empty());
}

}  // namespace
