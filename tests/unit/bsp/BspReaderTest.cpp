// The map reader on maps, WAD and pak files that bsp_fixtures.py writes byte
// by byte, whole and damaged.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BspFixture.h"
#include "TempFolder.h"
#include "bsp/BspException.h"
#include "bsp/BspFile.h"
#include "bsp/MapCheck.h"
#include "bsp/WadDirectory.h"

using namespace quarvel::test;

namespace {

// The cause a reader gives for bytes, or "" when it reads them.
template <typename Reader>
std::string CauseOf(const std::string& bytes, Reader read) {
    try {
        bsp::CMemorySource source(bytes);
        read(source);
    } catch (const bsp::CBspException& fault) {
        return fault.m_strCause;
    }
    return "";
}

// Patches a little-endian 32-bit field of a file's bytes.
std::string WithField(std::string bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    }
    return bytes;
}

}  // namespace

TEST(BspReader, ReadsTheEntitiesAndWhichTexturesTheMapEmbeds) {
    CTempFolder temp;
    MakeMap(temp / "de_x.bsp",
            {{World({{"wad", "\\half-life\\valve\\halflife.wad"}, {"skyname", "xen"}}),
              {{"classname", "ambient_generic"}, {"message", "ambience/wind.wav"}}},
             {{"{fence", true}, {"CRATE01", false}, {"a_name_of_15chr", false}},
             // A slot some compilers leave empty (-1) is passed over.
             "\"texture_offsets\": [null, -1, null]"});

    bsp::CFileSource source(temp / "de_x.bsp");
    const bsp::SBspMap map = bsp::ReadBspMap(source);
    ASSERT_EQ(map.m_entities.size(), 2u);
    EXPECT_EQ(map.m_entities[0].m_pairs, (CKeyValues{{"classname", "worldspawn"},
                                                     {"wad", "\\half-life\\valve\\halflife.wad"},
                                                     {"skyname", "xen"}}));
    EXPECT_EQ(map.m_entities[1].Value("MESSAGE"), "ambience/wind.wav") << "keys ignore case";
    EXPECT_EQ(map.m_entities[1].Value("target"), "");
    ASSERT_EQ(map.m_textures.size(), 2u);
    EXPECT_EQ(map.m_textures[0].m_strName, "{fence");
    EXPECT_TRUE(map.m_textures[0].m_bEmbedded);
    EXPECT_EQ(map.m_textures[1].m_strName, "a_name_of_15chr");
    EXPECT_FALSE(map.m_textures[1].m_bEmbedded);
}

TEST(BspReader, EntityTextAsTheGameReadsIt) {
    const std::vector<bsp::CBspEntity> entities = bsp::ParseEntityText(
        "// written by hand\n"
        "{ \"classname\" worldspawn \"message\" \"a { brace } and\nline\" }\n"
        "{\"model\"\"*1\"}// a comment after\n"
        "\0{ \"after\" \"the end\" }");
    ASSERT_EQ(entities.size(), 2u);
    EXPECT_EQ(entities[0].m_pairs,
              (CKeyValues{{"classname", "worldspawn"}, {"message", "a { brace } and\nline"}}));
    EXPECT_EQ(entities[1].m_pairs, (CKeyValues{{"model", "*1"}}));
    EXPECT_TRUE(bsp::ParseEntityText("  \n// nothing but a comment").empty());

    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"{ \"classname\" \"worldspawn", "damaged: entity 0 ends inside a quoted text"},
        {"{ \"a\" \"b\" } { \"classname\" \"x\"", "damaged: entity 1 has no closing brace"},
        {"{ \"a\" }", "damaged: entity 0 has a key without a value"},
        {"{ \"a\" { }", "damaged: entity 0 has a key without a value"},
        {"classname worldspawn",
         "damaged: the entity text has \"classname\" where an entity "
         "should begin"},
        {"{ } }", "damaged: the entity text has \"}\" where an entity should begin"},
    };
    for (const auto& [text, cause] : damaged) {
        try {
            bsp::ParseEntityText(text);
            ADD_FAILURE() << "read: " << text;
        } catch (const bsp::CBspException& fault) {
            EXPECT_EQ(fault.m_strCause, cause) << text;
        }
    }
}

// One damaged map a row: what bsp_fixtures.py is told to break, and the cause.
struct SDamagedMap {
    const char* m_szName;
    const char* m_szDamage;
    const char* m_szCause;
};

class DamagedMapTest : public ::testing::TestWithParam<SDamagedMap> {};

