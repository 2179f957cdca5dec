#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "FaultyFileOperations.h"
#include "RecordingLogSink.h"
#include "ScriptedMessageBoxHost.h"
#include "TempFolder.h"
#include "install/InstallEngine.h"

namespace quarvel::test {

// A real mod directory (hl/cstrike with maps and sound) in a temporary folder,
// an engine installing into it, scripted answers and a recorded log.
class CEngineTest : public ::testing::Test {
  protected:
    CEngineTest() {
        MakeFolder(m_strMod + "/maps");
        MakeFolder(m_strMod + "/sound");
        WriteFile(m_temp / "hl/hl.exe", "");
        m_engine.SetModDirectory(m_strMod);
        m_engine.SetStagingBase(m_temp / "cache/quarvel");
    }

    void TearDown() override {
        EXPECT_EQ(m_boxes.UnusedAnswers(), 0u) << "a scripted answer was never asked for";
        // The sink saw exactly the engine's log, piece by piece.
        EXPECT_EQ(m_log.m_strShown, m_engine.GetInstallLog());
    }

    void Drop(const std::vector<std::string>& relativePaths) {
        std::vector<std::string> paths;
        for (const auto& path : relativePaths) {
            paths.push_back(m_temp / path);
        }
        m_engine.InstallPaths(paths);
    }

    void MakeModFolders(std::initializer_list<const char*> folders) {
        for (const char* folder : folders) {
            MakeFolder(Mod(folder));
        }
    }
    // Every folder the installs write into, so that none of them asks.
    void MakeEveryInstallFolder() {
        MakeModFolders({"overviews", "gfx/env", "models", "sound/ambience", "sprites",
                        "sound/weapons", "gfx/vgui"});
    }

    const std::string& Log() const { return m_engine.GetInstallLog(); }
    // A path below the mod directory, as the log shows it.
    std::string Mod(const std::string& relative) const { return m_strMod + "/" + relative; }
    // The lines the engine writes for one folder question answered Yes or No.
    std::string Created(const std::string& relative) const {
        return "Directory \"" + Mod(relative) + "\" created.\r\n";
    }
    std::string NotCreated(const std::string& relative) const {
        return "Directory \"" + Mod(relative) + "\" not created.\r\n";
    }
    std::string Copied(const std::string& relative) const { return Mod(relative) + "\r\n"; }
    // The account of a dropped path: each file not installed, with its reason.
    std::string NotInstalled(const std::string& dropped,
                             const std::vector<std::pair<std::string, std::string>>& files) const {
        std::string lines = "Not installed from " + dropped + ":\r\n";
        for (const auto& [file, why] : files) {
            lines += "  " + file + " (" + why + ")\r\n";
        }
        return lines;
    }
    std::string NothingFrom(const std::string& dropped, const std::string& why) const {
        return "Nothing installed from " + dropped + ": " + why + ".\r\n";
    }

    static constexpr const char* kStructuredHeader =
        "\r\nMap and supporting files found.\r\nInstalling to cstrike directory...\r\n";
    static constexpr const char* kUnstructuredHeader =
        "\r\nUnstructured map file found.\r\nInstalling to cstrike directory...\r\n";
    static constexpr const char* kNoMapsHeader =
        "\r\nNo Map Files Found...\r\nInstalling Weapon and Player Skin files...\r\n";
    static constexpr const char* kFinished = "Finished Installing files.\r\n";
    static constexpr const char* kDeclined = "declined by an answer";
    static constexpr const char* kNoPlace = "no place for its type";
    static constexpr const char* kSystem = "a system file";
    static constexpr const char* kAborted = "Installation aborted.\r\n";

    CTempFolder m_temp;
    std::string m_strMod = m_temp / "hl/cstrike";
    CScriptedMessageBoxHost m_boxes;
    CRecordingLogSink m_log;
    // The real file system, unless a test makes a call fail.
    CFaultyFileOperations m_fs;
    install::CInstallEngine m_engine{m_boxes, m_log, m_fs};
};

}  // namespace quarvel::test
