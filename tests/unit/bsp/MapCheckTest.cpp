// What a map needs and where the game looks for it, on a game tree in a
// temporary folder with maps, WAD and pak files made by bsp_fixtures.py.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BspFixture.h"
#include "TempFolder.h"
#include "bsp/MapCheck.h"
#include "bsp/MapNeeds.h"

using namespace quarvel::test;

namespace {

// hl/cstrike with a maps folder, and hl/valve beside it.
class MapCheck : public ::testing::Test {
  protected:
    MapCheck() {
        MakeFolder(Game("cstrike/maps"));
        MakeFolder(Game("valve"));
    }

    // A path below the game folder (hl).
    std::string Game(const std::string& relative) const { return m_temp / ("hl/" + relative); }
    std::string Map(const std::string& name) const { return Game("cstrike/maps/" + name + ".bsp"); }

    bsp::SMapCheck Check(const std::string& name, const std::string& packageFolder = {}) {
        bsp::CMapChecker checker(Game("cstrike"));
        return checker.Check(Map(name), packageFolder);
    }

    // The six faces of a sky, as .tga files below a folder.
    void MakeSky(const std::string& folder, const std::string& sky) {
        for (const char* face : {"up", "dn", "lf", "rt", "ft", "bk"}) {
            WriteFile(folder + "/" + sky + face + ".tga", "tga");
        }
    }

    CTempFolder m_temp;
};

// A map that asks for one of each kind of file.
const SMapSpec kDemanding = {
    {World({{"wad", "\\sierra\\half-life\\valve\\halflife.wad;..\\cstrike\\de_x.wad"},
            {"skyname", "xen"}}),
     {{"classname", "ambient_generic"}, {"message", "ambience/wind.wav"}},
     {{"classname", "ambient_generic"}, {"message", "!HG_ALERT"}},
     {{"classname", "env_sprite"}, {"model", "sprites/glow.spr"}},
     {{"classname", "cycler"}, {"model", "models\\de_x\\barrel.mdl"}},
     {{"classname", "func_door"}, {"model", "*1"}, {"noise1", "doors/doormove1.wav"}}},
    {{"{fence", true}, {"CRATE01", false}, {"sky", false}}};

}  // namespace

TEST_F(MapCheck, AMapWhoseFilesLieWhereverTheGameLooksIsComplete) {
    MakeMap(Map("de_x"), kDemanding);
    // The base game: a WAD and a sky in "valve", in other letter cases, a
    // sprite inside its pak file.
    MakeWad(Game("valve/HalfLife.WAD"), {"sky", "other"});
    MakeSky(Game("valve/gfx/env"), "XEN");
    MakePak(Game("valve/pak0.pak"), {{"sprites/glow.spr", "spr"}});
    // What the server sent, and what the player added.
    MakeWad(Game("cstrike_downloads/de_x.wad"), {"crate01"});
    WriteFile(Game("cstrike_addon/sound/ambience/wind.wav"), "wav");
    WriteFile(Game("cstrike/MODELS/De_X/barrel.mdl"), "mdl");
    WriteFile(Game("cstrike/sound/doors/doormove1.wav"), "wav");

    const bsp::SMapCheck check = Check("de_x");
    EXPECT_TRUE(check.IsComplete()) << bsp::MapCheckLog(check);
    EXPECT_EQ(bsp::MapCheckLog(check), "de_x: everything it needs is present.\r\n");
    EXPECT_EQ(check.m_missingOptional, std::vector<std::string>{"overviews/de_x.txt"})
        << "an overview is optional, and no line says it is missing";

    // A face given as .bmp counts as well; a face in neither form does not.
    std::remove(Game("valve/gfx/env/XENbk.tga").c_str());
    WriteFile(Game("valve/gfx/env/xenbk.BMP"), "bmp");
    EXPECT_TRUE(Check("de_x").IsComplete());
    std::remove(Game("valve/gfx/env/xenbk.BMP").c_str());
    EXPECT_EQ(bsp::MapCheckLog(Check("de_x")),
              "de_x needs 1 file that is not installed: gfx/env/xenbk.tga\r\n");
}

