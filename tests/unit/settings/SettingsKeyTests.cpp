#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "SettingsTestSupport.h"
#include "platform/SettingsKey.h"

namespace {

using namespace platform;
using namespace quarvel::test;

constexpr const char* kKey = "steamconfiguration";

mode_t Mode(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

TEST(SettingsKey, ValuesAreLinesOfAPrivateFile) {
    CScopedHome home;
    const std::string file = home.SettingsFile();
    CSettingsKey key;
    ASSERT_EQ(key.Create(kKey), kErrorSuccess);
    EXPECT_EQ(key.Close(), kErrorSuccess);
    EXPECT_EQ(Mode(home.SettingsFolder()), 0700u);

    const std::string kept = "# note\r\nshort=dword:2A\nupper=dword:0000ABCD\r\n";
    WriteFile(file, kept + "twice=sz:1\nTWICE=sz:2\nlast=sz:no line end");
    ::chmod(file.c_str(), 0600);  // kept when the file is replaced
    ASSERT_EQ(key.Create(kKey), kErrorSuccess);
    EXPECT_EQ(key.SetString("Twice", "a\\b\nc\rd"), kErrorSuccess);
    EXPECT_EQ(key.SetDword("left", 0xFFFFFFECu), kErrorSuccess);
    EXPECT_EQ(key.Close(), kErrorSuccess);
    EXPECT_EQ(Mode(file), 0600u);
    // Other lines stay; the lines of a value fold into one.
    EXPECT_EQ(ReadFile(file),
              kept + "Twice=sz:a\\\\b\\nc\\rd\nlast=sz:no line end\nleft=dword:ffffffec\n");

    CSettingsValue value;
    std::uint32_t number = 0;
    ASSERT_EQ(key.Open(kKey), kErrorSuccess);
    EXPECT_EQ(key.QueryDword("short", number), kErrorFileNotFound);
    ASSERT_EQ(key.QueryDword("UPPER", number), kErrorSuccess);
    EXPECT_EQ(number, 0xABCDu);
    EXPECT_EQ(key.QueryDword("twice", number), kErrorUnsupportedType);
    ASSERT_EQ(key.QueryValue("twice", 400, value), kErrorSuccess);
    EXPECT_EQ(value.m_strData, std::string("a\\b\nc\rd") + '\0');
    key.Close();

    ::unlink(file.c_str());  // a pipe is no key
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    EXPECT_EQ(key.Open(kKey), kErrorAccessDenied);
}

}  // namespace
