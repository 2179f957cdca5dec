#pragma once

#include <string>
#include <vector>

#include "platform/FolderListing.h"
#include "platform/MessageBoxHost.h"
#include "platform/SettingsKey.h"

namespace settings {

// The configuration dialog's list of candidate mod directories. Filled only
// by insertion at the top, never sorted, so it holds them newest first.
class CCandidateList {
  public:
    // The index of the item equal to the text when case is ignored, or -1.
    int FindStringExact(const std::string& text) const;
    void InsertAtTop(const std::string& text);
    int GetCount() const { return static_cast<int>(m_items.size()); }
    // Top item first.
    const std::vector<std::string>& Items() const { return m_items; }

  private:
    std::vector<std::string> m_items;
};

// Finds Half-Life mod directories below the Steam installation: every folder
// named like a known mod, or holding a "maps" folder, whose parent holds the
// game's executable. Walks the main library's SteamApps tree, then the
// steamapps tree of every further library that its libraryfolders.vdf lists.
class CModDirDiscovery {
  public:
    // Candidates go into the list; in first-run mode each one found is also
    // assigned to the directory text.
    CModDirDiscovery(platform::CMessageBoxHost& messageBoxes, CCandidateList& candidates,
                     std::string& strDir, bool bFirstRun);

    // Reads the Steam install path from the Steam key and walks its libraries.
    void FindSteamModDirs(platform::CSettingsKeys& keys);
    void ScanForModDirs(const std::string& folder);

    // "cstrike" or "tfc", case included.
    static bool IsKnownModName(const std::string& name);
    // An entry "hl.exe" (or "hl_linux" on Linux) in the folder, any kind, any case.
    static bool HasHalfLifeExe(const std::string& folder);
    // The folder lists a folder of that name, case ignored. An empty folder
    // path stands for the root folder. A link to a folder counts as one.
    static bool HasSubdirectory(const std::string& folder, const std::string& name);

  private:
    // Walks what a listing of a folder holds, so that each folder below is
    // listed once, for the walk and for its "maps" test together.
    void ScanListing(const std::vector<platform::CFolderEntry>& entries);
    void AddCandidate(const std::string& path);
    void ScanFurtherLibraries(const std::string& installPath, const std::string& steamApps);

    platform::CMessageBoxHost& m_messageBoxes;
    CCandidateList& m_candidates;
    std::string& m_strDir;
    bool m_bFirstRun;
};

// What the configuration dialog shows when it opens: the candidates found,
// and the directory text adjusted as first-run mode wants it (the last
// candidate, or the placeholder when there is none) or, outside first-run
// mode, the current directory added on top unless it is listed already.
CCandidateList PrepareModDirChoice(platform::CMessageBoxHost& messageBoxes,
                                   platform::CSettingsKeys& keys, std::string& strDir,
                                   bool bFirstRun);

// The discovery alone, with its messages: the candidates, top item first.
std::vector<std::string> FindModDirCandidates(platform::CMessageBoxHost& messageBoxes,
                                              platform::CSettingsKeys& keys);

// The directory text shown in first-run mode when nothing was found.
extern const char* const kModDirPlaceholder;

}  // namespace settings
