#include "EngineTest.h"
#include "ZipFixture.h"
#include "install/ArchiveIdentity.h"

using namespace quarvel::test;

// A mod directory with every folder of a skin install, so archives that fall
// back to it ask nothing.
class ArchiveInstall : public CEngineTest {
  protected:
    ArchiveInstall() {
        for (const char* folder : {"models", "sprites", "sound/weapons", "gfx/vgui"}) {
            MakeFolder(Mod(folder));
        }
    }
};

namespace {

std::string ZipFound(const std::string& path) {
    return "\r\nZip File Found: " + path + "\r\nUnzipping to temporary directory...";
}

}  // namespace

TEST_F(ArchiveInstall, ArchivesAreStagedInstalledAndRemovedWithTheirNestedOnes) {
    MakeZip(m_temp / "de_x.zip", {{"maps/de_x.bsp", "x"}, {"maps\\de_x.txt", "t"}});
    MakeZip(m_temp / "inner.zip", {{"maps/de_y.bsp", "y"}});
    MakeZip(m_temp / "OUTER.ZIP", {{"inner.zip", "@" + (m_temp / "inner.zip")}});

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

TEST_F(ArchiveInstall, UnreadableArchivesSayWhyAndFallBackAsBefore) {
    WriteFile(m_temp / "garbage.zip", "not an archive at all");
    MakeFolder(m_temp / "pkg/folder.zip");  // only the name makes an archive
    WriteFile(m_temp / "pkg/maps/de_x.bsp", "x");
    m_boxes.Answer(platform::kIdNo);  // the empty folder.zip, copied as a folder too

    Drop({"garbage.zip", "pkg"});

    EXPECT_EQ(Log(), ZipFound(m_temp / "garbage.zip") +
                         "\r\nThe archive could not be read: not a zip archive." + kNoMapsHeader +
                         ZipFound(m_temp / "pkg/folder.zip") +
                         "\r\nThe archive could not be read: the file could not be opened "
                         "(error 5)." +
                         kNoMapsHeader + kStructuredHeader + NotCreated("folder.zip") +
                         Copied("maps/de_x.bsp") + kFinished);
    EXPECT_EQ(m_engine.GetErrorCount(), 2);
}

TEST_F(ArchiveInstall, ADamagedEntryEndsTheDropAndNothingOfThatArchiveIsInstalled) {
    MakeZip(m_temp / "bad.zip", {{"maps/de_x.bsp", "x"}, {"maps/de_x.txt", "precious text"}});
    DamageFirst(m_temp / "bad.zip", "precious text");
    WriteFile(m_temp / "later/maps/de_y.bsp", "y");

    Drop({"bad.zip", "later"});

    const std::string where = m_temp / "bad.zip";
    EXPECT_EQ(Log(), ZipFound(where) + "\r\nThe archive is damaged (" + where +
                         ", entry maps/de_x.txt: CRC error); nothing of it was installed.\r\n" +
                         kAborted + kFinished);
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{"The archive " + where +
                                                        " is damaged.\nEntry: maps/de_x.txt\n"
                                                        "Cause: CRC error"});
    EXPECT_TRUE(m_engine.IsAborted());
    EXPECT_FALSE(m_engine.IsCancelled());
    EXPECT_FALSE(Exists(Mod("maps/de_x.bsp")));
    EXPECT_FALSE(Exists(Mod("maps/de_y.bsp")));
    EXPECT_FALSE(Exists(m_engine.GetStagingRoot()));
}

TEST_F(ArchiveInstall, HostileNamesAreRefusedAndDeepNestingStops) {
    MakeZip(m_temp / "in/hostile.zip",
            {{"../../escaped.txt", "bad"}, {"/maps/../../up.txt", "bad"}, {"maps/ok.bsp", "ok"}});

    Drop({"in/hostile.zip"});

    EXPECT_EQ(Log(),
              ZipFound(m_temp / "in/hostile.zip") +
                  "\r\nNot extracted, its name leads out of the archive: ../../escaped.txt"
                  "\r\nNot extracted, its name leads out of the archive: /maps/../../up.txt" +
                  kStructuredHeader + Copied("maps/ok.bsp") + kFinished);
    EXPECT_FALSE(Exists(m_temp / "escaped.txt"));
    EXPECT_FALSE(Exists(m_temp / "cache/escaped.txt"));
    EXPECT_FALSE(Exists(m_temp / "cache/quarvel/escaped.txt"));

    // Nine archives, each inside the next: the ninth level is not unpacked.
    MakeZip(m_temp / "level9.zip", {{"maps/deep.bsp", "deep"}});
    for (int level = 8; level >= 1; --level) {
        const std::string inner = "level" + std::to_string(level + 1) + ".zip";
        MakeZip(m_temp / ("level" + std::to_string(level) + ".zip"),
                {{inner, "@" + (m_temp / inner)}});
    }
    Drop({"level1.zip"});
    EXPECT_NE(Log().find("\r\nNot unpacked: archives are nested more than 8 levels deep."),
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
