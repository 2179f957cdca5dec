#include "EngineTest.h"
#include "Process.h"
#include "ZipFixture.h"
#include "install/ArchiveIdentity.h"

using namespace quarvel::test;

// A mod directory with every folder of a skin install, so archives that fall
// back to it ask nothing.
class ArchiveInstall : public CEngineTest {
  protected:
    ArchiveInstall() { MakeModFolders({"models", "sprites", "sound/weapons", "gfx/vgui"}); }
};

namespace {

std::string ZipFound(const std::string& path) {
    return "\r\nZip File Found: " + path + "\r\nUnzipping to temporary directory...";
}

}  // namespace

TEST_F(ArchiveInstall, ArchivesAreStagedInstalledAndRemovedWithTheirNestedOnes) {
    MakeZip(m_temp / "de_x.zip", {{"maps/de_x.bsp", "x"}, {"maps\\de_x.txt", "t"}});
    MakeZip(m_temp / "inner.zip", {{"maps/de_y.bsp", "y"}});
    MakeZip(m_temp / "OUTER.ZIP", {{"inner.zip", FileContent(m_temp / "inner.zip")}});

    Drop({"de_x.zip", "OUTER.ZIP"});

    const std::string staging = m_engine.GetStagingRoot();
    EXPECT_EQ(Log(), ZipFound(m_temp / "de_x.zip") + kStructuredHeader + Copied("maps/de_x.bsp") +
                         Copied("maps/de_x.txt") + ZipFound(m_temp / "OUTER.ZIP") +
                         ZipFound(staging + "/Temp2/inner.zip") + kStructuredHeader +
                         Copied("maps/de_y.bsp") + kNoMapsHeader + kFinished);
    EXPECT_EQ(m_engine.GetArchiveCounter(), 3);
    EXPECT_FALSE(Exists(staging));
    EXPECT_EQ(m_engine.GetErrorCount(), 0);

    // The counter goes on across drops.
    Drop({"de_x.zip"});
    EXPECT_EQ(m_engine.GetArchiveCounter(), 4);
}

TEST_F(ArchiveInstall, ArchivesThatCannotBeInstalledAreSkippedWholeAndTheDropGoesOn) {
    WriteFile(m_temp / "garbage.zip", "not an archive at all");
    MakeFolder(m_temp / "pkg/folder.zip");  // a folder, whatever its name says
    WriteFile(m_temp / "pkg/maps/de_x.bsp", "x");
    MakeZip(m_temp / "bad.zip", {{"maps/de_y.bsp", "y"}, {"maps/de_y.txt", "precious text"}});
    DamageFirst(m_temp / "bad.zip", "precious text");
    MakeZip(m_temp / "good.zip", {{"maps/de_z.bsp", "z"}});
    m_boxes.Answer(platform::kIdNo);  // the empty folder.zip

    Drop({"garbage.zip", "pkg", "bad.zip", "good.zip"});

    const auto skipped = [&](const std::string& name, const std::string& why) {
        return ZipFound(m_temp / name) + "\r\nSkipped " + (m_temp / name) + " (" + why +
               "); nothing of it was installed.\r\n";
    };
    EXPECT_EQ(Log(), skipped("garbage.zip", "not a zip archive") + kStructuredHeader +
                         NotCreated("folder.zip") + Copied("maps/de_x.bsp") +
                         skipped("bad.zip",
                                 "damaged: the data of entry 1 (maps/de_y.txt) fails its "
                                 "CRC-32 check") +
                         ZipFound(m_temp / "good.zip") + kStructuredHeader +
                         Copied("maps/de_z.bsp") + kFinished);
    EXPECT_TRUE(m_boxes.Texts().size() == 1) << "only the folder question";
    EXPECT_FALSE(Exists(Mod("maps/de_y.bsp")));
    EXPECT_FALSE(m_engine.IsAborted());
    EXPECT_EQ(m_engine.GetDropSummary().m_nErrors, 2);
    EXPECT_EQ(m_engine.GetDropSummary().m_nFailedPaths, 2);
    EXPECT_FALSE(Exists(m_engine.GetStagingRoot()));
}

