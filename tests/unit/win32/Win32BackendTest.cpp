// The Windows backend on a real file system and in a real registry (Wine's
// under CI), through the same interfaces the engine and settings use.

#include <gtest/gtest.h>

#include "ScopedEnvironment.h"
#include "TempFolder.h"
#include "platform/FileOperations.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/SettingsKey.h"
#include "platform/win32/Win32Api.h"
#include "platform/win32/Win32Text.h"

using namespace quarvel::test;
using platform::win32::Widen;

namespace {

std::vector<std::string> Names(const std::vector<platform::CFolderEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.m_strName + (entry.IsDirectory() ? "/" : ""));
    }
    return names;
}

DWORD Attributes(const std::string& path) {
    return ::GetFileAttributesW(Widen(path).c_str());
}

// A registry subtree of the test's own, below both roots, removed afterwards.
class CRegistrySandbox {
  public:
    explicit CRegistrySandbox(const std::string& name)
        : m_strRoot("Software\\QuarvelTests\\" + name + std::to_string(::GetCurrentProcessId())),
          m_environment("QUARVEL_REGISTRY_ROOT", m_strRoot) {
        Remove();
    }
    ~CRegistrySandbox() { Remove(); }
    const std::string& Root() const { return m_strRoot; }

    void SetMachineString(const std::string& key, const wchar_t* name, const std::wstring& value,
                          REGSAM view = 0) {
        SetString(HKEY_LOCAL_MACHINE, key, name, value, view);
    }
    void SetUserString(const std::string& key, const wchar_t* name, const std::wstring& value) {
        SetString(HKEY_CURRENT_USER, key, name, value, 0);
    }

  private:
    void SetString(HKEY root, const std::string& key, const wchar_t* name,
                   const std::wstring& value, REGSAM view) {
        HKEY handle = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(root, Widen(m_strRoot + "\\" + key).c_str(), 0, nullptr, 0,
                                    KEY_WRITE | view, nullptr, &handle, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                         static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        ::RegCloseKey(handle);
    }
    void Remove() {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            ::RegDeleteTreeW(root, Widen(m_strRoot).c_str());
            for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
                HKEY software = nullptr;
                if (::RegOpenKeyExW(root, L"Software", 0, KEY_ALL_ACCESS | view, &software) ==
                    ERROR_SUCCESS) {
                    ::RegDeleteTreeW(software, Widen(m_strRoot.substr(9)).c_str());
                    ::RegCloseKey(software);
                }
            }
        }
    }

    std::string m_strRoot;
    CScopedEnvironment m_environment;
};

}  // namespace

