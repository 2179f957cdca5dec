// Every error box and error line of the engine, made to happen by failing one
// call of the real file system.

#include <filesystem>

#include "EngineTest.h"
#include "ZipFixture.h"

using namespace quarvel::test;
using EOperation = CFaultyFileOperations::EOperation;

using FaultInjection = CEngineTest;

namespace {

struct SInjected {
    EOperation m_eOperation;
    platform::ErrorCode m_nError;
    int m_nCall;
};

struct SCopyCase {
    const char* m_szName;
    std::vector<SInjected> m_faults;
    std::vector<std::string> m_boxes;
    bool m_bLogged;     // the destination line is in the log
    bool m_bInstalled;  // the new bytes are in place
};

}  // namespace

TEST_F(FaultInjection, EachFailedStepOfACopyHasItsOwnBox) {
    const std::vector<SCopyCase> cases = {
        {"disk full",
         {{EOperation::kCopyFile, 112, 1}},
         {"Error Code 7\nLast Error: 112"},
         false,
         false},
        {"denied, attributes stuck",
         {{EOperation::kCopyFile, 5, 1}, {EOperation::kSetArchiveOnly, 5, 1}},
         {"Error F1A"},
         false,
         false},
        {"denied, retry fails",
         {{EOperation::kCopyFile, 5, 1}, {EOperation::kCopyFile, 32, 2}},
         {"Error Code F2\nLast Error: 32"},
         false,
         false},
        {"denied, retry works", {{EOperation::kCopyFile, 5, 1}}, {}, true, true},
        {"probe cannot open", {{EOperation::kOpenProbe, 32, 1}}, {"Error Code 7.1"}, false, true},
        {"probe cannot close", {{EOperation::kCloseProbe, 6, 1}}, {"Error Code 7.2"}, true, true},
    };
    WriteFile(m_temp / "src/de_x.bsp", "new");
    for (const SCopyCase& row : cases) {
        WriteFile(Mod("maps/de_x.bsp"), "old");
        for (const SInjected& fault : row.m_faults) {
            m_fs.Fail(fault.m_eOperation, fault.m_nError, fault.m_nCall);
        }
        const std::string logBefore = Log();
        const std::size_t boxesBefore = m_boxes.Shown().size();

        m_engine.CopyFileVerified(m_temp / "src/de_x.bsp", Mod("maps/de_x.bsp"));

        const std::vector<std::string> texts = m_boxes.Texts();
        EXPECT_EQ(std::vector<std::string>(texts.begin() + boxesBefore, texts.end()), row.m_boxes)
            << row.m_szName;
        EXPECT_EQ(Log().substr(logBefore.size()), row.m_bLogged ? Copied("maps/de_x.bsp") : "")
            << row.m_szName;
        EXPECT_EQ(ReadFile(Mod("maps/de_x.bsp")), row.m_bInstalled ? "new" : "old") << row.m_szName;
    }
}

TEST_F(FaultInjection, PlayerModelCopiesHaveTheirOwnThreeBoxes) {
    MakeModFolders({"models/player/gign", "sprites", "sound/weapons", "gfx/vgui"});
    WriteFile(m_temp / "pack/gign.mdl", "gign");

    // The first copy is the .mdl pass into models; the second the player model.
    m_fs.Fail(EOperation::kCopyFile, 112, 2);
    Drop({"pack"});
    m_fs.Fail(EOperation::kOpenProbe, 32, 2);
    Drop({"pack"});
    m_fs.Fail(EOperation::kCloseProbe, 6, 2);
    Drop({"pack"});

    // A failed copy leaves nothing to probe: 100 comes with 101.
    EXPECT_EQ(m_boxes.Texts(), (std::vector<std::string>{"Error Code 100", "Error Code 101",
                                                         "Error Code 101", "Error Code 102"}));
    EXPECT_EQ(ReadFile(Mod("models/player/gign/gign.mdl")), "gign");
}

TEST_F(FaultInjection, StagingAndExtractionFaultsAreReportedAndTheDropGoesOn) {
    MakeZip(m_temp / "de_x.zip", {{"maps/de_x.bsp", "x"}});
    WriteFile(m_temp / "pkg/maps/de_y.bsp", "y");

    // An extracted file whose read-only attribute cannot be cleared.
    m_fs.Fail(EOperation::kSetArchiveOnly, 5, 1);
    Drop({"de_x.zip"});
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{"Error F1"});
    EXPECT_EQ(ReadFile(Mod("maps/de_x.bsp")), "x");

    // No staging folder: the archive is skipped, the folder still installs.
    m_fs.Fail(EOperation::kCreateStaging, 5, 1);
    Drop({"de_x.zip", "pkg"});
    EXPECT_NE(Log().find("No staging folder could be made in " + (m_temp / "cache/quarvel") +
                         " (error 5): archives and dropped files cannot be unpacked in this "
                         "drop.\r\n"),
              std::string::npos);
    EXPECT_NE(Log().find("Skipped " + (m_temp / "de_x.zip") +
                         " (there is no staging folder to unpack it in); nothing of it was "
                         "installed.\r\n"),
              std::string::npos);
    EXPECT_EQ(ReadFile(Mod("maps/de_y.bsp")), "y");
    EXPECT_EQ(m_engine.GetDropSummary().m_nFailedPaths, 1);

    // Not enough room to unpack: refused before anything is written.
    m_fs.SetFreeSpace(1000);
    Drop({"de_x.zip"});
    EXPECT_NE(Log().find("(it needs 1 bytes unpacked, and 1000 bytes are free in "),
              std::string::npos);
    // Free space that cannot be read does not stop the install.
    m_fs.SetFreeSpace(std::nullopt);
    std::filesystem::remove(Mod("maps/de_x.bsp"));
    Drop({"de_x.zip"});
    EXPECT_EQ(ReadFile(Mod("maps/de_x.bsp")), "x");

    // The staging folder that cannot be removed at the end.
    m_fs.Fail(EOperation::kRemoveStaging, 145, 1);
    Drop({"pkg"});
    EXPECT_TRUE(Log().ends_with(kFinished + std::string("Error D2: ") + m_engine.GetStagingRoot() +
                                " \r\n145"));
}

TEST_F(FaultInjection, RemovalAndCreationFaultsGoToBoxesAndTheLog) {
    WriteFile(m_temp / "stage/a.txt", "a");
    m_fs.Fail(EOperation::kDeleteFile, 32, 1);
    m_engine.RemoveTree(m_temp / "stage");
    EXPECT_EQ(m_boxes.Texts(), std::vector<std::string>{"Error D1\nLast Error: 32"});
    EXPECT_EQ(Log(), "Error D2: " + (m_temp / "stage") + " \r\n145");

    m_fs.Fail(EOperation::kCreatePrivateDirectory, 5, 1);
    m_engine.CreatePath(m_temp / "made");
    EXPECT_TRUE(Log().ends_with("Error D3: " + (m_temp / "made") +
                                " could not be created\r\nError Code: 5\r\n"));

    // A folder the user said Yes to, which cannot be made: said so, not "created".
    WriteFile(m_temp / "pkg/maps/de_x.bsp", "x");
    WriteFile(m_temp / "pkg/sound/de_x/wind.wav", "w");
    m_boxes.Answer(platform::kIdYes);
    m_fs.Fail(EOperation::kCreateDirectory, 112, 3);  // maps and sound exist; then de_x
    Drop({"pkg"});
    EXPECT_NE(
        Log().find("Directory \"" + Mod("sound/de_x") + "\" could not be created (error 112).\r\n"),
        std::string::npos);
    EXPECT_EQ(Log().find("created.\r\n"), std::string::npos);
}
