#include "BspFile.h"

#include <algorithm>
#include <array>

#include "BspException.h"
#include "platform/ByteReader.h"

namespace bsp {
namespace {

constexpr std::array<const char*, kLumpCount> kLumpNames = {
    "entities", "planes",       "textures", "vertices",  "visibility",
    "nodes",    "texinfo",      "faces",    "lighting",  "clipnodes",
    "leaves",   "marksurfaces", "edges",    "surfedges", "models"};
constexpr int kEntitiesLump = 0;
constexpr int kTexturesLump = 2;
// A texture's header: name[16], width, height, four mip level offsets.
constexpr std::uint32_t kMipTexHeaderSize = 16 + 4 * 6;
constexpr std::size_t kTextureNameSize = 16;

struct SLump {
    std::uint32_t m_nOffset = 0;
    std::uint32_t m_nLength = 0;
};

std::string LumpName(int index) {
    return std::string("the ") + kLumpNames[static_cast<std::size_t>(index)] + " lump";
}

std::array<SLump, kLumpCount> ReadHeader(CByteSource& source) {
    if (source.Size() < 4) {
        throw CBspException("not a Half-Life map: the file is too short to be a map");
    }
    const std::string header =
        source.ReadAt(0, std::min<std::uint64_t>(source.Size(), kHeaderSize));
    platform::CByteReader fields(header.data(), header.size());
    const std::int32_t version = fields.ReadInt32();
    if (version != kBspVersion) {
        // Quake's 29 and the like are worth naming; other bytes are no map at all.
        throw CBspException(version > 0 && version < 100
                                ? "not a Half-Life map: its version is " + std::to_string(version) +
                                      ", not " + std::to_string(kBspVersion)
                                : std::string("not a Half-Life map: it does not begin with a map "
                                              "version"));
    }
    std::array<SLump, kLumpCount> lumps{};
    for (SLump& lump : lumps) {
        lump.m_nOffset = fields.ReadUInt32();
        lump.m_nLength = fields.ReadUInt32();
    }
    if (!fields.IsValid()) {
        throw CBspException("damaged: the file ends inside the map's header");
    }
    // A map whose lumps do not all lie inside it does not load, whatever the
    // check goes on to read.
    for (int i = 0; i < kLumpCount; ++i) {
        const SLump& lump = lumps[static_cast<std::size_t>(i)];
        if (std::uint64_t{lump.m_nOffset} + lump.m_nLength > source.Size()) {
            throw CBspException("damaged: " + LumpName(i) + " runs past the end of the file");
        }
    }
    return lumps;
}

std::vector<CBspEntity> ReadEntities(CByteSource& source, const SLump& lump) {
    if (lump.m_nLength > kMaxEntityText) {
        throw CBspException("damaged: the entities lump is larger than a map can hold (" +
                            std::to_string(lump.m_nLength) + " bytes)");
    }
    return ParseEntityText(
        ReadRange(source, lump.m_nOffset, lump.m_nLength, LumpName(kEntitiesLump)));
}

std::vector<SBspTexture> ReadTextures(CByteSource& source, const SLump& lump) {
    std::vector<SBspTexture> textures;
    if (lump.m_nLength == 0) {
        return textures;
    }
    if (lump.m_nLength < 4) {
        throw CBspException("damaged: the textures lump is too short to hold its table");
    }
    const std::string countField = ReadRange(source, lump.m_nOffset, 4, LumpName(kTexturesLump));
    platform::CByteReader countReader(countField.data(), countField.size());
    const std::uint32_t count = countReader.ReadUInt32();
    if (count > kMaxTextures || 4 + std::uint64_t{count} * 4 > lump.m_nLength) {
        throw CBspException("damaged: the textures lump's table of " +
                            std::to_string(static_cast<std::int32_t>(count)) +
                            " textures does not fit in it");
    }
    const std::string table = source.ReadAt(lump.m_nOffset + 4u, count * 4u);
    platform::CByteReader offsets(table.data(), table.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::int32_t offset = offsets.ReadInt32();
        if (offset == -1) {
            continue;  // a slot some compilers leave for a texture they dropped
        }
        if (offset < 0 || static_cast<std::uint64_t>(offset) + kMipTexHeaderSize > lump.m_nLength) {
            throw CBspException("damaged: texture " + std::to_string(i) +
                                " lies outside the textures lump");
        }
        const std::string header =
            source.ReadAt(lump.m_nOffset + static_cast<std::uint64_t>(offset), kMipTexHeaderSize);
        platform::CByteReader fields(header.data(), header.size());
        std::string name = fields.ReadFixedText(kTextureNameSize);
        fields.Skip(8);  // width and height
        // The pixels of the first mip level; none means the game takes the
        // texture from a WAD file.
        const std::uint32_t pixels = fields.ReadUInt32();
        textures.push_back({std::move(name), pixels != 0});
    }
    return textures;
}

}  // namespace

SBspMap ReadBspMap(CByteSource& source) {
    const std::array<SLump, kLumpCount> lumps = ReadHeader(source);
    SBspMap map;
    map.m_entities = ReadEntities(source, lumps[kEntitiesLump]);
    map.m_textures = ReadTextures(source, lumps[kTexturesLump]);
    return map;
}

}  // namespace bsp
