#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ArchiveIdentity.h"
#include "ArchiveSets.h"
#include "InstallAccount.h"
#include "bsp/MapCheck.h"
#include "platform/FileOperations.h"
#include "platform/FolderListing.h"
#include "platform/LogSink.h"
#include "platform/MessageBoxHost.h"
#include "platform/ProgressSink.h"

namespace zip {
class CZipReader;
}

namespace install {

// The install engine: takes dropped paths, stages archives, finds and
// classifies map folders and copies every file into the mod directory, asking
// the user through the message box host and writing every step to the install
// log. It holds the install context; the owner (main window or command line)
// supplies the two seams to the user and keeps one engine for its lifetime.
class CInstallEngine {
  public:
    // Works on the platform's own file system.
    CInstallEngine(platform::CMessageBoxHost& messageBoxes, platform::CLogSink& logSink);
    CInstallEngine(platform::CMessageBoxHost& messageBoxes, platform::CLogSink& logSink,
                   platform::CFileOperations& fileOperations);
    CInstallEngine(const CInstallEngine&) = delete;
    CInstallEngine& operator=(const CInstallEngine&) = delete;

    // --- install context ---
    const std::string& GetInstallLog() const { return m_strInstallLog; }
    // Appends to the install log; RefreshLog shows it.
    void AppendLog(std::string_view text) { m_strInstallLog += text; }
    const std::string& GetModDirectory() const { return m_strModDir; }
    void SetModDirectory(const std::string& modDirectory) { m_strModDir = modDirectory; }
    const std::vector<std::string>& GetAcceptedExtensions() const { return m_acceptedExtensions; }
    // Restores the nine default extensions, dropping those added by answers.
    void ResetAcceptedExtensions();
    const std::vector<std::string>& GetInstalledFolders() const { return m_installedFolders; }
    bool IsAborted() const { return m_bAbort; }
    // Aborted by the user's Cancel, not by a damaged archive.
    bool IsCancelled() const { return m_bCancelled; }
    int GetArchiveCounter() const { return m_nArchiveCounter; }
    // Error boxes shown since the engine was made.
    int GetErrorCount() const { return m_nErrorCount; }
    // What the last drop came to, for the command line's exit status.
    struct SDropSummary {
        int m_nErrors = 0;         // error boxes, and archives or entries refused
        int m_nFailedPaths = 0;    // dropped paths that installed nothing, not by an answer
        int m_nDeclinedPaths = 0;  // dropped paths whose every file the answers declined
        bool m_bCancelled = false;
    };
    const SDropSummary& GetDropSummary() const { return m_summary; }
    // The staging folder of the current or last drop (gone once a drop ends).
    const std::string& GetStagingRoot() const { return m_strStagingRoot; }
    // What one drop may unpack at the most: archives staged, entries
    // extracted and bytes unpacked (these also by the free space).
    struct SDropBudget {
        int m_nArchives = 1000;
        std::uint64_t m_nEntries = 1'000'000;
        std::uint64_t m_nBytes = UINT64_MAX;
    };
    void SetDropBudget(const SDropBudget& budget) { m_budget = budget; }
    // The file system the engine works on.
    platform::CFileOperations& FileOperations() { return m_fs; }
    // Shows the progress of big files as they are unpacked (none: not shown).
    void SetProgressSink(platform::CProgressSink* sink) { m_pProgress = sink; }
    // Records each drop for undo from now on (none: no record is kept).
    void SetRecorder(class CInstallRecorder* recorder) { m_pRecorder = recorder; }
    // Where each drop makes its private staging folder.
    void SetStagingBase(const std::string& stagingBase) { m_strStagingBase = stagingBase; }
    // After each package, log whether each map it installed has all it needs.
    void SetMapCheck(bool bCheck) { m_bMapCheck = bCheck; }
    // The file operations only pretend to write the mod directory: the log
    // says what would be made, and maps are not checked against files that
    // are not there.
    void SetDryRun(bool bDryRun) { m_bDryRun = bDryRun; }

    // --- the drop: handles the paths in order, as one drop ---
    void InstallPaths(const std::vector<std::string>& paths);

