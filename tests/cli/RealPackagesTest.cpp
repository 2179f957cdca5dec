// Packages in the layouts players download, built with the tools that make
// them (Info-ZIP, 7-Zip, bsdtar, Python), installed by quarvel-cli as a user
// runs it, and checked by the whole tree of the mod directory afterwards.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "CliProcess.h"
#include "TempFolder.h"

using namespace quarvel::test;

namespace {

using CTree = std::map<std::string, std::string>;

// The folders of a Counter-Strike mod directory as Steam installs it.
const std::vector<std::string> kGameFolders = {
    "maps",    "models", "models/player", "sound",    "sound/weapons", "sound/ambience",
    "sprites", "gfx",    "gfx/env",       "gfx/vgui", "overviews",     "resource"};

class RealPackages : public ::testing::Test {
  protected:
    RealPackages() {
        for (const std::string& folder : kGameFolders) {
            MakeFolder(Mod(folder));
        }
        WriteFile(m_temp / "hl/hl.exe", "");
    }

    std::string Mod(const std::string& relative) const {
        return m_temp / ("hl/cstrike/" + relative);
    }

    // Writes the files of a package below a folder of the temporary home.
    void MakePackage(const std::string& folder, const CTree& files) const {
        for (const auto& [name, content] : files) {
            WriteFile(m_temp / (folder + "/" + name), content);
        }
    }

    // Zips what a folder holds (its own name not included) with a real tool.
    void Zip(const std::string& tool, const std::string& folder, const std::string& archive) {
        const std::string target = m_temp / archive;
        if (tool == "zip") {
            RunTool(m_temp / folder, {"zip", "-q", "-r", target, "."});
        } else if (tool == "7z") {
            RunTool(m_temp / folder, {"7z", "a", "-bd", "-bso0", "-tzip", target, "."});
        } else if (tool == "bsdtar") {
            RunTool(m_temp / folder, {"bsdtar", "--format", "zip", "-cf", target, "."});
        } else {
            RunTool(m_temp / folder,
                    {"python3", "-c",
                     "import os, sys, zipfile\n"
                     "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:\n"
                     "    for top, dirs, files in os.walk('.'):\n"
                     "        for name in files:\n"
                     "            z.write(os.path.join(top, name))\n",
                     target});
        }
    }

    SProcessResult Install(const std::vector<std::string>& paths, const std::string& answer,
                           const std::string& input = "") {
        std::vector<std::string> arguments = {"--mod-dir", "hl/cstrike", "--answer", answer};
        arguments.insert(arguments.end(), paths.begin(), paths.end());
        return RunCliProcess(arguments, m_temp.Path(), input,
                             {"XDG_CACHE_HOME=" + (m_temp / "cache"),
                              "XDG_CONFIG_HOME=" + (m_temp / "config"), "HOME=" + m_temp.Path()});
    }

    // The mod directory as it was made, plus the given files and folders.
    CTree ModWith(const CTree& added) const {
        CTree tree = added;
        for (const std::string& folder : kGameFolders) {
            tree[folder + "/"] = "";
        }
        for (const auto& [path, content] : added) {
            for (std::size_t slash = path.find('/');
                 slash != std::string::npos && slash + 1 < path.size();
                 slash = path.find('/', slash + 1)) {
                tree[path.substr(0, slash + 1)] = "";
            }
        }
        return tree;
    }

    CTree ModTree() const { return ReadTree(m_temp / "hl/cstrike"); }

    CTempFolder m_temp;
};

const CTree kSkyFaces = {{"gfx/env/spaceup.tga", "up"}, {"gfx/env/spacedn.tga", "dn"},
                         {"gfx/env/spacelf.tga", "lf"}, {"gfx/env/spacert.tga", "rt"},
                         {"gfx/env/spaceft.tga", "ft"}, {"gfx/env/spacebk.tga", "bk"}};

CTree Merge(CTree tree, const CTree& more) {
    tree.insert(more.begin(), more.end());
    return tree;
}

}  // namespace

TEST_F(RealPackages, AnUpperCaseMapsFolderBringsEverythingBesideIt) {
    const CTree files = Merge(kSkyFaces, {{"MAPS/de_x.bsp", "bsp"},
                                          {"MAPS/de_x.txt", "briefing"},
                                          {"de_x.wad", "wad"},
                                          {"sound/de_x/wind.wav", "wind"},
                                          {"overviews/de_x.bmp", "bmp"},
                                          {"overviews/de_x.txt", "overview"}});
    MakePackage("src/de_x", files);
    Zip("zip", "src", "de_x.zip");

    const SProcessResult result = Install({"de_x.zip"}, "yes");

    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strOut << result.m_strErr;
    EXPECT_EQ(ModTree(), ModWith(Merge(kSkyFaces, {{"maps/de_x.bsp", "bsp"},
                                                   {"maps/de_x.txt", "briefing"},
                                                   {"de_x.wad", "wad"},
                                                   {"sound/de_x/wind.wav", "wind"},
                                                   {"overviews/de_x.bmp", "bmp"},
                                                   {"overviews/de_x.txt", "overview"}})));
    EXPECT_EQ(result.m_strOut.find("Not installed"), std::string::npos) << result.m_strOut;
}

