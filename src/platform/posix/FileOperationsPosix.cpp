#include <sys/stat.h>

#include "../FileOperations.h"
#include "../FileSystem.h"
#include "CaseIndex.h"
#include "ErrnoMapping.h"
#include "FileSystemPosixInternal.h"
#include "StagingPosix.h"

namespace platform {
namespace {

class CPosixFileOperations : public CFileOperations {
  public:
    // What the index remembers is checked before each use; it is let go
    // between drops only to keep memory small.
    void BeginDrop() override {}
    void EndDrop() override { posix::ProcessCaseIndex().Clear(); }

    std::vector<CFolderEntry> ListFolder(const std::string& folder,
                                         std::string_view pattern) override {
        return platform::ListFolder(folder, pattern);
    }

    std::string ResolvePath(const std::string& path) override {
        return platform::ResolvePath(path);
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
                       std::string& written, SCopyDigest* digest) override {
        return platform::CopyFile(source, destination, written, digest, m_strLinkable);
    }

    ErrorCode SetArchiveOnly(const std::string& path) override {
        return platform::SetArchiveOnly(path);
    }

    void SetLinkableFolder(const std::string& folder) override { m_strLinkable = folder; }

    ErrorCode SetReadOnly(const std::string& path) override {
        return platform::SetFileAttributes(path, 0x01);
    }

    bool IsReadOnly(const std::string& path) override {
        struct stat info {};
        return ::stat(platform::ResolvePath(path).c_str(), &info) == 0 &&
               (info.st_mode & S_IWUSR) == 0;
    }

    ProbeHandle OpenProbe(const std::string& path) override { return platform::OpenProbe(path); }
    ErrorCode CloseProbe(ProbeHandle handle) override { return platform::CloseProbe(handle); }

    ErrorCode CreateDirectory(const std::string& path) override {
        return platform::CreateDirectory(path);
    }
    ErrorCode CreatePrivateDirectory(const std::string& path) override {
        return platform::CreatePrivateDirectory(path);
    }
    ErrorCode DeleteFile(const std::string& path) override { return platform::DeleteFile(path); }
    ErrorCode RemoveDirectory(const std::string& path) override {
        return platform::RemoveDirectory(path);
    }

    std::optional<std::uint64_t> FreeSpace(const std::string& path) override {
        return platform::FreeSpace(path);
    }

    ErrorCode LinkOrCopy(const std::string& source, const std::string& keep) override {
        return posix::LinkOrCopy(source, keep);
    }
    ErrorCode Checksum(const std::string& path, std::uint32_t& crc, std::uint64_t& size) override {
        return posix::Checksum(path, crc, size);
    }

    ErrorCode CreateStaging(const std::string& base, std::string& folder) override {
        return m_staging.Create(base, folder);
    }
    ErrorCode RemoveStaging(const std::string& folder) override { return m_staging.Remove(folder); }

  private:
    posix::CStagingFolders m_staging;
    std::string m_strLinkable;
};

}  // namespace

std::unique_ptr<CFileOperations> MakeFileOperations() {
    return std::make_unique<CPosixFileOperations>();
}

}  // namespace platform