TEST(Win32Files, CopiesReplaceWholeButNeverOntoThemselvesAReadOnlyFileOrAFolder) {
    CTempFolder temp;
    const auto fs = platform::MakeFileOperations();
    WriteFile(temp / "package/de_x.bsp", "the map");
    MakeFolder(temp / "mod/maps");

    std::string written;
    platform::SCopyDigest digest;
    ASSERT_EQ(fs->CopyFile(temp / "package/de_x.bsp", temp / "mod/maps/de_x.bsp", written, &digest),
              platform::kErrorSuccess);
    EXPECT_EQ(written, temp / "mod/maps/de_x.bsp");
    EXPECT_EQ(digest.m_nSize, 7u);
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    ASSERT_EQ(fs->Checksum(written, crc, size), platform::kErrorSuccess);
    EXPECT_EQ(crc, digest.m_nCrc);

    // Replacing: the new content, and nothing left beside it.
    WriteFile(temp / "package/de_x.bsp", "the newer map");
    ASSERT_EQ(fs->CopyFile(temp / "package/de_x.bsp", temp / "mod/MAPS/DE_X.BSP", written, nullptr),
              platform::kErrorSuccess);
    EXPECT_EQ(ReadTree(temp / "mod"), (std::map<std::string, std::string>{
                                          {"maps/", ""}, {"maps/de_x.bsp", "the newer map"}}));

    // A read-only file and a folder are refused with access denied.
    ASSERT_EQ(fs->SetReadOnly(temp / "mod/maps/de_x.bsp"), platform::kErrorSuccess);
    EXPECT_TRUE(fs->IsReadOnly(temp / "mod/maps/de_x.bsp"));
    EXPECT_EQ(fs->CopyFile(temp / "package/de_x.bsp", temp / "mod/maps/de_x.bsp", written, nullptr),
              platform::kErrorAccessDenied);
    EXPECT_EQ(fs->DeleteFile(temp / "mod/maps/de_x.bsp"), platform::kErrorAccessDenied);
    EXPECT_EQ(fs->CopyFile(temp / "package/de_x.bsp", temp / "mod/maps", written, nullptr),
              platform::kErrorAccessDenied);
    ASSERT_EQ(fs->SetArchiveOnly(temp / "mod/maps/de_x.bsp"), platform::kErrorSuccess);
    EXPECT_FALSE(fs->IsReadOnly(temp / "mod/maps/de_x.bsp"));

    // The same file under a second name (a hard link) is never copied onto itself.
    ASSERT_EQ(fs->LinkOrCopy(temp / "package/de_x.bsp", temp / "mod/maps/same.bsp"),
              platform::kErrorSuccess);
    EXPECT_TRUE(fs->IsSameFile(temp / "package/de_x.bsp", temp / "mod/maps/same.bsp"));
    EXPECT_EQ(fs->CopyFile(temp / "package/de_x.bsp", temp / "mod/maps/same.bsp", written, nullptr),
              platform::kErrorSameFile);
    EXPECT_EQ(ReadFile(temp / "package/de_x.bsp"), "the newer map");

    // A device is no file: it would be read until the disk is full.
    EXPECT_EQ(fs->CopyFile("NUL", temp / "mod/maps/zero.wad", written, nullptr),
              platform::kErrorNotRegularFile);
    EXPECT_FALSE(Exists(temp / "mod/maps/zero.wad"));
}

TEST(Win32Files, FoldersAndNamesBeyondTheAnsiCodePage) {
    CTempFolder temp;
    const auto fs = platform::MakeFileOperations();
    const std::string sound = temp / "mod/sound";
    EXPECT_EQ(fs->CreateDirectory(temp / "mod/sound"), platform::kErrorPathNotFound);
    ASSERT_EQ(fs->CreateDirectory(temp / "mod"), platform::kErrorSuccess);
    ASSERT_EQ(fs->CreateDirectory(sound + "\\"), platform::kErrorSuccess);
    EXPECT_EQ(fs->CreateDirectory(temp / "mod/SOUND"), platform::kErrorAlreadyExists);
    EXPECT_EQ(fs->Kind(sound), platform::EPathKind::kFolder);
    EXPECT_EQ(fs->Kind(temp / "mod/none"), platform::EPathKind::kMissing);
    EXPECT_EQ(fs->Kind("NUL"), platform::EPathKind::kSpecial);

    // UTF-8 inside, UTF-16 at the calls: the name comes back as it went in.
    const std::string name = "r\xC3\xADo_\xD0\xB6\xE2\x82\xAC.wav";  // río_ж€.wav
    WriteFile(temp / "package.wav", "wave");
    std::string written;
    ASSERT_EQ(fs->CopyFile(temp / "package.wav", sound + "\\" + name, written, nullptr),
              platform::kErrorSuccess);
    EXPECT_EQ(Names(fs->ListFolder(sound, "*.WAV")), std::vector<std::string>{name});
    EXPECT_NE(Attributes(sound + "\\" + name), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(fs->RemoveDirectory(sound), platform::kErrorDirNotEmpty);
    ASSERT_EQ(fs->DeleteFile(sound + "\\" + name), platform::kErrorSuccess);
    EXPECT_EQ(fs->RemoveDirectory(sound), platform::kErrorSuccess);
    EXPECT_TRUE(fs->FreeSpace(temp / "mod/missing/file").has_value());
}

TEST(Win32Files, ListingsMatchLongNamesOnlyInByteOrderWithTheDots) {
    CTempFolder temp;
    for (const char* file : {"b.bsp", "A.BSP", "x.bspx", "c.txt"}) {
        WriteFile(temp / file, "");
    }
    MakeFolder(temp / "maps");
    // The system's own matching also tries 8.3 names, where "x.bspx" is X~1.BSP.
    EXPECT_EQ(Names(platform::ListFolder(temp.Path(), "*.bsp")),
              (std::vector<std::string>{"A.BSP", "b.bsp"}));
    EXPECT_EQ(
        Names(platform::ListFolder(temp.Path() + "\\", "*")),
        (std::vector<std::string>{"./", "../", "A.BSP", "b.bsp", "c.txt", "maps/", "x.bspx"}));
    EXPECT_TRUE(platform::ListFolder(temp / "missing", "*").empty());
    const auto entries = platform::ListFolder(temp.Path(), "maps");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].m_strPath, temp / "maps");
}

