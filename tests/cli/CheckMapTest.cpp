// quarvel-cli --check-map as a user or a script runs it.

#include <gtest/gtest.h>

#include "BspFixture.h"
#include "CliProcess.h"
#include "TempFolder.h"

using namespace quarvel::test;

namespace {

class CheckMap : public ::testing::Test {
  protected:
    CheckMap() {
        MakeFolder(Mod("maps"));
        WriteFile(m_temp / "hl/hl.exe", "");
        MakeMap(Mod("maps/de_x.bsp"),
                {{World({{"wad", "\\valve\\de_x.wad"}})}, {{"crate", false}}});
    }

    SProcessResult Run(const std::vector<std::string>& arguments) {
        return RunCliProcess(arguments, m_temp.Path(), "",
                             {"XDG_CACHE_HOME=" + (m_temp / "cache"),
                              "XDG_CONFIG_HOME=" + (m_temp / "config"), "HOME=" + m_temp.Path()});
    }

    std::string Mod(const std::string& relative) const {
        return m_temp / ("hl/cstrike/" + relative);
    }

    CTempFolder m_temp;
};

}  // namespace

TEST_F(CheckMap, ByNameOrPathExitingFourWhileSomethingIsMissing) {
    SProcessResult result = Run({"--mod-dir", "hl/cstrike", "--check-map", "de_x"});
    EXPECT_EQ(result.m_nExitStatus, 4);
    EXPECT_EQ(result.m_strOut,
              "de_x needs 1 file that is not installed: de_x.wad\n"
              "de_x: 1 texture is missing from every WAD: crate\n");
    EXPECT_EQ(result.m_strErr, "");

    MakeWad(Mod("de_x.wad"), {"CRATE"});
    result = Run({"--mod-dir", "hl/cstrike", "--check-map", "DE_X.bsp"});
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strOut, "de_x: everything it needs is present.\n");

    // A path in a mod's maps folder needs no mod directory of its own.
    result = Run({"--check-map", "hl/cstrike/MAPS/de_x.bsp"});
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strErr;
    EXPECT_EQ(result.m_strOut, "de_x: everything it needs is present.\n");

    result = Run({"--mod-dir", "hl/cstrike", "--check-map", "de_x", "--check-map=de_gone"});
    EXPECT_EQ(result.m_nExitStatus, 4);
    EXPECT_EQ(result.m_strOut,
              "de_x: everything it needs is present.\n"
              "de_gone could not be checked: there is no such map in " +
                  Mod("maps") + ".\n");
}

TEST_F(CheckMap, JsonForScripts) {
    // A texture name may hold any byte: quotes, tabs and bytes that are no UTF-8.
    MakeMap(Mod("maps/de_odd.bsp"), {{World()}, {{"q\"uo\\te\t\xff", false}, {"é", false}}});
    WriteFile(Mod("maps/de_bad.bsp"), "IBSP");

    const SProcessResult result = Run({"--mod-dir", "hl/cstrike", "--json", "--check-map", "de_odd",
                                       "--check-map", "de_bad", "--check-map", "de_no"});
    EXPECT_EQ(result.m_nExitStatus, 4) << result.m_strErr;
    EXPECT_EQ(
        result.m_strOut,
        "{\"complete\": false, \"maps\": [\n"
        "  {\"map\": \"de_odd\", \"path\": \"" +
            Mod("maps/de_odd.bsp") +
            "\", \"complete\": false, \"error\": null, \"missing_files\": [], "
            "\"missing_textures\": [\"q\\\"uo\\\\te\\u0009\\ufffd\", \"é\"], "
            "\"unreadable_wads\": [], \"optional_missing\": [\"overviews/de_odd.txt\"]},\n"
            "  {\"map\": \"de_bad\", \"path\": \"" +
            Mod("maps/de_bad.bsp") +
            "\", \"complete\": false, \"error\": \"not a Half-Life map: it does not begin "
            "with a map version\", \"missing_files\": [], \"missing_textures\": [], "
            "\"unreadable_wads\": [], \"optional_missing\": []},\n"
            "  {\"map\": \"de_no\", \"path\": null, \"complete\": false, \"error\": \"there is "
            "no such map in " +
            Mod("maps") +
            "\", \"missing_files\": [], \"missing_textures\": [], \"unreadable_wads\": [], "
            "\"optional_missing\": []}\n"
            "]}\n");

    const SProcessResult complete = Run({"--json", "--check-map", Mod("maps/de_x.bsp")});
    EXPECT_EQ(complete.m_nExitStatus, 4);
    EXPECT_TRUE(
        complete.m_strOut.starts_with("{\"complete\": false, \"maps\": [\n  {\"map\": "
                                      "\"de_x\""))
        << complete.m_strOut;
}

TEST_F(CheckMap, UsageMistakesExitTwo) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--json"},
                                               {"--check-map"},
                                               {"--check-map", "de_x", "some/package"},
                                               {"--check-map", "de_x", "--list-mod-dirs"},
                                               // A name needs a mod directory, and none is stored.
                                               {"--check-map", "de_x"}}) {
        const SProcessResult result = Run(arguments);
        EXPECT_EQ(result.m_nExitStatus, 2) << arguments.back();
        EXPECT_EQ(result.m_strOut, "");
        EXPECT_NE(result.m_strErr, "");
    }
}
