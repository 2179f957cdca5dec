// The zip reader on the archives zip_fixtures.py makes with common tools and byte edits.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <numeric>
#include <sstream>

#include "TempFolder.h"
#include "zip/ZipException.h"
#include "zip/ZipNameCodec.h"
#include "zip/ZipPathSplit.h"
#include "zip/ZipReader.h"
#include "zip/ZipSplitSet.h"

namespace quarvel::test {
namespace {

namespace fs = std::filesystem;
using ZipError = zip::CZipException;
using Strings = std::vector<std::string>;
using Tree = std::map<std::string, std::string>;

// "<kind>.zip", and beside one that extracts "<kind>.zip.list" and "<kind>.zip.expected/" as
// Python's zipfile reads it; made by ctest before the tests, or else by the first test.
std::string Fixture(const std::string& name) {
    static const bool built =
        Exists(QUARVEL_ZIP_FIXTURE_DIR "/complete") ||
        std::system("python3 '" QUARVEL_ZIP_FIXTURES "' '" QUARVEL_ZIP_FIXTURE_DIR "'") == 0;
    EXPECT_TRUE(built) << "the fixture script failed";
    return QUARVEL_ZIP_FIXTURE_DIR "/" + name;
}

std::vector<bool> ExtractAll(zip::CZipReader& reader, const std::string& folder) {
    std::vector<bool> results;
    for (int i = 0; i < reader.EntryCount(); ++i) {
        results.push_back(reader.ExtractEntry(i, folder));
    }
    return results;
}

// Each entry's name; with details, a line as the fixture script lists it.
Strings Entries(const zip::CZipReader& reader, bool details = false) {
    Strings lines;
    zip::CZipEntry e;
    for (int i = 0; i < reader.EntryCount() && reader.ReadEntryHeader(e, i); ++i) {
        char line[80];
        std::snprintf(line, sizeof line, " %08x %llu %llu %04d-%02d-%02d %02d:%02d:%02d\n",
                      e.m_nCrc32, static_cast<unsigned long long>(e.m_nCompressedSize),
                      static_cast<unsigned long long>(e.m_nUncompressedSize),
                      (e.m_nModDate >> 9) + 1980, (e.m_nModDate >> 5) & 0x0F, e.m_nModDate & 0x1F,
                      e.m_nModTime >> 11, (e.m_nModTime >> 5) & 0x3F, (e.m_nModTime & 0x1F) * 2);
        lines.push_back(e.GetFileName() + (details ? line : ""));
    }
    return lines;
}

#ifndef _WIN32
int ModeOf(const std::string& path) {
    return static_cast<int>(fs::symlink_status(path).permissions());
}

// The access mode (O_RDONLY, O_RDWR) this process holds path open with, or -1.
int OpenAccessMode(const std::string& path) {
    for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(fd.path(), error) == fs::canonical(path)) {
            return ::fcntl(std::stoi(fd.path().filename()), F_GETFL) & O_ACCMODE;
        }
    }
    return -1;
}
#endif

enum class EOutcome {
    kExtracts,   // lists and extracts every entry as Python's zipfile reads it
    kOpenFault,  // OpenArchive throws with the cause
    kFault,      // the entry's extraction throws with the cause
    kRefused,    // the entry's extraction returns false and writes nothing
};
using enum EOutcome;
constexpr int kFileFault = -1;  // platform::CFileException in place of a cause

struct CArchiveCase {
    const char* m_szKind;
    EOutcome m_outcome = kExtracts;
    int m_nCause = 0;
    int m_nEntry = 0;
    // The fault's text, naming the check that failed and the entry.
    const char* m_szText = "";
};

std::ostream& operator<<(std::ostream& out, const CArchiveCase& row) {
    return out << row.m_szKind;
}