TEST_F(MapCheck, AMapLackingItsWadSkyModelAndSoundNamesThem) {
    SMapSpec spec = kDemanding;
    spec.m_entities[0].push_back({"wad", "ignored: only the first wad key counts"});
    spec.m_entities.push_back({{"classname", "env_beam"}, {"texture", "sprites/laserbeam.spr"}});
    MakeMap(Map("de_x"), spec);

    const bsp::SMapCheck check = Check("de_x");
    EXPECT_EQ(check.m_strError, "");
    EXPECT_EQ(check.m_missingFiles,
              (std::vector<std::string>{
                  "halflife.wad", "de_x.wad", "gfx/env/xenup.tga", "gfx/env/xendn.tga",
                  "gfx/env/xenlf.tga", "gfx/env/xenrt.tga", "gfx/env/xenft.tga",
                  "gfx/env/xenbk.tga", "sound/ambience/wind.wav", "sprites/glow.spr",
                  "models/de_x/barrel.mdl", "sound/doors/doormove1.wav", "sprites/laserbeam.spr"}));
    EXPECT_EQ(check.m_missingTextures, (std::vector<std::string>{"CRATE01", "sky"}));
    EXPECT_EQ(bsp::MapCheckLog(check),
              "de_x needs 13 files that are not installed: halflife.wad, de_x.wad, "
              "gfx/env/xenup.tga, gfx/env/xendn.tga, gfx/env/xenlf.tga, gfx/env/xenrt.tga, "
              "gfx/env/xenft.tga, gfx/env/xenbk.tga, sound/ambience/wind.wav, sprites/glow.spr "
              "\u2026 and 3 more\r\n"
              "de_x: 2 textures are missing from every WAD: CRATE01, sky\r\n");
}

TEST_F(MapCheck, TexturesAreLookedUpInTheMapsOwnWadsOnly) {
    MakeMap(Map("de_t"), {{World({{"wad", "first.wad;second.wad;broken.wad"}})},
                          {{"Embedded", true},
                           {"FROM_FIRST", false},
                           {"from_second", false},
                           {"in_another_wad", false},
                           {"nowhere1", false},
                           {"nowhere2", false},
                           {"nowhere3", false},
                           {"nowhere4", false},
                           {"nowhere5", false},
                           {"NOWHERE1", false}}});
    MakeWad(Game("cstrike/first.wad"), {"from_first"});
    MakeWad(Game("valve/second.wad"), {"FROM_SECOND"});
    MakeWad(Game("valve/unnamed.wad"), {"in_another_wad"});
    WriteFile(Game("cstrike/broken.wad"), "WAD2 and nothing more");

    const bsp::SMapCheck check = Check("de_t");
    EXPECT_EQ(check.m_missingFiles, std::vector<std::string>{});
    EXPECT_EQ(
        check.m_damagedWads,
        std::vector<std::string>{"broken.wad (not a WAD3 file: it does not begin with WAD3)"});
    EXPECT_EQ(bsp::MapCheckLog(check),
              "de_t: a WAD file it needs cannot be read: broken.wad (not a WAD3 file: it does not "
              "begin with WAD3)\r\n"
              "de_t: 6 textures are missing from every WAD: in_another_wad, nowhere1, nowhere2, "
              "nowhere3, nowhere4 \u2026 and 1 more\r\n");
}

TEST_F(MapCheck, TheGameSearchesTheModThenDownloadsAddonFallbackAndValve) {
    // A mod whose liblist.gam falls back to cstrike, in other letter cases on disk.
    MakeFolder(Game("czero/maps"));
    MakeFolder(Game("CZero_Addon"));
    MakeFolder(Game("czero_downloads"));
    MakeFolder(Game("tfc"));
    WriteFile(Game("czero/liblist.gam"),
              "// Condition Zero\r\ngame \"Condition Zero\"\r\n  fallback_dir   \"CSTRIKE\"\r\n");
    WriteFile(Game("cstrike/gfx/env/from_fallback.tga"), "");
    WriteFile(Game("tfc/gfx/env/from_tfc.tga"), "");

    bsp::CGameFiles files(Game("czero"));
    EXPECT_EQ(files.SearchFolders(),
              (std::vector<std::string>{Game("czero"), Game("czero_downloads"), Game("CZero_Addon"),
                                        Game("cstrike"), Game("valve")}));
    EXPECT_TRUE(files.Find("gfx\\ENV\\From_Fallback.tga"));
    EXPECT_FALSE(files.Find("gfx/env/from_tfc.tga")) << "another mod is not searched";
    EXPECT_FALSE(files.Find("../tfc/gfx/env/from_tfc.tga")) << "nor reached by climbing out";
    EXPECT_FALSE(files.Find("gfx/env")) << "a folder is no file";

    // Without a fallback, the mod itself and valve; valve's own search is valve.
    EXPECT_EQ(bsp::CGameFiles(Game("cstrike")).SearchFolders(),
              (std::vector<std::string>{Game("cstrike"), Game("valve")}));
    EXPECT_EQ(bsp::CGameFiles(Game("valve")).SearchFolders(),
              std::vector<std::string>{Game("valve")});
}

