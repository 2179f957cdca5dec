#include "GameFiles.h"

#include <algorithm>

#include "BspException.h"
#include "ByteSource.h"
#include "TextFile.h"
#include "platform/FileSystem.h"
#include "platform/FolderListing.h"
#include "platform/PathSeparator.h"
#include "platform/TextCase.h"

namespace bsp {
namespace {

// liblist.gam is a few hundred bytes; more is not a game's list.
constexpr std::size_t kMaxLiblist = 64 * 1024;
// The game opens pak0.pak, pak1.pak, ... up to the first one missing.
constexpr int kMaxPaks = 100;

// The components of a relative path, '\' and '/' both separating, empty and
// "." ones dropped; false when one is "..".
bool SplitRelative(std::string_view path, std::vector<std::string>& components) {
    components.clear();
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        const std::string_view component = path.substr(start, end - start);
        if (component == "..") {
            return false;
        }
        if (!component.empty() && component != ".") {
            components.emplace_back(component);
        }
        start = end + 1;
    }
    return true;
}

std::string Join(const std::string& folder, std::string_view name) {
    return folder + platform::kPathSeparator + std::string(name);
}

// A loose file is read whole, a pak entry within its bounds.
std::uint64_t GameFileLength(const SGameFile& file) {
    return file.m_bInPak ? file.m_nLength : CFileSource::kWholeFile;
}

}  // namespace

CGameFiles::CGameFiles(const std::string& modDir) : m_strModDir(platform::ResolvePath(modDir)) {
    while (m_strModDir.size() > 1 && m_strModDir.back() == platform::kPathSeparator) {
        m_strModDir.pop_back();
    }
    m_searchFolders.push_back(m_strModDir);
    const std::size_t slash = m_strModDir.rfind(platform::kPathSeparator);
    if (slash == std::string::npos) {
        return;
    }
    const std::string parent =
        slash == 0 ? std::string(1, platform::kPathSeparator) : m_strModDir.substr(0, slash);
    const std::string modName = m_strModDir.substr(slash + 1);
    AddSearchFolder(parent, modName + "_downloads");
    AddSearchFolder(parent, modName + "_addon");
    if (const std::string fallback = FallbackFolderName();
        !fallback.empty() && !platform::EqualsNoCase(fallback, modName) &&
        fallback.find_first_of("/\\") == std::string::npos && fallback != "." && fallback != "..") {
        AddSearchFolder(parent, fallback);
    }
    AddSearchFolder(parent, "valve");
}

void CGameFiles::AddSearchFolder(const std::string& parent, std::string_view name) {
    const std::string folder = FindEntry(parent, name, true);
    for (const std::string& known : m_searchFolders) {
        if (known == folder) {
            return;
        }
    }
    if (!folder.empty()) {
        m_searchFolders.push_back(folder);
    }
}

std::string CGameFiles::FallbackFolderName() {
    const std::string liblist = FindEntry(m_strModDir, "liblist.gam", false);
    if (liblist.empty()) {
        return {};
    }
    const std::optional<std::string> text = ReadText({liblist}, kMaxLiblist);
    for (const std::string& line : TextLines(text.value_or(""))) {
        if (std::optional<std::string> folder = KeyedValue(line, "fallback_dir")) {
            return *folder;
        }
    }
    return {};
}

const CGameFiles::SFolder& CGameFiles::Listing(const std::string& folder) {
    const auto known = m_listings.find(folder);
    if (known != m_listings.end()) {
        return known->second;
    }
    SFolder& listing = m_listings[folder];
    for (const platform::CFolderEntry& entry : platform::ListFolder(folder, "*")) {
        if (entry.IsDots()) {
            continue;
        }
        listing.m_names.insert(entry.m_strName);
        if (entry.IsDirectory() || entry.m_bLinkToFolder) {
            listing.m_folders.insert(entry.m_strName);
        }
        // Listed in byte order: the first spelling stays.
        listing.m_firstByCase.emplace(platform::LowerCase(entry.m_strName), entry.m_strName);
    }
    return listing;
}

