#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "InstallEngine.h"
#include "InstallPaths.h"
#include "PackageLayout.h"
#include "ProgressReport.h"
#include "archive/ArchiveReader.h"
#include "platform/File.h"
#include "zip/ZipPathSplit.h"

namespace install {

bool CInstallEngine::OtherArchiveOpens(const std::vector<std::string>& parts) {
    archives::CArchiveReader reader;
    archives::CArchiveReader::SEntry entry;
    try {
        reader.Open(parts);
        return reader.NextEntry(entry);
    } catch (const platform::CException&) {
        return false;
    }
}

std::string CInstallEngine::ExtractOther(const std::vector<std::string>& parts,
                                         const std::string& staging,
                                         const std::string& shownPrefix) {
    archives::CArchiveReader reader;
    archives::CArchiveReader::SEntry entry;
    // Sizes are known only entry by entry: the room left is counted down.
    const std::optional<std::uint64_t> free = m_fs.FreeSpace(staging);
    std::uint64_t room = free ? (*free > kFreeSpaceMargin ? *free - kFreeSpaceMargin : 0)
                              : std::numeric_limits<std::uint64_t>::max();
    room = std::min(room, m_budget.m_nBytes - std::min(m_budget.m_nBytes, m_nBytesUnpacked));
    std::string lastFolder;
    std::string name;
    try {
        reader.Open(parts);
        while (reader.NextEntry(entry)) {
            name = entry.m_strName;
            using EKind = archives::CArchiveReader::EKind;
            if (entry.m_eKind == EKind::kFolder) {
                continue;
            }
            if (entry.m_eKind != EKind::kFile) {
                // Links and devices are never made: they could point anywhere.
                Log("\r\nNot extracted, a link or device entry: " + name);
                m_account.AddMissing(shownPrefix + name, "a link or device entry");
                continue;
            }
            if (entry.m_bEncrypted) {
                return "unsupported: entry " + name + " is password-protected";
            }
            if (!zip::IsConfinedEntryName(name)) {
                ReportArchiveProblem("\r\nNot extracted, its name leads out of the archive: " +
                                     name);
                m_account.AddMissing(shownPrefix + name, reason::kUnsafeName);
                continue;
            }
            if (++m_nEntriesExtracted > m_budget.m_nEntries) {
                return "it passes the drop's limit of " + std::to_string(m_budget.m_nEntries) +
                       " entries";
            }
            if (entry.m_nSize && *entry.m_nSize > room) {
                return "entry " + name + " needs " + std::to_string(*entry.m_nSize) +
                       " bytes, more than the drop may still unpack: the free space less a " +
                       "margin of " + std::to_string(kFreeSpaceMargin >> 20) +
                       " MiB, or its limit of " + std::to_string(m_budget.m_nBytes) + " bytes";
            }
            const std::string relative = zip::CZipPathSplit::PathNoDrive(name);
            if (std::string folder = JoinPath(staging, ParentFolder(relative));
                folder != lastFolder) {
                CreatePath(folder);
                lastFolder = std::move(folder);
            }
            platform::CFile out;
            platform::CFileException error;
            if (!out.Open(JoinPath(staging, relative),
                          platform::CFile::modeCreate | platform::CFile::modeWrite, &error)) {
                return "entry " + name + " could not be written (error " +
                       std::to_string(error.m_lOsError) + ")";
            }
            CProgressReport progress(m_pProgress, std::string(BaseName(relative)),
                                     entry.m_nSize.value_or(0));
            const std::uint64_t written =
                reader.WriteData(out, room, [&](std::uint64_t done) { progress.Update(done); });
            room -= written;
            m_nBytesUnpacked += written;
            out.Close();
        }
    } catch (const archives::CArchiveError& fault) {
        const std::string& text = fault.Text();
        return name.empty() || !text.starts_with("damaged")
                   ? text
                   : "damaged: entry " + name + text.substr(7);
    } catch (const platform::CFileException& fault) {
        return "entry " + name + " could not be written (error " +
               std::to_string(fault.m_lOsError) + ")";
    }
    return {};
}

}  // namespace install
