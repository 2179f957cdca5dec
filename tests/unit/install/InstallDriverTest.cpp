#include <unistd.h>

#include "EngineTest.h"
#include "install/InstallPaths.h"

using namespace quarvel::test;
using platform::kIdCancel;
using platform::kIdYes;

using InstallDriver = CEngineTest;

TEST_F(InstallDriver, MapFoldersBelowAFolderAreInstalledBeforeIt) {
    MakeModFolders({"overviews", "gfx/env", "models", "sound/ambience", "sprites"});
    m_boxes.Answer(kIdYes);  // maps/old
    WriteFile(m_temp / "pkg/maps/a.bsp", "a");
    WriteFile(m_temp / "pkg/maps/old/b.bsp", "b");

    Drop({"pkg"});

    EXPECT_EQ(Log(), std::string(kUnstructuredHeader) + Copied("maps/b.bsp") + kStructuredHeader +
                         Copied("maps/a.bsp") + Created("maps/old") + Copied("maps/old/b.bsp") +
                         kFinished);
    EXPECT_EQ(m_boxes.Shown().size(), 1u);
}

TEST_F(InstallDriver, MapPackagesInstallOncePerDropSkinPacksEveryTime) {
    MakeEveryInstallFolder();
    WriteFile(m_temp / "loose/m.bsp", "m");
    WriteFile(m_temp / "pkg/maps/de_x.bsp", "x");
    WriteFile(m_temp / "pack/knife.mdl", "k");

    Drop({"loose", "pkg", "pack", "loose", "pkg/maps", "pack"});
    const std::string skins = std::string(kNoMapsHeader) + Copied("models/knife.mdl");
    const std::string once = std::string(kUnstructuredHeader) + Copied("maps/m.bsp") +
                             kStructuredHeader + Copied("maps/de_x.bsp") + skins + skins +
                             kFinished;
    EXPECT_EQ(Log(), once);

    Drop({"pkg"});
    EXPECT_EQ(Log(), once + kStructuredHeader + Copied("maps/de_x.bsp") + kFinished);
}

TEST_F(InstallDriver, AMapsFolderInAnyLetterCaseMakesAStructuredPackage) {
    WriteFile(m_temp / "pkg/Maps/de_x.bsp", "x");
    WriteFile(m_temp / "pkg/de_x.wad", "w");

    Drop({"pkg"});

    // "Maps" sorts before "de_x.wad": upper case comes first in byte order.
    EXPECT_EQ(Log(), std::string(kStructuredHeader) + Copied("maps/de_x.bsp") + Copied("de_x.wad") +
                         kFinished);
}

TEST_F(InstallDriver, ADroppedMapsFolderInstallsItselfNeverItsParent) {
    WriteFile(m_temp / "Downloads/de_x/maps/de_x.bsp", "x");
    WriteFile(m_temp / "Downloads/de_x/maps/de_x.txt", "t");
    WriteFile(m_temp / "Downloads/shopping.txt", "milk");
    WriteFile(m_temp / "Downloads/music/song.wav", "la");

    // The maps folder of a package unpacked into Downloads.
    Drop({"Downloads/de_x/maps"});
    EXPECT_EQ(Log(), std::string(kStructuredHeader) + Copied("maps/de_x.bsp") +
                         Copied("maps/de_x.txt") + kFinished);

    // Dropped with no package of its own: Downloads/maps.
    WriteFile(m_temp / "Downloads/maps/de_y.bsp", "y");
    Drop({"Downloads/maps"});
    EXPECT_EQ(ReadTree(m_strMod), (std::map<std::string, std::string>{{"maps/", ""},
                                                                      {"maps/de_x.bsp", "x"},
                                                                      {"maps/de_x.txt", "t"},
                                                                      {"maps/de_y.bsp", "y"},
                                                                      {"sound/", ""}}));
}