std::string CGameFiles::FindEntry(const std::string& folder, std::string_view name,
                                  bool wantFolder) {
    const SFolder& listing = Listing(folder);
    std::string real(name);
    if (!listing.m_names.contains(real)) {
        const auto match = listing.m_firstByCase.find(platform::LowerCase(name));
        if (match == listing.m_firstByCase.end()) {
            return {};
        }
        real = match->second;
    }
    if (listing.m_folders.contains(real) != wantFolder) {
        return {};
    }
    return folder.size() == 1 && folder[0] == platform::kPathSeparator ? folder + real
                                                                       : Join(folder, real);
}

const std::vector<CGameFiles::SPak>& CGameFiles::Paks(std::size_t searchFolder) {
    const auto known = m_paks.find(searchFolder);
    if (known != m_paks.end()) {
        return known->second;
    }
    std::vector<SPak>& paks = m_paks[searchFolder];
    for (int i = 0; i < kMaxPaks; ++i) {
        const std::string path =
            FindEntry(m_searchFolders[searchFolder], "pak" + std::to_string(i) + ".pak", false);
        if (path.empty()) {
            break;
        }
        SPak& pak = paks.emplace_back();
        pak.m_strPath = path;
        try {
            CFileSource source(path);
            for (SPakEntry& entry : ReadPakDirectory(source)) {
                std::string name = platform::LowerCase(entry.m_strName);
                pak.m_entries.emplace(std::move(name), std::move(entry));
            }
        } catch (const CBspException&) {
            // A damaged pak file gives the game nothing either.
        }
    }
    return paks;
}

std::optional<SGameFile> CGameFiles::Find(std::string_view relativePath) {
    std::vector<std::string> components;
    if (!SplitRelative(relativePath, components) || components.empty()) {
        return std::nullopt;
    }
    // Pak files name their entries in lower case, with '/'.
    std::string packed;
    for (const std::string& component : components) {
        packed.append(packed.empty() ? "" : "/").append(platform::LowerCase(component));
    }
    for (std::size_t root = 0; root < m_searchFolders.size(); ++root) {
        std::string path = m_searchFolders[root];
        for (std::size_t i = 0; i < components.size() && !path.empty(); ++i) {
            path = FindEntry(path, components[i], i + 1 < components.size());
        }
        if (!path.empty()) {
            return SGameFile{path};
        }
        for (const SPak& pak : Paks(root)) {
            if (const auto entry = pak.m_entries.find(packed); entry != pak.m_entries.end()) {
                return SGameFile{pak.m_strPath, true, entry->second.m_nOffset,
                                 entry->second.m_nLength};
            }
        }
    }
    return std::nullopt;
}

const SWadContents& CGameFiles::Wad(std::string_view fileName) {
    const std::string key = platform::LowerCase(fileName);
    if (const auto known = m_wads.find(key); known != m_wads.end()) {
        return known->second;
    }
    SWadContents& wad = m_wads[key];
    const std::optional<SGameFile> file = Find(fileName);
    if (!file) {
        return wad;
    }
    wad.m_bFound = true;
    try {
        CFileSource source(file->m_strPath, file->m_nOffset, GameFileLength(*file));
        for (const std::string& name : ReadWadDirectory(source)) {
            wad.m_textures.insert(platform::LowerCase(name));
        }
    } catch (const CBspException& fault) {
        wad.m_strError = fault.m_strCause;
        wad.m_textures.clear();
    }
    return wad;
}

std::optional<std::string> CGameFiles::ReadText(const SGameFile& file, std::size_t maxBytes) {
    try {
        CFileSource source(file.m_strPath, file.m_nOffset, GameFileLength(file));
        return source.ReadAt(
            0, static_cast<std::size_t>(std::min<std::uint64_t>(source.Size(), maxBytes)));
    } catch (const CBspException&) {
        return std::nullopt;
    }
}

}  // namespace bsp
