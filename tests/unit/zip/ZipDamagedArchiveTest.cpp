// One small archive per defect, each with what the reader must make of it.

#include <gtest/gtest.h>

#include <filesystem>

#include "TempFolder.h"
#include "ZipTestSupport.h"
#include "platform/FileSystem.h"
#include "zip/ZipException.h"
#include "zip/ZipReader.h"

namespace quarvel::test {
namespace {

using zip::CZipException;

enum class EOutcome {
    kExtracts,       // opens, and every entry extracts to the expected tree
    kOpenFault,      // OpenArchive throws CZipException with the cause
    kOpenFileFault,  // OpenArchive throws platform::CFileException
    kExtractFault,   // the entry's extraction throws CZipException with the cause
    kRefused,        // the entry's extraction returns false and writes nothing
    kIncomplete,     // the entry's extraction returns false, keeping what was delivered
};

struct CDamagedCase {
    const char* m_szKind;
    EOutcome m_outcome;
    int m_nCause = 0;
    int m_nEntry = 0;
};

std::ostream& operator<<(std::ostream& out, const CDamagedCase& row) {
    return out << row.m_szKind;
}

const CDamagedCase kDamagedCases[] = {
    {"not_a_zip", EOutcome::kOpenFault, CZipException::EndRecordNotFound},
    {"zero_length", EOutcome::kOpenFault, CZipException::EndRecordNotFound},
    {"end_record_missing", EOutcome::kOpenFault, CZipException::EndRecordNotFound},
    {"end_record_cut_short", EOutcome::kOpenFault, CZipException::BadArchive},
    {"truncated_directory", EOutcome::kOpenFault, CZipException::BadArchive},
    {"directory_offset_wrong", EOutcome::kOpenFault, CZipException::BadArchive},
    {"count_size_disagree", EOutcome::kOpenFault, CZipException::BadArchive},
    {"bad_central_signature", EOutcome::kOpenFault, CZipException::BadArchive},
    {"bad_local_signature", EOutcome::kOpenFault, CZipException::BadArchive},
    {"overlapping_entries", EOutcome::kOpenFault, CZipException::BadArchive},
    {"entry_overlaps_directory", EOutcome::kOpenFault, CZipException::BadArchive},
    {"entry_past_end", EOutcome::kOpenFault, CZipException::BadArchive},
    {"volume_missing", EOutcome::kOpenFileFault},
    {"local_central_mismatch", EOutcome::kExtractFault, CZipException::BadArchive},
    {"unsupported_method", EOutcome::kExtractFault, CZipException::BadArchive},
    {"crc_error", EOutcome::kExtractFault, CZipException::BadCrc, 1},
    {"truncated_deflate", EOutcome::kExtractFault, CZipException::BufError},
    {"corrupt_deflate", EOutcome::kExtractFault, CZipException::DataError},
    {"declared_smaller", EOutcome::kExtractFault, CZipException::BadArchive},
    {"descriptor_mismatch", EOutcome::kExtractFault, CZipException::BadArchive},
    {"encrypted", EOutcome::kRefused},
    {"hostile_names", EOutcome::kRefused},
    {"stream_ends_early", EOutcome::kIncomplete},
    {"stored_ends_early", EOutcome::kIncomplete, 0, 1},
    {"descriptor_with_signature", EOutcome::kExtracts},
    {"descriptor_without_signature", EOutcome::kExtracts},
    {"comment_with_signature", EOutcome::kExtracts},
    {"prepended_stub", EOutcome::kExtracts},
    {"stub_absolute_offsets", EOutcome::kExtracts},
    {"volumes", EOutcome::kExtracts},
};

class ZipDamagedArchiveTest : public ::testing::TestWithParam<CDamagedCase> {};

TEST_P(ZipDamagedArchiveTest, GivesItsOutcome) {
    const CDamagedCase& row = GetParam();
    CTempFolder temp;
    const std::string archive = temp / "case.zip";
    const std::string stage = temp / "stage";
    MakeFixture(row.m_szKind, archive);
    MakeFolder(stage);

    zip::CZipReader reader;
    if (row.m_outcome == EOutcome::kOpenFault) {
        try {
            reader.OpenArchive(archive, 1, 0);
            FAIL() << "the archive opened";
        } catch (const CZipException& error) {
            EXPECT_EQ(error.m_nCause, row.m_nCause) << zip::ZipCauseDescription(error.m_nCause);
            EXPECT_EQ(error.m_strArchivePath, archive);
        }
        // Refused whole: nothing left to extract.
        EXPECT_TRUE(reader.IsClosed(true));
        EXPECT_TRUE(reader.IsClosed(false));
        EXPECT_EQ(reader.EntryCount(), 0);
        return;
    }
    if (row.m_outcome == EOutcome::kOpenFileFault) {
        EXPECT_THROW(reader.OpenArchive(archive, 1, 0), platform::CFileException);
        EXPECT_EQ(reader.EntryCount(), 0);
        return;
    }

    ASSERT_NO_THROW(reader.OpenArchive(archive, 1, 0));
    if (row.m_outcome == EOutcome::kExtracts) {
        const std::vector<bool> results = ExtractAll(reader, stage);
        EXPECT_EQ(results, std::vector<bool>(results.size(), true));
        EXPECT_EQ(ReadTree(stage), ReadTree(archive + ".expected"));
        reader.CloseArchive();
        return;
    }

    zip::CZipEntry entry;
    ASSERT_TRUE(reader.ReadEntryHeader(entry, row.m_nEntry));
    const std::string output = stage + "/" + entry.GetFileName();
    switch (row.m_outcome) {
        case EOutcome::kExtractFault:
            try {
                reader.ExtractEntry(row.m_nEntry, stage);
                FAIL() << "the entry extracted";
            } catch (const CZipException& error) {
                EXPECT_EQ(error.m_nCause, row.m_nCause) << zip::ZipCauseDescription(error.m_nCause);
                EXPECT_EQ(error.m_strArchivePath, archive);
            }
            // Never more than the entry declares, even from a stream that goes on.
            if (Exists(output)) {
                EXPECT_LE(std::filesystem::file_size(output), entry.m_nUncompressedSize);
            }
            break;
        case EOutcome::kRefused:
            EXPECT_FALSE(reader.ExtractEntry(row.m_nEntry, stage));
            EXPECT_TRUE(ReadTree(stage).empty());
            // Nor anywhere beside or above the stage.
            EXPECT_EQ(ReadTree(temp.Path()), (std::map<std::string, std::string>{
                                                 {"case.zip", ReadFile(archive)}, {"stage/", ""}}));
            break;
        case EOutcome::kIncomplete:
            EXPECT_FALSE(reader.ExtractEntry(row.m_nEntry, stage));
            ASSERT_TRUE(Exists(output));
            EXPECT_LT(std::filesystem::file_size(output), entry.m_nUncompressedSize);
            break;
        default:
            FAIL();
    }
    // One bad entry leaves the reader able to go on and to close normally.
    EXPECT_NO_THROW(reader.CloseArchive());
}

INSTANTIATE_TEST_SUITE_P(OneDefectEach, ZipDamagedArchiveTest, ::testing::ValuesIn(kDamagedCases),
                         [](const auto& info) { return std::string(info.param.m_szKind); });

}  // namespace
}  // namespace quarvel::test
