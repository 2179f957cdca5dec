#pragma once

#include "Win32Api.h"

#include <map>
#include <string>

#include "../ErrorCodes.h"

namespace platform::win32 {

// The private staging folders of this process's drops. Each lives in a
// folder "run-XXXXXXXX" below the per-user base, holding a lock file that
// this process keeps open without sharing while the drop runs; another run
// removes the folder only once that file can be opened, that is once nobody
// holds it. Nothing below the base is entered through a link (a reparse
// point): such an entry is removed itself, never what it leads to.
class CStagingFolders {
  public:
    CStagingFolders() = default;
    ~CStagingFolders();
    CStagingFolders(const CStagingFolders&) = delete;
    CStagingFolders& operator=(const CStagingFolders&) = delete;

    // Makes base when missing, removes stale runs, and makes a fresh locked
    // run holding "__Orlimb_Temp", whose path is given back.
    ErrorCode Create(const std::string& base, std::string& folder);
    // Removes a folder given by Create, with its run, and releases the lock.
    ErrorCode Remove(const std::string& folder);

  private:
    struct SRun {
        std::string m_strRun;
        HANDLE m_hLock = INVALID_HANDLE_VALUE;
    };
    // Staging folder -> its run.
    std::map<std::string, SRun> m_runs;
};

// Removes a folder with everything in it, never through a link; the first
// error that stopped a removal, or 0.
ErrorCode RemoveTreeNoLinks(const std::string& folder);

}  // namespace platform::win32
