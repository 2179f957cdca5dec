#pragma once

#include <map>
#include <string>

#include "../ErrorCodes.h"

namespace platform::posix {

// The private staging folders of this process's drops. Each lives in a
// folder "run-XXXXXX" (mkdtemp, 0700) below the per-user base, locked with
// flock while the drop runs; another run removes it only once no process
// holds that lock. Everything below the base is reached through descriptors
// that refuse links, so a link planted there is never followed.
class CStagingFolders {
  public:
    CStagingFolders() = default;
    ~CStagingFolders();
    CStagingFolders(const CStagingFolders&) = delete;
    CStagingFolders& operator=(const CStagingFolders&) = delete;

    // Makes base (0700) when missing, removes stale runs, and makes a fresh
    // locked run holding "__Orlimb_Temp", whose path is given back.
    ErrorCode Create(const std::string& base, std::string& folder);
    // Removes a folder given by Create, with its run, and releases the lock.
    ErrorCode Remove(const std::string& folder);

  private:
    struct SRun {
        std::string m_strBase;
        std::string m_strName;
        int m_hLock = -1;
    };
    // Staging folder -> its run.
    std::map<std::string, SRun> m_runs;
};

// Removes everything inside an open folder without following a link; the
// first errno that stopped a removal, or 0.
int RemoveContentsAt(int folder);

}  // namespace platform::posix
