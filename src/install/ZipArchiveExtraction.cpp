#include <string>

#include "InstallEngine.h"
#include "InstallPaths.h"
#include "PackageLayout.h"
#include "ProgressReport.h"
#include "platform/Exception.h"
#include "zip/ZipEntry.h"
#include "zip/ZipException.h"
#include "zip/ZipPathSplit.h"
#include "zip/ZipReader.h"

namespace install {
namespace {

std::string EntryFault(const std::string& name, const std::string& what) {
    return "damaged: entry " + name + " " + what;
}

// The reader's progress callback carries no pointer of ours: the report of
// the entry being extracted is found here (one thread, one entry at a time).
thread_local CProgressReport* t_pEntryProgress = nullptr;

bool ReportEntryProgress(std::uint32_t, std::uint32_t done, int) {
    if (t_pEntryProgress) {
        t_pEntryProgress->Update(done);
    }
    return true;
}

}  // namespace

bool CInstallEngine::ZipOpens(const std::string& path) {
    zip::CZipReader reader;
    try {
        reader.OpenArchive(path, 1, 0);
        reader.CloseArchive(true);
        return reader.EntryCount() >= 0;
    } catch (const platform::CException&) {
        return false;
    }
}

std::string CInstallEngine::ExtractZip(const std::string& archivePath, const std::string& staging,
                                       const std::string& shownPrefix) {
    zip::CZipReader reader;
    try {
        // Read-only: an archive on a read-only mount or owned by another user installs too.
        reader.OpenArchive(archivePath, 1, 0);
    } catch (const zip::CZipException& fault) {
        return zip::ZipFaultText(fault);
    } catch (const platform::CFileException& fault) {
        if (fault.m_strFileName != archivePath && !fault.m_strFileName.empty()) {
            return "its part " + std::string(BaseName(fault.m_strFileName)) + " is missing";
        }
        return "the file could not be opened (error " + std::to_string(fault.m_lOsError) + ")";
    }
    std::string refusal = FindUnreadableEntry(reader);
    if (refusal.empty()) {
        refusal = CheckBudget(reader);
    }
    if (!refusal.empty()) {
        reader.CloseArchive(true);
        return refusal;
    }
    return ExtractArchive(reader, staging, shownPrefix);
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
            CProgressReport progress(m_pProgress, std::string(BaseName(name)),
                                     entry.m_nUncompressedSize);
            t_pEntryProgress = &progress;
            // Watched, the data goes in blocks of 1 MiB: as few writes as
            // unwatched, and a report at most every block.
            const bool whole = reader.ExtractEntry(
                index, staging, true, {}, progress.IsShown() ? ReportEntryProgress : nullptr, 0,
                progress.IsShown() ? 1u << 20 : 0xFFFFu);
            t_pEntryProgress = nullptr;
            if (!whole) {
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

std::string CInstallEngine::CheckBudget(const zip::CZipReader& reader) {
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
    if (bytes > m_budget.m_nBytes - std::min(m_budget.m_nBytes, m_nBytesUnpacked)) {
        return "its " + std::to_string(bytes) + " bytes would pass the drop's limit of " +
               std::to_string(m_budget.m_nBytes) + " bytes unpacked";
    }
    if (const std::optional<std::uint64_t> free = m_fs.FreeSpace(m_strStagingRoot);
        free && bytes + kFreeSpaceMargin > *free) {
        return "it needs " + std::to_string(bytes) + " bytes unpacked, and " +
               std::to_string(*free) + " bytes are free in " + m_strStagingRoot +
               ", less a margin of " + std::to_string(kFreeSpaceMargin >> 20) + " MiB";
    }
    m_nBytesUnpacked += bytes;
    return {};
}

}  // namespace install