constexpr int kBad = ZipError::BadArchive;
// clang-format off
const CArchiveCase kArchiveCases[] = {
    {"package"}, {"empty"}, {"info_zip"}, {"info_zip_streamed"}, {"bsdtar"}, {"bsdtar_style"},
    {"sizes"}, {"descriptor_with_signature"}, {"descriptor_without_signature"},
    {"comment_with_signature"}, {"prepended_stub"}, {"stub_absolute_offsets"}, {"volumes"},
    {"data_after_end_record"}, {"bzip2_info_zip"}, {"bzip2_info_zip_streamed"}, {"bzip2_7z"},
    {"bzip2_python"}, {"lzma_7z"}, {"lzma_7z_end_marker"}, {"lzma_python"},
    {"lzma_python_streamed"}, {"zip64_info_zip"}, {"zip64_bsdtar"}, {"zip64_python"},
    {"zip64_python_streamed"}, {"zip64_prepended_stub"}, {"zip64_central_extra"},
    {"zip64_extra_short",        kOpenFault, kBad, 0,
     "damaged: the Zip64 extra field of entry 1 is missing or too short"},
    {"zip64_size_past_end",      kOpenFault, kBad, 0,
     "damaged: the data of entry 2 (sound/de_x/wind.wav) runs past the end of the archive"},
    {"zip64_offset_overlap",     kOpenFault, kBad, 0,
     "damaged: the data of entry 2 (sound/de_x/wind.wav) overlaps other parts of the archive"},
    {"zip64_entry_count",        kOpenFault, kBad, 0,
     "damaged: the end record counts more entries than its directory can hold"},
    {"too_many_entries",         kOpenFault, ZipError::Unsupported, 0,
     "unsupported: the archive holds more than 65535 entries"},
    {"zip64_end_record_lost",    kOpenFault, kBad, 0,
     "damaged: the Zip64 end record is not where its locator says"},
    {"not_a_zip",                kOpenFault, ZipError::EndRecordNotFound, 0, "not a zip archive"},
    {"zero_length",              kOpenFault, ZipError::EndRecordNotFound, 0, "not a zip archive"},
    {"end_record_missing",       kOpenFault, ZipError::EndRecordNotFound, 0, "not a zip archive"},
    {"end_record_cut_short",     kOpenFault, kBad, 0, "damaged: the end record is cut short"},
    {"truncated_directory",      kOpenFault, kBad, 0,
     "damaged: the central directory runs past the end record"},
    {"directory_offset_wrong",   kOpenFault, kBad, 0,
     "damaged: the central directory runs past the end record"},
    {"count_size_disagree",      kOpenFault, kBad, 0,
     "damaged: the end record's entry count and directory size disagree"},
    {"directory_size_bound",     kOpenFault, kBad, 0,
     "damaged: the central record of entry 2 (sound/de_x/wind.wav) runs past the central "
     "directory"},
    {"bad_central_signature",    kOpenFault, kBad, 0,
     "damaged: the central record of entry 1 has no valid signature"},
    {"bad_local_signature",      kOpenFault, kBad, 0,
     "damaged: the local header of entry 1 (maps/de_x.txt) has no valid signature"},
    {"overlapping_entries",      kOpenFault, kBad, 0,
     "damaged: the data of entry 2 (sound/de_x/wind.wav) overlaps other parts of the archive"},
    {"entry_overlaps_directory", kOpenFault, kBad, 0,
     "damaged: the data of entry 2 (sound/de_x/wind.wav) overlaps other parts of the archive"},
    {"entry_past_end",           kOpenFault, kBad, 0,
     "damaged: the archive ends inside the local header of entry 2 (sound/de_x/wind.wav)"},
    {"volume_missing",           kOpenFault, kFileFault},
    {"local_central_mismatch",   kFault, kBad, 0, "damaged: the local header of entry 0 "
     "(maps/de_x.bsp) does not match the central directory (CRC-32)"},
    {"local_name_length",        kFault, kBad, 1, "damaged: the local header of entry 1 "
     "(maps/de_x.txt) does not match the central directory (name length)"},
    {"local_flags",              kFault, kBad, 0, "damaged: the local header of entry 0 "
     "(maps/de_x.bsp) does not match the central directory (flags)"},
    {"extra_crosses_volume",     kFault, kBad, 1,
     "damaged: the local extra field of entry 1 (maps/de_x.txt) crosses a volume boundary"},
    {"unsupported_method",       kFault, ZipError::Unsupported, 0, "unsupported: compression "
     "method 9 (Deflate64) of entry 0 (maps/de_x.bsp) is not supported"},
    {"deflate64_7z",             kFault, ZipError::Unsupported, 1, "unsupported: compression "
     "method 9 (Deflate64) of entry 1 (maps/de_x.bsp) is not supported"},
    {"corrupt_bzip2",            kFault, ZipError::DataError, 0,
     "damaged: the compressed data of entry 0 (maps/de_x.bsp) is corrupt"},
    {"truncated_lzma",           kFault, ZipError::BufError, 0,
     "damaged: the compressed data of entry 0 (maps/de_x.bsp) ends before its stream does"},
    {"lzma_bad_properties",      kFault, ZipError::DataError, 0,
     "damaged: the compressed data of entry 0 (maps/de_x.bsp) is corrupt"},
    {"crc_error",                kFault, ZipError::BadCrc, 1,
     "damaged: the data of entry 1 (maps/de_x.txt) fails its CRC-32 check"},
    {"truncated_deflate",        kFault, ZipError::BufError, 0,
     "damaged: the compressed data of entry 0 (maps/de_x.bsp) ends before its stream does"},
    {"corrupt_deflate",          kFault, ZipError::DataError, 0,
     "damaged: the compressed data of entry 0 (maps/de_x.bsp) is corrupt"},
    {"declared_smaller",         kFault, kBad, 0, "damaged: the compressed data of entry 0 "
     "(maps/de_x.bsp) yields more than its declared size"},
    {"stream_ends_early",        kFault, kBad, 0, "damaged: the compressed data of entry 0 "
     "(maps/de_x.bsp) ends before its declared size"},
    {"stored_ends_early",        kFault, kBad, 1,
     "damaged: the sizes of entry 1 (maps/de_x.txt), which is stored, disagree"},
    {"stored_runs_long",         kFault, kBad, 1,
     "damaged: the sizes of entry 1 (maps/de_x.txt), which is stored, disagree"},
    // The data matches the central directory; only the descriptor disagrees.
    {"descriptor_mismatch",      kExtracts},
    {"encrypted",                kRefused, ZipError::Unsupported, 0,
     "unsupported: entry 0 (secret.bsp) is password-protected"},
    {"hostile_names",            kRefused},
};
// clang-format on