TEST_F(MapCheck, ResourceListAndOverview) {
    MakeMap(Map("de_r"), {{World()}, {}});
    // The list the server sends: every file it names must be there to send.
    WriteFile(Game("cstrike/maps/de_r.res"),
              "// resources of de_r\r\n\"gfx/env/r_up.tga\"\r\nsound\\r\\drum.wav  // the drum\r\n"
              "\r\nde_r.wad\r\n");
    WriteFile(Game("cstrike/gfx/env/r_up.tga"), "");
    WriteFile(Game("cstrike/overviews/de_r.txt"),
              "global\r\n{\r\n\tZOOM\t2.0\r\n}\r\nlayer\r\n{\r\n\tIMAGE\t\"overviews/"
              "de_r.bmp\"\r\n}\r\n");

    bsp::SMapCheck check = Check("de_r");
    EXPECT_EQ(check.m_missingFiles, (std::vector<std::string>{"sound/r/drum.wav", "de_r.wad"}));
    EXPECT_EQ(bsp::MapCheckLog(check),
              "de_r needs 2 files that are not installed: sound/r/drum.wav, de_r.wad\r\n"
              "de_r: its overview image is not installed (optional): overviews/de_r.bmp\r\n");

    WriteFile(Game("cstrike/sound/r/drum.wav"), "");
    WriteFile(Game("cstrike/de_r.wad"), "");
    WriteFile(Game("cstrike/overviews/de_r.bmp"), "");
    EXPECT_EQ(bsp::MapCheckLog(Check("de_r")), "de_r: everything it needs is present.\r\n");

    // A package that brought a resource list which did not reach the maps folder.
    std::remove(Game("cstrike/maps/de_r.res").c_str());
    WriteFile(m_temp / "package/De_R.RES", "de_r.wad\r\n");
    EXPECT_EQ(Check("de_r", m_temp / "package").m_missingFiles,
              std::vector<std::string>{"maps/de_r.res"});
    EXPECT_TRUE(Check("de_r").IsComplete()) << "without a package, no list is expected";
}

TEST(MapNeeds, WadKeysGiveFileNamesWhateverTheirSeparators) {
    EXPECT_EQ(bsp::WadFileNames("\\half-life\\valve\\halflife.wad;C:/Games/x/de_x.wad;;"
                                "  spaced.wad ;c:drive.wad;/unix/z.wad;dup.WAD;DUP.wad;"
                                "mixed/path\\last.wad"),
              (std::vector<std::string>{"halflife.wad", "de_x.wad", "spaced.wad", "drive.wad",
                                        "z.wad", "dup.WAD", "last.wad"}));
    EXPECT_EQ(bsp::WadFileNames(""), std::vector<std::string>{});
    EXPECT_EQ(bsp::WadFileNames(" ; \\ ;"), std::vector<std::string>{});
}

TEST(MapNeeds, EntityKeysNameTheFilesTheGameLoads) {
    const std::vector<std::tuple<std::string, std::string, std::string>> rows = {
        {"model", "models/player/x.mdl", "models/player/x.mdl"},
        {"model", "\\sprites\\glow.SPR", "sprites/glow.SPR"},
        {"model", "*12", ""},  // a brush model inside the map
        {"message", "ambience/wind.wav", "sound/ambience/wind.wav"},
        {"message", "!HG_ALERT", ""},  // a sentence
        {"message", "#3", ""},
        {"noise", "*ambience/stream.wav", "sound/ambience/stream.wav"},
        {"noise2", "  doors\\door1.WAV ", "sound/doors/door1.WAV"},
        {"message", "Welcome to the map", ""},
        {"wad", "x.mdl", ""},
        {"target", "", ""},
    };
    for (const auto& [key, value, file] : rows) {
        EXPECT_EQ(bsp::EntityFile(key, value), file) << key << " " << value;
    }
}

TEST_F(MapCheck, EveryMapOfTheModDirectory) {
    EXPECT_EQ(bsp::CheckModMapsLog(Game("cstrike")), "\r\nChecking the installed maps of " +
                                                         Game("cstrike") +
                                                         "...\r\nNo maps are installed.\r\n");

    MakeMap(Map("de_b"), {{World({{"wad", "de_b.wad"}})}, {}});
    MakeMap(Map("de_a"), {{World()}, {{"tex", true}}});
    WriteFile(Map("de_c"), "not a map");
    MakeFolder(Map("folder"));
    EXPECT_EQ(bsp::CheckModMapsLog(Game("cstrike")),
              "\r\nChecking the installed maps of " + Game("cstrike") +
                  "...\r\n"
                  "de_a: everything it needs is present.\r\n"
                  "de_b needs 1 file that is not installed: de_b.wad\r\n"
                  "de_c could not be checked: not a Half-Life map: it does not begin with a map "
                  "version.\r\n"
                  "3 maps checked, 2 with something missing.\r\n");
    EXPECT_EQ(bsp::CheckModMapsLog(""),
              "\r\nNo mod directory is set, so there are no maps to check.\r\n");
}