TEST_F(InstallDriver, LooseFilesOfOneDropInstallAsOnePackage) {
    MakeEveryInstallFolder();
    WriteFile(m_temp / "a/de_x.bsp", "x");
    WriteFile(m_temp / "b/de_x.wad", "w");
    WriteFile(m_temp / "a/de_x.txt", "t");
    WriteFile(m_temp / "b/de_x.txt", "another text of that name");
    WriteFile(m_temp / "pkg/maps/de_y.bsp", "y");

    Drop({"a/de_x.bsp", "pkg", "b/de_x.wad", "a/de_x.txt", "b/de_x.txt"});

    EXPECT_EQ(Log(), "\r\nDropped files: 4, installed as one package.\r\n" +
                         std::string(kUnstructuredHeader) + Copied("maps/de_x.bsp") +
                         Copied("maps/de_x.txt") + Copied("overviews/de_x.txt") +
                         Copied("de_x.wad") +
                         NotInstalled("the dropped files",
                                      {{"de_x.txt", "another dropped file has the same name"}}) +
                         kStructuredHeader + Copied("maps/de_y.bsp") + kFinished);
    EXPECT_EQ(ReadFile(Mod("maps/de_x.txt")), "t");

    // A lone model is a skin pack of one file.
    WriteFile(m_temp / "v_knife.mdl", "k");
    Drop({"v_knife.mdl"});
    EXPECT_EQ(ReadFile(Mod("models/v_knife.mdl")), "k");
    EXPECT_EQ(m_engine.GetDropSummary().m_nFailedPaths, 0);
}

TEST_F(InstallDriver, PathsThatInstallNothingSaySoAndTheDropGoesOn) {
    MakeModFolders({"models", "sprites", "sound/weapons", "gfx/vgui"});
    WriteFile(m_temp / "docs/readme.doc", "doc");
    WriteFile(m_temp / "pkg/maps/de_x.bsp", "x");

    Drop({"missing", "docs", "pkg"});

    EXPECT_EQ(Log(), NothingFrom(m_temp / "missing", "the path does not exist") + kNoMapsHeader +
                         NotInstalled(m_temp / "docs", {{"readme.doc", kNoPlace}}) +
                         NothingFrom(m_temp / "docs", "nothing installable was found in it") +
                         kStructuredHeader + Copied("maps/de_x.bsp") + kFinished);
    EXPECT_EQ(m_engine.GetDropSummary().m_nFailedPaths, 2);
    EXPECT_EQ(m_engine.GetDropSummary().m_nErrors, 0);
}

TEST_F(InstallDriver, CancelLeavesLaterPathsUntouchedAndStillCleansUp) {
    WriteFile(m_temp / "first/custom/a.txt", "a");
    WriteFile(m_temp / "first/maps/a.bsp", "a");
    WriteFile(m_temp / "second/maps/b.bsp", "b");
    m_boxes.Answer(kIdCancel);  // custom

    Drop({"first", "second"});

    EXPECT_EQ(Log(), std::string(kStructuredHeader) + kAborted + kFinished);
    EXPECT_TRUE(m_engine.GetInstalledFolders().empty());
    EXPECT_FALSE(Exists(m_engine.GetStagingRoot()));

    // The next drop starts afresh.
    Drop({"second"});
    EXPECT_FALSE(m_engine.IsAborted());
    EXPECT_TRUE(Exists(Mod("maps/b.bsp")));
}

#ifndef _WIN32  // links, FIFOs, locks and modes of the posix backend
TEST_F(InstallDriver, LinksInsideAPackageAreNeverEntered) {
    WriteFile(m_temp / "outside/maps/evil.bsp", "evil");
    WriteFile(m_temp / "pkg/maps/de_x.bsp", "x");
    ASSERT_EQ(::symlink((m_temp / "outside").c_str(), (m_temp / "pkg/maps/loop").c_str()), 0);
    ASSERT_EQ(::symlink((m_temp / "pkg").c_str(), (m_temp / "pkg/self").c_str()), 0);
    m_boxes.Answer(platform::kIdNo);  // "loop" is a file type nobody accepted
    m_boxes.Answer(platform::kIdNo);  // "self" too

    Drop({"pkg"});

    EXPECT_EQ(Log(),
              std::string(kStructuredHeader) + Copied("maps/de_x.bsp") +
                  "File loop not installed.\r\nFile self not installed.\r\n" +
                  NotInstalled(m_temp / "pkg", {{"maps/loop", kDeclined}, {"self", kDeclined}}) +
                  kFinished);
    EXPECT_FALSE(Exists(Mod("maps/evil.bsp")));
}
#endif