class ZipArchiveTest : public ::testing::TestWithParam<CArchiveCase> {};

TEST_P(ZipArchiveTest, GivesItsOutcome) {
    const CArchiveCase& row = GetParam();
    const std::string archive = Fixture(std::string(row.m_szKind) + ".zip");
    if (row.m_szKind == std::string("bsdtar") && !Exists(archive)) {
        GTEST_SKIP() << "bsdtar is not installed (Debian package libarchive-tools)";
    }
    CTempFolder temp;
    const std::string stage = temp / "stage";
    MakeFolder(stage);
    zip::CZipReader reader;
    // The cause of the fault a step raises, which must name the archive and the check; 0 for none.
    auto causeOf = [&archive, &row](auto step) {
        try {
            step();
        } catch (const ZipError& error) {
            // The archive, or the volume of it being read.
            EXPECT_EQ(error.m_strArchivePath.substr(0, archive.size() - 3),
                      archive.substr(0, archive.size() - 3));
            EXPECT_STREQ(error.what(), row.m_szText);
            EXPECT_EQ(error.what(), zip::ZipFaultText(error));
            return error.m_nCause;
        } catch (const platform::CFileException&) {
            return kFileFault;
        }
        return 0;
    };
    if (row.m_outcome == kOpenFault) {
        EXPECT_EQ(causeOf([&] { reader.OpenArchive(archive, 1, 0); }), row.m_nCause);
        // Refused whole: nothing left to extract.
        EXPECT_TRUE(reader.IsClosed(true) && reader.IsClosed(false));
        EXPECT_EQ(reader.EntryCount(), 0);
        return;
    }
    ASSERT_NO_THROW(reader.OpenArchive(archive, 1, 0));
    if (row.m_outcome == kExtracts) {
        const Strings listing = Entries(reader, true);
        EXPECT_EQ(std::accumulate(listing.begin(), listing.end(), std::string()),
                  ReadFile(archive + ".list"));
        const std::vector<bool> results = ExtractAll(reader, stage);
        EXPECT_EQ(results, std::vector<bool>(results.size(), true));
        EXPECT_EQ(ReadTree(stage), ReadTree(archive + ".expected"));
        return;
    }
    zip::CZipEntry entry;
    ASSERT_TRUE(reader.ReadEntryHeader(entry, row.m_nEntry));
    const std::string output = stage + "/" + entry.GetFileName();
    const auto unsupported = reader.CheckEntrySupported(row.m_nEntry);
    EXPECT_EQ(unsupported ? unsupported->what() : std::string(),
              row.m_nCause == ZipError::Unsupported ? row.m_szText : "");
    if (row.m_outcome == kFault) {
        EXPECT_EQ(causeOf([&] { reader.ExtractEntry(row.m_nEntry, stage); }), row.m_nCause);
        // Never more than the entry declares, even from a stream that goes on.
        EXPECT_LE(Exists(output) ? fs::file_size(output) : 0, entry.m_nUncompressedSize);
    } else {
        EXPECT_FALSE(reader.ExtractEntry(row.m_nEntry, stage));
        EXPECT_EQ(ReadTree(temp.Path()), (Tree{{"stage/", ""}}));  // nothing, anywhere
    }
    // One bad entry leaves the reader able to go on and to close normally.
    EXPECT_TRUE(reader.ExtractEntry(reader.EntryCount() - 1, temp / "next"));
    EXPECT_NO_THROW(reader.CloseArchive());
}

