#include <gtest/gtest.h>
#include <unistd.h>

#include "FaultySettingsKeys.h"
#include "SettingsTestSupport.h"
#include "settings/ModDirDiscovery.h"
#include "settings/ModDirValidation.h"
#include "settings/SteamLibraries.h"

namespace {

using namespace quarvel::test;
using settings::ParseLibraryFolders;

const std::string kApps = ".steam/root/SteamApps/";
const std::string kLinux = ".steam/root/steamapps/common/Half-Life/";
const std::string kNoSteamApps =
    "SteamApps Folder Not Found (0): Your SteamApps folder is not in the default location.\n"
    "Please find and enter your cstrike directory manually.";

// Builds a tree: "dir/", "link -> target", "file = text" or an empty "file", with "~" standing
// for home; paths that do not start with it are below home/base.
void Build(const std::string& home, const std::string& base, const Strings& entries) {
    for (std::string entry : entries) {
        for (auto at = entry.find('~'); at != std::string::npos;
             at = entry.find('~', at + home.size())) {
            entry.replace(at, 1, home);
        }
        const auto link = entry.find(" -> ");
        const auto text = entry.find(" = ");
        std::string path = entry.substr(0, std::min(link, text));
        path = path.starts_with(home) ? path : home + "/" + base + path;
        if (link != std::string::npos) {
            MakeFolder(entry.substr(link + 4));
            MakeFolder(path.substr(0, path.rfind('/')));
            ASSERT_EQ(::symlink(entry.substr(link + 4).c_str(), path.c_str()), 0);
        } else if (entry.ends_with('/')) {
            MakeFolder(path);
        } else {
            WriteFile(path, text == std::string::npos ? "" : entry.substr(text + 3));
        }
    }
}

TEST(ModDirDiscovery, FakeSteamTrees) {
    const struct {
        const char* m_szName;
        std::string m_strBase;  // of the tree, the candidates and the last one found
        Strings m_tree;
        Strings m_found;                      // top item first
        const char* m_szLastFound = nullptr;  // when not the top item
    } rows[] = {
        // clang-format off
        {"account tree", kApps + "ACCOUNT/counter-strike/",
         {"hl.exe", "cstrike/", "valve/maps/", "valve/sound/", "notes/maps"}, {"valve", "cstrike"}},
        {"no hl.exe beside, mod names with case, maps in any case", kApps,
         {"a/no/cstrike/maps/", "a/no/hl.exe.bak", "b/hl/hl.exe", "b/hl/CStrike/",
          "b/hl/TFC/sound/", "b/hl/tfc/", "c/hl/HL.EXE", "c/hl/CStrike/MAPS/"},
         {"c/hl/CStrike", "b/hl/tfc"}},
        {"lower-case steamapps, hl_linux", kLinux,
         {"~/.steam/root -> ~/.local/share/Steam", "hl_linux", "cstrike/", "valve/maps/"},
         {"valve", "cstrike"}},
        {"Flatpak Steam",
         ".var/app/com.valvesoftware.Steam/.local/share/Steam/steamapps/common/hl/",
         {"hl_linux", "cstrike/"}, {"cstrike"}},
        {"case duplicates listed once", kApps,
         {"Half-Life/hl.exe", "Half-Life/cstrike/", "half-life/hl.exe", "half-life/cstrike/"},
         {"Half-Life/cstrike"}, "half-life/cstrike"},
        {"links tested, never walked", kApps,
         {"~/.steam/root/SteamApps -> ~/drive", "game/hl.exe", "game/cstrike/", "~/mods/tfc/maps/",
          "game/loop -> ~/drive", "game/tfc -> ~/mods/tfc", "game/mymod/maps -> ~/mods/tfc/maps"},
         {"game/mymod", "game/cstrike"}},
        {"libraryfolders.vdf", "",
         {"~/.steam/root -> ~/.local/share/Steam", kLinux + "hl_linux", kLinux + "cstrike/",
          "lib/steamapps/hl/hl_linux", "lib/steamapps/hl/cstrike/", "lib/steamapps/hl/tfc/",
          ".steam/root/steamapps/libraryfolders.vdf = \"libraryfolders\" { \"contentstatsid\" "
          "\"-1\" \"0\" { \"path\" \"~/.local/share/Steam\" \"apps\" { \"70\" \"1\" } } \"1\" "
          "{ \"Path\" \"~/lib/\" } \"2\" { \"path\" \"~/lib\" } \"3\" { \"path\" \"lib\" } }"},
         {"lib/steamapps/hl/tfc", "lib/steamapps/hl/cstrike", kLinux + "cstrike"}},
        {"LibraryFolders.vdf, old form", "",
         {kApps + "LibraryFolders.VDF = \"LibraryFolders\" { \"TimeNextStatsReport\" \"17\" "
          "\"1\" \"~/D\" }", "D/SteamApps/hl/hl.exe", "D/SteamApps/hl/cstrike/"},
         {"D/SteamApps/hl/cstrike"}},
        {"no SteamApps folder", ".steam/root/", {"config/", "steamapps"}, {}},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.m_szName);
        CScopedHome home;
        const std::string base = home.Home() + "/" + row.m_strBase;
        Build(home.Home(), row.m_strBase, row.m_tree);
        Strings expected;
        for (const auto& path : row.m_found) {
            expected.push_back(base + path);
        }
        CScriptedMessageBoxHost boxes;
        platform::CSystemSettingsKeys keys;
        settings::CCandidateList found;
        std::string strDir = "unchanged";  // what the first-run mode sets
        settings::CModDirDiscovery(boxes, found, strDir, true).FindSteamModDirs(keys);
        EXPECT_EQ(found.Items(), expected);
        // Only the tree without a SteamApps folder finds nothing, and says so.
        EXPECT_EQ(Boxes(boxes), expected.empty() ? Strings{kNoSteamApps} : Strings{});
        EXPECT_EQ(strDir, row.m_szLastFound  ? base + row.m_szLastFound
                          : expected.empty() ? "unchanged"
                                             : expected.front());
        EXPECT_EQ(settings::FindModDirCandidates(boxes, keys), expected);
    }
}

