// Extracting entries: the bytes, where they land, and what the files carry.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>

#include "TempFolder.h"
#include "ZipTestSupport.h"
#include "zip/ZipException.h"
#include "zip/ZipReader.h"

namespace quarvel::test {
namespace {

// Opens a fixture archive in a fresh temporary folder.
class ZipExtractTest : public ::testing::Test {
  protected:
    void Open(const std::string& kind) {
        m_strArchive = m_temp / (kind + ".zip");
        MakeFixture(kind, m_strArchive);
        m_reader.OpenArchive(m_strArchive, 1, 0);
    }
    std::string Stage(const std::string& relative = "") const {
        return m_temp / ("stage" + (relative.empty() ? "" : "/" + relative));
    }

    CTempFolder m_temp;
    std::string m_strArchive;
    zip::CZipReader m_reader;
};

TEST_F(ZipExtractTest, BytesMatchPythonsAtEveryLevel) {
    RunFixtureScript("reference-sizes " + ShellQuote(m_temp.Path()));
    for (int level : {0, 1, 6, 9}) {
        SCOPED_TRACE("compression level " + std::to_string(level));
        const std::string archive = m_temp / ("level" + std::to_string(level) + ".zip");
        zip::CZipReader reader;
        reader.OpenArchive(archive, 1, 0);
        const std::string stage = m_temp / ("out" + std::to_string(level));
        const std::vector<bool> results = ExtractAll(reader, stage);
        EXPECT_EQ(results, std::vector<bool>(14, true));
        EXPECT_EQ(ReadTree(stage), ReadTree(archive + ".expected"));
    }
}

TEST_F(ZipExtractTest, SizesAroundTheChunkEdges) {
    // Sizes on, below and above the 16384-byte read chunk and the 65535-byte
    // write buffer (131070 ends with one read that returns nothing).
    Open("sizes");
    const std::vector<bool> results = ExtractAll(m_reader, Stage());
    EXPECT_EQ(results, std::vector<bool>(20, true));
    EXPECT_EQ(ReadTree(Stage()), ReadTree(m_strArchive + ".expected"));
}

TEST_F(ZipExtractTest, FilesCarryTheEntryTime) {
    Open("package");
    ASSERT_TRUE(m_reader.ExtractEntry(0, Stage()));
    std::tm local{};
    local.tm_year = 2001 - 1900;
    local.tm_mon = 1;
    local.tm_mday = 3;
    local.tm_hour = 4;
    local.tm_min = 5;
    local.tm_sec = 6;
    local.tm_isdst = -1;
    EXPECT_EQ(ModificationTime(Stage("maps/de_x.bsp")),
              static_cast<long long>(std::mktime(&local)));
}

TEST_F(ZipExtractTest, PermissionsFollowTheHostThatMadeTheEntry) {
    Open("modes");
    const std::vector<bool> results = ExtractAll(m_reader, Stage());
    EXPECT_EQ(results, std::vector<bool>(7, true));
    EXPECT_EQ(ModeOf(Stage("unix640.txt")), 0640);
    // Staged files stay readable by their owner, whatever was stored.
    EXPECT_EQ(ModeOf(Stage("unix000.txt")), 0400);
    EXPECT_NE(ModeOf(Stage("nomode.txt")) & 0200, 0) << "no Unix mode stored: DOS attributes";
    EXPECT_EQ(ModeOf(Stage("dos_readonly.txt")) & 0222, 0);
    EXPECT_NE(ModeOf(Stage("dos_archive.txt")) & 0200, 0);
    // Folders stay enterable and writable so that their files can be staged and removed.
    EXPECT_EQ(ModeOf(Stage("ro_dir")), 0755);
    {
        SCOPED_TRACE("a symbolic link entry becomes a plain file holding its target");
        EXPECT_FALSE(IsSymlink(Stage("link")));
        EXPECT_EQ(ReadFile(Stage("link")), "/etc/passwd");
        EXPECT_EQ(ModeOf(Stage("link")) & 0022, 0);
    }
}

TEST_F(ZipExtractTest, WhereEntriesLand) {
    Open("package");
    {
        SCOPED_TRACE("with full paths, below the stored folders");
        EXPECT_TRUE(m_reader.ExtractEntry(2, Stage() + "///"));
        EXPECT_TRUE(Exists(Stage("sound/de_x/wind.wav")));
    }
    {
        SCOPED_TRACE("without, the name alone");
        EXPECT_TRUE(m_reader.ExtractEntry(2, m_temp / "flat", false));
        EXPECT_EQ(ReadTree(m_temp / "flat").size(), 1u);
        EXPECT_TRUE(Exists(m_temp / "flat/wind.wav"));
    }
    {
        SCOPED_TRACE("under a new name");
        EXPECT_TRUE(m_reader.ExtractEntry(1, m_temp / "renamed", true, "docs/readme.txt"));
        EXPECT_EQ(ReadFile(m_temp / "renamed/docs/readme.txt"), "A test map\r\nby nobody\r\n");
    }
    {
        SCOPED_TRACE("over an existing longer file, which is cut to the entry");
        WriteFile(Stage("maps/de_x.txt"), std::string(5000, 'x'));
        EXPECT_TRUE(m_reader.ExtractEntry(1, Stage()));
        EXPECT_EQ(ReadFile(Stage("maps/de_x.txt")), "A test map\r\nby nobody\r\n");
    }
}

TEST_F(ZipExtractTest, HostileNamesStayInsideTheTarget) {
    Open("hostile_names");
    ASSERT_EQ(EntryNames(m_reader),
              (std::vector<std::string>{"../evil.txt", "a/../../evil2.txt", "C:../evil3.txt",
                                        "/abs/x.txt", "C:/drive/y.txt", "ok.txt"}));
    const std::string stage = m_temp / "deep/stage";
    MakeFolder(stage);
    EXPECT_EQ(ExtractAll(m_reader, stage),
              (std::vector<bool>{false, false, false, true, true, true}));
    // Drive letters and leading separators are dropped; ".." is never followed.
    EXPECT_EQ(ReadTree(m_temp / "deep"), (std::map<std::string, std::string>{
                                             {"stage/", ""},
                                             {"stage/abs/", ""},
                                             {"stage/abs/x.txt", "abs"},
                                             {"stage/drive/", ""},
                                             {"stage/drive/y.txt", "drive"},
                                             {"stage/ok.txt", "fine"},
                                         }));
    EXPECT_FALSE(Exists(m_temp / "evil.txt"));
    EXPECT_FALSE(Exists(m_temp / "evil2.txt"));
}

TEST_F(ZipExtractTest, LinkPlantedAtTheTargetIsNotFollowed) {
    Open("hostile_names");
    WriteFile(m_temp / "outside.txt", "keep");
    MakeFolder(Stage());
    ASSERT_EQ(::symlink((m_temp / "outside.txt").c_str(), Stage("ok.txt").c_str()), 0);
    EXPECT_THROW(m_reader.ExtractEntry(5, Stage()), platform::CFileException);
    EXPECT_EQ(ReadFile(m_temp / "outside.txt"), "keep");
}

TEST_F(ZipExtractTest, EncryptedEntriesAreLeftUnread) {
    Open("encrypted");
    ASSERT_EQ(EntryNames(m_reader), (std::vector<std::string>{"secret.bsp", "plain.txt"}));
    zip::CZipEntry entry;
    ASSERT_TRUE(m_reader.ReadEntryHeader(entry, 0));
    EXPECT_TRUE(entry.IsEncrypted());
    EXPECT_FALSE(m_reader.ExtractEntry(0, Stage()));
    EXPECT_FALSE(Exists(Stage()));
    EXPECT_TRUE(m_reader.ExtractEntry(1, Stage()));
    EXPECT_EQ(ReadFile(Stage("plain.txt")), "open");
}

TEST_F(ZipExtractTest, AFaultKeepsThePartialFileAndTheReaderGoesOn) {
    Open("corrupt_deflate");
    try {
        m_reader.ExtractEntry(0, Stage());
        FAIL() << "corrupt data extracted";
    } catch (const zip::CZipException& error) {
        EXPECT_EQ(error.m_nCause, zip::CZipException::DataError);
    }
    EXPECT_TRUE(Exists(Stage("maps/de_x.bsp")));
    EXPECT_TRUE(m_reader.ExtractEntry(1, Stage()));
    EXPECT_EQ(ReadFile(Stage("maps/de_x.txt")), "A test map\r\nby nobody\r\n");
}

TEST_F(ZipExtractTest, CrcErrorLeavesTheWrittenBytes) {
    Open("crc_error");
    EXPECT_THROW(m_reader.ExtractEntry(1, Stage()), zip::CZipException);
    // The one altered byte is the first: 'A' became 'a'.
    EXPECT_EQ(ReadFile(Stage("maps/de_x.txt")), "a test map\r\nby nobody\r\n");
}

TEST_F(ZipExtractTest, FolderInTheWayOfAFile) {
    Open("package");
    MakeFolder(Stage("maps/de_x.txt"));
    EXPECT_THROW(m_reader.ExtractEntry(1, Stage()), platform::CFileException);
    EXPECT_TRUE(m_reader.ExtractEntry(0, Stage())) << "the reader goes on";
}

std::uint32_t g_nProgressTotal = 0;
std::uint32_t g_nProgressDone = 0;

// Records the last report and asks to go on while less than limit is done.
bool RecordProgress(std::uint32_t total, std::uint32_t done, int limit) {
    g_nProgressTotal = total;
    g_nProgressDone = done;
    return static_cast<int>(done) < limit;
}

TEST_F(ZipExtractTest, ProgressCanStopAnEntry) {
    Open("package");
    // 40000 bytes in blocks of 1000, stopped once 5000 are written.
    EXPECT_FALSE(m_reader.ExtractEntry(2, Stage(), true, {}, RecordProgress, 5000, 1000));
    EXPECT_EQ(g_nProgressTotal, 40000u);
    EXPECT_EQ(g_nProgressDone, 5000u);
    EXPECT_EQ(std::filesystem::file_size(Stage("sound/de_x/wind.wav")), 5000u);

    EXPECT_TRUE(m_reader.ExtractEntry(2, Stage(), true, {}, RecordProgress, 1 << 30, 1000));
    EXPECT_EQ(g_nProgressDone, 40000u);
    EXPECT_FALSE(m_reader.ExtractEntry(2, Stage(), true, {}, nullptr, 0, 0)) << "no buffer";
}

TEST_F(ZipExtractTest, EntryDataCanBeReadDirectly) {
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

    {
        SCOPED_TRACE("an entry left half read is closed as undelivered");
        ASSERT_TRUE(m_reader.OpenEntry(2));
        EXPECT_EQ(m_reader.ReadEntryData(buffer, sizeof buffer), sizeof buffer);
        EXPECT_EQ(m_reader.CloseEntry({}, false), -1);
        EXPECT_EQ(m_reader.CloseEntry({}, false), 0) << "nothing open any more";
    }
}

TEST_F(ZipExtractTest, AbandonedInflateIsReleased) {
    // Runs under the sanitizers too: a fault part-way through inflating must not
    // leak zlib's blocks, whether the entry or the whole archive is closed after it.
    Open("truncated_deflate");
    ASSERT_TRUE(m_reader.OpenEntry(0));
    unsigned char buffer[100000];
    EXPECT_THROW(m_reader.ReadEntryData(buffer, sizeof buffer), zip::CZipException);
    EXPECT_FALSE(m_reader.OpenEntry(1)) << "the faulted entry is still open";
    EXPECT_EQ(m_reader.CloseEntry({}, true), 1);
    ASSERT_TRUE(m_reader.OpenEntry(0));
    EXPECT_THROW(m_reader.ReadEntryData(buffer, sizeof buffer), zip::CZipException);
    m_reader.CloseArchive(true);
    EXPECT_TRUE(m_reader.IsClosed(true));
}

}  // namespace
}  // namespace quarvel::test