INSTANTIATE_TEST_SUITE_P(OneArchiveEach, ZipArchiveTest, ::testing::ValuesIn(kArchiveCases),
                         [](const auto& info) { return std::string(info.param.m_szKind); });

// Bit flips, cut and altered sizes and CRCs in one entry of a real archive, stored or deflated,
// with or without a data descriptor: where zlib reads the entry, the reader yields the same
// bytes; everywhere else it throws, and never answers false or true in place of a fault.
TEST(ZipIntegrityTest, DamagedEntriesNeverPassAsRead) {
    const std::string folder = Fixture("integrity");
    std::istringstream cases(ReadFile(folder + "/cases.txt"));
    std::string name;
    std::string verdict;
    int index = 0;
    std::map<std::string, int> seen;
    while (cases >> name >> index >> verdict) {
        SCOPED_TRACE(name);
        ++seen[verdict];
        const std::string archive = folder + "/" + name;
        CTempFolder temp;
        zip::CZipReader reader;
        zip::CZipEntry entry;
        bool extracted = false;
        try {
            reader.OpenArchive(archive, 1, 0);
            ASSERT_TRUE(reader.ReadEntryHeader(entry, index));
            extracted = reader.ExtractEntry(index, temp.Path());
        } catch (const ZipError& fault) {
            EXPECT_EQ(verdict, "fault") << fault.what();
            continue;
        }
        EXPECT_EQ(verdict, "reads");
        EXPECT_TRUE(extracted);
        EXPECT_EQ(ReadFile(temp / entry.GetFileName()), ReadFile(archive + ".expected"));
    }
    EXPECT_GT(seen["fault"], 50);
    EXPECT_GT(seen["reads"], 0) << "flips zlib ignores are read as zlib reads them";
}

class ZipReaderTest : public ::testing::Test {
  protected:
    void Open(const std::string& kind) { m_reader.OpenArchive(Fixture(kind + ".zip"), 1, 0); }
    std::string Stage(const std::string& path = "") const { return m_temp / ("stage/" + path); }

    CTempFolder m_temp;
    zip::CZipReader m_reader;
};

TEST_F(ZipReaderTest, NamesBecomeUtf8WithForwardSlashes) {
    // Code page 437 without the UTF-8 flag, UTF-8 with it, and a backslash separator.
    const Strings names{"maps/caf\xC3\xA9.txt", "maps/Z\xC3\xBCrich.txt", "maps/back.txt"};
    Open("names");
    EXPECT_EQ(Entries(m_reader), names);
    EXPECT_EQ(ExtractAll(m_reader, Stage()), std::vector<bool>(3, true));
    EXPECT_EQ(ReadFile(Stage("maps/caf\xC3\xA9.txt")), "cp437");
    zip::CZipReader raw;
    raw.SetConvertNames(false);
    raw.OpenArchive(Fixture("names.zip"), 1, 0);
    EXPECT_EQ(Entries(raw), names) << "names left as stored are converted in each header copy";
    unsigned char high[128];
    std::iota(high, high + 128, 0x80);
    EXPECT_EQ(zip::DecodeStoredName(high, sizeof high, false), ReadFile(Fixture("cp437.txt")))
        << "every code page 437 byte decodes as Python decodes it";
}

