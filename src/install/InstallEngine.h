#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ArchiveIdentity.h"
#include "platform/LogSink.h"
#include "platform/MessageBoxHost.h"

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
    CInstallEngine(platform::CMessageBoxHost& messageBoxes, platform::CLogSink& logSink);
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
    // Error boxes shown since the engine was made (for the command line's exit status).
    int GetErrorCount() const { return m_nErrorCount; }
    const std::string& GetStagingRoot() const { return m_strStagingRoot; }
    void SetStagingRoot(const std::string& stagingRoot) { m_strStagingRoot = stagingRoot; }

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
    void CopyFileVerified(const std::string& sourceFile, const std::string& destinationFile);
    void CreatePath(const std::string& path);
    void RemoveTree(const std::string& folder);

    // --- unstructured packages and the installed folders ---
    bool IsNewInstallFolder(const std::string& folder);
    void InstallUnstructuredMap(const std::string& folder);
    void ClearInstallFolders();

    // --- weapon and player-skin packs ---
    void InstallSkinFiles(const std::string& folder);

  private:
    // Searches a tree for maps and falls back to the skin install without any.
    void InstallTree(const std::string& folder);
    // Extracts every entry into the staging folder; false after a fault, which
    // has ended the drop.
    bool ExtractArchive(zip::CZipReader& reader, const std::string& archivePath,
                        const std::string& staging);
    // A line for an archive problem, counted as an error.
    void ReportArchiveProblem(const std::string& line);
    void AbortOnArchiveFault(const std::string& archivePath, const std::string& entry,
                             const std::string& cause);
    // The presence probe after a copy: logs the destination when it can be
    // opened, else shows openError; closeError when it cannot be closed.
    void ProbeAndLog(const std::string& destination, const char* openError, const char* closeError);
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

    std::string m_strInstallLog;
    std::string m_strModDir;
    std::vector<std::string> m_installedFolders;
    std::vector<std::string> m_acceptedExtensions;
    bool m_bAbort = false;
    bool m_bCancelled = false;
    // The archives being unpacked, outermost first.
    std::vector<SArchiveIdentity> m_archiveStack;

    int m_nArchiveCounter = 0;
    int m_nErrorCount = 0;
    std::string m_strStagingRoot;
    // How much of the log the sink has seen, and its line breaks so far.
    std::size_t m_nLogShown = 0;
    std::size_t m_nLineBreaks = 0;
};

}  // namespace install
