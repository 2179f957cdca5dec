#include "MapCheck.h"

#include <algorithm>
#include <unordered_set>

#include "BspException.h"
#include "BspFile.h"
#include "MapNeeds.h"
#include "TextFile.h"
#include "platform/FolderListing.h"
#include "platform/TextCase.h"

namespace bsp {
namespace {

// A resource list or an overview text is a few kilobytes.
constexpr std::size_t kMaxTextFile = 256 * 1024;
constexpr std::size_t kMaxFilesShown = 10;
constexpr std::size_t kMaxTexturesShown = 5;

std::string MapName(const std::string& path) {
    std::string name = path.substr(path.rfind('/') + 1);
    if (name.size() > 4 && platform::EqualsNoCase(name.substr(name.size() - 4), ".bsp")) {
        name.resize(name.size() - 4);
    }
    return name;
}

// A name as a log line may show it: control characters would break the line.
std::string Shown(const std::string& name) {
    std::string shown = name;
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return shown;
}

std::string NameList(const std::vector<std::string>& names, std::size_t most) {
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < most; ++i) {
        list.append(i == 0 ? "" : ", ").append(Shown(names[i]));
    }
    if (names.size() > most) {
        list += " \u2026 and " + std::to_string(names.size() - most) + " more";
    }
    return list;
}

}  // namespace

SMapCheck CMapChecker::Check(const std::string& mapPath, const std::string& packageFolder) {
    SMapCheck check;
    check.m_strPath = mapPath;
    check.m_strMap = MapName(mapPath);
    SMapNeeds needs;
    try {
        CFileSource source(mapPath);
        needs = FindMapNeeds(ReadBspMap(source));
    } catch (const CBspException& fault) {
        check.m_strError = fault.m_strCause;
        return check;
    }

    std::unordered_set<std::string> textures;
    for (const std::string& name : needs.m_wads) {
        const SWadContents& wad = m_files.Wad(name);
        if (!wad.m_bFound) {
            check.m_missingFiles.push_back(name);
        } else if (!wad.m_strError.empty()) {
            check.m_damagedWads.push_back(name + " (" + wad.m_strError + ")");
        }
        textures.insert(wad.m_textures.begin(), wad.m_textures.end());
    }
    for (const SNeededFile& file : needs.m_files) {
        if (!m_files.Find(file.m_strPath) &&
            (file.m_strAlternative.empty() || !m_files.Find(file.m_strAlternative))) {
            check.m_missingFiles.push_back(file.m_strPath);
        }
    }
    CheckResourceList(check.m_strMap, packageFolder, check);
    for (const std::string& texture : needs.m_externalTextures) {
        if (!textures.contains(platform::LowerCase(texture))) {
            check.m_missingTextures.push_back(texture);
        }
    }
    CheckOverview(check);
    return check;
}

void CMapChecker::CheckResourceList(const std::string& map, const std::string& packageFolder,
                                    SMapCheck& check) {
    const std::string list = "maps/" + map + ".res";
    const std::optional<SGameFile> found = m_files.Find(list);
    if (!found) {
        if (!packageFolder.empty() &&
            !m_files.FindEntry(packageFolder, map + ".res", false).empty()) {
            check.m_missingFiles.push_back(list);
        }
        return;
    }
    // The files the server sends with the map: each must be there to send.
    std::unordered_set<std::string> named;
    for (const std::string& file : check.m_missingFiles) {
        named.insert(platform::LowerCase(file));
    }
    const std::optional<std::string> text = m_files.ReadText(*found, kMaxTextFile);
    for (std::string& file : TextLines(text.value_or(""))) {
        std::replace(file.begin(), file.end(), '\\', '/');
        if (!m_files.Find(file) && named.insert(platform::LowerCase(file)).second) {
            check.m_missingFiles.push_back(file);
        }
    }
}