// Info-ZIP's volumes (out.z01, out.z02, out.zip), 7-Zip's pieces (out.zip.001, …) and numbered
// volumes (volumes.000, …, volumes.zip), each found from any one part and read whole.
TEST_F(ZipReaderTest, SplitSetsByTheirRealNames) {
    using zip::EZipSplitKind;
    const std::string folder = Fixture("");
    struct {
        const char* m_szSet;
        EZipSplitKind m_kind;
        Strings m_parts;  // canonical path first
    } const sets[] = {
        {"split_info_zip", EZipSplitKind::kInfoZip, {"out.zip", "out.z01", "out.z02"}},
        {"split_7z", EZipSplitKind::kRawSplit, {"out.zip.001", "out.zip.002", "out.zip.003"}},
        {"",
         EZipSplitKind::kNumbered,
         {"volumes.zip", "volumes.000", "volumes.001", "volumes.002"}},
    };
    for (const auto& set : sets) {
        SCOPED_TRACE(set.m_parts.front());
        // A copy whose parts differ in letter case from the names the set expects.
        const std::string copy = m_temp / (*set.m_szSet ? set.m_szSet : "numbered");
        MakeFolder(copy);
        Strings paths;
        for (const std::string& part : set.m_parts) {
            std::string name = part;
            if (part == set.m_parts[2]) {
                std::transform(name.begin(), name.end(), name.begin(), ::toupper);
            }
            fs::copy_file(folder + set.m_szSet + (*set.m_szSet ? "/" : "") + part,
                          copy + "/" + name);
            paths.push_back(copy + "/" + name);
        }
        Strings ordered(paths.begin() + (set.m_kind == EZipSplitKind::kRawSplit ? 0 : 1),
                        paths.end());
        if (set.m_kind != EZipSplitKind::kRawSplit) {
            ordered.push_back(paths.front());
        }
        for (const std::string& part : paths) {
            const zip::CZipSplitSet found = zip::FindZipSplitSet(part);
            EXPECT_EQ(found.m_kind, set.m_kind) << part;
            EXPECT_EQ(found.m_strCanonicalPath, paths.front()) << part;
            EXPECT_EQ(found.m_parts, ordered) << part;
            EXPECT_EQ(found.m_strMissingPart, "") << part;
            zip::CZipReader reader;
            reader.OpenArchive(part, 1, 0);
            const std::string stage = m_temp / "stage";
            ExtractAll(reader, stage);
            EXPECT_EQ(ReadTree(stage), ReadTree(set.m_kind == EZipSplitKind::kNumbered
                                                    ? Fixture("volumes.zip.expected")
                                                    : Fixture("split.expected")));
            fs::remove_all(stage);
        }
        // A part gone is named, by the search and by the reader's refusal.
        fs::remove(paths[1]);
        for (const std::string& part : {paths.front(), paths.back()}) {
            EXPECT_EQ(zip::FindZipSplitSet(part).m_strMissingPart, paths[1]);
            zip::CZipReader reader;
            try {
                reader.OpenArchive(part, 1, 0);
                ADD_FAILURE() << "opened without " << paths[1];
            } catch (const platform::CFileException& missing) {
                EXPECT_EQ(missing.m_strFileName, paths[1]);
            }
        }
    }
    EXPECT_EQ(zip::FindZipSplitSet(Fixture("package.zip")).m_kind, EZipSplitKind::kSingle);
}

TEST_F(ZipReaderTest, UnixNamesInUtf8WithoutTheFlag) {
    // Info-ZIP on Linux stores the file system's UTF-8 bytes and sets no flag.
    Open("info_zip_names");
    EXPECT_EQ(Entries(m_reader), (Strings{"sound/", "sound/r\xC3\xADo_lluvia.wav"}));
    m_reader.CloseArchive();
    Open("host_names");
    const Strings names{"unix_r\xC3\xADo.wav", "dos_r\xE2\x94\x9C\xC2\xA1o.wav",
                        "unix_caf\xC3\xA9.txt", "flagged_b\xFF.txt"};
    EXPECT_EQ(Entries(m_reader), names) << "UTF-8 from Unix; CP437 from DOS or when not UTF-8";
    // A name flagged UTF-8 that is not is refused like any hostile name.
    EXPECT_EQ(ExtractAll(m_reader, Stage()), (std::vector<bool>{true, true, true, false}));
    EXPECT_EQ(ReadTree(Stage()),
              (Tree{{names[0], "unix"}, {names[1], "dos"}, {names[2], "cp437"}}));
}

TEST_F(ZipReaderTest, FolderEntriesAreToldApart) {
    Open("folders");
    ASSERT_EQ(Entries(m_reader), (Strings{"empty_dir/", "data_dir/", "attr_dir", "unix_dir",
                                          "plain.txt", "ef_file.txt", "dos_dir_data", "mac_dir"}));
    const std::vector<bool> folders{true, false, true, true, false, false, false, true};
    for (int i = 0; i < m_reader.EntryCount(); ++i) {
        EXPECT_EQ(m_reader.IsDirectoryEntry(i), folders[i]) << Entries(m_reader)[i];
    }
    // Data without a file name to write it under is refused, not written as a folder; a Unix
    // file mode wins over DOS folder bits, and data under a file name is a file.
    EXPECT_EQ(ExtractAll(m_reader, Stage()),
              (std::vector<bool>{true, false, true, true, true, true, true, true}));
    EXPECT_EQ(ReadTree(Stage()), (Tree{{"attr_dir/", ""},
                                       {"dos_dir_data", "data"},
                                       {"ef_file.txt", ""},
                                       {"empty_dir/", ""},
                                       {"mac_dir/", ""},
                                       {"plain.txt", ""},
                                       {"unix_dir/", ""}}));
}