TEST(ModDirDiscovery, InstallPathTooLongForItsBufferEndsTheLookup) {
    CScopedHome home;
    const std::string longHome =
        home.Elsewhere(std::string(200, 'h') + "/" + std::string(190, 'h'));
    MakeFolder(longHome + "/.steam/root");
    CScopedEnvironment homeVariable("HOME", longHome);
    CScriptedMessageBoxHost boxes;
    platform::CSystemSettingsKeys keys;
    EXPECT_TRUE(settings::FindModDirCandidates(boxes, keys).empty());
    EXPECT_EQ(Boxes(boxes), Strings{" (0): Error Code 0"});
}

TEST(ModDirDiscovery, SteamKeyFailuresAreShownAndTheLookupGoesOnWhereItCan) {
    const struct {
        const char* m_szName;
        ESettingsCall m_eFailing;
        Strings m_boxes;
        Strings m_found;
    } rows[] = {
        {"the close fails", ESettingsCall::kClose, {" (0): Error Code 2"}, {"cstrike"}},
        {"the read and the close fail",
         ESettingsCall::kQueryValue,
         {" (0): Error Code 0", " (0): Error Code 2"},
         {}},  // no install path to walk
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.m_szName);
        CScopedHome home;
        Build(home.Home(), kApps + "common/hl/", {"hl.exe", "cstrike/"});
        CFaultySettingsKeys keys;
        keys.Fail(row.m_eFailing, 1, platform::kErrorAccessDenied);
        keys.Fail(ESettingsCall::kClose, 1, platform::kErrorInvalidHandle);
        CScriptedMessageBoxHost boxes;
        Strings expected;
        for (const auto& name : row.m_found) {
            expected.push_back(home.Home() + "/" + kApps + "common/hl/" + name);
        }
        EXPECT_EQ(settings::FindModDirCandidates(boxes, keys), expected);
        EXPECT_EQ(Boxes(boxes), row.m_boxes);
        EXPECT_EQ(keys.UnclosedKeys(), 0);
    }
}

TEST(ModDirDiscovery, LibraryFoldersParseBothFormsAndSurviveDamage) {
    EXPECT_EQ(ParseLibraryFolders("// by Steam\nLibraryFolders { [$WIN32] \"1\" "
                                  "\"D:\\\\Steam \\\"A\\\"\" x1 \"E:\" \"01\" \"F:\" }"),
              (Strings{"D:\\Steam \"A\"", "F:"}));
    // What was read before the damage is kept; deep nesting ends the parse, not the stack.
    EXPECT_EQ(ParseLibraryFolders("\"libraryfolders\" { \"0\" { \"path\" \"/a\" } \"1\" { \"path"),
              Strings{"/a"});
    std::string nested = "\"libraryfolders\" { \"0\" \"/a\" ";
    for (int i = 0; i < 100000; ++i) {
        nested += "\"k\" { ";
    }
    EXPECT_EQ(ParseLibraryFolders(nested), Strings{"/a"});
}

TEST(ModDirValidation, TypedDirectories) {
    using E = settings::EModDirCheck;
    const std::string kTooLong =
        "Error (48): The directory you have entered is too long.\n"
        "The path of the mod directory must be shorter than 400 bytes.";
    CScopedHome home;
    const std::string game = home.Elsewhere("Half-Life");
    WriteFile(game + "/hl.exe", "");
    MakeFolder(game + "/cstrike/maps");
    MakeFolder(home.Elsewhere("nogame/mymod"));
    const std::string top = game.substr(1, game.find('/', 1) - 1);  // "tmp" for /tmp/...
    const std::string longest = "/" + std::string(398, 'x');        // 399 bytes
    const struct {
        std::string m_strTyped;
        int m_nAnswer;  // 0: no question may come
        E m_eResult;
        std::string m_strBox;
    } rows[] = {
        // clang-format off
        {game + "/cstrike/", 0, E::kAccepted, ""},
        {game + "/cstrike//", 0, E::kDoesNotExist, kDoesNotExist},
        {game + "/hl.exe", 0, E::kDoesNotExist, kDoesNotExist},
        {top, 0, E::kDoesNotExist, kDoesNotExist},  // relative, though it exists from "/"
        {home.Elsewhere("nogame/mymod"), platform::kIdNo, E::kDeclined, kWarning},
        {home.Elsewhere("nogame/mymod"), platform::kIdYes, E::kAccepted, kWarning},
        {longest + "x", 0, E::kTooLong, kTooLong},
        {longest + "/", 0, E::kDoesNotExist, kDoesNotExist},
        // clang-format on
    };
    for (const auto& [typed, answer, result, box] : rows) {
        SCOPED_TRACE(typed);
        CScriptedMessageBoxHost boxes;
        if (answer != 0) {
            boxes.Answer(answer);
        }
        std::string dir = typed;
        EXPECT_EQ(settings::ValidateModDirectory(dir, boxes), result);
        EXPECT_EQ(dir, typed.substr(0, typed.size() - typed.ends_with('/')));  // one '/' trimmed
        EXPECT_EQ(Boxes(boxes), box.empty() ? Strings{} : Strings{box});
        EXPECT_EQ(boxes.UnusedAnswers(), 0u);
    }
}

}  // namespace
