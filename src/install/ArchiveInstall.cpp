#include <algorithm>
#include <string>
#include <vector>

#include "ArchiveIdentity.h"
#include "InstallEngine.h"
#include "InstallPaths.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "zip/ZipEntry.h"
#include "zip/ZipException.h"
#include "zip/ZipPathSplit.h"
#include "zip/ZipReader.h"

namespace install {
namespace {

// Room left free on the staging file system whatever an archive declares.
constexpr std::uint64_t kFreeSpaceMargin = 64ull << 20;
// Archives inside archives are unpacked this many levels deep at most.
constexpr std::size_t kMaxArchiveDepth = 8;

std::string EntryFault(const std::string& name, const std::string& what) {
    return "damaged: entry " + name + " " + what;
}

// The path of a file below a package root, as the account shows it.
std::string RelativeTo(const std::string& root, const std::string& path) {
    return path.size() > root.size() + 1 && path.starts_with(root) ? path.substr(root.size() + 1)
                                                                   : path;
}

}  // namespace

void CInstallEngine::InstallArchive(const std::string& archivePath) {
    ++m_nArchiveCounter;
    Log("\r\nZip File Found: " + archivePath + "\r\n");
    AppendLog("Unzipping to temporary directory...");
    RefreshLog();

    if (m_fs.Kind(archivePath) == platform::EPathKind::kSpecial) {
        SkipArchive(archivePath, reason::kNotRegularFile);
        return;
    }
    if (m_strStagingRoot.empty()) {
        SkipArchive(archivePath, "there is no staging folder to unpack it in");
        return;
    }
    // A small archive of nested archives must not turn into millions of files.
    if (m_nArchivesStaged >= m_budget.m_nArchives) {
        SkipArchive(archivePath, "the drop has unpacked its limit of " +
                                     std::to_string(m_budget.m_nArchives) + " archives");
        return;
    }
    // An archive that holds itself, or nesting without end, is not unpacked again.
    const SArchiveIdentity identity = IdentifyArchive(archivePath);
    const bool quine = std::any_of(
        m_archiveStack.begin(), m_archiveStack.end(),
        [&](const SArchiveIdentity& outer) { return SameArchiveContent(outer, identity); });
    if (quine || m_archiveStack.size() >= kMaxArchiveDepth) {
        SkipArchive(archivePath, quine ? "it holds a copy of an archive it was found in"
                                       : "archives are nested more than " +
                                             std::to_string(kMaxArchiveDepth) + " levels deep");
        return;
    }

    zip::CZipReader reader;
    try {
        // Read-only: an archive on a read-only mount or owned by another user installs too.
        reader.OpenArchive(archivePath, 1, 0);
    } catch (const zip::CZipException& fault) {
        SkipArchive(archivePath, zip::ZipFaultText(fault));
        return;
    } catch (const platform::CFileException& fault) {
        SkipArchive(archivePath, "the file could not be opened (error " +
                                     std::to_string(fault.m_lOsError) + ")");
        return;
    }
    std::string refusal = FindUnreadableEntry(reader);
    if (refusal.empty()) {
        refusal = CheckBudget(reader);
    }
    if (!refusal.empty()) {
        reader.CloseArchive(true);
        SkipArchive(archivePath, refusal);
        return;
    }

    // Files of an archive inside a package are shown below the archive's name.
    const std::string shownPrefix =
        m_packages.empty() ? std::string()
                           : m_packages.back().m_strShownPrefix +
                                 RelativeTo(m_packages.back().m_strRoot, archivePath) + "/";
    const std::string staging =
        JoinPath(m_strStagingRoot, "Temp" + std::to_string(m_nArchiveCounter));
    // Made fresh: a folder of that name already there was not made by this drop.
    if (const platform::ErrorCode error = m_fs.CreatePrivateDirectory(staging);
        error != platform::kErrorSuccess) {
        reader.CloseArchive(true);
        SkipArchive(archivePath,
                    "its staging folder could not be made (error " + std::to_string(error) + ")");
        return;
    }
    ++m_nArchivesStaged;
    if (const std::string fault = ExtractArchive(reader, staging, shownPrefix); !fault.empty()) {
        // Nothing of a damaged archive reaches the mod directory.
        RemoveTree(staging);
        SkipArchive(archivePath, fault);
        return;
    }

    m_archiveStack.push_back(identity);
    InstallPackage(staging, shownPrefix, false);
    m_archiveStack.pop_back();
    RemoveTree(staging);
}

std::string CInstallEngine::FindUnreadableEntry(const zip::CZipReader& reader) const {
    for (int index = 0; index < reader.EntryCount(); ++index) {
        if (const std::optional<zip::CZipException> why = reader.CheckEntrySupported(index)) {
            return zip::ZipFaultText(*why);
        }
    }
    return {};
}

std::string CInstallEngine::ExtractArchive(zip::CZipReader& reader, const std::string& staging,
                                           const std::string& shownPrefix) {
    const int count = reader.EntryCount();
    // Entries of one folder come together: its folder is made once for them.
    std::string lastFolder;
    for (int index = 0; index < count; ++index) {
        if (reader.IsDirectoryEntry(index)) {
            continue;
        }
        zip::CZipEntry entry;
        reader.ReadEntryHeader(entry, index);
        const std::string name = entry.GetFileName();
        if (!zip::IsConfinedEntryName(name)) {
            ReportArchiveProblem("\r\nNot extracted, its name leads out of the archive: " + name);
            m_account.AddMissing(shownPrefix + name, reason::kUnsafeName);
            continue;
        }
        ++m_nEntriesExtracted;
        const std::string relative = zip::CZipPathSplit::PathNoDrive(name);
        if (std::string folder = JoinPath(staging, ParentFolder(relative)); folder != lastFolder) {
            CreatePath(folder);
            lastFolder = std::move(folder);
        }
        std::string fault;
        try {
            if (!reader.ExtractEntry(index, staging, true, {}, nullptr, 0, 0xFFFF)) {
                fault = EntryFault(name, "ends before its declared size");
            }
        } catch (const zip::CZipException& error) {
            fault = zip::ZipFaultText(error);
        } catch (const platform::CFileException& error) {
            fault = "entry " + name + " could not be written (error " +
                    std::to_string(error.m_lOsError) + ")";
        }
        if (!fault.empty()) {
            reader.CloseArchive(true);
            return fault;
        }
        if (m_fs.SetArchiveOnly(JoinPath(staging, relative)) != platform::kErrorSuccess) {
            ShowError("Error F1");
        }
    }
    try {
        reader.CloseArchive(false);
    } catch (const zip::CZipException& error) {
        reader.CloseArchive(true);
        return zip::ZipFaultText(error);
    }
    return {};
}

std::string CInstallEngine::CheckBudget(const zip::CZipReader& reader) const {
    std::uint64_t entries = 0;
    std::uint64_t bytes = 0;
    for (int index = 0; index < reader.EntryCount(); ++index) {
        zip::CZipEntry entry;
        if (!reader.IsDirectoryEntry(index) && reader.ReadEntryHeader(entry, index)) {
            ++entries;
            bytes += entry.m_nUncompressedSize;
        }
    }
    if (m_nEntriesExtracted + entries > m_budget.m_nEntries) {
        return "its " + std::to_string(entries) + " entries would pass the drop's limit of " +
               std::to_string(m_budget.m_nEntries) + " entries";
    }
    // Declared sizes are checked against the data before anything is
    // written, so they are what extraction will write at the most.
    if (const std::optional<std::uint64_t> free = m_fs.FreeSpace(m_strStagingRoot);
        free && bytes + kFreeSpaceMargin > *free) {
        return "it needs " + std::to_string(bytes) + " bytes unpacked, and " +
               std::to_string(*free) + " bytes are free in " + m_strStagingRoot +
               ", less a margin of " + std::to_string(kFreeSpaceMargin >> 20) + " MiB";
    }
    return {};
}

void CInstallEngine::SkipArchive(const std::string& archivePath, const std::string& why) {
    ReportArchiveProblem("\r\nSkipped " + archivePath + " (" + why +
                         "); nothing of it was installed.\r\n");
    if (m_packages.empty()) {
        // A dropped archive: this line is its account.
        m_strPathFailure = "the archive was skipped";
        m_bPathReported = true;
    } else {
        m_account.MarkNotInstalled(archivePath, "skipped: " + why);
    }
}

void CInstallEngine::ReportArchiveProblem(const std::string& line) {
    ++m_nErrorCount;
    ++m_summary.m_nErrors;
    Log(line);
}

}  // namespace install
