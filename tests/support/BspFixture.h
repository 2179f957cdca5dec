#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quarvel::test {

// Maps, WAD and pak files written byte by byte by bsp_fixtures.py with
// Python's struct: no file of the game is ever copied.

using CKeyValues = std::vector<std::pair<std::string, std::string>>;

struct SMapSpec {
    SMapSpec(std::vector<CKeyValues> entities,
             std::vector<std::pair<std::string, bool>> textures = {}, std::string damage = {})
        : m_entities(std::move(entities)),
          m_textures(std::move(textures)),
          m_strDamage(std::move(damage)) {}

    std::vector<CKeyValues> m_entities;                    // the world first, as maps have it
    std::vector<std::pair<std::string, bool>> m_textures;  // name, embedded in the map
    // Further JSON members that damage the map: "\"version\": 29", "\"truncate\": 100", ...
    std::string m_strDamage;
};

// The world entity with these keys besides its class name.
CKeyValues World(const CKeyValues& keys = {});

void MakeMap(const std::string& path, const SMapSpec& spec);
// A WAD3 file holding a texture of each name.
void MakeWad(const std::string& path, const std::vector<std::string>& textures);
// A pak file holding each (name, content).
void MakePak(const std::string& path,
             const std::vector<std::pair<std::string, std::string>>& files);

// Text as a JSON string.
std::string JsonText(const std::string& text);

}  // namespace quarvel::test
