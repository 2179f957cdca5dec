// Archives by every common tool, and one small archive per defect, each with
// what the reader must make of it.

#include <gtest/gtest.h>

#include <filesystem>

#include "TempFolder.h"
#include "ZipTestSupport.h"
#include "zip/ZipException.h"
#include "zip/ZipReader.h"

namespace quarvel::test {
namespace {

using zip::CZipException;
using C = CZipException;

enum class EOutcome {
    kExtracts,       // lists and extracts every entry as Python's zipfile reads it
    kOpenFault,      // OpenArchive throws CZipException with the cause
    kOpenFileFault,  // OpenArchive throws platform::CFileException
    kExtractFault,   // the entry's extraction throws CZipException with the cause
    kRefused,        // the entry's extraction returns false and writes nothing
    kIncomplete,     // the entry's extraction returns false, keeping what was delivered
};

using enum EOutcome;

struct CArchiveCase {
    const char* m_szKind;
    EOutcome m_outcome = kExtracts;
    int m_nCause = 0;
    int m_nEntry = 0;
};

std::ostream& operator<<(std::ostream& out, const CArchiveCase& row) {
    return out << row.m_szKind;
}

// clang-format off
const CArchiveCase kArchiveCases[] = {
    {"package"}, {"empty"}, {"info_zip"}, {"info_zip_streamed"}, {"bsdtar"}, {"bsdtar_style"},
    {"sizes"}, {"descriptor_with_signature"}, {"descriptor_without_signature"},
    {"comment_with_signature"}, {"prepended_stub"}, {"stub_absolute_offsets"}, {"volumes"},
    {"not_a_zip",                kOpenFault,     C::EndRecordNotFound},
    {"zero_length",              kOpenFault,     C::EndRecordNotFound},
    {"end_record_missing",       kOpenFault,     C::EndRecordNotFound},
    {"end_record_cut_short",     kOpenFault,     C::BadArchive},
    {"truncated_directory",      kOpenFault,     C::BadArchive},
    {"directory_offset_wrong",   kOpenFault,     C::BadArchive},
    {"count_size_disagree",      kOpenFault,     C::BadArchive},
    {"bad_central_signature",    kOpenFault,     C::BadArchive},
    {"bad_local_signature",      kOpenFault,     C::BadArchive},
    {"overlapping_entries",      kOpenFault,     C::BadArchive},
    {"entry_overlaps_directory", kOpenFault,     C::BadArchive},
    {"entry_past_end",           kOpenFault,     C::BadArchive},
    {"volume_missing",           kOpenFileFault},
    {"local_central_mismatch",   kExtractFault,  C::BadArchive},
    {"unsupported_method",       kExtractFault,  C::BadArchive},
    {"crc_error",                kExtractFault,  C::BadCrc, 1},
    {"truncated_deflate",        kExtractFault,  C::BufError},
    {"corrupt_deflate",          kExtractFault,  C::DataError},
    {"declared_smaller",         kExtractFault,  C::BadArchive},
    {"descriptor_mismatch",      kExtractFault,  C::BadArchive},
    {"encrypted",                kRefused},
    {"hostile_names",            kRefused},
    {"stream_ends_early",        kIncomplete},
    {"stored_ends_early",        kIncomplete,    0, 1},
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
    // The cause of the fault a step raises, which must name the archive; 0 for none.
    auto causeOf = [&archive](auto step) {
        try {
            step();
        } catch (const CZipException& error) {
            EXPECT_EQ(error.m_strArchivePath, archive);
            return error.m_nCause;
        }
        return 0;
    };
    if (row.m_outcome == kOpenFault || row.m_outcome == kOpenFileFault) {
        if (row.m_outcome == kOpenFault) {
            EXPECT_EQ(causeOf([&] { reader.OpenArchive(archive, 1, 0); }), row.m_nCause);
        } else {
            EXPECT_THROW(reader.OpenArchive(archive, 1, 0), platform::CFileException);
        }
        // Refused whole: nothing left to extract.
        EXPECT_TRUE(reader.IsClosed(true));
        EXPECT_TRUE(reader.IsClosed(false));
        EXPECT_EQ(reader.EntryCount(), 0);
        return;
    }
    ASSERT_NO_THROW(reader.OpenArchive(archive, 1, 0));
    if (row.m_outcome == kExtracts) {
        EXPECT_EQ(Listing(reader), ReadFile(archive + ".list"));
        const std::vector<bool> results = ExtractAll(reader, stage);
        EXPECT_EQ(results, std::vector<bool>(results.size(), true));
        EXPECT_EQ(ReadTree(stage), ReadTree(archive + ".expected"));
        return;
    }
    zip::CZipEntry entry;
    ASSERT_TRUE(reader.ReadEntryHeader(entry, row.m_nEntry));
    const std::string output = stage + "/" + entry.GetFileName();
    if (row.m_outcome == kExtractFault) {
        EXPECT_EQ(causeOf([&] { reader.ExtractEntry(row.m_nEntry, stage); }), row.m_nCause);
        // Never more than the entry declares, even from a stream that goes on.
        if (Exists(output)) {
            EXPECT_LE(std::filesystem::file_size(output), entry.m_nUncompressedSize);
        }
    } else if (row.m_outcome == kRefused) {
        EXPECT_FALSE(reader.ExtractEntry(row.m_nEntry, stage));
        // Nothing written, in the stage or beside or above it.
        EXPECT_EQ(ReadTree(temp.Path()), (std::map<std::string, std::string>{{"stage/", ""}}));
    } else {
        EXPECT_FALSE(reader.ExtractEntry(row.m_nEntry, stage));
        ASSERT_TRUE(Exists(output));
        EXPECT_LT(std::filesystem::file_size(output), entry.m_nUncompressedSize);
    }
    // One bad entry leaves the reader able to go on and to close normally.
    EXPECT_TRUE(reader.ExtractEntry(reader.EntryCount() - 1, temp / "next"));
    EXPECT_NO_THROW(reader.CloseArchive());
}

INSTANTIATE_TEST_SUITE_P(OneArchiveEach, ZipArchiveTest, ::testing::ValuesIn(kArchiveCases),
                         [](const auto& info) { return std::string(info.param.m_szKind); });

}  // namespace
}  // namespace quarvel::test