void CMapChecker::CheckOverview(SMapCheck& check) {
    const std::string overview = "overviews/" + check.m_strMap + ".txt";
    const std::optional<SGameFile> found = m_files.Find(overview);
    check.m_bOverview = found.has_value();
    if (!found) {
        check.m_missingOptional.push_back(overview);
        return;
    }
    // The layer's image: a line IMAGE "overviews/de_x.bmp".
    for (const std::string& line : TextLines(m_files.ReadText(*found, kMaxTextFile).value_or(""))) {
        if (const std::optional<std::string> image = KeyedValue(line, "image");
            image && !image->empty() && !m_files.Find(*image)) {
            check.m_missingOptional.push_back(*image);
        }
    }
}

std::string MapCheckLog(const SMapCheck& check) {
    const std::string map = Shown(check.m_strMap);
    if (!check.m_strError.empty()) {
        return map + " could not be checked: " + Shown(check.m_strError) + ".\r\n";
    }
    if (check.IsComplete()) {
        std::string lines = map + ": everything it needs is present.\r\n";
        if (check.m_bOverview && !check.m_missingOptional.empty()) {
            lines += map + ": its overview image is not installed (optional): " +
                     NameList(check.m_missingOptional, kMaxFilesShown) + "\r\n";
        }
        return lines;
    }
    std::string lines;
    if (const std::size_t count = check.m_missingFiles.size(); count > 0) {
        lines +=
            map + " needs " + std::to_string(count) +
            (count == 1 ? " file that is not installed: " : " files that are not installed: ") +
            NameList(check.m_missingFiles, kMaxFilesShown) + "\r\n";
    }
    for (const std::string& wad : check.m_damagedWads) {
        lines += map + ": a WAD file it needs cannot be read: " + Shown(wad) + "\r\n";
    }
    if (const std::size_t count = check.m_missingTextures.size(); count > 0) {
        lines += map + ": " + std::to_string(count) +
                 (count == 1 ? " texture is missing from every WAD: "
                             : " textures are missing from every WAD: ") +
                 NameList(check.m_missingTextures, kMaxTexturesShown) + "\r\n";
    }
    if (check.m_bOverview && !check.m_missingOptional.empty()) {
        lines += map + ": its overview image is not installed (optional): " +
                 NameList(check.m_missingOptional, kMaxFilesShown) + "\r\n";
    }
    return lines;
}

std::vector<std::string> FindModMaps(CGameFiles& files) {
    std::vector<std::string> maps;
    const std::string folder = files.FindEntry(files.ModDirectory(), "maps", true);
    if (folder.empty()) {
        return maps;
    }
    for (const platform::CFolderEntry& entry : platform::ListFolder(folder, "*.bsp")) {
        if (!entry.IsDirectory() && !entry.m_bLinkToFolder) {
            maps.push_back(entry.m_strPath);
        }
    }
    return maps;
}

std::string CheckModMapsLog(const std::string& modDir) {
    if (modDir.empty()) {
        return "\r\nNo mod directory is set, so there are no maps to check.\r\n";
    }
    CMapChecker checker(modDir);
    const std::vector<std::string> maps = FindModMaps(checker.Files());
    std::string log =
        "\r\nChecking the installed maps of " + checker.Files().ModDirectory() + "...\r\n";
    int complete = 0;
    for (const std::string& map : maps) {
        const SMapCheck check = checker.Check(map);
        complete += check.IsComplete() ? 1 : 0;
        log += MapCheckLog(check);
    }
    const std::size_t count = maps.size();
    log += count == 0 ? std::string("No maps are installed.\r\n")
                      : std::to_string(count) + (count == 1 ? " map" : " maps") + " checked, " +
                            std::to_string(count - static_cast<std::size_t>(complete)) +
                            " with something missing.\r\n";
    return log;
}

std::string CheckInstalledMapsLog(const std::string& modDir,
                                  const std::vector<SInstalledMap>& maps) {
    CMapChecker checker(modDir);
    std::string log;
    for (const SInstalledMap& map : maps) {
        const std::string source = map.m_strSourceFile;
        log += MapCheckLog(checker.Check(map.m_strMapFile, source.substr(0, source.rfind('/'))));
    }
    return log;
}

}  // namespace bsp
