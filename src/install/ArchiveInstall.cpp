#include <algorithm>
#include <string>
#include <vector>

#include "ArchiveIdentity.h"
#include "ArchiveSets.h"
#include "InstallEngine.h"
#include "InstallPaths.h"
#include "PackageLayout.h"
#include "archive/ArchiveReader.h"
#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/TextCase.h"
#include "zip/ZipEntry.h"
#include "zip/ZipException.h"
#include "zip/ZipPathSplit.h"
#include "zip/ZipReader.h"

namespace install {
namespace {

// Archives inside archives are unpacked this many levels deep at most.
constexpr std::size_t kMaxArchiveDepth = 8;

// The path of a file below a package root, as the account shows it.
std::string RelativeTo(const std::string& root, const std::string& path) {
    return path.size() > root.size() + 1 && path.starts_with(root) ? path.substr(root.size() + 1)
                                                                   : path;
}

}  // namespace

bool CInstallEngine::IsArchiveFile(const std::string& path) {
    if (IsArchivePath(path)) {
        return true;
    }
    // A self-extracting archive is a program with an archive inside.
    return platform::LowerCase(BaseName(path)).ends_with(".exe") &&
           archives::SniffArchive(path) == archives::EArchiveContent::kExecutable &&
           (ZipOpens(path) || OtherArchiveOpens({path}));
}

void CInstallEngine::InstallArchive(const std::string& archivePath) {
    const SArchiveSet set = FindArchiveSet(m_fs, archivePath);
    if (!m_packages.empty()) {
        // Its files are accounted for when its own tree is walked.
        m_account.MarkHandled(archivePath);
    }
    // A split set dropped whole, or found part by part, installs once.
    if (!m_archiveSetsSeen.insert(set.m_strCanonicalPath).second) {
        m_bPathDuplicate = true;
        return;
    }
    ++m_nArchiveCounter;
    const EArchiveReader readerKind = ChooseReader(set);
    Log((readerKind == EArchiveReader::kZip ? "\r\nZip File Found: " : "\r\nArchive Found: ") +
        archivePath + "\r\n");
    AppendLog("Unzipping to temporary directory...");
    RefreshLog();

    if (m_fs.Kind(archivePath) == platform::EPathKind::kSpecial) {
        SkipArchive(archivePath, reason::kNotRegularFile);
        return;
    }
    if (readerKind == EArchiveReader::kNone) {
        SkipArchive(archivePath, "not an archive Quarvel can read");
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
        SkipArchive(archivePath,
                    "its staging folder could not be made (error " + std::to_string(error) + ")");
        return;
    }
    ++m_nArchivesStaged;
    const std::string fault = readerKind == EArchiveReader::kZip
                                  ? ExtractZip(set.m_strCanonicalPath, staging, shownPrefix)
                                  : ExtractOther(set.m_parts, staging, shownPrefix);
    if (!fault.empty()) {
        // Nothing of an archive that cannot be read whole reaches the mod directory.
        RemoveTree(staging);
        SkipArchive(archivePath, fault);
        return;
    }

    m_archiveStack.push_back(identity);
    InstallPackage(staging, shownPrefix, false);
    m_archiveStack.pop_back();
    RemoveTree(staging);
}

CInstallEngine::EArchiveReader CInstallEngine::ChooseReader(const SArchiveSet& set) {
    if (set.m_bZipSet) {
        return EArchiveReader::kZip;
    }
    // The bytes decide, not the name: a RAR called .zip is read as a RAR.
    const std::string& path = set.m_strCanonicalPath;
    const std::string name = platform::LowerCase(BaseName(path));
    switch (archives::SniffArchive(path)) {
        case archives::EArchiveContent::kZip:
            return EArchiveReader::kZip;
        case archives::EArchiveContent::kOther:
            return EArchiveReader::kOther;
        case archives::EArchiveContent::kExecutable:
            return ZipOpens(path) ? EArchiveReader::kZip : EArchiveReader::kOther;
        default:
            // The zip reader says best why a .zip is none; an old tar has no mark.
            if (name.ends_with(".zip") || m_fs.Kind(path) == platform::EPathKind::kMissing) {
                return EArchiveReader::kZip;
            }
            return name.ends_with(".tar") ? EArchiveReader::kOther : EArchiveReader::kNone;
    }
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
