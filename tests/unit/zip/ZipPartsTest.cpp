// The reader's small parts: causes, buffers, paths and names.

#include <gtest/gtest.h>
#include <zlib.h>

#include "TempFolder.h"
#include "ZipTestSupport.h"
#include "zip/ZipException.h"
#include "zip/ZipNameCodec.h"
#include "zip/ZipPathSplit.h"

namespace quarvel::test {
namespace {

using zip::CZipException;

TEST(ZipPartsTest, ErrorsMapOntoCauses) {
    EXPECT_EQ(zip::ZipCauseFromError(Z_STREAM_END), CZipException::StreamEnd);
    EXPECT_EQ(zip::ZipCauseFromError(Z_NEED_DICT), CZipException::NeedDict);
    EXPECT_EQ(zip::ZipCauseFromError(Z_ERRNO), CZipException::Errno);
    EXPECT_EQ(zip::ZipCauseFromError(Z_DATA_ERROR), CZipException::DataError);
    EXPECT_EQ(zip::ZipCauseFromError(Z_BUF_ERROR), CZipException::BufError);
    EXPECT_EQ(zip::ZipCauseFromError(Z_VERSION_ERROR), CZipException::VersionError);
    EXPECT_EQ(zip::ZipCauseFromError(zip::kErrBadArchive), CZipException::BadArchive);
    EXPECT_EQ(zip::ZipCauseFromError(zip::kErrBadCrc), CZipException::BadCrc);
    EXPECT_EQ(zip::ZipCauseFromError(zip::kErrEndRecordNotFound), CZipException::EndRecordNotFound);
    for (int unlisted : {0, 3, -7, -100, -110}) {
        EXPECT_EQ(zip::ZipCauseFromError(unlisted), CZipException::Generic) << unlisted;
    }

    EXPECT_STREQ(zip::ZipCauseDescription(CZipException::EndRecordNotFound), "not a zip archive");
    EXPECT_STREQ(zip::ZipCauseDescription(CZipException::BadArchive), "damaged archive");
    EXPECT_STREQ(zip::ZipCauseDescription(CZipException::BadCrc), "CRC error");
    try {
        zip::ThrowZipError(zip::kErrBadCrc, "/x/a.zip");
    } catch (const platform::CException& error) {
        // Caught as the base class, it still names its cause.
        EXPECT_STREQ(error.what(), "CRC error");
        EXPECT_EQ(dynamic_cast<const CZipException&>(error).m_strArchivePath, "/x/a.zip");
    }
}

TEST(ZipPartsTest, PathsSplitLikeTheirStoredForm) {
    using zip::CZipPathSplit;
    EXPECT_EQ(CZipPathSplit::DriveDir("C:/x/y.txt"), "C:/x/");
    EXPECT_EQ(CZipPathSplit::PathNoDrive("C:/x/y.txt"), "x/y.txt");
    EXPECT_EQ(CZipPathSplit::PathNoDrive("//x/y.txt"), "x/y.txt");
    EXPECT_EQ(CZipPathSplit::PathNoDrive("sub/dir/file.txt"), "sub/dir/file.txt");
    EXPECT_EQ(CZipPathSplit::NameExt("sub/dir/file.txt"), "file.txt");
    EXPECT_EQ(CZipPathSplit::Title("/tmp/pack.v2.zip"), "pack.v2");
    EXPECT_EQ(CZipPathSplit::Title("/tmp/.hidden"), "");
    EXPECT_EQ(CZipPathSplit::DriveDir("name"), "");
    // Only a letter makes a drive: "1:" is part of a name.
    EXPECT_EQ(CZipPathSplit::PathNoDrive("1:/x"), "1:/x");
}

TEST(ZipPartsTest, ConfinedNamesHaveNoWayUp) {
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

TEST(ZipPartsTest, StoredNamesDecodeAsPythonDecodesThem) {
    unsigned char high[128];
    for (int i = 0; i < 128; ++i) {
        high[i] = static_cast<unsigned char>(0x80 + i);
    }
    EXPECT_EQ(zip::DecodeStoredName(high, sizeof high, false), RunFixtureScript("cp437"));

    const std::string utf8 = "Z\xC3\xBCrich\\x/y";
    EXPECT_EQ(zip::DecodeStoredName(reinterpret_cast<const unsigned char*>(utf8.data()),
                                    utf8.size(), true),
              "Z\xC3\xBCrich/x/y");
}

TEST(ZipPartsTest, CreateDirectoriesMakesEveryLevel) {
    CTempFolder temp;
    EXPECT_TRUE(zip::CreateDirectories(temp / "a/b/c/"));
    EXPECT_TRUE(IsFolder(temp / "a/b/c"));
    EXPECT_TRUE(zip::CreateDirectories(temp / "a/b")) << "existing folders are fine";
    WriteFile(temp / "file", "x");
    EXPECT_FALSE(zip::CreateDirectories(temp / "file/sub"));
    EXPECT_FALSE(zip::CreateDirectories(temp / std::string(5000, 'd')));
}

}  // namespace
}  // namespace quarvel::test