TEST_F(InstallDriver, APackageHoldingTheModDirectoryDoesNotCopyItIntoItself) {
    WriteFile(m_temp / "hl/maps/de_x.bsp", "x");  // hl is the package root, cstrike inside it
    MakeFolder(m_temp / "hl/cstrike/maps");
    m_boxes.Answer(platform::kIdNo);  // hl.exe is no map file

    Drop({"hl"});

    EXPECT_EQ(Log(), std::string(kStructuredHeader) + "File hl.exe not installed.\r\n" +
                         Copied("maps/de_x.bsp") +
                         NotInstalled(m_temp / "hl", {{"hl.exe", kDeclined}}) + kFinished);
    EXPECT_FALSE(Exists(Mod("cstrike")));
}

TEST_F(InstallDriver, RefreshCountsLineBreaksAcrossPiecesAndSendsOnlyWhatIsNew) {
    m_engine.AppendLog("one\r");
    m_engine.RefreshLog();
    m_engine.AppendLog("\ntwo\r\nthree");
    m_engine.RefreshLog();
    EXPECT_EQ(m_log.m_nLineBreaks, 2u);
    m_engine.RefreshLog();
    EXPECT_EQ(m_log.m_nRefreshes, 3);
    EXPECT_EQ(m_log.m_nLineBreaks, 2u);
}

TEST(InstallPaths, ArchivesAreToldByTheirNameAlone) {
    EXPECT_TRUE(install::IsArchivePath("/x/MAP.ZIP"));
    EXPECT_TRUE(install::IsArchivePath("a.zip"));
    EXPECT_FALSE(install::IsArchivePath("zip"));
    EXPECT_FALSE(install::IsArchivePath("/x/map.zip2"));
    EXPECT_TRUE(install::EndsWithMapsFolder("/pkg/maps"));
    EXPECT_TRUE(install::EndsWithMapsFolder("/pkg/MAPS"));
    EXPECT_FALSE(install::EndsWithMapsFolder("maps"));
    EXPECT_FALSE(install::EndsWithMapsFolder("/pkg/mymaps"));
    EXPECT_EQ(install::ParentFolder("/a/b  /c"), "/a/b");
    EXPECT_EQ(install::ParentFolder("/top"), "/");
    EXPECT_EQ(install::ParentFolder("bare"), "");
}

TEST_F(InstallDriver, AWeaponPackWithGameFoldersPlacesItsLooseFilesAsASkinPack) {
    // As weapon packs come: the models and sounds loose, the HUD in sprites/,
    // a player model in its own folder.
    WriteFile(m_temp / "pack/v_knife.mdl", "knife");
    WriteFile(m_temp / "pack/gign.mdl", "gign");
    WriteFile(m_temp / "pack/knife_hit1.wav", "hit");
    WriteFile(m_temp / "pack/sprites/weapon_knife.txt", "hud");
    WriteFile(m_temp / "pack/sprites/knife_icon.spr", "icon");
    WriteFile(m_temp / "pack/models/player/santa/santa.mdl", "santa");
    MakeEveryInstallFolder();
    for (int question = 0; question < 3; ++question) {
        m_boxes.Answer(kIdYes);  // models/player, then .../gign and .../santa
    }

    Drop({"pack"});

    std::map<std::string, std::string> tree = ReadTree(m_strMod);
    std::erase_if(tree, [](const auto& entry) { return entry.first.ends_with("/"); });
    EXPECT_EQ(tree, (std::map<std::string, std::string>{{"models/gign.mdl", "gign"},
                                                        {"models/player/gign/gign.mdl", "gign"},
                                                        {"models/player/santa/santa.mdl", "santa"},
                                                        {"models/v_knife.mdl", "knife"},
                                                        {"sound/weapons/knife_hit1.wav", "hit"},
                                                        {"sprites/knife_icon.spr", "icon"},
                                                        {"sprites/weapon_knife.txt", "hud"}}));
    EXPECT_NE(Log().find("No Map Files Found...\r\nInstalling Weapon and Player Skin files...\r\n"),
              std::string::npos)
        << Log();
}
