#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace platform::posix {

// The names of folders the program writes into, listed once and kept current
// as it creates entries, so that matching a new name's letter case costs the
// same in a folder of 20,000 files as in an empty one.
class CCaseIndex {
  public:
    // The entry of folder that name stands for: name itself when it is there,
    // else the first name in byte order that differs only in case. Empty when
    // there is none. False when the folder cannot be listed.
    bool Find(const std::string& folder, const std::string& name, std::string& found);
    // An entry created in a folder already listed.
    void Add(const std::string& folder, const std::string& name);
    // An entry removed, or a folder changed in a way not followed here.
    void Forget(const std::string& folder) { m_folders.erase(folder); }
    void Clear() { m_folders.clear(); }

  private:
    struct SFolder {
        std::unordered_set<std::string> m_names;
        // Lower-cased name -> the first name in byte order with that spelling.
        std::unordered_map<std::string, std::string> m_first;
    };
    static void Insert(SFolder& folder, std::string_view name);

    std::unordered_map<std::string, SFolder> m_folders;
};

}  // namespace platform::posix
