#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/FileOperations.h"

namespace install {

// Why a file of a package did not reach the mod directory.
namespace reason {
constexpr const char* kDeclined = "declined by an answer";
constexpr const char* kNoPlace = "no place for its type";
constexpr const char* kSystemFile = "a system file";
constexpr const char* kCopyFailed = "the copy failed";
constexpr const char* kSameName = "another dropped file has the same name";
constexpr const char* kUnsafeName = "its name leads out of the archive";
constexpr const char* kNotRegularFile = "not a regular file (a FIFO, device or socket)";
constexpr const char* kSameFile = "it is the installed file itself";
}  // namespace reason

// What became of the files of one dropped path, so that the log can list every
// file that was not installed, with its reason, instead of dropping it silently.
class CInstallAccount {
  public:
    struct SMissingFile {
        std::string m_strRelative;
        std::string m_strReason;
    };

    // At most this many files are listed; the rest are counted.
    static constexpr std::size_t kListLimit = 20;

    // Starts a drop: nothing is installed yet.
    void BeginDrop();
    // Starts the account of the next dropped path.
    void Begin();

    void MarkInstalled(const std::string& source) {
        m_installed.insert(source);
        m_installedInDrop.insert(source);
    }
    // A file or an archive left out for a reason; an install elsewhere wins.
    void MarkNotInstalled(const std::string& source, std::string why);
    // Every file below the folder was declined with it.
    void MarkDeclinedFolder(const std::string& folder) { m_declinedFolders.insert(folder); }
    // A file installed in its own way (an archive: through its own tree).
    void MarkHandled(const std::string& source) { m_handled.insert(source); }
    // A folder left out on purpose (the mod directory inside a package): not listed.
    void MarkPassedOver(const std::string& folder) { m_passedOver.insert(folder); }
    // A file that never reached the package's tree (an entry not extracted).
    void AddMissing(std::string relative, std::string why);

    // Walks a package tree once its install has ended and lists each file that
    // was not installed, relative to the package, behind displayPrefix. An
    // archive found in the tree counts as handled unless marked otherwise: its
    // own files are listed when its tree is walked.
    void CollectTree(platform::CFileOperations& fs, const std::string& root,
                     const std::string& displayPrefix);

    std::size_t InstalledCount() const { return m_installed.size(); }
    // Files of this path that an earlier path of the drop installed already.
    std::size_t InstalledBeforeCount() const { return m_nInstalledBefore; }
    const std::vector<SMissingFile>& Missing() const { return m_missing; }

    // The log lines for the files not installed from a dropped path; empty when
    // there are none.
    std::string Report(const std::string& droppedPath) const;

  private:
    void Walk(platform::CFileOperations& fs, const std::string& folder, const std::string& relative,
              const char* inherited);

    std::unordered_set<std::string> m_installed;
    std::unordered_set<std::string> m_installedInDrop;
    std::size_t m_nInstalledBefore = 0;
    std::unordered_map<std::string, std::string> m_reasons;
    std::unordered_set<std::string> m_declinedFolders;
    std::unordered_set<std::string> m_passedOver;
    std::unordered_set<std::string> m_handled;
    std::vector<SMissingFile> m_missing;
};

}  // namespace install
