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

std::string FileExceptionText(const platform::CFileException& fault) {
    return "the file could not be opened (error " + std::to_string(fault.m_lOsError) + ")";
}

}  // namespace

void CInstallEngine::InstallArchive(const std::string& archivePath) {
    ++m_nArchiveCounter;
    Log("\r\nZip File Found: " + archivePath + "\r\n");
    AppendLog("Unzipping to temporary directory...");
    RefreshLog();

    // An archive that holds itself, or nesting without end, is not unpacked again.
    const SArchiveIdentity identity = IdentifyArchive(archivePath);
    const bool quine = std::any_of(
        m_archiveStack.begin(), m_archiveStack.end(),
        [&](const SArchiveIdentity& outer) { return SameArchiveContent(outer, identity); });
    if (quine || m_archiveStack.size() >= kMaxArchiveDepth) {
        ReportArchiveProblem(quine ? "\r\nNot unpacked: the archive holds a copy of an archive "
                                     "it was found in."
                                   : "\r\nNot unpacked: archives are nested more than " +
                                         std::to_string(kMaxArchiveDepth) + " levels deep.");
        return;
    }

    zip::CZipReader reader;
    try {
        // Read-only: an archive on a read-only mount or owned by another user installs too.
        reader.OpenArchive(archivePath, 1, 0);
    } catch (const zip::CZipException& fault) {
        ReportArchiveProblem(std::string("\r\nThe archive could not be read: ") +
                             zip::ZipCauseDescription(fault.m_nCause) + ".");
    } catch (const platform::CFileException& fault) {
        ReportArchiveProblem("\r\nThe archive could not be read: " + FileExceptionText(fault) +
                             ".");
    }

    const std::string staging =
        JoinPath(m_strStagingRoot, "Temp" + std::to_string(m_nArchiveCounter));
    CreatePath(staging);
    if (!ExtractArchive(reader, archivePath, staging)) {
        // Nothing of a damaged archive reaches the mod directory.
        RemoveTree(staging);
        return;
    }

    m_archiveStack.push_back(identity);
    InstallTree(staging);
    m_archiveStack.pop_back();
    RemoveTree(staging);
}

bool CInstallEngine::ExtractArchive(zip::CZipReader& reader, const std::string& archivePath,
                                    const std::string& staging) {
    const int count = reader.EntryCount();
    for (int index = 0; index < count; ++index) {
        if (reader.IsDirectoryEntry(index)) {
            continue;
        }
        zip::CZipEntry entry;
        reader.ReadEntryHeader(entry, index);
        const std::string name = entry.GetFileName();
        if (!zip::IsConfinedEntryName(name)) {
            ReportArchiveProblem("\r\nNot extracted, its name leads out of the archive: " + name);
            continue;
        }
        const std::uint64_t free = platform::FreeSpace(staging);
        if (free < kFreeSpaceMargin + entry.m_nUncompressedSize) {
            ReportArchiveProblem("\r\nNot enough free space to unpack " + archivePath + ": " +
                                 name + " needs " + std::to_string(entry.m_nUncompressedSize) +
                                 " bytes.");
            reader.CloseArchive(true);
            return false;
        }
        const std::string relative = zip::CZipPathSplit::PathNoDrive(name);
        CreatePath(JoinPath(staging, ParentFolder(relative)));
        try {
            reader.ExtractEntry(index, staging, true, {}, nullptr, 0, 0xFFFF);
        } catch (const zip::CZipException& fault) {
            AbortOnArchiveFault(archivePath, name, zip::ZipCauseDescription(fault.m_nCause));
            reader.CloseArchive(true);
            return false;
        } catch (const platform::CFileException& fault) {
            AbortOnArchiveFault(
                archivePath, name,
                "the file could not be written (error " + std::to_string(fault.m_lOsError) + ")");
            reader.CloseArchive(true);
            return false;
        }
        if (platform::SetArchiveOnly(JoinPath(staging, relative)) != platform::kErrorSuccess) {
            ShowError("Error F1");
        }
    }
    try {
        reader.CloseArchive(false);
    } catch (const zip::CZipException& fault) {
        AbortOnArchiveFault(archivePath, "", zip::ZipCauseDescription(fault.m_nCause));
        reader.CloseArchive(true);
        return false;
    }
    return true;
}

void CInstallEngine::ReportArchiveProblem(const std::string& line) {
    ++m_nErrorCount;
    Log(line);
}

void CInstallEngine::AbortOnArchiveFault(const std::string& archivePath, const std::string& entry,
                                         const std::string& cause) {
    // Ends the drop as a Cancel would: the archive cannot be trusted.
    const std::string where = entry.empty() ? archivePath : archivePath + ", entry " + entry;
    Log("\r\nThe archive is damaged (" + where + ": " + cause +
        "); nothing of it was installed.\r\nInstallation aborted.\r\n");
    ShowError("The archive " + archivePath + " is damaged.\nEntry: " + entry + "\nCause: " + cause);
    m_bAbort = true;
}

}  // namespace install