TEST_P(DamagedMapTest, IsRefusedWithItsCause) {
    CTempFolder temp;
    const SDamagedMap& row = GetParam();
    MakeMap(temp / "hl/cstrike/maps/de_bad.bsp",
            {{World({{"wad", "de_x.wad"}}), {{"classname", "info_target"}}},
             {{"crate", false}, {"sky", true}},
             row.m_szDamage});

    bsp::CMapChecker checker(temp / "hl/cstrike");
    const bsp::SMapCheck check = checker.Check(temp / "hl/cstrike/maps/de_bad.bsp");
    EXPECT_EQ(check.m_strError, row.m_szCause);
    EXPECT_FALSE(check.IsComplete());
    EXPECT_EQ(bsp::MapCheckLog(check),
              "de_bad could not be checked: " + std::string(row.m_szCause) + ".\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    OneDefectEach, DamagedMapTest,
    ::testing::Values(
        SDamagedMap{"empty_file", "\"truncate\": 0",
                    "not a Half-Life map: the file is too short to be a map"},
        SDamagedMap{"quake_map", "\"version\": 29",
                    "not a Half-Life map: its version is 29, not 30"},
        SDamagedMap{"other_format", "\"version\": 1347633737",
                    "not a Half-Life map: it does not begin with a map version"},
        SDamagedMap{"header_cut", "\"truncate\": 60",
                    "damaged: the file ends inside the map's header"},
        SDamagedMap{"entities_past_end", "\"lumps\": {\"0\": [100000, 10]}",
                    "damaged: the entities lump runs past the end of the file"},
        SDamagedMap{"faces_past_end", "\"lumps\": {\"7\": [0, 2147483647]}",
                    "damaged: the faces lump runs past the end of the file"},
        // An offset near 4 GiB plus a length would wrap in 32 bits.
        SDamagedMap{"offset_wraps", "\"lumps\": {\"2\": [4294967280, 32]}",
                    "damaged: the textures lump runs past the end of the file"},
        SDamagedMap{"file_cut_short", "\"truncate\": -1",
                    "damaged: the models lump runs past the end of the file"},
        SDamagedMap{"entities_too_large", "\"lumps\": {\"0\": [124, 8388609]}, \"pad\": 8388700",
                    "damaged: the entities lump is larger than a map can hold (8388609 bytes)"},
        SDamagedMap{"texture_table_too_long", "\"texture_count\": 70000",
                    "damaged: the textures lump's table of 70000 textures does not fit in it"},
        SDamagedMap{"texture_count_negative", "\"texture_count\": -5",
                    "damaged: the textures lump's table of -5 textures does not fit in it"},
        SDamagedMap{"texture_table_short", "\"texture_count\": 400",
                    "damaged: the textures lump's table of 400 textures does not fit in it"},
        SDamagedMap{"texture_outside_lump", "\"texture_offsets\": [null, 100000]",
                    "damaged: texture 1 lies outside the textures lump"},
        SDamagedMap{"texture_before_lump", "\"texture_offsets\": [null, -40]",
                    "damaged: texture 1 lies outside the textures lump"},
        SDamagedMap{"textures_lump_tiny", "\"lumps\": {\"2\": [124, 3]}",
                    "damaged: the textures lump is too short to hold its table"},
        SDamagedMap{"quote_unclosed", "\"entity_text\": \"{ \\\"classname\\\" \\\"worldspawn\"",
                    "damaged: entity 0 ends inside a quoted text"},
        SDamagedMap{"no_world", "\"entity_text\": \"{ \\\"classname\\\" \\\"info_target\\\" }\"",
                    "damaged: the map has no world entity (worldspawn)"}),
    [](const ::testing::TestParamInfo<SDamagedMap>& info) { return info.param.m_szName; });

TEST(BspReader, WadAndPakDirectories) {
    CTempFolder temp;
    MakeWad(temp / "de_x.wad", {"CRATE01", "{fence", "a_name_of_15chr"});
    const std::string wad = ReadFile(temp / "de_x.wad");
    bsp::CMemorySource wadSource(wad);
    EXPECT_EQ(bsp::ReadWadDirectory(wadSource),
              (std::vector<std::string>{"CRATE01", "{fence", "a_name_of_15chr"}));

    MakePak(temp / "pak0.pak", {{"sprites/glow.spr", "spr"}, {"maps/de_x.res", "de_x.wad\n"}});
    const std::string pak = ReadFile(temp / "pak0.pak");
    bsp::CMemorySource pakSource(pak);
    const std::vector<bsp::SPakEntry> entries = bsp::ReadPakDirectory(pakSource);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].m_strName, "maps/de_x.res");
    EXPECT_EQ(pak.substr(entries[1].m_nOffset, entries[1].m_nLength), "de_x.wad\n");

    // Header: magic, then (count, offset) for a WAD, (offset, length) for a pak.
    const auto readWad = [](bsp::CByteSource& source) { bsp::ReadWadDirectory(source); };
    const auto readPak = [](bsp::CByteSource& source) { bsp::ReadPakDirectory(source); };
    EXPECT_EQ(CauseOf("WAD3\0\0\0", readWad), "not a WAD3 file: it is too short");
    EXPECT_EQ(CauseOf("WAD2" + wad.substr(4), readWad),
              "not a WAD3 file: it does not begin with WAD3");
    EXPECT_EQ(CauseOf(WithField(wad, 4, 4), readWad),
              "damaged: the WAD3 directory runs past the end of the file");
    EXPECT_EQ(CauseOf(WithField(wad, 8, 0xFFFFFFF0), readWad),
              "damaged: the WAD3 directory runs past the end of the file");
    EXPECT_EQ(CauseOf(WithField(wad, 4, 0x80000000), readWad),
              "damaged: the WAD3 directory claims 2147483648 entries");
    EXPECT_EQ(CauseOf(WithField(pak, 8, 64 * 3), readPak),
              "damaged: the pak directory runs past the end of the file");
    EXPECT_EQ(CauseOf(wad, readPak), "not a pak file: it does not begin with PACK");
}
