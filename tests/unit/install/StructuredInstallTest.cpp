#include <sys/stat.h>

#include "EngineTest.h"

using namespace quarvel::test;
using platform::kIdCancel;
using platform::kIdNo;
using platform::kIdYes;

using StructuredInstall = CEngineTest;

TEST_F(StructuredInstall, CopiesThePackageTreeAskingForTheMissingFolder) {
    WriteFile(m_temp / "pkg/maps/de_x.bsp", "bsp");
    WriteFile(m_temp / "pkg/maps/de_x.txt", "txt");
    WriteFile(m_temp / "pkg/sound/de_x/amb1.wav", "wav");
    m_boxes.Answer(kIdYes);

    Drop({"pkg"});

    EXPECT_EQ(Log(), std::string(kStructuredHeader) + Copied("maps/de_x.bsp") +
                         Copied("maps/de_x.txt") + Created("sound/de_x") +
                         Copied("sound/de_x/amb1.wav") + kFinished);
    ASSERT_EQ(m_boxes.Shown().size(), 1u);
    EXPECT_EQ(m_boxes.Shown()[0].m_strCaption, "Unrecognized Directory");
    EXPECT_EQ(m_boxes.Shown()[0].m_nType, platform::kMbYesNoCancel);
    EXPECT_EQ(m_boxes.Shown()[0].m_strText,
              "Directory \"" + Mod("sound/de_x") +
                  "\" is included in your installation files, but does not already exist.\n\n"
                  "If you wish to create the directory, press yes. (recommended)\n"
                  "If you do not wish to create the new directry, but want to continue "
                  "installing, press no.\n"
                  "If you wish to abort the installation at this time, press cancel\n\n");
    EXPECT_EQ(ReadFile(Mod("sound/de_x/amb1.wav")), "wav");
    // The source is untouched, the staging root gone, the installed folders cleared.
    EXPECT_EQ(ReadTree(m_temp / "pkg").size(), 6u);
    EXPECT_FALSE(Exists(m_engine.GetStagingRoot()));
    EXPECT_TRUE(m_engine.GetInstalledFolders().empty());
}

TEST_F(StructuredInstall, CaseVariantsGoIntoTheExistingFoldersAndReplaceReadOnlyFiles) {
    MakeFolder(Mod("sound/ambience"));
    WriteFile(Mod("maps/de_x.bsp"), "old");
    ASSERT_EQ(::chmod(Mod("maps/de_x.bsp").c_str(), 0444), 0);
    WriteFile(m_temp / "pkg/maps/DE_X.BSP", "new");
    WriteFile(m_temp / "pkg/Sound/AMBIENCE/Wind.WAV", "wav");

    Drop({"pkg"});

    EXPECT_TRUE(m_boxes.Shown().empty());
    // "Sound" sorts before "maps".
    EXPECT_EQ(Log(), std::string(kStructuredHeader) + Copied("sound/ambience/Wind.WAV") +
                         Copied("maps/de_x.bsp") + kFinished);
    EXPECT_EQ(ReadTree(m_strMod), (std::map<std::string, std::string>{
                                      {"maps/", ""},
                                      {"maps/de_x.bsp", "new"},
                                      {"sound/", ""},
                                      {"sound/ambience/", ""},
                                      {"sound/ambience/Wind.WAV", "wav"},
                                  }));
}

TEST_F(StructuredInstall, NoPassesOverAFolderYesAcceptsAFileTypeForTheRestOfTheDrop) {
    WriteFile(m_temp / "pkg/custom/a.txt", "a");
    WriteFile(m_temp / "pkg/maps/de_x.DOC", "doc");
    WriteFile(m_temp / "pkg/maps/de_x.bsp", "bsp");
    WriteFile(m_temp / "pkg/notes.doc", "doc");
    WriteFile(m_temp / "pkg/photo.jpg", "jpg");
    m_boxes.Answer(kIdNo);   // custom
    m_boxes.Answer(kIdYes);  // de_x.doc; notes.doc is then not asked about
    m_boxes.Answer(kIdNo);   // photo.jpg

    Drop({"pkg"});

    EXPECT_EQ(
        Log(),
        std::string(kStructuredHeader) + NotCreated("custom") +
            "Extension \".doc\" added to accepted filetypes.\r\n" + Copied("maps/de_x.DOC") +
            Copied("maps/de_x.bsp") + Copied("notes.doc") + "File photo.jpg not installed.\r\n" +
            NotInstalled(m_temp / "pkg", {{"custom/a.txt", kDeclined}, {"photo.jpg", kDeclined}}) +
            kFinished);
    EXPECT_FALSE(Exists(Mod("custom")));
    EXPECT_FALSE(Exists(Mod("photo.jpg")));
    EXPECT_EQ(m_boxes.Shown()[1].m_strCaption, "Unrecognized fileTypes");
}

TEST_F(StructuredInstall, CancelStopsTheWholeDropAndKeepsWhatWasCopied) {
    WriteFile(m_temp / "pkg/maps/de_x.bsp", "bsp");
    WriteFile(m_temp / "pkg/models/x.mdl", "mdl");
    WriteFile(m_temp / "pkg/sound/x.wav", "wav");
    WriteFile(m_temp / "later/maps/de_y.bsp", "bsp");
    m_boxes.Answer(kIdCancel);  // models

    Drop({"pkg", "later"});

    EXPECT_EQ(Log(),
              std::string(kStructuredHeader) + Copied("maps/de_x.bsp") + kAborted + kFinished);
    EXPECT_TRUE(m_engine.IsAborted());
    EXPECT_TRUE(Exists(Mod("maps/de_x.bsp")));
    EXPECT_FALSE(Exists(Mod("sound/x.wav")));
    EXPECT_FALSE(Exists(Mod("maps/de_y.bsp")));
    EXPECT_FALSE(Exists(m_engine.GetStagingRoot()));
}
