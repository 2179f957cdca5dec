#include "MapCheckCommand.h"

#include <map>
#include <memory>
#include <ostream>

#include "CliApplication.h"
#include "bsp/MapCheck.h"
#include "platform/FileSystem.h"
#include "platform/LineEnds.h"
#include "platform/PathSeparator.h"
#include "platform/TextCase.h"

namespace cli {
namespace {

// Text as a JSON string: quotes, backslashes and control characters escaped,
// bytes that are not UTF-8 (a map's own names may hold any) as U+FFFD.
std::string JsonString(std::string_view text) {
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20) {
            static const char* const kHex = "0123456789abcdef";
            json += "\\u00";
            json += kHex[c >> 4];
            json += kHex[c & 0xF];
        } else if (c < 0x80) {
            json += static_cast<char>(c);
        } else {
            // The length a lead byte announces, and whether its followers are there.
            const std::size_t length = c >= 0xF0 && c < 0xF5 ? 4
                                       : c >= 0xE0           ? 3
                                       : c >= 0xC2           ? 2
                                                             : 0;
            bool valid = length > 0 && c < 0xF5 && i + length <= text.size();
            for (std::size_t k = 1; valid && k < length; ++k) {
                valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
            }
            if (valid) {
                json.append(text.substr(i, length));
                i += length - 1;
            } else {
                json += "\\ufffd";
            }
        }
    }
    return json + "\"";
}

std::string JsonList(const std::vector<std::string>& items) {
    std::string json = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        json.append(i == 0 ? "" : ", ").append(JsonString(items[i]));
    }
    return json + "]";
}

std::string JsonCheck(const bsp::SMapCheck& check) {
    return "{\"map\": " + JsonString(check.m_strMap) +
           ", \"path\": " + (check.m_strPath.empty() ? "null" : JsonString(check.m_strPath)) +
           ", \"complete\": " + (check.IsComplete() ? "true" : "false") +
           ", \"error\": " + (check.m_strError.empty() ? "null" : JsonString(check.m_strError)) +
           ", \"missing_files\": " + JsonList(check.m_missingFiles) +
           ", \"missing_textures\": " + JsonList(check.m_missingTextures) +
           ", \"unreadable_wads\": " + JsonList(check.m_damagedWads) +
           ", \"optional_missing\": " + JsonList(check.m_missingOptional) + "}";
}

// The map file a name stands for in the mod directory's maps folder.
std::string FindMapByName(bsp::CGameFiles& files, const std::string& name) {
    const std::string folder = files.FindEntry(files.ModDirectory(), "maps", true);
    const bool hasExtension =
        name.size() > 4 && platform::EqualsNoCase(name.substr(name.size() - 4), ".bsp");
    return folder.empty() ? std::string()
                          : files.FindEntry(folder, hasExtension ? name : name + ".bsp", false);
}

}  // namespace

bool IsMapPath(const std::string& map) {
    return map.find_first_of("/\\") != std::string::npos ||
           (map.size() > 4 && platform::EqualsNoCase(map.substr(map.size() - 4), ".bsp") &&
            platform::PathKind(map) == 1);
}

std::string ModDirectoryOfMap(const std::string& mapPath) {
    const std::string path = platform::ResolvePath(platform::NormalisePath(mapPath));
    const std::size_t slash = path.rfind(platform::kPathSeparator);
    const std::size_t folderStart = slash == std::string::npos || slash == 0
                                        ? std::string::npos
                                        : path.rfind(platform::kPathSeparator, slash - 1);
    if (folderStart == std::string::npos ||
        !platform::EqualsNoCase(path.substr(folderStart + 1, slash - folderStart - 1), "maps")) {
        return {};
    }
    return folderStart == 0 ? std::string(1, platform::kPathSeparator)
                            : path.substr(0, folderStart);
}

int CheckMaps(const std::vector<std::string>& maps, const std::string& modDirectory, bool json,
              std::ostream& out) {
    // One checker a mod directory, so each WAD is read once.
    std::map<std::string, std::unique_ptr<bsp::CMapChecker>> checkers;
    const auto checkerFor = [&](const std::string& modDir) -> bsp::CMapChecker& {
        std::unique_ptr<bsp::CMapChecker>& checker = checkers[modDir];
        if (!checker) {
            checker = std::make_unique<bsp::CMapChecker>(modDir);
        }
        return *checker;
    };
    std::vector<bsp::SMapCheck> checks;
    for (const std::string& map : maps) {
        if (IsMapPath(map)) {
            const std::string path = platform::ResolvePath(platform::NormalisePath(map));
            const std::string modDir =
                modDirectory.empty() ? ModDirectoryOfMap(path) : modDirectory;
            checks.push_back(checkerFor(modDir).Check(path));
            continue;
        }
        bsp::CMapChecker& checker = checkerFor(modDirectory);
        if (const std::string path = FindMapByName(checker.Files(), map); !path.empty()) {
            checks.push_back(checker.Check(path));
        } else {
            bsp::SMapCheck& missing = checks.emplace_back();
            missing.m_strMap = map;
            missing.m_strError = "there is no such map in " + checker.Files().ModDirectory() +
                                 platform::kPathSeparator + "maps";
        }
    }

    bool complete = true;
    std::string text;
    for (std::size_t i = 0; i < checks.size(); ++i) {
        complete = complete && checks[i].IsComplete();
        // One map a line in JSON as well, so that a failure shows at a glance.
        text +=
            json ? (i == 0 ? "  " : ",\n  ") + JsonCheck(checks[i]) : bsp::MapCheckLog(checks[i]);
    }
    if (json) {
        text = std::string("{\"complete\": ") + (complete ? "true" : "false") + ", \"maps\": [\n" +
               text + "\n]}\n";
    } else {
        platform::CLineEndConverter lineEnds;
        text = lineEnds.Convert(text);
    }
    out << text;
    return complete ? kExitInstalled : kExitMapIncomplete;
}

}  // namespace cli
