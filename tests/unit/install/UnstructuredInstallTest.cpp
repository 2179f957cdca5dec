#include "EngineTest.h"

using namespace quarvel::test;
using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdYes;

using UnstructuredInstall = CEngineTest;

namespace {

const char* const kSoundWarning =
    "Sound files are included with this map which may not be installed,\n"
    "Please allow these files to download through counterstrike.";

}  // namespace

TEST_F(UnstructuredInstall, PlacesLooseFilesByExtensionThenWarnsAboutSounds) {
    MakeModFolders({"overviews", "gfx/env", "models", "sound/ambience", "sprites"});
    WriteFile(Mod("maps/mymap.bsp"), "old");
    for (const char* name : {"mymap.bsp", "mymap.txt", "mymap.res", "mymap.wad", "mymapup.tga",
                             "mymap.bmp", "wind.wav"}) {
        WriteFile(m_temp / "loose/" + name, name);
    }

    Drop({"loose"});

    EXPECT_EQ(Log(), std::string(kUnstructuredHeader) + Copied("maps/mymap.bsp") +
                         Copied("maps/mymap.txt") + Copied("overviews/mymap.txt") +
                         Copied("maps/mymap.res") + Copied("gfx/env/mymapup.tga") +
                         Copied("mymap.wad") + Copied("sound/ambience/wind.wav") +
                         Copied("overviews/mymap.bmp") + kFinished);
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0].m_strText, kSoundWarning);
    EXPECT_EQ(m_boxes.Shown()[0].m_strCaption, "Cannot install files");
    EXPECT_EQ(m_boxes.Shown()[0].m_nType, platform::kMbOk);
    EXPECT_EQ(m_engine.GetErrorCount(), 0);  // advice, not an error
    EXPECT_EQ(ReadFile(Mod("maps/mymap.bsp")), "mymap.bsp");
}

TEST_F(UnstructuredInstall, BotNavigationGoesToMapsAndWhatHasNoPlaceIsListed) {
    MakeModFolders({"overviews", "gfx/env", "models", "sound/ambience", "sprites"});
    for (const char* name : {"de_y.bsp", "de_y.nav", "readme.doc", "photo.JPG", "sub/inner.wad",
                             "._de_y.bsp", ".DS_Store"}) {
        WriteFile(m_temp / "loose/" + name, name);
    }

    Drop({"loose"});

    EXPECT_EQ(Log(), std::string(kUnstructuredHeader) + Copied("maps/de_y.bsp") +
                         Copied("maps/de_y.nav") +
                         NotInstalled(m_temp / "loose", {{".DS_Store", kSystem},
                                                         {"._de_y.bsp", kSystem},
                                                         {"photo.JPG", kNoPlace},
                                                         {"readme.doc", kNoPlace},
                                                         {"sub/inner.wad", kNoPlace}}) +
                         kFinished);
    EXPECT_EQ(ReadTree(Mod("maps")), (std::map<std::string, std::string>{
                                         {"de_y.bsp", "de_y.bsp"}, {"de_y.nav", "de_y.nav"}}));
    EXPECT_FALSE(Exists(Mod("inner.wad")));
    EXPECT_EQ(m_engine.GetDropSummary().m_nFailedPaths, 0);
}

TEST_F(UnstructuredInstall, DeclinedFoldersSkipTheirPassesAndTheFoldersBelowThem) {
    MakeModFolders({"models", "sound/ambience", "sprites"});
    for (const char* name : {"m.bsp", "m.txt", "m.tga", "m.bmp"}) {
        WriteFile(m_temp / "loose/" + name, name);
    }
    m_boxes.Answer(kIdNo);  // overviews
    m_boxes.Answer(kIdNo);  // gfx: gfx/env is then not asked

    Drop({"loose"});

    EXPECT_EQ(Log(),
              std::string(kUnstructuredHeader) + NotCreated("overviews") + NotCreated("gfx") +
                  Copied("maps/m.bsp") + Copied("maps/m.txt") +
                  NotInstalled(m_temp / "loose", {{"m.bmp", kDeclined}, {"m.tga", kDeclined}}) +
                  kFinished);
    EXPECT_EQ(m_boxes.Shown().size(), 2u);
}

TEST_F(UnstructuredInstall, YesCreatesEachMissingFolderInTableOrder) {
    WriteFile(m_temp / "loose/m.bsp", "bsp");
    for (int i = 0; i < 6; ++i) {
        m_boxes.Answer(kIdYes);  // overviews, gfx, gfx/env, models, sound/ambience, sprites
    }

    Drop({"loose"});

    EXPECT_EQ(Log(), std::string(kUnstructuredHeader) + Created("overviews") + Created("gfx") +
                         Created("gfx/env") + Created("models") + Created("sound/ambience") +
                         Created("sprites") + Copied("maps/m.bsp") + kFinished);
    EXPECT_TRUE(IsFolder(Mod("gfx/env")));
    EXPECT_TRUE(IsFolder(Mod("sound/ambience")));
}

TEST_F(UnstructuredInstall, CancelAtTheFirstQuestionCopiesNothingAndGivesNoWarning) {
    WriteFile(m_temp / "loose/m.bsp", "bsp");
    WriteFile(m_temp / "loose/w.wav", "wav");
    m_boxes.Answer(kIdCancel);  // overviews

    Drop({"loose"});

    EXPECT_EQ(Log(), std::string(kUnstructuredHeader) + kAborted + kFinished);
    EXPECT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_FALSE(Exists(Mod("maps/m.bsp")));
}

TEST_F(UnstructuredInstall, InstalledFoldersCompareExactlyUntilCleared) {
    EXPECT_TRUE(m_engine.IsNewInstallFolder("/pkg/mymap"));
    EXPECT_FALSE(m_engine.IsNewInstallFolder("/pkg/mymap"));
    EXPECT_TRUE(m_engine.IsNewInstallFolder("/PKG/mymap"));
    EXPECT_TRUE(m_engine.IsNewInstallFolder("/pkg/mymap/"));
    EXPECT_EQ(m_engine.GetInstalledFolders().size(), 3u);
    m_engine.ClearInstallFolders();
    EXPECT_TRUE(m_engine.GetInstalledFolders().empty());
    EXPECT_TRUE(m_engine.IsNewInstallFolder("/pkg/mymap"));
}
