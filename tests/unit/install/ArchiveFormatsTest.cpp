// Every kind of archive players meet installs its package exactly as the same
// package installs from a plain zip. Archives are made at test time by the
// tools that make them (Info-ZIP, 7-Zip, bsdtar, Python); RAR, which has no
// free writer, is written byte by byte from its published format.

#include <filesystem>
#include <random>

#include "EngineTest.h"
#include "Process.h"
#include "ZipFixture.h"

using namespace quarvel::test;

namespace {

struct SFormat {
    const char* m_szName;
    // The commands run in the package folder; "{}" is the archive's path.
    std::vector<std::vector<std::string>> m_make;
    const char* m_szArchive;  // made, below the temporary folder
    const char* m_szDropped;  // the part dropped (another part of a set, say)
};

class ArchiveFormats : public CEngineTest {
  protected:
    ArchiveFormats() {
        // Big enough for 7-Zip and Info-ZIP to split it into several parts.
        std::mt19937 random(7);
        std::string map(200000, '\0');
        for (char& byte : map) {
            byte = static_cast<char>(random());
        }
        WriteFile(m_temp / "pkg/maps/de_x.bsp", map);
        WriteFile(m_temp / "pkg/maps/de_x.txt", "briefing");
        WriteFile(m_temp / "pkg/sound/de_x/wind.wav", "wind");
        WriteFile(m_temp / "pkg/de_x.wad", "textures");
    }

    // Installs one archive into a fresh mod directory; its whole tree, each
    // file as its size and a digest, so that a difference reads short.
    std::map<std::string, std::string> InstallInto(const std::string& name,
                                                   const std::string& dropped) {
        const std::string mod = m_temp / ("mods/" + name + "/cstrike");
        MakeFolder(mod + "/maps");
        MakeFolder(mod + "/sound");
        m_engine.SetModDirectory(mod);
        m_boxes.Answer(platform::kIdYes);  // sound/de_x
        m_engine.InstallPaths({m_temp / dropped});
        std::map<std::string, std::string> tree = ReadTree(mod);
        for (auto& [path, content] : tree) {
            if (!path.ends_with("/")) {
                content = std::to_string(content.size()) + " bytes, hash " +
                          std::to_string(std::hash<std::string>{}(content));
            }
        }
        return tree;
    }
};

std::vector<std::string> WithArchive(std::vector<std::string> command, const std::string& path) {
    for (std::string& argument : command) {
        if (argument == "{}") {
            argument = path;
        }
    }
    return command;
}

}  // namespace

TEST_F(ArchiveFormats, EveryKindInstallsAsAPlainZipDoes) {
    RunTool(m_temp / "pkg", {"zip", "-q", "-r", m_temp / "plain.zip", "."});
    const auto expected = InstallInto("plain", "plain.zip");
    ASSERT_EQ(expected.size(), 7u);  // four files, three folders
    ASSERT_EQ(expected.at("maps/de_x.bsp").substr(0, 13), "200000 bytes,");

    const std::string rar = SourceFile("tests/support/make_rar.py");
    const std::vector<SFormat> formats = {
        {"Zip64 by Info-ZIP", {{"zip", "-q", "-r", "-fz", "{}", "."}}, "z64.zip", "z64.zip"},
        {"bzip2 entries", {{"zip", "-q", "-r", "-Z", "bzip2", "{}", "."}}, "bz.zip", "bz.zip"},
        {"Info-ZIP split set, a middle part dropped",
         {{"zip", "-q", "-r", "-s", "64k", "{}", "."}},
         "split.zip",
         "split.z02"},
        {"LZMA entries by 7-Zip",
         {{"7z", "a", "-bd", "-bso0", "-tzip", "-mm=LZMA", "{}", "."}},
         "lzma.zip",
         "lzma.zip"},
        {"7-Zip zip in pieces",
         {{"7z", "a", "-bd", "-bso0", "-tzip", "-v64k", "{}", "."}},
         "pieces.zip",
         "pieces.zip.003"},
        {"Zip64 by bsdtar",
         {{"bsdtar", "--format", "zip", "--options", "zip:zip64", "-cf", "{}", "."}},
         "bsd64.zip",
         "bsd64.zip"},
        {"Zip64 and LZMA by Python",
         {{"python3", "-c",
           "import os, sys, zipfile\n"
           "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_LZMA) as z:\n"
           "    for top, dirs, files in os.walk('.'):\n"
           "        for name in files:\n"
           "            path = os.path.join(top, name)\n"
           "            with z.open(path[2:], 'w', force_zip64=True) as out:\n"
           "                out.write(open(path, 'rb').read())\n",
           "{}"}},
         "py64.zip",
         "py64.zip"},
        {"7z", {{"7z", "a", "-bd", "-bso0", "{}", "."}}, "x.7z", "x.7z"},
        {"7z in pieces", {{"7z", "a", "-bd", "-bso0", "-v64k", "{}", "."}}, "v.7z", "v.7z.002"},
        {"tar", {{"bsdtar", "-cf", "{}", "."}}, "x.tar", "x.tar"},
        {"tar.gz", {{"bsdtar", "-czf", "{}", "."}}, "x.tar.gz", "x.tar.gz"},
        {"tgz", {{"bsdtar", "-czf", "{}", "."}}, "x.tgz", "x.tgz"},
        {"tar.bz2", {{"bsdtar", "-cjf", "{}", "."}}, "x.tar.bz2", "x.tar.bz2"},
        {"tar.xz", {{"bsdtar", "-cJf", "{}", "."}}, "x.tar.xz", "x.tar.xz"},
        {"RAR 4",
         {{"python3", rar, "4", "{}", "maps/de_x.bsp=maps/de_x.bsp", "maps/de_x.txt=maps/de_x.txt",
           "sound/de_x/wind.wav=sound/de_x/wind.wav", "de_x.wad=de_x.wad"}},
         "x4.rar",
         "x4.rar"},
        {"RAR 5",
         {{"python3", rar, "5", "{}", "maps/de_x.bsp=maps/de_x.bsp", "maps/de_x.txt=maps/de_x.txt",
           "sound/de_x/wind.wav=sound/de_x/wind.wav", "de_x.wad=de_x.wad"}},
         "x5.rar",
         "x5.rar"},
    };
    for (const SFormat& format : formats) {
        for (const auto& command : format.m_make) {
            RunTool(m_temp / "pkg", WithArchive(command, m_temp / format.m_szArchive));
        }
        EXPECT_EQ(InstallInto(format.m_szArchive, format.m_szDropped), expected)
            << format.m_szName << "\n"
            << Log();
    }
    EXPECT_EQ(m_engine.GetErrorCount(), 0) << Log();
}

