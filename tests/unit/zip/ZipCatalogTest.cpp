// Opening archives made by real tools, and what the catalog tells about them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "TempFolder.h"
#include "ZipTestSupport.h"
#include "zip/ZipException.h"
#include "zip/ZipReader.h"

namespace quarvel::test {
namespace {

// Every tool's package holds the same three files of a map package; their
// folder entries differ.
void ExpectPackage(const std::string& kind, const std::vector<std::string>& folders) {
    CTempFolder temp;
    const std::string archive = temp / "package.zip";
    MakeFixture(kind, archive);
    zip::CZipReader reader;
    reader.OpenArchive(archive, 1, 0);

    std::vector<std::string> files;
    std::vector<std::string> directories;
    for (int i = 0; i < reader.EntryCount(); ++i) {
        zip::CZipEntry entry;
        ASSERT_TRUE(reader.ReadEntryHeader(entry, i));
        (reader.IsDirectoryEntry(i) ? directories : files).push_back(entry.GetFileName());
    }
    std::sort(files.begin(), files.end());
    std::sort(directories.begin(), directories.end());
    EXPECT_EQ(files,
              (std::vector<std::string>{"maps/de_x.bsp", "maps/de_x.txt", "sound/de_x/wind.wav"}));
    EXPECT_EQ(directories, folders);

    const std::vector<bool> results = ExtractAll(reader, temp / "stage");
    EXPECT_EQ(results, std::vector<bool>(results.size(), true));
    EXPECT_EQ(ReadTree(temp / "stage"), ReadTree(archive + ".expected"));
    reader.CloseArchive();
    EXPECT_TRUE(reader.IsClosed(true));
    EXPECT_TRUE(reader.IsClosed(false));
}

TEST(ZipCatalogTest, OpensPackagesOfEveryCommonTool) {
    {
        SCOPED_TRACE("Python's zipfile");
        ExpectPackage("package", {});
    }
    {
        SCOPED_TRACE("Info-ZIP zip, with folder entries");
        ExpectPackage("info_zip", {"maps/", "sound/", "sound/de_x/"});
    }
    {
        SCOPED_TRACE("Info-ZIP zip into a pipe, with data descriptors");
        ExpectPackage("info_zip_streamed", {"maps/", "sound/", "sound/de_x/"});
    }
    {
        SCOPED_TRACE("folders marked by their Unix mode only");
        ExpectPackage("bsdtar_style", {"maps/", "sound/", "sound/de_x/"});
    }
}

TEST(ZipCatalogTest, OpensArchivesOfBsdtar) {
    if (!HasTool("bsdtar")) {
        GTEST_SKIP() << "bsdtar is not installed (Debian package libarchive-tools)";
    }
    ExpectPackage("bsdtar", {"maps/", "sound/", "sound/de_x/"});
}

TEST(ZipCatalogTest, HeadersAgreeWithPythonsReading) {
    CTempFolder temp;
    for (const char* kind : {"package", "info_zip", "descriptor_with_signature", "sizes"}) {
        SCOPED_TRACE(kind);
        const std::string archive = temp / (std::string(kind) + ".zip");
        MakeFixture(kind, archive);
        zip::CZipReader reader;
        reader.OpenArchive(archive, 1, 0);
        std::ostringstream ours;
        for (int i = 0; i < reader.EntryCount(); ++i) {
            zip::CZipEntry entry;
            ASSERT_TRUE(reader.ReadEntryHeader(entry, i));
            char line[64];
            std::snprintf(line, sizeof line, " %08x %u %u %04d-%02d-%02d %02d:%02d:%02d\n",
                          entry.m_nCrc32, entry.m_nCompressedSize, entry.m_nUncompressedSize,
                          ((entry.m_nModDate >> 9) & 0x7F) + 1980, (entry.m_nModDate >> 5) & 0x0F,
                          entry.m_nModDate & 0x1F, entry.m_nModTime >> 11,
                          (entry.m_nModTime >> 5) & 0x3F, (entry.m_nModTime & 0x1F) * 2);
            ours << entry.GetFileName() << line;
        }
        EXPECT_EQ(ours.str(), RunFixtureScript("reference-list " + ShellQuote(archive)));
    }
}

TEST(ZipCatalogTest, NamesBecomeUtf8WithForwardSlashes) {
    CTempFolder temp;
    const std::string archive = temp / "names.zip";
    MakeFixture("names", archive);
    zip::CZipReader reader;
    reader.OpenArchive(archive, 1, 0);
    // Code page 437 without the UTF-8 flag, UTF-8 with it, and a backslash separator.
    EXPECT_EQ(EntryNames(reader),
              (std::vector<std::string>{"maps/caf\xC3\xA9.txt", "maps/Z\xC3\xBCrich.txt",
                                        "maps/back.txt"}));
    ExtractAll(reader, temp / "stage");
    EXPECT_EQ(ReadFile(temp / "stage/maps/caf\xC3\xA9.txt"), "cp437");
    EXPECT_EQ(ReadFile(temp / "stage/maps/back.txt"), "back");

    {
        SCOPED_TRACE("names left as stored are converted in each header copy");
        zip::CZipReader raw;
        raw.SetConvertNames(false);
        raw.OpenArchive(archive, 1, 0);
        EXPECT_EQ(EntryNames(raw), EntryNames(reader));
    }
}

TEST(ZipCatalogTest, FolderEntriesAreToldApart) {
    CTempFolder temp;
    const std::string archive = temp / "slash.zip";
    MakeFixture("slash_names", archive);
    zip::CZipReader reader;
    reader.OpenArchive(archive, 1, 0);
    ASSERT_EQ(EntryNames(reader),
              (std::vector<std::string>{"empty_dir/", "data_dir/", "attr_dir", "plain.txt"}));
    EXPECT_TRUE(reader.IsDirectoryEntry(0)) << "empty, name ending in a separator";
    EXPECT_FALSE(reader.IsDirectoryEntry(1)) << "data under a name ending in a separator";
    EXPECT_TRUE(reader.IsDirectoryEntry(2)) << "DOS folder attribute";
    EXPECT_FALSE(reader.IsDirectoryEntry(3));

    EXPECT_TRUE(reader.ExtractEntry(0, temp / "stage"));
    EXPECT_TRUE(IsFolder(temp / "stage/empty_dir"));
    // Data without a file name to write it under is refused, not written as a folder.
    EXPECT_FALSE(reader.ExtractEntry(1, temp / "stage"));
    EXPECT_FALSE(Exists(temp / "stage/data_dir"));
    EXPECT_TRUE(reader.ExtractEntry(3, temp / "stage"));
    EXPECT_EQ(ReadFile(temp / "stage/plain.txt"), "");
}

TEST(ZipCatalogTest, ReadOnlyOpenNeedsNoWriteAccess) {
    CTempFolder temp;
    const std::string archive = temp / "package.zip";
    MakeFixture("package", archive);
    ASSERT_EQ(::chmod(archive.c_str(), 0444), 0);

    zip::CZipReader reader;
    reader.OpenArchive(archive, 1, 0);
    EXPECT_EQ(OpenAccessMode(archive), O_RDONLY);
    EXPECT_EQ(ExtractAll(reader, temp / "stage"), std::vector<bool>(3, true));
    reader.CloseArchive();
    EXPECT_EQ(OpenAccessMode(archive), -1) << "closing releases the file";

    ASSERT_EQ(::chmod(archive.c_str(), 0644), 0);
    reader.OpenArchive(archive, 0, 0);
    EXPECT_EQ(OpenAccessMode(archive), O_RDWR) << "mode 0 opens for reading and writing";
}

TEST(ZipCatalogTest, ClosedReaderAnswersWithoutThrowing) {
    zip::CZipReader reader;
    zip::CZipEntry entry;
    EXPECT_TRUE(reader.IsClosed(true));
    EXPECT_EQ(reader.EntryCount(), 0);
    EXPECT_FALSE(reader.IsDirectoryEntry(0));
    EXPECT_FALSE(reader.ReadEntryHeader(entry, 0));
    EXPECT_FALSE(reader.ExtractEntry(0, "/nonexistent"));
    EXPECT_FALSE(reader.OpenEntry(0));
    EXPECT_NO_THROW(reader.CloseArchive(false));
    EXPECT_NO_THROW(reader.CloseArchive(true));

    CTempFolder temp;
    EXPECT_THROW(reader.OpenArchive(temp / "missing.zip", 1, 0), platform::CFileException);
    EXPECT_TRUE(reader.IsClosed(true));
}

TEST(ZipCatalogTest, IndicesUseTheirLow16Bits) {
    CTempFolder temp;
    const std::string archive = temp / "package.zip";
    MakeFixture("package", archive);
    zip::CZipReader reader;
    reader.OpenArchive(archive, 1, 0);
    ASSERT_EQ(reader.EntryCount(), 3);
    zip::CZipEntry direct;
    zip::CZipEntry wrapped;
    ASSERT_TRUE(reader.ReadEntryHeader(direct, 1));
    ASSERT_TRUE(reader.ReadEntryHeader(wrapped, 65536 + 1));
    EXPECT_EQ(wrapped.GetFileName(), direct.GetFileName());
    EXPECT_FALSE(reader.ReadEntryHeader(wrapped, 3));
    EXPECT_FALSE(reader.IsDirectoryEntry(-1 & 0xFFFF));
}

TEST(ZipCatalogTest, ReopeningFollowsTheLifecycle) {
    CTempFolder temp;
    MakeFixture("package", temp / "package.zip");
    MakeFixture("empty", temp / "empty.zip");
    MakeFixture("not_a_zip", temp / "text.zip");
    zip::CZipReader reader;

    reader.OpenArchive(temp / "package.zip", 1, 0);
    {
        SCOPED_TRACE("opening an open reader changes nothing");
        reader.OpenArchive(temp / "empty.zip", 1, 0);
        EXPECT_EQ(reader.EntryCount(), 3);
    }
    reader.CloseArchive();
    {
        SCOPED_TRACE("an empty archive opens with no entries");
        reader.OpenArchive(temp / "empty.zip", 1, 0);
        EXPECT_FALSE(reader.IsClosed(true));
        EXPECT_EQ(reader.EntryCount(), 0);
        reader.CloseArchive();
    }
    {
        SCOPED_TRACE("a failed open leaves the reader ready for the next archive");
        EXPECT_THROW(reader.OpenArchive(temp / "text.zip", 1, 0), zip::CZipException);
        reader.OpenArchive(temp / "package.zip", 1, 0);
        EXPECT_EQ(reader.EntryCount(), 3);
    }
}

}  // namespace
}  // namespace quarvel::test
