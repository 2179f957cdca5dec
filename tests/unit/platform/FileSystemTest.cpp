#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "ScopedEnvironment.h"
#include "TempFolder.h"
#include "platform/FileSystem.h"

using namespace platform;
using quarvel::test::CScopedEnvironment;
using quarvel::test::CTempFolder;
using quarvel::test::Exists;
using quarvel::test::MakeFolder;
using quarvel::test::ReadFile;
using quarvel::test::WriteFile;

namespace {

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

}  // namespace

TEST(FileSystem, ResolvesEachMissingComponentToItsCaseVariant) {
    CTempFolder temp;
    MakeFolder(temp / "mod/sound");
    MakeFolder(temp / "mod/Maps");
    MakeFolder(temp / "mod/maps");
    WriteFile(temp / "mod/sound/Wind.wav", "");

    // Written as on disk: unchanged. Otherwise the exact name wins, then byte order.
    EXPECT_EQ(ResolvePath(temp / "mod/sound/Wind.wav"), temp / "mod/sound/Wind.wav");
    EXPECT_EQ(ResolvePath(temp / "mod/SOUND/wind.WAV"), temp / "mod/sound/Wind.wav");
    EXPECT_EQ(ResolvePath(temp / "mod/maps/x.bsp"), temp / "mod/maps/x.bsp");
    EXPECT_EQ(ResolvePath(temp / "mod/MAPS/x.bsp"), temp / "mod/Maps/x.bsp");
    // From the first component without any match on, the rest stays as written.
    EXPECT_EQ(ResolvePath(temp / "mod/Sound/New/Deeper/"), temp / "mod/sound/New/Deeper/");
    EXPECT_EQ(PathKind(temp / "MOD/Sound"), -1);
    EXPECT_EQ(PathKind(temp / "mod/sound/wind.wav"), 1);
    EXPECT_EQ(PathKind(temp / "mod/nothing"), 0);
}

TEST(FileSystem, ANewNameInAnExistingFolderResolvesLikeAnyOther) {
    // The last component alone is searched when its folder exists as written;
    // the outcome must be the walk's.
    CTempFolder temp;
    WriteFile(temp / "dir/b.TXT", "lower");
    WriteFile(temp / "dir/B.txt", "upper");
    WriteFile(temp / "src/new.txt", "new");

    EXPECT_EQ(ResolvePath(temp / "dir/b.TXT"), temp / "dir/b.TXT");
    EXPECT_EQ(ResolvePath(temp / "dir/b.txt"), temp / "dir/B.txt");  // byte order
    EXPECT_EQ(ResolvePath(temp / "dir//b.txt"), temp / "dir/B.txt");
    EXPECT_EQ(ResolvePath(temp / "dir/new.txt"), temp / "dir/new.txt");
    EXPECT_EQ(ResolvePath(temp / "dir/b.txt/x"), temp / "dir/B.txt/x");

    // The copy reports the path it wrote: a case variant, or the name as given.
    std::string written;
    EXPECT_EQ(CopyFile(temp / "src/new.txt", temp / "dir/B.TXT", written), kErrorSuccess);
    EXPECT_EQ(written, temp / "dir/B.txt");
    EXPECT_EQ(ReadFile(temp / "dir/B.txt"), "new");
    EXPECT_EQ(ReadFile(temp / "dir/b.TXT"), "lower");
    EXPECT_EQ(CopyFile(temp / "src/new.txt", temp / "dir/Other.txt", written), kErrorSuccess);
    EXPECT_EQ(written, temp / "dir/Other.txt");
    EXPECT_EQ(ReadFile(temp / "dir/Other.txt"), "new");
    EXPECT_EQ(CopyFile(temp / "src/missing", temp / "dir/gone.txt", written), kErrorFileNotFound);
    EXPECT_EQ(written, temp / "dir/gone.txt");
    EXPECT_FALSE(Exists(temp / "dir/gone.txt"));
}