TEST(Win32Files, PathsAsTheUserGivesThemAreMadeWhole) {
    CTempFolder temp;
    MakeFolder(temp / "a/b");
    ASSERT_NE(::SetCurrentDirectoryW(Widen(temp / "a").c_str()), 0);
    EXPECT_EQ(platform::NormalisePath("b/../b/"), temp / "a/b");
    EXPECT_EQ(platform::NormalisePath(temp / "a/./b\\\\"), temp / "a/b");
    EXPECT_EQ(platform::NormalisePath("C:\\"), "C:\\");
    ::SetCurrentDirectoryW(Widen(temp.Path()).c_str());
    // Past the classic 260-character limit the calls still work.
    std::string deep = temp.Path();
    while (deep.size() < 300) {
        deep += "\\a_rather_long_folder_name";
        ASSERT_EQ(platform::CreateDirectory(deep), platform::kErrorSuccess) << deep;
    }
    WriteFile(temp / "short.bsp", "map");
    EXPECT_EQ(platform::CopyFile(temp / "short.bsp", deep + "\\de_x.bsp"), platform::kErrorSuccess);
    EXPECT_EQ(platform::PathKind(deep + "\\de_x.bsp"), 1);
}

TEST(Win32Staging, EachDropStagesInAFreshLockedRunAndDeadRunsGo) {
    CTempFolder temp;
    const std::string base = temp / "Quarvel";
    // What a run killed long ago left: nobody holds its lock file.
    WriteFile(base + "\\run-dead0001\\run.lock", "");
    WriteFile(base + "\\run-dead0001\\__Orlimb_Temp\\Temp1\\maps\\de_x.bsp", "trunc");
    // A run that lives: this test holds its lock file open, unshared.
    WriteFile(base + "\\run-live0001\\__Orlimb_Temp\\Temp1\\maps\\de_y.bsp", "busy");
    const HANDLE live = ::CreateFileW(Widen(base + "\\run-live0001\\run.lock").c_str(),
                                      GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(live, INVALID_HANDLE_VALUE);
    // A read-only file an archive left is removed all the same.
    WriteFile(base + "\\run-dead0001\\readonly.txt", "x");
    ::SetFileAttributesW(Widen(base + "\\run-dead0001\\readonly.txt").c_str(),
                         FILE_ATTRIBUTE_READONLY);

    const auto fs = platform::MakeFileOperations();
    std::string first;
    std::string second;
    ASSERT_EQ(fs->CreateStaging(base, first), platform::kErrorSuccess);
    ASSERT_EQ(fs->CreateStaging(base, second), platform::kErrorSuccess);
    EXPECT_NE(first, second);
    EXPECT_TRUE(first.starts_with(base + "\\run-")) << first;
    EXPECT_TRUE(first.ends_with("\\__Orlimb_Temp")) << first;
    EXPECT_FALSE(Exists(base + "\\run-dead0001"));
    EXPECT_EQ(ReadFile(base + "\\run-live0001\\__Orlimb_Temp\\Temp1\\maps\\de_y.bsp"), "busy");

    // Another process's view: both new runs are live while their drops run.
    WriteFile(first + "\\Temp1\\x.bsp", "staged");
    const auto other = platform::MakeFileOperations();
    std::string third;
    ASSERT_EQ(other->CreateStaging(base, third), platform::kErrorSuccess);
    EXPECT_EQ(ReadFile(first + "\\Temp1\\x.bsp"), "staged");

    for (const std::string& folder : {first, second}) {
        EXPECT_EQ(fs->RemoveStaging(folder), platform::kErrorSuccess);
        EXPECT_FALSE(Exists(platform::win32::ParentOf(folder)));
    }
    EXPECT_EQ(other->RemoveStaging(third), platform::kErrorSuccess);
    EXPECT_EQ(fs->RemoveStaging(first), platform::kErrorPathNotFound);
    ::CloseHandle(live);
}

TEST(Win32Registry, TheProgramsKeyLivesUnderTheUserAndTakesTheMachinesOnce) {
    CRegistrySandbox sandbox("program");
    platform::CSystemSettingsKeys keys;
    auto key = keys.MakeKey();
    EXPECT_EQ(key->Open("steamconfiguration"), platform::kErrorFileNotFound);
    EXPECT_EQ(key->Close(), platform::kErrorInvalidHandle);

    ASSERT_EQ(key->Create("steamconfiguration"), platform::kErrorSuccess);
    const std::string directory = "C:\\Games\\Half-Life\\cstrike\xE2\x82\xAC";
    EXPECT_EQ(key->SetString("Directory", directory), platform::kErrorSuccess);
    EXPECT_EQ(key->SetDword("left", 0xFFFFFFF6u), platform::kErrorSuccess);
    EXPECT_EQ(key->Close(), platform::kErrorSuccess);

    ASSERT_EQ(key->Open("steamconfiguration"), platform::kErrorSuccess);
    platform::CSettingsValue value;
    ASSERT_EQ(key->QueryValue("DIRECTORY", 400, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_eType, platform::ESettingsValueType::kString);
    EXPECT_EQ(value.m_strData, directory + '\0');
    EXPECT_EQ(key->QueryValue("Directory", directory.size(), value), platform::kErrorMoreData);
    std::uint32_t number = 0;
    ASSERT_EQ(key->QueryDword("left", number), platform::kErrorSuccess);
    EXPECT_EQ(static_cast<std::int32_t>(number), -10);
    EXPECT_EQ(key->QueryDword("Directory", number), platform::kErrorUnsupportedType);
    EXPECT_EQ(key->QueryDword("top", number), platform::kErrorFileNotFound);
    EXPECT_EQ(key->Close(), platform::kErrorSuccess);

    // An older install kept its key below HKEY_LOCAL_MACHINE: taken over once.
    sandbox.SetMachineString("Quarvel\\older", L"Directory", L"D:\\old\\tfc", KEY_WOW64_32KEY);
    ASSERT_EQ(key->Open("older"), platform::kErrorSuccess);
    ASSERT_EQ(key->QueryValue("Directory", 400, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_strData, std::string("D:\\old\\tfc") + '\0');
    key->Close();
    sandbox.SetMachineString("Quarvel\\older", L"Directory", L"D:\\changed", KEY_WOW64_32KEY);
    ASSERT_EQ(key->Open("older"), platform::kErrorSuccess);
    ASSERT_EQ(key->QueryValue("Directory", 400, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_strData, std::string("D:\\old\\tfc") + '\0');
}

TEST(Win32Registry, SteamIsFoundWhereTheClientWritesIt) {
    CRegistrySandbox sandbox("steam");
    platform::CSystemSettingsKeys keys;
    auto key = keys.MakeKey();
    EXPECT_EQ(key->OpenSteam(), platform::kErrorFileNotFound);

    // The user's key only: "SteamPath" with forward slashes stands in.
    sandbox.SetUserString("Valve\\Steam", L"SteamPath", L"c:/program files (x86)/steam");
    platform::CSettingsValue value;
    ASSERT_EQ(key->OpenSteam(), platform::kErrorSuccess);
    ASSERT_EQ(key->QueryValue("InstallPath", 400, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_strData, std::string("c:\\program files (x86)\\steam") + '\0');
    EXPECT_EQ(key->QueryValue("InstallPath", 10, value), platform::kErrorMoreData);
    EXPECT_EQ(key->Close(), platform::kErrorSuccess);

    // The machine's 32-bit view comes first.
    sandbox.SetMachineString("Valve\\Steam", L"InstallPath", L"E:\\Steam", KEY_WOW64_32KEY);
    ASSERT_EQ(key->OpenSteam(), platform::kErrorSuccess);
    ASSERT_EQ(key->QueryValue("InstallPath", 400, value), platform::kErrorSuccess);
    EXPECT_EQ(value.m_strData, std::string("E:\\Steam") + '\0');
}
