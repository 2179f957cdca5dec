// The reader beyond the archive table: names, folders, read-only, extraction, and helpers.

#include <unistd.h>

#include <ctime>

#include "ZipTestSupport.h"
#include "zip/ZipException.h"
#include "zip/ZipNameCodec.h"
#include "zip/ZipPathSplit.h"
#include "zip/ZipReader.h"

namespace quarvel::test {
namespace {

using zip::CZipException;

class ZipReaderTest : public ::testing::Test {
  protected:
    void Open(const std::string& kind) { m_reader.OpenArchive(Fixture(kind + ".zip"), 1, 0); }
    std::string Stage(const std::string& relative = "") const {
        return m_temp / ("stage/" + relative);
    }

    CTempFolder m_temp;
    zip::CZipReader m_reader;
};

TEST_F(ZipReaderTest, NamesBecomeUtf8WithForwardSlashes) {
    Open("names");
    // Code page 437 without the UTF-8 flag, UTF-8 with it, and a backslash separator.
    const std::vector<std::string> names{"maps/caf\xC3\xA9.txt", "maps/Z\xC3\xBCrich.txt",
                                         "maps/back.txt"};
    EXPECT_EQ(EntryNames(m_reader), names);
    EXPECT_EQ(ExtractAll(m_reader, Stage()), std::vector<bool>(3, true));
    EXPECT_EQ(ReadFile(Stage("maps/caf\xC3\xA9.txt")), "cp437");
    EXPECT_EQ(ReadFile(Stage("maps/back.txt")), "back");
    zip::CZipReader raw;
    raw.SetConvertNames(false);
    raw.OpenArchive(Fixture("names.zip"), 1, 0);
    EXPECT_EQ(EntryNames(raw), names) << "names left as stored are converted in each header copy";
    unsigned char high[128];
    for (int i = 0; i < 128; ++i) {
        high[i] = static_cast<unsigned char>(0x80 + i);
    }
    EXPECT_EQ(zip::DecodeStoredName(high, sizeof high, false), ReadFile(Fixture("cp437.txt")))
        << "every code page 437 byte decodes as Python decodes it";
}

TEST_F(ZipReaderTest, FolderEntriesAreToldApart) {
    Open("folders");
    ASSERT_EQ(EntryNames(m_reader), (std::vector<std::string>{"empty_dir/", "data_dir/", "attr_dir",
                                                              "unix_dir", "plain.txt"}));
    EXPECT_TRUE(m_reader.IsDirectoryEntry(0)) << "empty, name ending in a separator";
    EXPECT_FALSE(m_reader.IsDirectoryEntry(1)) << "data under a name ending in a separator";
    EXPECT_TRUE(m_reader.IsDirectoryEntry(2)) << "DOS folder attribute";
    EXPECT_TRUE(m_reader.IsDirectoryEntry(3)) << "Unix folder mode only, as bsdtar writes";
    EXPECT_FALSE(m_reader.IsDirectoryEntry(4));
    // Data without a file name to write it under is refused, not written as a folder.
    EXPECT_EQ(ExtractAll(m_reader, Stage()), (std::vector<bool>{true, false, true, true, true}));
    EXPECT_EQ(ReadTree(Stage()),
              (std::map<std::string, std::string>{
                  {"attr_dir/", ""}, {"empty_dir/", ""}, {"plain.txt", ""}, {"unix_dir/", ""}}));
}

TEST_F(ZipReaderTest, ReadOnlyOpenNeedsNoWriteAccess) {
    const std::string archive = m_temp / "package.zip";
    std::filesystem::copy_file(Fixture("package.zip"), archive);
    ASSERT_EQ(::chmod(archive.c_str(), 0444), 0);
    m_reader.OpenArchive(archive, 1, 0);
    EXPECT_EQ(OpenAccessMode(archive), O_RDONLY);
    EXPECT_EQ(ExtractAll(m_reader, Stage()), std::vector<bool>(3, true));
    m_reader.CloseArchive();
    EXPECT_EQ(OpenAccessMode(archive), -1) << "closing releases the file";
    ASSERT_EQ(::chmod(archive.c_str(), 0644), 0);
    m_reader.OpenArchive(archive, 0, 0);
    EXPECT_EQ(OpenAccessMode(archive), O_RDWR) << "mode 0 opens for reading and writing";
}

TEST_F(ZipReaderTest, Lifecycle) {
    zip::CZipEntry entry;
    // A closed reader answers without throwing.
    EXPECT_TRUE(m_reader.IsClosed(true));
    EXPECT_EQ(m_reader.EntryCount(), 0);
    EXPECT_FALSE(m_reader.IsDirectoryEntry(0) || m_reader.ReadEntryHeader(entry, 0) ||
                 m_reader.ExtractEntry(0, "/nonexistent") || m_reader.OpenEntry(0));
    EXPECT_NO_THROW(m_reader.CloseArchive(false));
    EXPECT_NO_THROW(m_reader.CloseArchive(true));
    EXPECT_THROW(m_reader.OpenArchive(Fixture("missing.zip"), 1, 0), platform::CFileException);
    EXPECT_TRUE(m_reader.IsClosed(true));

    // Opening an open reader changes nothing; indices use their low 16 bits.
    Open("package");
    Open("empty");
    ASSERT_EQ(m_reader.EntryCount(), 3);
    ASSERT_TRUE(m_reader.ReadEntryHeader(entry, 65536 + 1));
    EXPECT_EQ(entry.GetFileName(), "maps/de_x.txt");
    EXPECT_FALSE(m_reader.ReadEntryHeader(entry, 3) || m_reader.IsDirectoryEntry(-1));
    m_reader.CloseArchive();

    // A failed open leaves the reader ready for the next archive.
    EXPECT_THROW(m_reader.OpenArchive(Fixture("not_a_zip.zip"), 1, 0), CZipException);
    Open("package");
    EXPECT_EQ(m_reader.EntryCount(), 3);
}

TEST_F(ZipReaderTest, FilesCarryTheEntryTimeAndPermissions) {
    Open("modes");
    EXPECT_EQ(ExtractAll(m_reader, Stage()), std::vector<bool>(7, true));
    std::tm local{};
    ::strptime("2001-02-03 04:05:06", "%Y-%m-%d %H:%M:%S", &local);
    local.tm_isdst = -1;
    struct stat info {};
    ASSERT_EQ(::stat(Stage("dos_archive.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, std::mktime(&local));

    EXPECT_EQ(ModeOf(Stage("unix640.txt")), 0640);
    // Staged files stay readable by their owner, whatever was stored.
    EXPECT_EQ(ModeOf(Stage("unix000.txt")), 0400);
    EXPECT_NE(ModeOf(Stage("nomode.txt")) & 0200, 0) << "no Unix mode stored: DOS attributes";
    EXPECT_EQ(ModeOf(Stage("dos_readonly.txt")) & 0222, 0);
    EXPECT_NE(ModeOf(Stage("dos_archive.txt")) & 0200, 0);
    // Folders stay enterable and writable so that their files can be staged and removed.
    EXPECT_EQ(ModeOf(Stage("ro_dir")), 0755);
    // A symbolic link entry becomes a plain file holding its target.
    EXPECT_FALSE(std::filesystem::is_symlink(Stage("link")));
    EXPECT_EQ(ReadFile(Stage("link")), "/etc/passwd");
    EXPECT_EQ(ModeOf(Stage("link")) & 0022, 0);
}

TEST_F(ZipReaderTest, WhereEntriesLand) {
    Open("package");
    EXPECT_TRUE(m_reader.ExtractEntry(2, Stage() + "//")) << "below the stored folders";
    EXPECT_TRUE(Exists(Stage("sound/de_x/wind.wav")));
    EXPECT_TRUE(m_reader.ExtractEntry(2, m_temp / "flat", false)) << "without, the name alone";
    EXPECT_EQ(ReadTree(m_temp / "flat").size(), 1u);
    EXPECT_TRUE(Exists(m_temp / "flat/wind.wav"));
    EXPECT_TRUE(m_reader.ExtractEntry(1, m_temp / "renamed", true, "docs/readme.txt"));
    EXPECT_EQ(ReadFile(m_temp / "renamed/docs/readme.txt"), "A test map\r\nby nobody\r\n");
    // Over an existing longer file, which is cut to the entry.
    WriteFile(Stage("maps/de_x.txt"), std::string(5000, 'x'));
    EXPECT_TRUE(m_reader.ExtractEntry(1, Stage()));
    EXPECT_EQ(ReadFile(Stage("maps/de_x.txt")), "A test map\r\nby nobody\r\n");
    // A folder in the way of a file.
    MakeFolder(m_temp / "blocked/maps/de_x.txt");
    EXPECT_THROW(m_reader.ExtractEntry(1, m_temp / "blocked"), platform::CFileException);
    EXPECT_TRUE(m_reader.ExtractEntry(0, m_temp / "blocked")) << "the reader goes on";
}

TEST_F(ZipReaderTest, HostileNamesStayInsideTheTarget) {
    Open("hostile_names");
    ASSERT_EQ(EntryNames(m_reader),
              (std::vector<std::string>{"../evil.txt", "a/../../evil2.txt", "C:../evil3.txt",
                                        "/abs/x.txt", "C:/drive/y.txt", "ok.txt"}));
    const std::string stage = m_temp / "deep/stage";
    MakeFolder(stage);
    EXPECT_EQ(ExtractAll(m_reader, stage),
              (std::vector<bool>{false, false, false, true, true, true}));
    // Drive letters and leading separators are dropped; ".." is never followed.
    EXPECT_EQ(ReadTree(m_temp.Path()),
              (std::map<std::string, std::string>{{"deep/", ""},
                                                  {"deep/stage/", ""},
                                                  {"deep/stage/abs/", ""},
                                                  {"deep/stage/abs/x.txt", "abs"},
                                                  {"deep/stage/drive/", ""},
                                                  {"deep/stage/drive/y.txt", "drive"},
                                                  {"deep/stage/ok.txt", "fine"}}));
    // A link planted at the target is not followed.
    WriteFile(m_temp / "outside.txt", "keep");
    MakeFolder(Stage());
    ASSERT_EQ(::symlink((m_temp / "outside.txt").c_str(), Stage("ok.txt").c_str()), 0);
    EXPECT_THROW(m_reader.ExtractEntry(5, Stage()), platform::CFileException);
    EXPECT_EQ(ReadFile(m_temp / "outside.txt"), "keep");
}

TEST_F(ZipReaderTest, AFaultLeavesThePartialFile) {
    Open("crc_error");
    EXPECT_THROW(m_reader.ExtractEntry(1, Stage()), zip::CZipException);
    // The one altered byte is the first: 'A' became 'a'.
    EXPECT_EQ(ReadFile(Stage("maps/de_x.txt")), "a test map\r\nby nobody\r\n");
    m_reader.CloseArchive();
    Open("corrupt_deflate");
    EXPECT_THROW(m_reader.ExtractEntry(0, Stage()), zip::CZipException);
    EXPECT_TRUE(Exists(Stage("maps/de_x.bsp")));
}

TEST_F(ZipReaderTest, ProgressCanStopAnEntry) {
    // Records the last report (total, done) and asks to go on while less than limit is done.
    static std::pair<std::uint32_t, std::uint32_t> s_last;
    auto record = [](std::uint32_t total, std::uint32_t done, int limit) {
        s_last = {total, done};
        return static_cast<int>(done) < limit;
    };
    Open("package");
    // 40000 bytes in blocks of 1000, stopped once 5000 are written.
    EXPECT_FALSE(m_reader.ExtractEntry(2, Stage(), true, {}, record, 5000, 1000));
    EXPECT_EQ(s_last, std::make_pair(40000u, 5000u));
    EXPECT_EQ(std::filesystem::file_size(Stage("sound/de_x/wind.wav")), 5000u);

    EXPECT_TRUE(m_reader.ExtractEntry(2, Stage(), true, {}, record, 1 << 30, 1000));
    EXPECT_EQ(s_last, std::make_pair(40000u, 40000u));
    EXPECT_FALSE(m_reader.ExtractEntry(2, Stage(), true, {}, nullptr, 0, 0)) << "no buffer";
}

TEST_F(ZipReaderTest, EntryDataCanBeReadByHand) {
    Open("descriptor_with_signature");
    ASSERT_TRUE(m_reader.OpenEntry(0));
    EXPECT_FALSE(m_reader.OpenEntry(1)) << "one entry at a time";
    std::string data;
    unsigned char buffer[7];
    while (const std::uint32_t got = m_reader.ReadEntryData(buffer, sizeof buffer)) {
        data.append(reinterpret_cast<const char*>(buffer), got);
    }
    EXPECT_EQ(m_reader.CloseEntry({}, false), 1);
    EXPECT_EQ(data.size(), 16391u);
    EXPECT_EQ(data.substr(16384), "BSP end");
    // An entry left half read is closed as undelivered.
    ASSERT_TRUE(m_reader.OpenEntry(2));
    EXPECT_EQ(m_reader.ReadEntryData(buffer, sizeof buffer), sizeof buffer);
    EXPECT_EQ(m_reader.CloseEntry({}, false), -1);
    EXPECT_EQ(m_reader.CloseEntry({}, false), 0) << "nothing open any more";
    m_reader.CloseArchive();

    // An inflate abandoned by a fault leaks nothing (the sanitizers check), whether the
    // entry or the whole archive is closed after it.
    Open("truncated_deflate");
    ASSERT_TRUE(m_reader.OpenEntry(0));
    unsigned char big[100000];
    EXPECT_THROW(m_reader.ReadEntryData(big, sizeof big), zip::CZipException);
    EXPECT_FALSE(m_reader.OpenEntry(1)) << "the faulted entry is still open";
    EXPECT_EQ(m_reader.CloseEntry({}, true), 1);
    ASSERT_TRUE(m_reader.OpenEntry(0));
    EXPECT_THROW(m_reader.ReadEntryData(big, sizeof big), zip::CZipException);
    m_reader.CloseArchive(true);
    EXPECT_TRUE(m_reader.IsClosed(true));
}

TEST(ZipHelpersTest, FaultsNameTheirCause) {
    EXPECT_STREQ(zip::ZipCauseDescription(CZipException::EndRecordNotFound), "not a zip archive");
    EXPECT_EQ(zip::ZipCauseFromError(-110), CZipException::Generic);
    try {
        zip::ThrowZipError(zip::kErrBadCrc, "/x/a.zip");
    } catch (const platform::CException& error) {
        // Caught as the base class, it still names its cause.
        EXPECT_STREQ(error.what(), "CRC error");
        EXPECT_EQ(dynamic_cast<const CZipException&>(error).m_strArchivePath, "/x/a.zip");
    }
}

TEST(ZipHelpersTest, PathsSplitLikeTheirStoredForm) {
    // Drives, leading separators and plain names are met by the extraction tests.
    using zip::CZipPathSplit;
    EXPECT_EQ(CZipPathSplit::DriveDir("C:/x/y.txt"), "C:/x/");
    EXPECT_EQ(CZipPathSplit::PathNoDrive("1:/x"), "1:/x") << "only a letter makes a drive";
    EXPECT_EQ(CZipPathSplit::Title("/tmp/pack.v2.zip"), "pack.v2");
    EXPECT_EQ(CZipPathSplit::Title("/tmp/.hidden"), "");
    CTempFolder temp;
    WriteFile(temp / "file", "x");
    EXPECT_FALSE(zip::CreateDirectories(temp / "file/sub"));
    EXPECT_FALSE(zip::CreateDirectories(temp / std::string(5000, 'd')));
}

TEST(ZipHelpersTest, ConfinedNamesHaveNoWayUp) {
    for (const char* confined :
         {"maps/de_x.bsp", "/abs/x", "C:/x/y", "a/./b", "a..b/c..", "...", "./", ""}) {
        EXPECT_TRUE(zip::IsConfinedEntryName(confined)) << confined;
    }
    for (const char* escaping :
         {"..", "../x", "a/../../x", "a/..", "C:../x", "/../x", "C:/../x", "a/b/../../../c"}) {
        EXPECT_FALSE(zip::IsConfinedEntryName(escaping)) << escaping;
    }
    EXPECT_FALSE(zip::IsConfinedEntryName(std::string("ok\0/../../x", 11))) << "NUL byte";
}

}  // namespace
}  // namespace quarvel::test
