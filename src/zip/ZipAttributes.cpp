#include "ZipAttributes.h"

#include "platform/FileSystem.h"

namespace zip {
namespace {

constexpr std::uint32_t kUnixTypeMask = 0170000;
constexpr std::uint32_t kUnixSymlink = 0120000;
constexpr std::uint32_t kPermissionMask = 0777;
// Staged files must stay readable, and staged folders enterable and writable,
// whatever the archive says, or the install could not copy or remove them.
constexpr std::uint32_t kOwnerRead = 0400;
constexpr std::uint32_t kOwnerAll = 0700;
constexpr std::uint32_t kDosReadOnly = 0x01;

}  // namespace

bool ApplyEntryAttributes(const std::string& path, const CZipEntry& entry, bool directory) {
    // A link is written as a plain file holding its target, with plain permissions.
    if (entry.HasUnixMode() && (entry.UnixMode() & kUnixTypeMask) != kUnixSymlink) {
        const std::uint32_t mode =
            (entry.UnixMode() & kPermissionMask) | (directory ? kOwnerAll : kOwnerRead);
        return platform::SetFileMode(path, mode) == platform::kErrorSuccess;
    }
    std::uint32_t attributes = entry.m_nExternalAttr & 0xFF;
    if (directory) {
        attributes &= ~kDosReadOnly;
    }
    return platform::SetFileAttributes(path, attributes) == platform::kErrorSuccess;
}

int StampExtractedFile(const std::string& path, const CZipEntry& entry, int result) {
    const bool timeSet =
        platform::SetLastWriteTime(path, entry.GetModTime()) == platform::kErrorSuccess;
    if (!ApplyEntryAttributes(path, entry, false)) {
        return -2;
    }
    return timeSet ? result : 0;
}

}  // namespace zip