TEST_F(ZipReaderTest, OpenAndClose) {
    zip::CZipEntry entry;
    // A closed reader answers without throwing.
    EXPECT_FALSE(m_reader.IsDirectoryEntry(0) || m_reader.ReadEntryHeader(entry, 0) ||
                 m_reader.ExtractEntry(0, "/nonexistent") || m_reader.OpenEntry(0));
    EXPECT_NO_THROW(m_reader.CloseArchive(false));
    EXPECT_NO_THROW(m_reader.CloseArchive(true));
    EXPECT_THROW(m_reader.OpenArchive(Fixture("missing.zip"), 1, 0), platform::CFileException);
    // A read-only archive is opened for reading only, and released when closed.
    const std::string archive = m_temp / "package.zip";
    fs::copy_file(Fixture("package.zip"), archive);
    ASSERT_EQ(::chmod(archive.c_str(), 0444), 0);
    m_reader.OpenArchive(archive, 1, 0);
#ifndef _WIN32  // read from /proc
    EXPECT_EQ(OpenAccessMode(archive), O_RDONLY);
#endif
    EXPECT_EQ(ExtractAll(m_reader, Stage()), std::vector<bool>(3, true));
    m_reader.CloseArchive();
#ifndef _WIN32  // read from /proc
    EXPECT_EQ(OpenAccessMode(archive), -1);
#endif
    // Opening an open reader changes nothing; indices use their low 16 bits.
    Open("package");
    Open("empty");
    ASSERT_EQ(m_reader.EntryCount(), 3);
    ASSERT_TRUE(m_reader.ReadEntryHeader(entry, 65536 + 1));
    EXPECT_EQ(entry.GetFileName(), "maps/de_x.txt");
    EXPECT_FALSE(m_reader.ReadEntryHeader(entry, 3) || m_reader.IsDirectoryEntry(-1));
}

#ifndef _WIN32  // links, FIFOs, locks and modes of the posix backend
TEST_F(ZipReaderTest, FilesCarryTheEntryTimeAndPermissions) {
    Open("modes");
    EXPECT_EQ(ExtractAll(m_reader, Stage()), std::vector<bool>(7, true));
    std::tm local{6, 5, 4, 3, 1, 101, 0, 0, -1, 0, nullptr};  // 2001-02-03 04:05:06 local
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
    EXPECT_FALSE(fs::is_symlink(Stage("link")));
    EXPECT_EQ(ReadFile(Stage("link")), "/etc/passwd");
    EXPECT_EQ(ModeOf(Stage("link")) & 0022, 0);
}
#endif

TEST_F(ZipReaderTest, WhereEntriesLand) {
    const std::string text = "A test map\r\nby nobody\r\n";
    Open("package");
    EXPECT_TRUE(m_reader.ExtractEntry(2, Stage() + "//")) << "below the stored folders";
    EXPECT_TRUE(m_reader.ExtractEntry(2, m_temp / "flat", false)) << "without, the name alone";
    EXPECT_EQ(ReadTree(m_temp / "flat"),
              (Tree{{"wind.wav", ReadFile(Stage("sound/de_x/wind.wav"))}}));
    EXPECT_TRUE(m_reader.ExtractEntry(1, m_temp / "renamed", true, "docs/readme.txt"));
    EXPECT_EQ(ReadFile(m_temp / "renamed/docs/readme.txt"), text);
    WriteFile(Stage("maps/de_x.txt"), std::string(5000, 'x'));
    EXPECT_TRUE(m_reader.ExtractEntry(1, Stage())) << "over a longer file, which is cut";
    EXPECT_EQ(ReadFile(Stage("maps/de_x.txt")), text);
    MakeFolder(m_temp / "blocked/maps/de_x.txt");
    EXPECT_THROW(m_reader.ExtractEntry(1, m_temp / "blocked"), platform::CFileException);
    EXPECT_TRUE(m_reader.ExtractEntry(0, m_temp / "blocked")) << "the reader goes on";
}