TEST_F(ArchiveFormats, TheBytesDecideNotTheName) {
    RunTool(m_temp / "pkg", {"zip", "-q", "-r", m_temp / "plain.zip", "."});
    const auto expected = InstallInto("plain", "plain.zip");
    RunTool(m_temp.Path(), {"cp", "plain.zip", "zip-named.rar"});
    RunTool(m_temp / "pkg", {"bsdtar", "-czf", m_temp / "tar-named.zip", "."});
    // A self-extracting program: a stub, then the zip (offsets fixed with zip -A).
    WriteFile(m_temp / "stub", "MZ" + std::string(2000, '\x90'));
    RunTool(m_temp.Path(), {"sh", "-c", "cat stub plain.zip > sfx.exe && zip -q -A sfx.exe"});

    EXPECT_EQ(InstallInto("rarname", "zip-named.rar"), expected) << Log();
    EXPECT_EQ(InstallInto("zipname", "tar-named.zip"), expected) << Log();
    EXPECT_EQ(InstallInto("sfx", "sfx.exe"), expected) << Log();
    EXPECT_NE(Log().find("\r\nArchive Found: " + (m_temp / "tar-named.zip") + "\r\n"),
              std::string::npos);

    // Bytes no reader knows, whatever the name.
    WriteFile(m_temp / "junk.7z", "this is no archive at all");
    m_engine.InstallPaths({m_temp / "junk.7z"});
    EXPECT_NE(Log().find("Skipped " + (m_temp / "junk.7z") +
                         " (not an archive Quarvel can read); nothing of it was installed."),
              std::string::npos);
}

TEST_F(ArchiveFormats, LinksDevicesAndDamageInOtherArchivesAreRefused) {
    MakeFolder(m_temp / "linked/maps");
    WriteFile(m_temp / "linked/maps/de_l.bsp", "map");
    std::filesystem::create_symlink("/etc/passwd", m_temp / "linked/maps/passwd.txt");
    RunTool(m_temp / "linked", {"bsdtar", "-czf", m_temp / "links.tar.gz", "."});
    m_engine.InstallPaths({m_temp / "links.tar.gz"});
    EXPECT_NE(Log().find("Not extracted, a link or device entry: ./maps/passwd.txt"),
              std::string::npos)
        << Log();
    EXPECT_EQ(ReadFile(Mod("maps/de_l.bsp")), "map");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Mod("maps/passwd.txt"))));

    // One flipped byte in the compressed data: a 7z fails its CRC, a gzip
    // stream its trailer (which libarchive alone would not check).
    RunTool(m_temp / "pkg", {"7z", "a", "-bd", "-bso0", m_temp / "bad.7z", "."});
    RunTool(m_temp / "pkg", {"bsdtar", "-czf", m_temp / "bad.tar.gz", "."});
    for (const char* name : {"bad.7z", "bad.tar.gz"}) {
        std::string bytes = ReadFile(m_temp / name);
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x55);
        WriteFile(m_temp / name, bytes);
        m_engine.InstallPaths({m_temp / name});
        EXPECT_NE(Log().find("Skipped " + (m_temp / name) + " (damaged"), std::string::npos)
            << Log();
        EXPECT_FALSE(Exists(Mod("maps/de_x.bsp"))) << name;
    }
}
