#include "BspFixture.h"

#include <cstdio>

#include "Process.h"

namespace quarvel::test {
namespace {

void RunFixtures(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {"python3", QUARVEL_BSP_FIXTURES};
    command.insert(command.end(), arguments.begin(), arguments.end());
    RunTool(".", command);
}

}  // namespace

std::string JsonText(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
            continue;
        }
        if (c == '"' || c == '\\') {
            json += '\\';
        }
        json += c;
    }
    return json + "\"";
}

CKeyValues World(const CKeyValues& keys) {
    CKeyValues world = {{"classname", "worldspawn"}};
    world.insert(world.end(), keys.begin(), keys.end());
    return world;
}

void MakeMap(const std::string& path, const SMapSpec& spec) {
    std::string json = "{\"entities\": [";
    for (std::size_t i = 0; i < spec.m_entities.size(); ++i) {
        json += i == 0 ? "[" : ", [";
        for (std::size_t k = 0; k < spec.m_entities[i].size(); ++k) {
            const auto& [key, value] = spec.m_entities[i][k];
            json += (k == 0 ? "[" : ", [") + JsonText(key) + ", " + JsonText(value) + "]";
        }
        json += "]";
    }
    json += "], \"textures\": [";
    for (std::size_t i = 0; i < spec.m_textures.size(); ++i) {
        json += (i == 0 ? "[" : ", [") + JsonText(spec.m_textures[i].first) + ", " +
                (spec.m_textures[i].second ? "true" : "false") + "]";
    }
    json.append("]").append(spec.m_strDamage.empty() ? "" : ", ").append(spec.m_strDamage);
    json += "}";
    RunFixtures({"map", path, json});
}

void MakeWad(const std::string& path, const std::vector<std::string>& textures) {
    std::vector<std::string> arguments = {"wad", path};
    arguments.insert(arguments.end(), textures.begin(), textures.end());
    RunFixtures(arguments);
}

void MakePak(const std::string& path,
             const std::vector<std::pair<std::string, std::string>>& files) {
    std::string json = "{";
    for (const auto& [name, content] : files) {
        json.append(json.size() == 1 ? "" : ", ").append(JsonText(name));
        json.append(": ").append(JsonText(content));
    }
    RunFixtures({"pak", path, json + "}"});
}

}  // namespace quarvel::test