TEST_F(ZipReaderTest, HostileNamesStayInsideTheTarget) {
    Open("hostile_names");
    ASSERT_EQ(Entries(m_reader), (Strings{"../evil.txt", "a/../../evil2.txt", "C:../evil3.txt",
                                          "/abs/x.txt", "C:/drive/y.txt", "ok.txt"}));
    const std::string stage = m_temp / "deep/stage";
    MakeFolder(stage);
    EXPECT_EQ(ExtractAll(m_reader, stage),
              (std::vector<bool>{false, false, false, true, true, true}));
    // Drive letters and leading separators are dropped; ".." is never followed.
    // clang-format off
    EXPECT_EQ(ReadTree(m_temp / "deep"), (Tree{{"stage/", ""}, {"stage/abs/", ""},
        {"stage/abs/x.txt", "abs"}, {"stage/drive/", ""}, {"stage/drive/y.txt", "drive"},
        {"stage/ok.txt", "fine"}}));
    // clang-format on
#ifndef _WIN32
    // A link planted at the target is not followed.
    WriteFile(m_temp / "outside.txt", "keep");
    MakeFolder(Stage());
    ASSERT_EQ(::symlink((m_temp / "outside.txt").c_str(), Stage("ok.txt").c_str()), 0);
    EXPECT_THROW(m_reader.ExtractEntry(5, Stage()), platform::CFileException);
    EXPECT_EQ(ReadFile(m_temp / "outside.txt"), "keep");
#endif
}

TEST_F(ZipReaderTest, AFaultLeavesThePartialFile) {
    Open("crc_error");
    EXPECT_THROW(m_reader.ExtractEntry(1, Stage()), ZipError);
    // The one altered byte is the first: 'A' became 'a'.
    EXPECT_EQ(ReadFile(Stage("maps/de_x.txt")), "a test map\r\nby nobody\r\n");
}

TEST_F(ZipReaderTest, BlockSizesAndProgress) {
    // Records the last report (total, done) and asks to go on while less than limit is done.
    static std::pair<std::uint32_t, std::uint32_t> s_last;
    auto record = [](std::uint32_t total, std::uint32_t done, int limit) {
        s_last = {total, done};
        return static_cast<int>(done) < limit;
    };
    Open("descriptor_with_signature");
    // 40000 bytes in blocks of 1000, stopped once 5000 are written.
    EXPECT_FALSE(m_reader.ExtractEntry(2, Stage(), true, {}, record, 5000, 1000));
    EXPECT_EQ(s_last, std::make_pair(40000u, 5000u));
    EXPECT_EQ(fs::file_size(Stage("sound/de_x/wind.wav")), 5000u);
    EXPECT_FALSE(m_reader.ExtractEntry(2, Stage(), true, {}, nullptr, 0, 0)) << "no buffer";
    // Blocks of 7 bytes, each data descriptor checked after its data.
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(m_reader.ExtractEntry(i, Stage(), true, {}, record, 1 << 30, 7));
    }
    EXPECT_EQ(s_last, std::make_pair(40000u, 40000u));
    EXPECT_EQ(ReadTree(Stage()), ReadTree(Fixture("descriptor_with_signature.zip.expected")));
}

TEST(ZipEntryDataTest, ReadByHandForEachMethod) {
    // A sound archive and a damaged one of each compressed method.
    for (const auto& [sound, damaged] : {std::pair{"package", "truncated_deflate"},
                                         {"bzip2_python", "corrupt_bzip2"},
                                         {"lzma_python", "truncated_lzma"}}) {
        SCOPED_TRACE(sound);
        zip::CZipReader reader;
        reader.OpenArchive(Fixture(std::string(sound) + ".zip"), 1, 0);
        ASSERT_TRUE(reader.OpenEntry(0));
        EXPECT_FALSE(reader.OpenEntry(1)) << "one entry at a time";
        unsigned char buffer[100000];
        EXPECT_EQ(reader.ReadEntryData(buffer, 7), 7u);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 7),
                  std::string("\0\1\2\3\4\5\6", 7));
        EXPECT_EQ(reader.CloseEntry({}, false), -1) << "left half read";
        EXPECT_EQ(reader.CloseEntry({}, false), 0) << "nothing open any more";
        reader.CloseArchive();
        // A fault leaves its entry open until closed after it; the abandoned decoder leaks
        // nothing (the sanitizers check), whether the entry or the whole archive is closed.
        reader.OpenArchive(Fixture(std::string(damaged) + ".zip"), 1, 0);
        ASSERT_TRUE(reader.OpenEntry(0));
        EXPECT_THROW(reader.ReadEntryData(buffer, sizeof buffer), ZipError);
        EXPECT_EQ(reader.CloseEntry({}, true), 1);
        ASSERT_TRUE(reader.OpenEntry(0));
        EXPECT_THROW(reader.ReadEntryData(buffer, sizeof buffer), ZipError);
        reader.CloseArchive(true);
        EXPECT_TRUE(reader.IsClosed(true));
    }
}

