// Installs that stay intact against what a hostile user, a second run or a
// killed one leaves behind: staging folders, planted links, special files,
// files that are their own destination, and archives that would never end.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "EngineTest.h"
#include "Process.h"
#include "ZipFixture.h"

using namespace quarvel::test;

namespace {

class Integrity : public CEngineTest {
  protected:
    Integrity() { MakeEveryInstallFolder(); }

    std::string Base() const { return m_temp / "cache/quarvel"; }
};

}  // namespace

#ifndef _WIN32  // links, FIFOs, locks and modes of the posix backend
TEST_F(Integrity, EachDropStagesPrivatelyAndDeadRunsLeftoversGo) {
    MakeZip(m_temp / "de_x.zip", {{"maps/de_x.bsp", "the whole map"}});
    // What a run killed long ago left: no process holds its lock.
    WriteFile(Base() + "/run-dead01/__Orlimb_Temp/Temp1/maps/de_x.bsp", "trunc");
    // A run that lives: this test holds its lock.
    WriteFile(Base() + "/run-live01/__Orlimb_Temp/Temp1/maps/de_y.bsp", "busy");
    const int live = ::open((Base() + "/run-live01").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(live, 0);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    // The fixed folder older versions shared: never used again.
    WriteFile(Base() + "/__Orlimb_Temp/Temp1/maps/de_x.bsp", "stale");

    Drop({"de_x.zip"});

    EXPECT_EQ(ReadFile(Mod("maps/de_x.bsp")), "the whole map");
    const std::string staging = m_engine.GetStagingRoot();
    EXPECT_TRUE(staging.starts_with(Base() + "/run-")) << staging;
    EXPECT_TRUE(staging.ends_with("/__Orlimb_Temp"));
    EXPECT_FALSE(Exists(staging));
    EXPECT_FALSE(Exists(Base() + "/run-dead01"));
    EXPECT_EQ(ReadFile(Base() + "/run-live01/__Orlimb_Temp/Temp1/maps/de_y.bsp"), "busy");
    EXPECT_EQ(ReadFile(Base() + "/__Orlimb_Temp/Temp1/maps/de_x.bsp"), "stale");
    ::close(live);
}
#endif

#ifndef _WIN32  // links, FIFOs, locks and modes of the posix backend
TEST_F(Integrity, PlantedLinksAreRefusedAndNeverFollowed) {
    MakeZip(m_temp / "de_x.zip", {{"maps/de_x.bsp", "x"}});
    WriteFile(m_temp / "victim/keep.txt", "keep");
    // A link in the place of a run: removed itself, its target untouched.
    MakeFolder(Base());
    ASSERT_EQ(::symlink((m_temp / "victim").c_str(), (Base() + "/run-planted").c_str()), 0);

    Drop({"de_x.zip"});
    EXPECT_EQ(ReadFile(Mod("maps/de_x.bsp")), "x");
    EXPECT_FALSE(std::filesystem::is_symlink(Base() + "/run-planted"));
    EXPECT_EQ(ReadTree(m_temp / "victim"),
              (std::map<std::string, std::string>{{"keep.txt", "keep"}}));

    // The staging base itself a link: nothing is staged through it.
    std::filesystem::remove_all(Base());
    ASSERT_EQ(::symlink((m_temp / "victim").c_str(), Base().c_str()), 0);
    std::filesystem::remove(Mod("maps/de_x.bsp"));
    Drop({"de_x.zip"});
    EXPECT_NE(Log().find("No staging folder could be made in " + Base() + " (error 1921)"),
              std::string::npos)
        << Log();
    EXPECT_FALSE(Exists(Mod("maps/de_x.bsp")));
    EXPECT_EQ(ReadTree(m_temp / "victim"),
              (std::map<std::string, std::string>{{"keep.txt", "keep"}}));
}
#endif

#ifndef _WIN32  // links, FIFOs, locks and modes of the posix backend
TEST_F(Integrity, FifosAndDevicesAreRefusedWithoutBlocking) {
    WriteFile(m_temp / "pkg/maps/de_x.bsp", "x");
    ASSERT_EQ(::mkfifo((m_temp / "pkg/maps/de_x.res").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", (m_temp / "pkg/de_x.wad").c_str()), 0);
    ASSERT_EQ(::mkfifo((m_temp / "pack.zip").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((m_temp / "x.bsp").c_str(), 0600), 0);

    Drop({"pkg", "pack.zip", "x.bsp"});

    EXPECT_EQ(ReadFile(Mod("maps/de_x.bsp")), "x");
    EXPECT_FALSE(Exists(Mod("de_x.wad")));
    EXPECT_FALSE(Exists(Mod("maps/de_x.res")));
    EXPECT_NE(Log().find("Not installed, not a regular file: " + (m_temp / "pkg/de_x.wad")),
              std::string::npos);
    EXPECT_NE(Log().find("Skipped " + (m_temp / "pack.zip") +
                         " (not a regular file (a FIFO, device or socket))"),
              std::string::npos);
    EXPECT_NE(Log().find("  x.bsp (not a regular file (a FIFO, device or socket))"),
              std::string::npos);
    EXPECT_EQ(m_engine.GetDropSummary().m_nFailedPaths, 2);
}
#endif

#ifndef _WIN32  // links, FIFOs, locks and modes of the posix backend
TEST_F(Integrity, AFileIsNeverCopiedOntoItself) {
    WriteFile(m_temp / "pkg/maps/de_x.bsp", "the real map");
    ASSERT_EQ(::symlink((m_temp / "pkg/maps/de_x.bsp").c_str(), Mod("maps/de_x.bsp").c_str()), 0);

    Drop({"pkg"});
    EXPECT_NE(Log().find(Mod("maps/de_x.bsp") + " is the dropped file itself, left as it is.\r\n"),
              std::string::npos);
    EXPECT_EQ(ReadFile(m_temp / "pkg/maps/de_x.bsp"), "the real map");

    // The mod directory dropped onto itself.
    WriteFile(Mod("maps/de_y.bsp"), "another map");
    Drop({"hl/cstrike/maps"});
    EXPECT_EQ(ReadFile(Mod("maps/de_y.bsp")), "another map");
    EXPECT_EQ(ReadFile(m_temp / "pkg/maps/de_x.bsp"), "the real map");
    EXPECT_EQ(m_engine.GetDropSummary().m_nErrors, 0);
}
#endif

TEST_F(Integrity, ADropUnpacksNoMoreThanItsBudget) {
    MakeZip(m_temp / "leaf.zip", {{"maps/leaf.bsp", "l"}});
    std::vector<std::pair<std::string, std::string>> copies;
    for (int i = 0; i < 4; ++i) {
        copies.emplace_back("copy" + std::to_string(i) + ".zip", FileContent(m_temp / "leaf.zip"));
    }
    MakeZip(m_temp / "many.zip", copies);
    MakeZip(m_temp / "big.zip", {{"a.txt", "a"}, {"b.txt", "b"}, {"c.txt", "c"}});

    // many.zip and two of its copies fit; the third copy passes the limit.
    m_engine.SetDropBudget({3, 100});
    Drop({"many.zip"});
    EXPECT_EQ(ReadFile(Mod("maps/leaf.bsp")), "l");
    EXPECT_NE(Log().find("  copy2.zip (skipped: the drop has unpacked its limit of 3 archives)"),
              std::string::npos)
        << Log();

    m_engine.SetDropBudget({100, 2});
    Drop({"big.zip"});
    EXPECT_NE(Log().find("(its 3 entries would pass the drop's limit of 2 entries)"),
              std::string::npos);
    EXPECT_EQ(m_engine.GetDropSummary().m_nFailedPaths, 1);

    // Bytes: what the earlier archives of the drop unpacked counts too.
    m_engine.SetDropBudget({100, 100, 2});
    Drop({"leaf.zip", "big.zip"});
    EXPECT_NE(Log().find("(its 3 bytes would pass the drop's limit of 2 bytes unpacked)"),
              std::string::npos)
        << Log();
}

#ifndef _WIN32  // links, FIFOs, locks and modes of the posix backend
TEST_F(Integrity, InstalledFilesGetOrdinaryPermissions) {
    RunTool(m_temp.Path(),
            {"python3", "-c",
             "import zipfile\n"
             "with zipfile.ZipFile('modes.zip', 'w') as z:\n"
             "    for name, mode in (('maps/de_x.bsp', 0o104777), ('maps/de_x.txt', 0o100444)):\n"
             "        info = zipfile.ZipInfo(name)\n"
             "        info.external_attr = mode << 16\n"
             "        info.create_system = 3\n"
             "        z.writestr(info, 'data')\n"});

    Drop({"modes.zip"});

    const mode_t umask = ::umask(022);
    ::umask(umask);
    for (const char* file : {"maps/de_x.bsp", "maps/de_x.txt"}) {
        struct stat info {};
        ASSERT_EQ(::stat(Mod(file).c_str(), &info), 0) << file << Log();
        EXPECT_EQ(info.st_mode & 07777, 0666u & ~umask) << file;
    }
}
#endif

#ifndef _WIN32  // links, FIFOs, locks and modes of the posix backend
TEST_F(Integrity, AStagedFileIsLinkedIntoPlaceOnceAndCopiedWhenUsedAgain) {
    MakeZip(m_temp / "fy_x.zip", {{"fy_x.bsp", "map"}, {"fy_x.txt", "briefing"}});

    Drop({"fy_x.zip"});

    // The text goes to maps and to overviews: two files, not two names of one.
    struct stat maps {};
    struct stat overviews {};
    ASSERT_EQ(::stat(Mod("maps/fy_x.txt").c_str(), &maps), 0);
    ASSERT_EQ(::stat(Mod("overviews/fy_x.txt").c_str(), &overviews), 0);
    EXPECT_NE(maps.st_ino, overviews.st_ino);
    EXPECT_EQ(maps.st_nlink, 1u) << "the staged name is gone";
    WriteFile(Mod("maps/fy_x.txt"), "edited");
    EXPECT_EQ(ReadFile(Mod("overviews/fy_x.txt")), "briefing");
    const mode_t umask = ::umask(022);
    ::umask(umask);
    EXPECT_EQ(maps.st_mode & 07777, 0666u & ~umask);
    EXPECT_EQ(ReadFile(Mod("maps/fy_x.bsp")), "map");
}
#endif