TEST_F(RealPackages, AMapBesideGameFoldersBringsTheFoldersTreeForTree) {
    MakePackage("src", Merge(kSkyFaces, {{"de_x.bsp", "bsp"},
                                         {"de_x.txt", "briefing"},
                                         {"de_x.wad", "wad"},
                                         {"sound/de_x/a.wav", "a"},
                                         {"models/de_x/tree.mdl", "tree"}}));
    Zip("7z", "src", "de_x.zip");

    const SProcessResult result = Install({"de_x.zip"}, "yes");

    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strOut << result.m_strErr;
    EXPECT_EQ(ModTree(), ModWith(Merge(kSkyFaces, {{"maps/de_x.bsp", "bsp"},
                                                   {"maps/de_x.txt", "briefing"},
                                                   {"overviews/de_x.txt", "briefing"},
                                                   {"de_x.wad", "wad"},
                                                   {"sound/de_x/a.wav", "a"},
                                                   {"models/de_x/tree.mdl", "tree"}})));
    EXPECT_NE(result.m_strOut.find("Installing game folders (gfx, models, sound)...\n"),
              std::string::npos);
}

TEST_F(RealPackages, PacksThatMirrorTheModDirectoryWithoutAMapKeepTheirPlaces) {
    // A sky pack, a player model in a wrapper folder, ambience sounds, an
    // overview pack: each a different writer.
    MakePackage("sky", kSkyFaces);
    Zip("bsdtar", "sky", "sky.zip");
    MakePackage("santa", {{"santa_model/models/player/santa/santa.mdl", "santa"},
                          {"santa_model/models/player/santa/santaT.mdl", "textures"}});
    Zip("python", "santa", "santa.zip");
    MakePackage("ambience", {{"sound/ambience/rain.wav", "rain"}});
    Zip("zip", "ambience", "ambience.zip");
    MakePackage("overview", {{"overviews/de_dust9.bmp", "bmp"}, {"overviews/de_dust9.txt", "t"}});
    Zip("7z", "overview", "overview.zip");

    const SProcessResult result =
        Install({"sky.zip", "santa.zip", "ambience.zip", "overview.zip"}, "yes");

    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strOut << result.m_strErr;
    EXPECT_EQ(ModTree(), ModWith(Merge(kSkyFaces, {{"models/player/santa/santa.mdl", "santa"},
                                                   {"models/player/santa/santaT.mdl", "textures"},
                                                   {"sound/ambience/rain.wav", "rain"},
                                                   {"overviews/de_dust9.bmp", "bmp"},
                                                   {"overviews/de_dust9.txt", "t"}})));
    EXPECT_EQ(result.m_strOut.find("Not installed"), std::string::npos) << result.m_strOut;
}

TEST_F(RealPackages, FlatPacksPlaceWadsSkiesAndPlayerModelTextures) {
    MakePackage("flat", Merge({{"gign.mdl", "gign"},
                               {"gignT.mdl", "gign textures"},
                               {"v_knife.mdl", "knife"},
                               {"textures.wad", "wad"}},
                              {{"nightup.tga", "up"},
                               {"nightdn.tga", "dn"},
                               {"nightlf.tga", "lf"},
                               {"nightrt.tga", "rt"},
                               {"nightft.tga", "ft"},
                               {"nightbk.tga", "bk"},
                               {"menu.tga", "menu"}}));
    Zip("zip", "flat", "flat.zip");

    const SProcessResult result = Install({"flat.zip"}, "yes");

    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strOut << result.m_strErr;
    EXPECT_EQ(ModTree(), ModWith({{"models/gign.mdl", "gign"},
                                  {"models/gignT.mdl", "gign textures"},
                                  {"models/v_knife.mdl", "knife"},
                                  {"models/player/gign/gign.mdl", "gign"},
                                  {"models/player/gign/gignT.mdl", "gign textures"},
                                  {"textures.wad", "wad"},
                                  {"gfx/env/nightup.tga", "up"},
                                  {"gfx/env/nightdn.tga", "dn"},
                                  {"gfx/env/nightlf.tga", "lf"},
                                  {"gfx/env/nightrt.tga", "rt"},
                                  {"gfx/env/nightft.tga", "ft"},
                                  {"gfx/env/nightbk.tga", "bk"},
                                  {"gfx/vgui/menu.tga", "menu"}}));
}

