// The short check of each installed map that follows every package in the log.

#include "BspFixture.h"
#include "EngineTest.h"
#include "ZipFixture.h"

using namespace quarvel::test;
using platform::kIdCancel;
using platform::kIdYes;

namespace {

class MapCheckInstall : public CEngineTest {
  protected:
    MapCheckInstall() { m_engine.SetMapCheck(true); }

    // A map that needs its WAD file and the six faces of the "xen" sky.
    static SMapSpec NeedsWadAndSky(const std::string& wad) {
        return {{World({{"wad", "\\half-life\\cstrike\\" + wad}, {"skyname", "xen"}})},
                {{"crate", false}}};
    }
    // A map with everything inside it.
    static SMapSpec NeedsNothing() { return {{World()}, {{"crate", true}}}; }
};

}  // namespace

TEST_F(MapCheckInstall, APackageLackingItsWadAndSkySaysSoACompleteOneSaysItIsComplete) {
    MakeMap(m_temp / "pkg/maps/de_x.bsp", NeedsWadAndSky("de_x.wad"));

    Drop({"pkg"});

    EXPECT_EQ(Log(), std::string(kStructuredHeader) + Copied("maps/de_x.bsp") +
                         "de_x needs 7 files that are not installed: de_x.wad, gfx/env/xenup.tga, "
                         "gfx/env/xendn.tga, gfx/env/xenlf.tga, gfx/env/xenrt.tga, "
                         "gfx/env/xenft.tga, gfx/env/xenbk.tga\r\n"
                         "de_x: 1 texture is missing from every WAD: crate\r\n" +
                         kFinished);

    // The same map with its WAD and sky, from an archive.
    MakeEveryInstallFolder();
    MakeMap(m_temp / "parts/de_y.bsp", NeedsWadAndSky("de_y.wad"));
    MakeWad(m_temp / "parts/de_y.wad", {"CRATE"});
    std::vector<std::pair<std::string, std::string>> entries = {
        {"maps/de_y.bsp", FileContent(m_temp / "parts/de_y.bsp")},
        {"de_y.wad", FileContent(m_temp / "parts/de_y.wad")}};
    for (const char* face : {"up", "dn", "lf", "rt", "ft", "bk"}) {
        entries.push_back({std::string("gfx/env/xen") + face + ".tga", "tga"});
    }
    MakeZip(m_temp / "de_y.zip", entries);
    const std::size_t before = Log().size();

    Drop({"de_y.zip"});

    const std::string log = Log().substr(before);
    EXPECT_TRUE(log.ends_with(Copied("maps/de_y.bsp") +
                              "de_y: everything it needs is present.\r\n" + kFinished))
        << log;
    EXPECT_EQ(log.find("de_y needs"), std::string::npos) << log;
}

TEST_F(MapCheckInstall, EachPackageChecksItsOwnMapsOnceAfterAllItsFiles) {
    // A folder holding a zipped map, and a loose map whose WAD the copy passes
    // place after the map itself.
    MakeEveryInstallFolder();
    MakeMap(m_temp / "parts/de_in.bsp", NeedsNothing());
    MakeZip(m_temp / "pack/inner.zip",
            {{"maps/de_in.bsp", FileContent(m_temp / "parts/de_in.bsp")}});
    MakeMap(m_temp / "pack/de_out.bsp", NeedsWadAndSky("de_out.wad"));
    MakeWad(m_temp / "pack/de_out.wad", {"crate"});
    for (const char* face : {"up", "dn", "lf", "rt", "ft", "bk"}) {
        WriteFile(m_temp / (std::string("pack/xen") + face + ".tga"), "tga");
    }

    Drop({"pack"});

    const std::string inner = "de_in: everything it needs is present.\r\n";
    const std::string outer = "de_out: everything it needs is present.\r\n";
    const std::string log = Log();
    ASSERT_NE(log.find(inner), std::string::npos) << log;
    EXPECT_EQ(log.find(inner), log.find(Copied("maps/de_in.bsp")) + Copied("maps/de_in.bsp").size())
        << "the inner package's map is checked as that package ends";
    EXPECT_TRUE(log.ends_with(Copied("de_out.wad") + outer + kFinished)) << log;
    EXPECT_EQ(log.find(inner), log.rfind(inner));
    EXPECT_EQ(log.find(outer), log.rfind(outer));
}

TEST_F(MapCheckInstall, NothingIsCheckedOnceTheUserCancels) {
    MakeMap(m_temp / "pkg/maps/de_x.bsp", NeedsWadAndSky("de_x.wad"));
    WriteFile(m_temp / "pkg/zzz/after_the_maps.txt", "txt");
    m_boxes.Answer(kIdCancel);

    Drop({"pkg"});

    EXPECT_EQ(ReadFile(Mod("maps/de_x.bsp")), ReadFile(m_temp / "pkg/maps/de_x.bsp"));
    EXPECT_EQ(Log().find("de_x needs"), std::string::npos) << Log();
    EXPECT_TRUE(Log().ends_with(kAborted + std::string(kFinished))) << Log();
}
