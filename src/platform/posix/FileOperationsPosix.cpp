#include <sys/stat.h>

#include "../SystemFileOperations.h"
#include "CaseIndex.h"
#include "ErrnoMapping.h"
#include "FileSystemPosixInternal.h"
#include "StagingPosix.h"

namespace platform {
namespace {

class CPosixFileOperations : public CSystemFileOperations<posix::CStagingFolders> {
  public:
    // What the index remembers is checked before each use; it is let go
    // between drops only to keep memory small.
    void BeginDrop() override {}
    void EndDrop() override { posix::ProcessCaseIndex().Clear(); }

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

    bool IsReadOnly(const std::string& path) override {
        struct stat info {};
        return ::stat(platform::ResolvePath(path).c_str(), &info) == 0 &&
               (info.st_mode & S_IWUSR) == 0;
    }

    ErrorCode LinkOrCopy(const std::string& source, const std::string& keep) override {
        return posix::LinkOrCopy(source, keep);
    }
    ErrorCode Checksum(const std::string& path, std::uint32_t& crc, std::uint64_t& size) override {
        return posix::Checksum(path, crc, size);
    }
};

}  // namespace

std::unique_ptr<CFileOperations> MakeFileOperations() {
    return std::make_unique<CPosixFileOperations>();
}

}  // namespace platform