TEST(FileSystem, CopyReplacesKeepingModeAndTimeButRefusesReadOnlyFiles) {
    CTempFolder temp;
    WriteFile(temp / "src/a.bsp", "new map");
    ASSERT_EQ(::chmod((temp / "src/a.bsp").c_str(), 04777), 0);  // set-id and world-writable
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (temp / "src/a.bsp").c_str(), times, 0), 0);
    WriteFile(temp / "dst/a.bsp", "old map");

    EXPECT_EQ(CopyFile(temp / "src/a.bsp", temp / "dst/A.BSP"), kErrorSuccess);
    EXPECT_EQ(ReadFile(temp / "dst/a.bsp"), "new map");  // replaced under its existing name
    EXPECT_FALSE(Exists(temp / "dst/A.BSP"));
    // Ordinary permissions, whatever the source had: 0666 less the umask.
    const mode_t umask = ::umask(022);
    ::umask(umask);
    EXPECT_EQ(ModeOf(temp / "dst/a.bsp"), 0666u & ~umask);
    struct stat info {};
    ASSERT_EQ(::stat((temp / "dst/a.bsp").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, 1000000000);

    // A read-only destination is refused even for root, as on Windows, and kept intact.
    WriteFile(temp / "dst/ro.bsp", "keep");
    ASSERT_EQ(::chmod((temp / "dst/ro.bsp").c_str(), 0444), 0);
    EXPECT_EQ(CopyFile(temp / "src/a.bsp", temp / "dst/ro.bsp"), kErrorAccessDenied);
    EXPECT_EQ(ReadFile(temp / "dst/ro.bsp"), "keep");
    EXPECT_EQ(SetArchiveOnly(temp / "dst/ro.bsp"), kErrorSuccess);
    EXPECT_EQ(CopyFile(temp / "src/a.bsp", temp / "dst/ro.bsp"), kErrorSuccess);

    EXPECT_EQ(CopyFile(temp / "src/missing", temp / "dst/x"), kErrorFileNotFound);
    // No temporary file is left behind.
    EXPECT_EQ(quarvel::test::ReadTree(temp / "dst").size(), 2u);
}

TEST(FileSystem, CopyWritesThroughALinkTheUserPlaced) {
    CTempFolder temp;
    WriteFile(temp / "src/a.wad", "new");
    WriteFile(temp / "elsewhere/a.wad", "old");
    MakeFolder(temp / "mod");
    ASSERT_EQ(::symlink((temp / "elsewhere/a.wad").c_str(), (temp / "mod/a.wad").c_str()), 0);

    EXPECT_EQ(CopyFile(temp / "src/a.wad", temp / "mod/a.wad"), kErrorSuccess);
    EXPECT_EQ(ReadFile(temp / "elsewhere/a.wad"), "new");
    EXPECT_TRUE(IsLink(temp / "mod/a.wad"));
}

// Error numbers of copies, deletions, removals and the probe are checked
// through the install engine's file operations, whose messages show them.
TEST(FileSystem, FoldersAreCreatedOnceWhateverTheCaseAndPrivateOnesForTheOwnerOnly) {
    CTempFolder temp;
    EXPECT_EQ(CreateDirectory(temp / "a/"), kErrorSuccess);
    EXPECT_EQ(CreateDirectory(temp / "A"), kErrorAlreadyExists);
    EXPECT_FALSE(Exists(temp / "A"));
    EXPECT_EQ(CreateDirectory(temp / "missing/b"), kErrorPathNotFound);
    EXPECT_EQ(CreatePrivateDirectory(temp / "private"), kErrorSuccess);
    EXPECT_EQ(ModeOf(temp / "private"), 0700u);
}

TEST(FileSystem, UserFoldersFollowTheXdgVariables) {
    CScopedEnvironment home("HOME", "/home/player");
    {
        CScopedEnvironment cache("XDG_CACHE_HOME", "/somewhere/cache");
        EXPECT_EQ(StagingBase(), "/somewhere/cache/quarvel");
    }
    {
        CScopedEnvironment cache("XDG_CACHE_HOME", "relative/ignored");
        EXPECT_EQ(StagingBase(), "/home/player/.cache/quarvel");
    }
    CScopedEnvironment config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(SettingsFolder(), "/cfg/Quarvel");
}
