#include "MapNeeds.h"

#include <array>
#include <unordered_set>

#include "BspException.h"
#include "TextFile.h"
#include "platform/TextCase.h"

namespace bsp {
namespace {

constexpr std::array<const char*, 6> kSkyFaces = {"up", "dn", "lf", "rt", "ft", "bk"};

bool EndsWithNoCase(std::string_view text, std::string_view ending) {
    return text.size() >= ending.size() &&
           platform::EqualsNoCase(text.substr(text.size() - ending.size()), ending);
}

// Keeps each name once, letter case ignored, in the order first met.
class CUniqueNames {
  public:
    bool Add(std::string_view name) { return m_seen.insert(platform::LowerCase(name)).second; }

  private:
    std::unordered_set<std::string> m_seen;
};

}  // namespace

std::vector<std::string> WadFileNames(std::string_view wadKey) {
    std::vector<std::string> names;
    CUniqueNames unique;
    std::size_t start = 0;
    while (start <= wadKey.size()) {
        std::size_t end = wadKey.find(';', start);
        if (end == std::string_view::npos) {
            end = wadKey.size();
        }
        std::string_view path = Trim(wadKey.substr(start, end - start));
        start = end + 1;
        if (const std::size_t slash = path.find_last_of("/\\:"); slash != std::string_view::npos) {
            path = Trim(path.substr(slash + 1));
        }
        if (!path.empty() && unique.Add(path)) {
            names.emplace_back(path);
        }
    }
    return names;
}

std::string EntityFile(std::string_view key, std::string_view value) {
    if (platform::EqualsNoCase(key, "wad")) {
        return {};
    }
    std::string path(Trim(value));
    for (char& c : path) {
        c = c == '\\' ? '/' : c;
    }
    const bool model = EndsWithNoCase(path, ".mdl") || EndsWithNoCase(path, ".spr");
    const bool sound =
        EndsWithNoCase(path, ".wav") && !path.starts_with('!') && !path.starts_with('#');
    // A leading '*' marks a streamed sound; the file is the rest.
    const std::size_t start = path.find_first_not_of(sound ? "*/" : "/");
    if ((!model && !sound) || start == std::string::npos) {
        return {};
    }
    return (sound ? "sound/" : "") + path.substr(start);
}

SMapNeeds FindMapNeeds(const SBspMap& map) {
    const CBspEntity* world = nullptr;
    for (const CBspEntity& entity : map.m_entities) {
        if (platform::EqualsNoCase(entity.Value("classname"), "worldspawn")) {
            world = &entity;
            break;
        }
    }
    if (!world) {
        throw CBspException("damaged: the map has no world entity (worldspawn)");
    }
    SMapNeeds needs;
    needs.m_wads = WadFileNames(world->Value("wad"));

    CUniqueNames files;
    if (const std::string_view sky = Trim(world->Value("skyname")); !sky.empty()) {
        for (const char* face : kSkyFaces) {
            const std::string base = "gfx/env/" + std::string(sky) + face;
            if (files.Add(base + ".tga")) {
                needs.m_files.push_back({base + ".tga", base + ".bmp"});
            }
        }
    }
    for (const CBspEntity& entity : map.m_entities) {
        for (const auto& [key, value] : entity.m_pairs) {
            if (std::string file = EntityFile(key, value); !file.empty() && files.Add(file)) {
                needs.m_files.push_back({std::move(file), {}});
            }
        }
    }

    CUniqueNames textures;
    for (const SBspTexture& texture : map.m_textures) {
        if (!texture.m_bEmbedded && !texture.m_strName.empty() && textures.Add(texture.m_strName)) {
            needs.m_externalTextures.push_back(texture.m_strName);
        }
    }
    return needs;
}

}  // namespace bsp
