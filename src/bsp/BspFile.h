#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ByteSource.h"
#include "EntityText.h"

namespace bsp {

// Half-Life maps are version 30 (Quake's are 29).
constexpr std::int32_t kBspVersion = 30;
constexpr int kLumpCount = 15;
constexpr std::uint32_t kHeaderSize = 4 + kLumpCount * 8;
// More than any compiler writes; a larger lump is damage or a trap.
constexpr std::uint32_t kMaxEntityText = 8u << 20;
constexpr std::uint32_t kMaxTextures = 65536;

// A texture the map uses: its pixels inside the map, or only its name, to be
// found in one of the WAD files the map names.
struct SBspTexture {
    std::string m_strName;
    bool m_bEmbedded = false;
};

// What a check needs of a map: its entities and its textures.
struct SBspMap {
    std::vector<CBspEntity> m_entities;
    std::vector<SBspTexture> m_textures;
};

// Reads the header, the lump directory, the entity lump and the texture
// lump's directory (never the pixels). Every lump must lie inside the file.
// Throws CBspException with the cause.
SBspMap ReadBspMap(CByteSource& source);

}  // namespace bsp
