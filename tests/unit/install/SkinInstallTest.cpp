#include <sys/stat.h>

#include "EngineTest.h"

using namespace quarvel::test;
using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdYes;

using SkinInstall = CEngineTest;

TEST_F(SkinInstall, WalksFoldersChildrenFirstAndPlacesWeaponsAndPlayerModels) {
    MakeModFolders({"models", "sprites", "sound/weapons", "gfx/vgui"});
    for (const char* name : {"knife.mdl", "knife.txt", "knife.wav", "menu.tga", "knife.spr",
                             "gign.mdl", "pldecal.wad", "other.wad", "extra.bmp", "other.res"}) {
        WriteFile(m_temp / "pack/" + name, name);
    }
    WriteFile(m_temp / "pack/skins/sas/sas.MDL", "sas");
    m_boxes.Answer(kIdYes);  // models/player, asked in skins/sas
    m_boxes.Answer(kIdYes);  // models/player/sas
    m_boxes.Answer(kIdYes);  // models/player/gign, asked in the root

    Drop({"pack"});

    EXPECT_EQ(
        Log(),
        std::string(kNoMapsHeader) +
            // pack/skins/sas
            Copied("models/sas.MDL") + Created("models/player") + Created("models/player/sas") +
            Copied("models/player/sas/sas.mdl") +
            // pack/skins has nothing; then pack itself
            Copied("models/gign.mdl") + Copied("models/knife.mdl") + Copied("sprites/knife.spr") +
            Copied("sound/weapons/knife.wav") + Copied("gfx/vgui/menu.tga") +
            Copied("sprites/knife.txt") + Copied("other.wad") + Created("models/player/gign") +
            Copied("models/player/gign/gign.mdl") + Copied("pldecal.wad") +
            NotInstalled(m_temp / "pack", {{"extra.bmp", kNoPlace}, {"other.res", kNoPlace}}) +
            kFinished);
    EXPECT_EQ(ReadFile(Mod("models/player/sas/sas.mdl")), "sas");
    EXPECT_EQ(ReadFile(Mod("other.wad")), "other.wad");
    EXPECT_FALSE(Exists(Mod("extra.bmp")));
}

TEST_F(SkinInstall, AClassicWeaponPackLogsExactlyTheCopiesAndNothingElse) {
    MakeModFolders({"models/player", "sprites", "sound/weapons", "gfx/vgui"});
    for (const char* name : {"knife.mdl", "knife.txt", "knife.wav", "menu.tga", "knife.spr"}) {
        WriteFile(m_temp / "pack/" + name, name);
    }

    Drop({"pack"});

    EXPECT_EQ(Log(), std::string(kNoMapsHeader) + Copied("models/knife.mdl") +
                         Copied("sprites/knife.spr") + Copied("sound/weapons/knife.wav") +
                         Copied("gfx/vgui/menu.tga") + Copied("sprites/knife.txt") + kFinished);
    EXPECT_TRUE(m_boxes.Shown().empty());
}

TEST_F(SkinInstall, DeclinedFoldersAreAskedAgainInTheNextFolderOfTheWalk) {
    WriteFile(m_temp / "pack/a/x.wav", "x");
    WriteFile(m_temp / "pack/y.spr", "y");
    MakeFolder(Mod("models"));
    MakeFolder(Mod("gfx/vgui"));
    for (int folder = 0; folder < 2; ++folder) {
        m_boxes.Answer(kIdNo);  // sprites
        m_boxes.Answer(kIdNo);  // sound/weapons
    }

    Drop({"pack"});

    const std::string declined = NotCreated("sprites") + NotCreated("sound/weapons");
    EXPECT_EQ(Log(),
              std::string(kNoMapsHeader) + declined + declined +
                  NotInstalled(m_temp / "pack", {{"a/x.wav", kDeclined}, {"y.spr", kDeclined}}) +
                  kFinished);
    EXPECT_EQ(m_engine.GetDropSummary().m_nDeclinedPaths, 1);
    EXPECT_EQ(m_engine.GetDropSummary().m_nFailedPaths, 0);
}

TEST_F(SkinInstall, NoToThePlayerModelFolderStillCopiesIntoModels) {
    MakeModFolders({"models/player", "sprites", "sound/weapons", "gfx/vgui"});
    WriteFile(m_temp / "pack/gign.mdl", "gign");
    m_boxes.Answer(kIdNo);  // models/player/gign

    Drop({"pack"});

    EXPECT_EQ(Log(), std::string(kNoMapsHeader) + Copied("models/gign.mdl") +
                         NotCreated("models/player/gign") + kFinished);
}

TEST_F(SkinInstall, ReadOnlyPlayerModelIsNotRetriedAndTheOldFileIsNotLogged) {
    MakeModFolders({"models/player/sas", "sprites", "sound/weapons", "gfx/vgui"});
    WriteFile(Mod("models/player/sas/sas.mdl"), "old");
    ASSERT_EQ(::chmod(Mod("models/player/sas/sas.mdl").c_str(), 0444), 0);
    WriteFile(m_temp / "pack/sas.mdl", "new");

    Drop({"pack"});

    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{"Error Code 100"});
    EXPECT_EQ(m_boxes.Shown()[0].m_strCaption, "");
    EXPECT_EQ(ReadFile(Mod("models/player/sas/sas.mdl")), "old");
    EXPECT_EQ(Log(), std::string(kNoMapsHeader) + Copied("models/sas.mdl") + kFinished);
    EXPECT_EQ(m_engine.GetErrorCount(), 1);
}

TEST_F(SkinInstall, CancelAtTheFirstQuestionEndsTheWalk) {
    WriteFile(m_temp / "pack/sub/knife.mdl", "k");
    WriteFile(m_temp / "pack/gign.mdl", "g");
    m_boxes.Answer(kIdCancel);  // models, in pack/sub

    Drop({"pack"});

    EXPECT_EQ(Log(), std::string(kNoMapsHeader) + kAborted + kFinished);
    EXPECT_FALSE(Exists(Mod("models")));
}