    // --- driver ---
    void InstallArchive(const std::string& archivePath);
    bool SearchForMaps(const std::string& folder);
    void ClassifyMapFolder(const std::string& folder);
    void InstallSkinTree(const std::string& folder);
    void RefreshLog();

    // --- structured packages ---
    void InstallStructuredMap(const std::string& packageRoot);
    void CopyTree(const std::string& source, const std::string& destination);

    // --- questions and accepted extensions ---
    bool ConfirmDirectory(const std::string& parent, std::string name);
    bool ConfirmFileType(const std::string& fileName);

    // --- file operations ---
    void CopyFilesByExtension(const std::string& source, const std::string& destination,
                              const std::string& extension);
    // True when the copy was written (the log line only says the file is there).
    bool CopyFileVerified(const std::string& sourceFile, const std::string& destinationFile);
    void CreatePath(const std::string& path);
    void RemoveTree(const std::string& folder);

    // --- unstructured packages and the installed folders ---
    bool IsNewInstallFolder(const std::string& folder);
    void InstallUnstructuredMap(const std::string& folder);
    void ClearInstallFolders();

    // --- weapon and player-skin packs ---
    void InstallSkinFiles(const std::string& folder);

  private:
    // A package being installed: a dropped folder, or the staging folder of an
    // archive or of loose files. Files not installed are shown relative to it.
    struct SPackage {
        std::string m_strRoot;
        std::string m_strShownPrefix;
        bool m_bDropped;  // the user's own folder: nothing above it is touched
    };

    // One dropped folder or archive, with the account of what it installed.
    void InstallDroppedPath(const std::string& path);
    // The plain files of a drop, gathered into one staging folder.
    void InstallLooseFiles(const std::vector<std::string>& files);
    // Searches a package for maps, falls back to the installs without maps, and
    // accounts for every file that was not installed.
    void InstallPackage(const std::string& root, const std::string& shownPrefix, bool dropped);
    // A package without maps: a copy of the game folders it mirrors, else the
    // weapon and player-skin install.
    void InstallWithoutMaps(const std::string& root, bool dropped);
    // The content folders beside a map's loose files, each copied tree for tree.
    void InstallContentFoldersBeside(const std::string& folder);
    // Copies a folder into the mod directory's folder of that name.
    void CopyContentFolder(const std::string& source, const std::string& name);
    void BeginPathAccount();
    void EndPathAccount(const std::string& shownPath);
    // How an archive is read: by the zip reader, through libarchive, or not at all.
    enum class EArchiveReader { kZip, kOther, kNone };
    EArchiveReader ChooseReader(const SArchiveSet& set);
    // A file the search unpacks: named like an archive, or a self-extracting one.
    bool IsArchiveFile(const std::string& path);
    static bool ZipOpens(const std::string& path);
    static bool OtherArchiveOpens(const std::vector<std::string>& parts);
    // Unpacks an archive into its staging folder: the reason when it cannot be
    // installed, else empty. Entries left out are shown behind the prefix.
    std::string ExtractZip(const std::string& archivePath, const std::string& staging,
                           const std::string& shownPrefix);
    std::string ExtractOther(const std::vector<std::string>& parts, const std::string& staging,
                             const std::string& shownPrefix);
    // Extracts every entry of an open zip archive into the staging folder.
    std::string ExtractArchive(zip::CZipReader& reader, const std::string& staging,
                               const std::string& shownPrefix);
    // Why an opened archive cannot be installed at all, or empty.
    std::string FindUnreadableEntry(const zip::CZipReader& reader) const;
    // Why unpacking the archive would pass the drop's limits, or empty.
    std::string CheckBudget(const zip::CZipReader& reader);
    // An archive left out whole: a log line, and the drop goes on.
    void SkipArchive(const std::string& archivePath, const std::string& why);
    // A line for an archive problem, counted as an error.
    void ReportArchiveProblem(const std::string& line);
    // Copies each file into a folder, as the copy passes do.
    void CopyFiles(const std::vector<platform::CFolderEntry>& files,
                   const std::string& destination);
    // Files whose destination folder the user declined.
    void MarkDeclined(const std::vector<platform::CFolderEntry>& files);
    // Announces a copy in the record: the file it replaces is kept first. False
    // when that failed: the file is then not replaced.
    bool RecordBeforeCopy(const std::string& source, const std::string& destinationFile);
    // One player-model file, with its own error boxes and no retry.
    void CopyPlayerModelFile(const std::string& source, const std::string& destinationFile);
    // The presence probe after a copy: logs the destination when the copy
    // wrote it and it can be opened; shows openError when it cannot be opened,
    // closeError when it cannot be closed.
    void ProbeAndLog(const std::string& destination, bool copied, const char* openError,
                     const char* closeError);
    // A Cancel answer: the whole drop stops.
    void CancelInstall();
    // An error box: the text only, the application's name as caption, OK.
    void ShowError(const std::string& text);
    // Appends and refreshes in one step, as nearly every log line does.
    void Log(std::string_view text);
    // One row of a fixed table of folders an install writes into.
    struct SDirectoryQuestion {
        const char* m_szParent;  // below the mod directory: "" or "/gfx"
        const char* m_szName;
        int m_nParentQuestion;  // the row whose folder holds this one, or -1
    };
    // A copy pass: every file of one type in a folder into one place.
    struct SCopyPass {
        const char* m_szExtension;
        const char* m_szDestination;  // below the mod directory
        int m_nQuestion;              // the folder question settling the destination, or -1
    };
    // Runs the passes whose folders were accepted; the files of the others were declined.
    void RunCopyPasses(const std::string& folder, const std::vector<SCopyPass>& passes,
                       const std::vector<bool>& accepted);
    // Asks the questions in order, creating each folder answered with Yes. A
    // folder whose parent was declined is declined without a question. Returns
    // false when the user cancelled.
    bool AskDirectories(const std::vector<SDirectoryQuestion>& questions,
                        std::vector<bool>& accepted);
    // The mod directory plus a suffix such as "/gfx/env".
    std::string ModPath(std::string_view suffix) const;
    // Creates one folder level after a Yes; failures show up as copy errors later.
    void CreateConfirmedFolder(const std::string& path);

