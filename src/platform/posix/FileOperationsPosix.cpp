#include <sys/stat.h>

#include "../FileOperations.h"
#include "../FileSystem.h"
#include "CaseIndex.h"
#include "ErrnoMapping.h"
#include "FileSystemPosixInternal.h"
#include "StagingPosix.h"

namespace platform {
namespace {

// A path the index can settle: absolute, one separator between components, no
// "." or ".." and no separator at the end. Others take the full walk.
bool IsPlainPath(const std::string& path) {
    if (path.size() < 2 || path[0] != '/' || path.back() == '/' ||
        path.find("//") != std::string::npos) {
        return false;
    }
    return path.find("/./") == std::string::npos && path.find("/../") == std::string::npos &&
           !path.ends_with("/.") && !path.ends_with("/..");
}

class CPosixFileOperations : public CFileOperations {
  public:
    void BeginDrop() override { m_caseIndex.Clear(); }
    void EndDrop() override { m_caseIndex.Clear(); }

    std::vector<CFolderEntry> ListFolder(const std::string& folder,
                                         std::string_view pattern) override {
        return platform::ListFolder(folder, pattern);
    }

    std::string ResolvePath(const std::string& path) override {
        bool exists = false;
        return Resolve(path, exists);
    }

    EPathKind Kind(const std::string& path) override {
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0 && ::stat(ResolvePath(path).c_str(), &info) != 0) {
            return EPathKind::kMissing;
        }
        if (S_ISDIR(info.st_mode)) {
            return EPathKind::kFolder;
        }
        return S_ISREG(info.st_mode) ? EPathKind::kFile : EPathKind::kSpecial;
    }

    bool IsLink(const std::string& path) override { return platform::IsLink(path); }

    bool IsSameFile(const std::string& a, const std::string& b) override {
        return platform::IsSameFile(a, b);
    }

    ErrorCode CopyFile(const std::string& source, const std::string& destination,
                       std::string& written) override {
        bool exists = false;
        written = Resolve(destination, exists);
        // The index may miss what another program made meanwhile: the copy
        // still looks at the destination itself, which costs no listing.
        const ErrorCode error = posix::CopyToResolved(source, written, false);
        if (error == kErrorSuccess) {
            Created(written);
        }
        return error;
    }

    ErrorCode SetArchiveOnly(const std::string& path) override {
        return platform::SetArchiveOnly(path);
    }

    ProbeHandle OpenProbe(const std::string& path) override { return platform::OpenProbe(path); }
    ErrorCode CloseProbe(ProbeHandle handle) override { return platform::CloseProbe(handle); }

    ErrorCode CreateDirectory(const std::string& path) override {
        return Made(platform::CreateDirectory(path), path);
    }
    ErrorCode CreatePrivateDirectory(const std::string& path) override {
        return Made(platform::CreatePrivateDirectory(path), path);
    }

    ErrorCode DeleteFile(const std::string& path) override {
        m_caseIndex.Forget(posix::ParentOf(path));
        return platform::DeleteFile(path);
    }

    ErrorCode RemoveDirectory(const std::string& path) override {
        m_caseIndex.Forget(path);
        m_caseIndex.Forget(posix::ParentOf(path));
        return platform::RemoveDirectory(path);
    }

    std::optional<std::uint64_t> FreeSpace(const std::string& path) override {
        return platform::FreeSpace(path);
    }

    ErrorCode CreateStaging(const std::string& base, std::string& folder) override {
        return m_staging.Create(base, folder);
    }
    ErrorCode RemoveStaging(const std::string& folder) override {
        m_caseIndex.Clear();
        return m_staging.Remove(folder);
    }

  private:
    // The path as Resolve would give it, with the letter case of a name in a
    // folder that exists as written settled by the index.
    std::string Resolve(const std::string& path, bool& exists) {
        if (IsPlainPath(path)) {
            const std::size_t slash = path.rfind('/');
            const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
            const std::string name = path.substr(slash + 1);
            std::string found;
            if (m_caseIndex.Find(folder, name, found)) {
                exists = !found.empty();
                return exists ? path.substr(0, slash + 1) + found : path;
            }
        }
        return posix::Resolve(path, exists);
    }

    void Created(const std::string& path) {
        const std::size_t slash = path.rfind('/');
        if (slash != std::string::npos && IsPlainPath(path)) {
            m_caseIndex.Add(slash == 0 ? std::string("/") : path.substr(0, slash),
                            path.substr(slash + 1));
        }
    }

    ErrorCode Made(ErrorCode error, const std::string& path) {
        if (error == kErrorSuccess) {
            Created(path);
        }
        return error;
    }

    posix::CCaseIndex m_caseIndex;
    posix::CStagingFolders m_staging;
};

}  // namespace

std::unique_ptr<CFileOperations> MakeFileOperations() {
    return std::make_unique<CPosixFileOperations>();
}

}  // namespace platform
