#pragma once

#include <sys/stat.h>

#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace platform::posix {

// The names of the folders the program writes into, listed once and kept
// current as it creates entries, so that matching a new name's letter case
// costs the same in a folder of 20,000 files as in an empty one. A folder's
// listing is trusted only while the folder's modification time is the one it
// had when listed or last changed here: whatever another program does to it
// makes it listed again.
class CCaseIndex {
  public:
    // The entry of folder that name stands for: name itself when it is there,
    // else the first name in byte order that differs only in case; empty when
    // there is none. False when the folder cannot be listed.
    bool Find(const std::string& folder, const std::string& name, std::string& found);
    // An entry this program has just created in folder.
    void Added(const std::string& folder, const std::string& name);
    void Clear();

  private:
    struct SFolder {
        struct timespec m_modified {};
        ino_t m_nInode = 0;
        std::unordered_set<std::string> m_names;
        // Lower-cased name -> the first name in byte order with that spelling.
        std::unordered_map<std::string, std::string> m_first;
    };
    static void Insert(SFolder& folder, std::string_view name);
    static bool List(const std::string& path, SFolder& folder);

    std::mutex m_mutex;
    std::unordered_map<std::string, SFolder> m_folders;
};

// The index the whole process shares: every file the program creates goes
// through it, whichever part creates it.
CCaseIndex& ProcessCaseIndex();

// Splits an absolute path into its folder and last name, for the index; false
// for a path the index cannot settle (relative, a trailing separator, empty
// components, or a last "." or "..").
bool SplitForIndex(const std::string& path, std::string& folder, std::string& name);

}  // namespace platform::posix
