#include "Win32Api.h"

#include "../SystemFileOperations.h"
#include "Win32FileCopy.h"
#include "Win32Handles.h"
#include "Win32Staging.h"
#include "Win32Text.h"

namespace platform {
namespace {

class CWin32FileOperations : public CSystemFileOperations<win32::CStagingFolders> {
  public:
    // Windows matches letter case itself: nothing to remember between drops.
    void BeginDrop() override {}
    void EndDrop() override {}

    EPathKind Kind(const std::string& path) override {
        const std::wstring wide = win32::WidePath(path);
        const DWORD attributes = ::GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return EPathKind::kMissing;
        }
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            return EPathKind::kFolder;
        }
        if (attributes & FILE_ATTRIBUTE_DEVICE) {
            return EPathKind::kSpecial;
        }
        // A name such as "nul" or "com1" is a device in every folder.
        win32::CHandle file(::CreateFileW(wide.c_str(), 0,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
        if (file.IsValid() && ::GetFileType(file.Get()) != FILE_TYPE_DISK) {
            return EPathKind::kSpecial;
        }
        return EPathKind::kFile;
    }

    bool IsReadOnly(const std::string& path) override {
        const DWORD attributes = ::GetFileAttributesW(win32::WidePath(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    }

    ErrorCode LinkOrCopy(const std::string& source, const std::string& keep) override {
        return win32::LinkOrCopy(source, keep);
    }
    ErrorCode Checksum(const std::string& path, std::uint32_t& crc, std::uint64_t& size) override {
        return win32::Checksum(path, crc, size);
    }
};

}  // namespace

std::unique_ptr<CFileOperations> MakeFileOperations() {
    return std::make_unique<CWin32FileOperations>();
}

}  // namespace platform
