#include "DryRunFileOperations.h"

#include "InstallPaths.h"
#include "PackageLayout.h"
#include "platform/PathSeparator.h"
#include "platform/TextCase.h"

namespace install {
namespace {

// What OpenProbe gives for a file the dry run would have written.
constexpr platform::ProbeHandle kPlannedProbe = -2;

}  // namespace

CDryRunFileOperations::CDryRunFileOperations(platform::CFileOperations& real, std::string modDir)
    : m_real(real), m_strModDir(std::move(modDir)) {}

bool CDryRunFileOperations::InModDir(const std::string& path) const {
    return platform::EqualsNoCase(path.substr(0, m_strModDir.size()), m_strModDir) &&
           (path.size() == m_strModDir.size() ||
            path[m_strModDir.size()] == platform::kPathSeparator);
}

bool CDryRunFileOperations::Made(const std::set<std::string>& made, const std::string& path) const {
    return made.contains(platform::LowerCase(path));
}

std::vector<platform::CFolderEntry> CDryRunFileOperations::ListFolder(const std::string& folder,
                                                                      std::string_view pattern) {
    std::vector<platform::CFolderEntry> entries = m_real.ListFolder(folder, pattern);
    // The folders the drop would have made show where they would be.
    const std::string prefix = platform::LowerCase(folder) + platform::kPathSeparator;
    for (const std::string& made : m_folders) {
        if (made.starts_with(prefix) &&
            made.find(platform::kPathSeparator, prefix.size()) == std::string::npos) {
            const std::string name = made.substr(prefix.size());
            if (platform::WildcardMatch(pattern, name)) {
                entries.push_back({name, JoinPath(folder, name), true, false});
            }
        }
    }
    return entries;
}

platform::EPathKind CDryRunFileOperations::Kind(const std::string& path) {
    if (Made(m_folders, path)) {
        return platform::EPathKind::kFolder;
    }
    if (Made(m_files, path)) {
        return platform::EPathKind::kFile;
    }
    return m_real.Kind(path);
}

platform::ErrorCode CDryRunFileOperations::CopyFile(const std::string& source,
                                                    const std::string& destination,
                                                    std::string& written,
                                                    platform::SCopyDigest* digest) {
    if (!InModDir(destination)) {
        return m_real.CopyFile(source, destination, written, digest);
    }
    written = m_real.ResolvePath(destination);
    if (m_real.Kind(source) == platform::EPathKind::kSpecial) {
        return platform::kErrorNotRegularFile;
    }
    if (m_real.IsSameFile(source, written)) {
        return platform::kErrorSameFile;
    }
    const bool replaces = m_real.Kind(written) == platform::EPathKind::kFile;
    m_planned.push_back({written, replaces || Made(m_files, written)});
    m_files.insert(platform::LowerCase(written));
    return platform::kErrorSuccess;
}

platform::ErrorCode CDryRunFileOperations::SetArchiveOnly(const std::string& path) {
    return InModDir(path) ? platform::kErrorSuccess : m_real.SetArchiveOnly(path);
}

platform::ErrorCode CDryRunFileOperations::SetReadOnly(const std::string& path) {
    return InModDir(path) ? platform::kErrorSuccess : m_real.SetReadOnly(path);
}

platform::ProbeHandle CDryRunFileOperations::OpenProbe(const std::string& path) {
    return Made(m_files, path) ? kPlannedProbe : m_real.OpenProbe(path);
}

platform::ErrorCode CDryRunFileOperations::CloseProbe(platform::ProbeHandle handle) {
    return handle == kPlannedProbe ? platform::kErrorSuccess : m_real.CloseProbe(handle);
}

platform::ErrorCode CDryRunFileOperations::CreateDirectory(const std::string& path) {
    if (!InModDir(path)) {
        return m_real.CreateDirectory(path);
    }
    if (Kind(path) != platform::EPathKind::kMissing) {
        return platform::kErrorAlreadyExists;
    }
    m_folders.insert(platform::LowerCase(path));
    return platform::kErrorSuccess;
}

platform::ErrorCode CDryRunFileOperations::DeleteFile(const std::string& path) {
    return InModDir(path) ? platform::kErrorAccessDenied : m_real.DeleteFile(path);
}

platform::ErrorCode CDryRunFileOperations::RemoveDirectory(const std::string& path) {
    return InModDir(path) ? platform::kErrorAccessDenied : m_real.RemoveDirectory(path);
}

platform::ErrorCode CDryRunFileOperations::LinkOrCopy(const std::string& source,
                                                      const std::string& keep) {
    return InModDir(keep) ? platform::kErrorAccessDenied : m_real.LinkOrCopy(source, keep);
}

}  // namespace install