    platform::CMessageBoxHost& m_messageBoxes;
    platform::CLogSink& m_logSink;
    std::unique_ptr<platform::CFileOperations> m_ownFileOperations;
    platform::CFileOperations& m_fs;

    std::string m_strInstallLog;
    std::string m_strModDir;
    std::vector<std::string> m_installedFolders;
    std::vector<std::string> m_acceptedExtensions;
    bool m_bAbort = false;
    bool m_bCancelled = false;
    // The archives being unpacked, outermost first.
    std::vector<SArchiveIdentity> m_archiveStack;
    // Room left free on the staging file system whatever an archive declares.
    static constexpr std::uint64_t kFreeSpaceMargin = 64ull << 20;
    // Archives of this drop, by the path their set is opened by.
    std::set<std::string> m_archiveSetsSeen;
    // The packages being installed, outermost first.
    std::vector<SPackage> m_packages;

    // The dropped path being handled: what it installed and what not.
    CInstallAccount m_account;
    std::string m_strPathFailure;   // why nothing of it could be installed
    bool m_bPathReported = false;   // that reason is in the log already
    bool m_bPathDuplicate = false;  // a part of an archive set installed already
    int m_nNoAnswersAtPathStart = 0;
    int m_nNoAnswers = 0;
    SDropSummary m_summary;

    int m_nArchiveCounter = 0;
    int m_nErrorCount = 0;
    std::string m_strStagingBase;
    std::string m_strStagingRoot;
    SDropBudget m_budget;
    class CInstallRecorder* m_pRecorder = nullptr;
    platform::CProgressSink* m_pProgress = nullptr;
    // What the drop has taken on so far, against its budget.
    int m_nArchivesStaged = 0;
    std::uint64_t m_nEntriesExtracted = 0;
    std::uint64_t m_nBytesUnpacked = 0;
    // How much of the log the sink has seen, and its line breaks so far.
    std::size_t m_nLogShown = 0;
    std::size_t m_nLineBreaks = 0;

    // The map check after each package: the maps copied into the mod's maps folder.
    void NoteInstalledMap(const std::string& source, const std::string& destination);
    void CheckInstalledMaps(std::size_t firstMap);
    bool m_bMapCheck = false;
    bool m_bDryRun = false;
    std::vector<bsp::SInstalledMap> m_installedMaps;
};

}  // namespace install