TEST_F(RealPackages, WhatTheUserDroppedIsAllThatIsRead) {
    // A package unpacked straight into Downloads, beside the user's own files.
    MakePackage("Downloads", {{"maps/de_y.bsp", "y"},
                              {"maps/de_y.txt", "t"},
                              {"shopping.txt", "milk"},
                              {"music/song.wav", "la"}});
    // Three files of one map dropped together.
    MakePackage("loose", {{"de_z.bsp", "z"}, {"de_z.wad", "w"}, {"de_z.txt", "zt"}});

    const SProcessResult result =
        Install({"Downloads/maps", "loose/de_z.bsp", "loose/de_z.wad", "loose/de_z.txt"}, "no");

    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strOut << result.m_strErr;
    EXPECT_EQ(ModTree(), ModWith({{"maps/de_y.bsp", "y"},
                                  {"maps/de_y.txt", "t"},
                                  {"maps/de_z.bsp", "z"},
                                  {"maps/de_z.txt", "zt"},
                                  {"overviews/de_z.txt", "zt"},
                                  {"de_z.wad", "w"}}));
    EXPECT_EQ(result.m_strErr, "") << "no question was needed";
}

TEST_F(RealPackages, MacAndWindowsLeftoversAreNeverInstalledNorAskedAbout) {
    MakePackage("mac", {{"de_m/maps/de_m.bsp", "m"},
                        {"de_m/.DS_Store", "ds"},
                        {"de_m/Thumbs.db", "thumbs"},
                        {"de_m/maps/desktop.ini", "ini"},
                        {"__MACOSX/de_m/maps/._de_m.bsp", "apple double"},
                        {"__MACOSX/de_m/._.DS_Store", "apple double"}});
    Zip("python", "mac", "de_m.zip");

    // Every question would be answered Cancel: none may come.
    const SProcessResult result = Install({"de_m.zip"}, "cancel");

    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strOut << result.m_strErr;
    EXPECT_EQ(ModTree(), ModWith({{"maps/de_m.bsp", "m"}}));
    EXPECT_EQ(result.m_strErr, "");
    EXPECT_NE(result.m_strOut.find("Not installed from " + (m_temp / "de_m.zip") +
                                   ":\n  __MACOSX/de_m/._.DS_Store (a system file)\n"),
              std::string::npos)
        << result.m_strOut;
}

TEST_F(RealPackages, DamagedAndEncryptedArchivesAreSkippedAndTheGoodOneInstalls) {
    MakePackage("map", {{"maps/de_g.bsp", std::string(4000, 'g')}});
    Zip("zip", "map", "good.zip");
    RunTool(m_temp / "map", {"zip", "-q", "-r", "-P", "secret", m_temp / "locked.zip", "."});
    // One flipped bit in the deflated data of a copy of the good archive.
    std::string bytes = ReadFile(m_temp / "good.zip");
    const auto field = [&](std::size_t at) {
        return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                           << 8;
    };
    // The name's first occurrence is in the entry's local header, 30 bytes in.
    const std::size_t header = bytes.find("maps/de_g.bsp") - 30;
    const std::size_t data = header + 30 + field(header + 26) + field(header + 28) + 5;
    bytes[data] = static_cast<char>(bytes[data] ^ 0x10);
    WriteFile(m_temp / "damaged.zip", bytes);

    const SProcessResult result = Install({"damaged.zip", "locked.zip", "good.zip"}, "yes");

    EXPECT_EQ(result.m_nExitStatus, 3) << result.m_strOut << result.m_strErr;
    EXPECT_EQ(ModTree(), ModWith({{"maps/de_g.bsp", std::string(4000, 'g')}}));
    EXPECT_NE(result.m_strOut.find("Skipped " + (m_temp / "damaged.zip") + " (damaged: "),
              std::string::npos)
        << result.m_strOut;
    EXPECT_NE(result.m_strOut.find(
                  "Skipped " + (m_temp / "locked.zip") +
                  " (unsupported: entry 1 (maps/de_g.bsp) is password-protected); nothing of "
                  "it was installed.\n"),
              std::string::npos);
}

TEST_F(RealPackages, ExitStatusTellsWhatBecameOfEachPath) {
    MakePackage("custom", {{"maps/de_c.bsp", "c"}, {"custom/notes.txt", "n"}});
    MakePackage("newfolder", {{"models/de_n/tree.mdl", "t"}, {"sound/de_n/wind.wav", "w"}});

    // Missing: 3, with a line saying why.
    SProcessResult result = Install({"nowhere.zip"}, "yes");
    EXPECT_EQ(result.m_nExitStatus, 3);
    EXPECT_NE(result.m_strOut.find("Nothing installed from " + (m_temp / "nowhere.zip") +
                                   ": the path does not exist.\n"),
              std::string::npos);

    // Every file declined by an answer: 1.
    result = Install({"newfolder"}, "no");
    EXPECT_EQ(result.m_nExitStatus, 1) << result.m_strOut;
    EXPECT_NE(result.m_strOut.find("  models/de_n/tree.mdl (declined by an answer)\n"
                                   "  sound/de_n/wind.wav (declined by an answer)\n"),
              std::string::npos);

    // Part declined: 0, and the account says which part.
    result = Install({"custom"}, "no");
    EXPECT_EQ(result.m_nExitStatus, 0) << result.m_strOut;
    EXPECT_NE(result.m_strOut.find("Not installed from " + (m_temp / "custom") +
                                   ":\n  custom/notes.txt (declined by an answer)\n"),
              std::string::npos);
    EXPECT_EQ(ModTree(), ModWith({{"maps/de_c.bsp", "c"}}));
}