TEST_F(ArchiveInstall, EncryptedAndUnsupportedArchivesSayWhyInPlainWords) {
    // Large enough that 7-Zip compresses it rather than storing it.
    WriteFile(m_temp / "src/maps/de_x.bsp", std::string(4000, 'm'));
    RunTool(m_temp / "src", {"zip", "-q", "-r", "-P", "secret", "../locked.zip", "maps"});
    RunTool(m_temp / "src",
            {"7z", "a", "-bd", "-bso0", "-tzip", "-mm=Deflate64", "../d64.zip", "maps"});
    // An encrypted archive inside a package is listed in that package's account.
    WriteFile(m_temp / "pkg/maps/de_w.bsp", "w");
    RunTool(m_temp.Path(), {"cp", "locked.zip", "pkg/extra.zip"});

    Drop({"locked.zip", "d64.zip", "pkg"});

    EXPECT_NE(
        Log().find("Skipped " + (m_temp / "locked.zip") +
                   " (unsupported: entry 1 (maps/de_x.bsp) is password-protected); nothing of it "
                   "was installed."),
        std::string::npos);
    EXPECT_NE(
        Log().find("Skipped " + (m_temp / "d64.zip") +
                   " (unsupported: compression method 9 (Deflate64) of entry 1 (maps/de_x.bsp) is "
                   "not supported)"),
        std::string::npos);
    EXPECT_NE(Log().find(
                  NotInstalled(m_temp / "pkg", {{"extra.zip",
                                                 "skipped: unsupported: entry 1 (maps/de_x.bsp) is "
                                                 "password-protected"}})),
              std::string::npos);
    EXPECT_EQ(ReadTree(Mod("maps")), (std::map<std::string, std::string>{{"de_w.bsp", "w"}}));
}

TEST_F(ArchiveInstall, HostileNamesAreRefusedAndDeepNestingStops) {
    MakeZip(m_temp / "in/hostile.zip",
            {{"../../escaped.txt", "bad"}, {"/maps/../../up.txt", "bad"}, {"maps/ok.bsp", "ok"}});

    Drop({"in/hostile.zip"});

    EXPECT_EQ(Log(),
              ZipFound(m_temp / "in/hostile.zip") +
                  "\r\nNot extracted, its name leads out of the archive: ../../escaped.txt"
                  "\r\nNot extracted, its name leads out of the archive: /maps/../../up.txt" +
                  kStructuredHeader + Copied("maps/ok.bsp") +
                  NotInstalled(m_temp / "in/hostile.zip",
                               {{"../../escaped.txt", "its name leads out of the archive"},
                                {"/maps/../../up.txt", "its name leads out of the archive"}}) +
                  kFinished);
    EXPECT_FALSE(Exists(m_temp / "escaped.txt"));
    EXPECT_FALSE(Exists(m_temp / "cache/escaped.txt"));
    EXPECT_FALSE(Exists(m_temp / "cache/quarvel/escaped.txt"));

    // Nine archives, each inside the next: the ninth level is not unpacked.
    MakeZip(m_temp / "level9.zip", {{"maps/deep.bsp", "deep"}});
    for (int level = 8; level >= 1; --level) {
        const std::string inner = "level" + std::to_string(level + 1) + ".zip";
        MakeZip(m_temp / ("level" + std::to_string(level) + ".zip"),
                {{inner, FileContent(m_temp / inner)}});
    }
    Drop({"level1.zip"});
    EXPECT_NE(Log().find("(archives are nested more than 8 levels deep); nothing of it was "
                         "installed.\r\n"),
              std::string::npos);
    EXPECT_NE(Log().find("  level2.zip/level3.zip/level4.zip/level5.zip/level6.zip/level7.zip/"
                         "level8.zip/level9.zip (skipped: archives are nested"),
              std::string::npos);
    EXPECT_FALSE(Exists(Mod("maps/deep.bsp")));
    EXPECT_EQ(m_engine.GetErrorCount(), 3);
}

TEST(ArchiveIdentity, SameContentIsToldByTheBytes) {
    CTempFolder temp;
    WriteFile(temp / "a.zip", "same bytes");
    WriteFile(temp / "b.zip", "same bytes");
    WriteFile(temp / "c.zip", "same bytez");
    using install::IdentifyArchive;
    EXPECT_TRUE(install::SameArchiveContent(IdentifyArchive(temp / "a.zip"),
                                            IdentifyArchive(temp / "b.zip")));
    EXPECT_FALSE(install::SameArchiveContent(IdentifyArchive(temp / "a.zip"),
                                             IdentifyArchive(temp / "c.zip")));
    EXPECT_FALSE(install::SameArchiveContent(IdentifyArchive(temp / "a.zip"),
                                             IdentifyArchive(temp / "missing.zip")));
}
