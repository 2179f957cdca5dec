#include <gtest/gtest.h>
#include <unistd.h>

#include "TempFolder.h"
#include "platform/FolderListing.h"

using platform::ListFolder;
using quarvel::test::CTempFolder;
using quarvel::test::MakeFolder;
using quarvel::test::WriteFile;

namespace {

std::vector<std::string> Names(const std::vector<platform::CFolderEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.m_strName + (entry.IsDirectory() ? "/" : ""));
    }
    return names;
}

}  // namespace

TEST(FolderListing, ListsInByteOrderWithDotsAndMatchesPatternsWithoutCase) {
    CTempFolder temp;
    WriteFile(temp / "pkg/b.bsp", "");
    WriteFile(temp / "pkg/A.BSP", "");
    WriteFile(temp / "pkg/readme.txt", "");
    MakeFolder(temp / "pkg/maps");

    EXPECT_EQ(Names(ListFolder(temp / "pkg", "*.*")),
              (std::vector<std::string>{"./", "../", "A.BSP", "b.bsp", "maps/", "readme.txt"}));
    EXPECT_EQ(Names(ListFolder(temp / "pkg", "*.bsp")),
              (std::vector<std::string>{"A.BSP", "b.bsp"}));
    EXPECT_EQ(Names(ListFolder(temp / "pkg", "README.TXT")),
              (std::vector<std::string>{"readme.txt"}));

    const auto entries = ListFolder(temp / "pkg", "*.*");
    EXPECT_TRUE(entries[0].IsDots());
    EXPECT_EQ(entries[4].m_strPath, temp / "pkg/maps");
}

TEST(FolderListing, FolderInOtherCaseIsListedUnderItsRealName) {
    CTempFolder temp;
    WriteFile(temp / "Package/Maps/x.bsp", "");
    const auto entries = ListFolder(temp / "PACKAGE/maps", "*.bsp");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].m_strPath, temp / "Package/Maps/x.bsp");
}

TEST(FolderListing, LinksToFoldersAreListedAsFilesAndMissingFoldersListNothing) {
    CTempFolder temp;
    MakeFolder(temp / "real");
    WriteFile(temp / "pkg/file.txt", "");
    ASSERT_EQ(::symlink((temp / "real").c_str(), (temp / "pkg/link").c_str()), 0);

    const auto entries = ListFolder(temp / "pkg", "link");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_FALSE(entries[0].IsDirectory());
    EXPECT_TRUE(entries[0].m_bLinkToFolder);

    EXPECT_TRUE(ListFolder(temp / "missing", "*.*").empty());
    EXPECT_TRUE(ListFolder(temp / "pkg/file.txt", "*.*").empty());
    EXPECT_TRUE(ListFolder("", "*.*").empty());
}