TEST(ZipHelpersTest, CauseNamesAndArchiveTitles) {
    EXPECT_STREQ(ZipError(ZipError::EndRecordNotFound).what(), "not a zip archive");
    EXPECT_STREQ(zip::ZipCauseDescription(zip::ZipCauseFromError(zip::kErrBadCrc)), "CRC error");
    EXPECT_STREQ(ZipError(ZipError::BadCrc).what(), "damaged: CRC error");
    EXPECT_EQ(zip::ZipCauseFromError(zip::kErrUnsupported), ZipError::Unsupported);
    EXPECT_EQ(zip::ZipCauseFromError(-111), ZipError::Generic);
    // A fault raised before its entry is known takes the entry from the layer above.
    ZipError fault(ZipError::DataError, "a.zip", "the compressed data of {entry} is corrupt");
    EXPECT_STREQ(fault.what(), "damaged: the compressed data of an entry is corrupt");
    fault.SetEntry(3, "maps/de_x.bsp");
    fault.SetEntry(4, "other");
    EXPECT_EQ(fault.EntryIndex(), 3);
    EXPECT_STREQ(fault.what(),
                 "damaged: the compressed data of entry 3 (maps/de_x.bsp) is corrupt");
    EXPECT_STREQ(ZipError(ZipError::MemError).what(), "out of memory");
    EXPECT_EQ(zip::CZipPathSplit::Title("/tmp/pack.v2.zip"), "pack.v2") << "names the volumes";
}

TEST(ZipHelpersTest, MovedBuffersAreEmpty) {
    zip::CZipBuffer buffer;
    buffer.Allocate(34, true);
    zip::CZipBuffer taken = std::move(buffer);
    EXPECT_EQ(taken.Size(), 34u);
    EXPECT_TRUE(buffer.IsEmpty() && buffer.Data() == nullptr);  // NOLINT: moved from on purpose
    buffer.Allocate(34, true);  // a new block, not the length of the old one over no block
    ASSERT_NE(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Data()[33], 0);
}

TEST(ZipHelpersTest, ConfinedNamesHaveNoWayUp) {
    for (const char* confined :
         {"maps/de_x.bsp", "/abs/x", "C:/x/y", "a/./b", "a..b/c..", "./", ""}) {
        EXPECT_TRUE(zip::IsConfinedEntryName(confined)) << confined;
    }
#ifndef _WIN32
    EXPECT_TRUE(zip::IsConfinedEntryName("..."));  // a name like any other here
#endif
    for (const char* escaping : {"..", "../x", "a/../../x", "a/..", "C:../x", "/../x", "C:/../x",
                                 "a/b/../../../c", "..\\x", "a\\..\\..\\x", "a/..\\b"}) {
        EXPECT_FALSE(zip::IsConfinedEntryName(escaping)) << escaping;
    }
#ifdef _WIN32
    // Names Windows would turn into a way up, another file's stream or a device.
    for (const char* windows : {"a/.../x", "a/.. /x", "maps/x.bsp:hidden", "maps/NUL", "con.txt",
                                "sound/com1.wav", "Lpt9", "aux .txt"}) {
        EXPECT_FALSE(zip::IsConfinedEntryName(windows)) << windows;
    }
    EXPECT_TRUE(zip::IsConfinedEntryName("maps/console.txt"));
    EXPECT_TRUE(zip::IsConfinedEntryName("sound/com10.wav"));
#endif
    EXPECT_FALSE(zip::IsConfinedEntryName(std::string("ok\0/../../x", 11))) << "NUL byte";
    EXPECT_TRUE(zip::IsConfinedEntryName("maps/caf\xC3\xA9.bsp"));
    EXPECT_FALSE(zip::IsConfinedEntryName("maps/caf\xE9.bsp")) << "not UTF-8";
}

TEST(ZipHelpersTest, Utf8IsWellFormedOnly) {
    const auto valid = [](std::string_view text) {
        return zip::IsValidUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    };
    for (const char* good : {"", "plain", "\xC3\xA9", "\xE2\x82\xAC", "\xED\x9F\xBF",
                             "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"}) {
        EXPECT_TRUE(valid(good)) << good;
    }
    // Lone continuation, overlong forms, a surrogate, past U+10FFFF, cut short, bad lead bytes.
    for (const char* bad : {"\x80", "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xED\xA0\x80",
                            "\xF0\x80\x80\x80", "\xF4\x90\x80\x80", "\xC3", "\xE2\x82",
                            "\xE2\x82"
                            "A",
                            "\xF5\x80\x80\x80", "\xFF"}) {
        EXPECT_FALSE(valid(bad)) << bad;
    }
}

}  // namespace
}  // namespace quarvel::test
