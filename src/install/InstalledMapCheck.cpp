#include <algorithm>

#include "InstallEngine.h"
#include "InstallPaths.h"
#include "PackageLayout.h"
#include "platform/TextCase.h"

namespace install {

void CInstallEngine::NoteInstalledMap(const std::string& source, const std::string& destination) {
    const std::string_view name = BaseName(destination);
    if (m_bMapCheck && name.size() > 4 &&
        platform::EqualsNoCase(name.substr(name.size() - 4), ".bsp") &&
        platform::EqualsNoCase(ParentFolder(destination), JoinPath(m_strModDir, "maps"))) {
        m_installedMaps.push_back({destination, source});
    }
}

void CInstallEngine::CheckInstalledMaps(std::size_t firstMap) {
    // A package nested in this one has checked its own maps already. Once the
    // user has cancelled, the drop says nothing more.
    if (m_installedMaps.size() > firstMap && !m_bAbort) {
        std::vector<bsp::SInstalledMap> maps;
        for (std::size_t i = firstMap; i < m_installedMaps.size(); ++i) {
            // A map copied twice is checked once, as it was copied last.
            const auto same = std::find_if(maps.begin(), maps.end(), [&](const auto& map) {
                return map.m_strMapFile == m_installedMaps[i].m_strMapFile;
            });
            if (same == maps.end()) {
                maps.push_back(m_installedMaps[i]);
            } else {
                *same = m_installedMaps[i];
            }
        }
        if (m_bDryRun) {
            // What a map needs may come with the same drop: only a real install
            // puts it where the check looks.
            for (const bsp::SInstalledMap& map : maps) {
                const std::string_view name = BaseName(map.m_strMapFile);
                Log(std::string(name.substr(0, name.size() - 4)) +
                    ": checked after a real install, not in a dry run.\r\n");
            }
        } else {
            // A check that fails is a line in the log; the install goes on.
            try {
                Log(bsp::CheckInstalledMapsLog(m_strModDir, maps));
            } catch (const std::exception& fault) {
                Log(std::string("The installed maps could not be checked: ") + fault.what() +
                    "\r\n");
            }
        }
    }
    m_installedMaps.resize(firstMap);
}

}  // namespace install
