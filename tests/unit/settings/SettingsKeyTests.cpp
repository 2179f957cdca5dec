#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "SettingsTestSupport.h"
#include "platform/SettingsKey.h"

namespace {

using platform::CSettingsKey;
using platform::CSettingsValue;
using platform::ESettingsValueType;
using quarvel::test::CScopedHome;
using quarvel::test::Exists;
using quarvel::test::MakeFolder;
using quarvel::test::MakeReadOnly;
using quarvel::test::ReadFile;
using quarvel::test::WriteFile;

constexpr const char* kKey = "steamconfiguration";

void WriteSettings(const CScopedHome& home, const std::string& content) {
    WriteFile(home.SettingsFile(), content);
}

TEST(SettingsKey, WritesLinesThatReadBackAsRegistryValues) {
    CScopedHome home;
    CSettingsKey key;
    ASSERT_EQ(key.Create(kKey), platform::kErrorSuccess);
    EXPECT_EQ(key.SetString("Directory", "/games/a\\b\nc\rd"), platform::kErrorSuccess);
    EXPECT_EQ(key.SetDword("left", 0xFFFFFFECu), platform::kErrorSuccess);
    EXPECT_EQ(key.SetDword("top", 0x64u), platform::kErrorSuccess);
    EXPECT_EQ(key.Close(), platform::kErrorSuccess);

    EXPECT_EQ(CSettingsKey::KeyFilePath(kKey), home.SettingsFile());
    EXPECT_EQ(ReadFile(home.SettingsFile()),
              "Directory=sz:/games/a\\\\b\\nc\\rd\n"
              "left=dword:ffffffec\n"
              "top=dword:00000064\n");

    ASSERT_EQ(key.Open(kKey), platform::kErrorSuccess);
    CSettingsValue value;
    ASSERT_EQ(key.QueryValue("Directory", 400, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_eType, ESettingsValueType::kString);
    EXPECT_EQ(value.m_strData, std::string("/games/a\\b\nc\rd") + '\0');
    std::uint32_t number = 0;
    ASSERT_EQ(key.QueryDword("left", number), platform::kErrorSuccess);
    EXPECT_EQ(number, 0xFFFFFFECu);
    // Value names ignore case, as in the registry.
    ASSERT_EQ(key.QueryDword("TOP", number), platform::kErrorSuccess);
    EXPECT_EQ(number, 100u);
    EXPECT_EQ(key.Close(), platform::kErrorSuccess);
}

TEST(SettingsKey, QueriesFailAsRegistryQueriesDo) {
    CScopedHome home;
    WriteSettings(home, "Directory=sz:" + std::string(399, 'd') +
                            "\n"
                            "long=sz:" +
                            std::string(400, 'x') +
                            "\n"
                            "text=sz:1\n"
                            "number=dword:0000002A\n");
    CSettingsKey key;
    ASSERT_EQ(key.Open(kKey), platform::kErrorSuccess);
    CSettingsValue value;
    std::uint32_t number = 0;

    // 399 characters and their NUL fill the 400 bytes exactly; 400 do not fit.
    EXPECT_EQ(key.QueryValue("Directory", 400, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_strData.size(), 400u);
    EXPECT_EQ(key.QueryValue("long", 400, value), platform::kErrorMoreData);
    EXPECT_EQ(key.QueryValue("absent", 400, value), platform::kErrorFileNotFound);

    // A string is no number, however short; a number read as bytes gives its four bytes.
    EXPECT_EQ(key.QueryDword("text", number), platform::kErrorUnsupportedType);
    EXPECT_EQ(key.QueryDword("absent", number), platform::kErrorFileNotFound);
    ASSERT_EQ(key.QueryValue("number", 4, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_eType, ESettingsValueType::kDword);
    EXPECT_EQ(value.m_strData, std::string("\x2A\0\0\0", 4));
    EXPECT_EQ(key.QueryValue("number", 3, value), platform::kErrorMoreData);

    // A read handle cannot write.
    EXPECT_EQ(key.SetDword("number", 1), platform::kErrorAccessDenied);
    EXPECT_EQ(key.Close(), platform::kErrorSuccess);
}

TEST(SettingsKey, ReadsOnlyWellFormedLines) {
    CScopedHome home;
    WriteSettings(home,
                  "# a comment\r\n"
                  "no equals sign\n"
                  "short=dword:2A\n"
                  "notHex=dword:0000zz00\n"
                  "unknown=qword:0000000000000001\n"
                  "upper=dword:0000ABCD\r\n"
                  "twice=sz:first\n"
                  "TWICE=sz:second\n"
                  "crlf=sz:C:\\\\games\r\n"
                  "odd=sz:a\\tb\\\n"
                  "last=sz:no line end");
    CSettingsKey key;
    ASSERT_EQ(key.Open(kKey), platform::kErrorSuccess);
    CSettingsValue value;
    std::uint32_t number = 0;
    EXPECT_EQ(key.QueryDword("short", number), platform::kErrorFileNotFound);
    EXPECT_EQ(key.QueryDword("notHex", number), platform::kErrorFileNotFound);
    EXPECT_EQ(key.QueryValue("unknown", 400, value), platform::kErrorFileNotFound);
    ASSERT_EQ(key.QueryDword("upper", number), platform::kErrorSuccess);
    EXPECT_EQ(number, 0xABCDu);
    ASSERT_EQ(key.QueryValue("twice", 400, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_strData, std::string("first") + '\0');
    ASSERT_EQ(key.QueryValue("crlf", 400, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_strData, std::string("C:\\games") + '\0');
    // A backslash that starts no escape stands for itself.
    ASSERT_EQ(key.QueryValue("odd", 400, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_strData, std::string("a\\tb\\") + '\0');
    ASSERT_EQ(key.QueryValue("last", 400, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_strData, std::string("no line end") + '\0');
    key.Close();

    // A write keeps the lines it does not own and folds a value's lines into one.
    ASSERT_EQ(key.Create(kKey), platform::kErrorSuccess);
    ASSERT_EQ(key.SetString("Twice", "third"), platform::kErrorSuccess);
    ASSERT_EQ(key.SetDword("short", 7), platform::kErrorSuccess);
    key.Close();
    EXPECT_EQ(ReadFile(home.SettingsFile()),
              "# a comment\r\n"
              "no equals sign\n"
              "short=dword:00000007\n"
              "notHex=dword:0000zz00\n"
              "unknown=qword:0000000000000001\n"
              "upper=dword:0000ABCD\r\n"
              "Twice=sz:third\n"
              "crlf=sz:C:\\\\games\r\n"
              "odd=sz:a\\tb\\\n"
              "last=sz:no line end\n");
}

TEST(SettingsKey, KeyThatCannotBeOpenedForReading) {
    CScopedHome home;
    CSettingsKey key;
    // No folder, then no file.
    EXPECT_NE(key.Open(kKey), platform::kErrorSuccess);
    MakeFolder(home.SettingsFolder());
    EXPECT_EQ(key.Open(kKey), platform::kErrorFileNotFound);
    EXPECT_FALSE(key.IsOpen());

    // A file without read permission.
    WriteSettings(home, "left=dword:00000001\n");
    ::chmod(home.SettingsFile().c_str(), 0200);
    EXPECT_EQ(key.Open(kKey), platform::kErrorAccessDenied);
    ::chmod(home.SettingsFile().c_str(), 0600);
    EXPECT_EQ(key.Open(kKey), platform::kErrorSuccess);
    key.Close();

    // A folder or a pipe where the file should be.
    ::unlink(home.SettingsFile().c_str());
    MakeFolder(home.SettingsFile());
    EXPECT_NE(key.Open(kKey), platform::kErrorSuccess);
    ::rmdir(home.SettingsFile().c_str());
    ASSERT_EQ(::mkfifo(home.SettingsFile().c_str(), 0600), 0);
    EXPECT_EQ(key.Open(kKey), platform::kErrorAccessDenied);
}

TEST(SettingsKey, CreateMakesTheFolderAndAnEmptyKey) {
    CScopedHome home;
    CSettingsKey key;
    ASSERT_EQ(key.Create(kKey), platform::kErrorSuccess);
    EXPECT_EQ(key.Close(), platform::kErrorSuccess);

    EXPECT_EQ(ReadFile(home.SettingsFile()), "");
    struct stat info {};
    ASSERT_EQ(::stat(home.SettingsFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(home.SettingsFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);

    // The key exists now, without values.
    ASSERT_EQ(key.Open(kKey), platform::kErrorSuccess);
    CSettingsValue value;
    EXPECT_EQ(key.QueryValue("Directory", 400, value), platform::kErrorFileNotFound);
    key.Close();

    // A replaced file keeps the permissions the user gave it.
    ::chmod(home.SettingsFile().c_str(), 0600);
    ASSERT_EQ(key.Create(kKey), platform::kErrorSuccess);
    ASSERT_EQ(key.SetDword("left", 1), platform::kErrorSuccess);
    key.Close();
    ASSERT_EQ(::stat(home.SettingsFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(SettingsKey, KeyThatCannotBeCreatedForWriting) {
    CScopedHome home;
    CSettingsKey key;

    // The settings folder cannot be made: its parent is read-only.
    MakeFolder(home.ConfigHome());
    MakeReadOnly(home.ConfigHome());
    EXPECT_NE(key.Create(kKey), platform::kErrorSuccess);
    EXPECT_FALSE(Exists(home.SettingsFolder()));
    ::chmod(home.ConfigHome().c_str(), 0755);

    // A read-only settings folder cannot take a new file.
    MakeFolder(home.SettingsFolder());
    MakeReadOnly(home.SettingsFolder());
    EXPECT_EQ(key.Create(kKey), platform::kErrorAccessDenied);
    EXPECT_FALSE(Exists(home.SettingsFile()));
    ::chmod(home.SettingsFolder().c_str(), 0755);

    // A read-only file.
    WriteSettings(home, "left=dword:00000001\n");
    MakeReadOnly(home.SettingsFile());
    EXPECT_EQ(key.Create(kKey), platform::kErrorAccessDenied);
    ::chmod(home.SettingsFile().c_str(), 0644);

    // Something in the way of the folder.
    ::unlink(home.SettingsFile().c_str());
    ::rmdir(home.SettingsFolder().c_str());
    WriteFile(home.SettingsFolder(), "not a folder");
    EXPECT_EQ(key.Create(kKey), platform::kErrorPathNotFound);
    EXPECT_FALSE(key.IsOpen());
}

TEST(SettingsKey, WriteHandleLocksOutOtherWriters) {
    CScopedHome home;
    CSettingsKey key;
    ASSERT_EQ(key.Create(kKey), platform::kErrorSuccess);
    const int folder = ::open(home.SettingsFolder().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    EXPECT_NE(::flock(folder, LOCK_EX | LOCK_NB), 0);
    key.Close();
    EXPECT_EQ(::flock(folder, LOCK_EX | LOCK_NB), 0);
    ::close(folder);
}

TEST(SettingsKey, HandlesBehaveAsRegistryHandles) {
    CScopedHome home;
    CSettingsKey key;
    CSettingsValue value;
    EXPECT_EQ(key.Close(), platform::kErrorInvalidHandle);
    EXPECT_EQ(key.QueryValue("Directory", 400, value), platform::kErrorInvalidHandle);
    EXPECT_EQ(key.SetDword("left", 1), platform::kErrorInvalidHandle);

    ASSERT_EQ(key.Create(kKey), platform::kErrorSuccess);
    EXPECT_EQ(key.QueryValue("left", 400, value), platform::kErrorAccessDenied);
    EXPECT_EQ(key.SetDword("a=b", 1), platform::kErrorInvalidParameter);
    EXPECT_EQ(key.SetDword("a\nb", 1), platform::kErrorInvalidParameter);
    EXPECT_EQ(key.Close(), platform::kErrorSuccess);
    EXPECT_EQ(key.Close(), platform::kErrorInvalidHandle);
    EXPECT_EQ(ReadFile(home.SettingsFile()), "");
}

TEST(SettingsKey, SteamKeyFindsTheFirstSteamFolder) {
    CScopedHome home;
    CSettingsKey key;
    CSettingsValue value;

    // No Steam at all; a file is no installation.
    EXPECT_EQ(key.OpenSteam(), platform::kErrorFileNotFound);
    WriteFile(home.Home() + "/.steam/root", "");
    EXPECT_EQ(key.OpenSteam(), platform::kErrorFileNotFound);

    const auto installPath = [&] {
        EXPECT_EQ(key.OpenSteam(), platform::kErrorSuccess);
        EXPECT_EQ(key.QueryValue("InstallPath", 400, value), platform::kErrorSuccess);
        EXPECT_EQ(key.Close(), platform::kErrorSuccess);
        return value.m_strData;
    };
    MakeFolder(home.Home() + "/.var/app/com.valvesoftware.Steam/.local/share/Steam");
    EXPECT_EQ(installPath(),
              home.Home() + "/.var/app/com.valvesoftware.Steam/.local/share/Steam" + '\0');
    MakeFolder(home.Home() + "/.local/share/Steam");
    EXPECT_EQ(installPath(), home.Home() + "/.local/share/Steam" + '\0');
    MakeFolder(home.Home() + "/.steam/steam");
    EXPECT_EQ(installPath(), home.Home() + "/.steam/steam" + '\0');
    ::unlink((home.Home() + "/.steam/root").c_str());
    ASSERT_EQ(::symlink("../.local/share/Steam", (home.Home() + "/.steam/root").c_str()), 0);
    EXPECT_EQ(installPath(), home.Home() + "/.steam/root" + '\0');

    // The key holds nothing else and cannot be written.
    ASSERT_EQ(key.OpenSteam(), platform::kErrorSuccess);
    EXPECT_EQ(key.QueryValue("SourceModInstallPath", 400, value), platform::kErrorFileNotFound);
    EXPECT_EQ(key.QueryValue("InstallPath", 10, value), platform::kErrorMoreData);
    EXPECT_EQ(key.SetString("InstallPath", "/x"), platform::kErrorAccessDenied);
    EXPECT_EQ(key.Close(), platform::kErrorSuccess);
}

}  // namespace
